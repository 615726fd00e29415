#include "cli/args.h"
#include "cli/cli_session.h"
#include "cli/commands.h"

#include "common/file_io.h"
#include "common/numeric.h"
#include "common/text.h"
#include "spacegroup/settings.h"
#include "spacegroup/space_group.h"

#include <ostream>

namespace tavrel::cli {

namespace {

// Largest --absent limit: 201^3 triples are already far more than any pattern asks for.
constexpr int kMaxAbsentLimit = 100;

std::string matrixLine(const Matrix4& m) {
    std::string line;
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 4; ++j) {
            if (!line.empty()) line += " ";
            line += shortestText(m[i][j]);
        }
    }
    return line;
}

int runSpacegroup(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Args args(argv, {"--matrices"}, {"--gamma", "--row", "--absent", "--listing"});
    const auto rowText = args.value("--row");
    args.expectPositional(rowText ? 0 : 1, rowText ? 0 : 1);
    const bool matrices = args.flag("--matrices");
    int absentLimit = -1;
    if (const auto limit = args.value("--absent")) {
        absentLimit = parseInteger(*limit, "--absent");
        if (absentLimit < 0 || absentLimit > kMaxAbsentLimit)
            throw UsageError("--absent must lie in 0.." + std::to_string(kMaxAbsentLimit) +
                             ", not '" + *limit + "'");
        if (matrices) throw UsageError("--matrices and --absent cannot be combined");
    }

    const auto say = [&err](const std::string& text) {
        err << "tavrel-cli spacegroup: " << text << "\n";
    };
    RGroupAxes axes = RGroupAxes::Rhombohedral;
    if (const auto gamma = args.value("--gamma"))
        axes = rGroupAxesFor(parseFloat(*gamma, "--gamma"));

    int row = 0;
    if (rowText) {
        row = parseInteger(*rowText, "--row");
        if (row < 0 || row >= static_cast<int>(kSettingsRowCount))
            throw UsageError("--row must be a settings row 0..529, not '" + *rowText + "'");
    } else {
        // Symbols are matched upper-cased and trimmed, as the window's list hands them over.
        // Unlike the window, which falls back to P 1, a symbol that names nothing is an error.
        const std::string& symbol = args.positional()[0];
        const std::optional<int> matched = matchSettingRow(toUpper(trim(symbol)), axes);
        if (!matched) {
            say("no space group matches '" + symbol + "'");
            return kFailure;
        }
        row = *matched;
    }
    const SpaceGroup group = SpaceGroup::ofRow(row);
    const SettingEntry entry = settingEntry(row);

    out << "Row: " << row << "\n"
        << "Number: " << entry.number << "\n"
        << "Hall: " << entry.hallSymbol << "\n"
        << "Symbol: " << entry.extendedSymbol << "\n"
        << "Crystal system: " << group.crystalSystem() << "\n"
        << "Origin choice: " << group.originChoice() << "\n"
        << "Operations: " << group.operationCount() << "\n";

    if (absentLimit >= 0) {
        const auto n = static_cast<std::int16_t>(absentLimit);
        for (std::int16_t h = n; h >= -n; --h)
            for (std::int16_t k = n; k >= -n; --k)
                for (std::int16_t l = n; l >= -n; --l)
                    if ((h != 0 || k != 0 || l != 0) && group.isAbsent(h, k, l))
                        out << h << " " << k << " " << l << "\n";
    } else {
        const std::string listing = listingText(group);
        std::size_t start = 0;
        for (std::size_t line = 0; start < listing.size(); ++line) {
            std::size_t end = listing.find("\r\n", start);
            if (end == std::string::npos) end = listing.size();
            out << listing.substr(start, end - start) << "\n";
            if (matrices && line > 0) out << matrixLine(group.operations()[line - 1].m) << "\n";
            start = end + 2;
        }
    }

    if (const auto file = args.value("--listing")) {
        if (const Outcome written = writeFileAtomically(*file, listingText(group)); !written) {
            say("Cannot write the symmetry listing " + *file + ": " + written.problem());
            return kFailure;
        }
    }
    return 0;
}

} // namespace

const Command spacegroupCommand{
    "spacegroup", "select a space-group setting and list its symmetry operations",
    "tavrel-cli spacegroup (SYMBOL | --row I) [--gamma DEG] [--matrices] [--absent N] "
    "[--listing FILE]",
    "Matches SYMBOL (a Hermann-Mauguin symbol such as P21/c, Fm-3m or R-3m:H, or a space-group\n"
    "number such as 225 or 227:2) to one of the 530 standard settings, the way the space-group\n"
    "field of the window does, and builds the symmetry operations of its Hall symbol. Prints the\n"
    "row index (0..529), the space-group number, the Hall symbol, the extended symbol, the\n"
    "crystal system, the origin choice and the number of operations, followed by the symmetry\n"
    "listing as symmetry.txt holds it: a \"Hall:\" line and one line per operation.\n\n"
    "A SYMBOL that names no setting (a number outside 1..230, a text that is no symbol or only\n"
    "a part of one) is an error with exit status 1, where the window would take P 1.\n\n"
    "options:\n"
    "  --gamma DEG     the cell angle gamma in degrees; a rhombohedral symbol is taken on\n"
    "                  hexagonal axes when gamma is 120 and on rhombohedral axes otherwise\n"
    "                  (not given: as right after start, i.e. rhombohedral axes)\n"
    "  --row I         select settings row I (0..529) directly instead of matching a SYMBOL\n"
    "  --matrices      after each operation, its matrix rows 0..2 as 12 numbers:\n"
    "                  r00 r01 r02 t0 r10 r11 r12 t1 r20 r21 r22 t2\n"
    "  --absent N      instead of the listing, print \"h k l\" for every systematically absent\n"
    "                  reflection with |h|, |k|, |l| <= N (0..100), h, k, l each running from\n"
    "                  N down to -N\n"
    "  --listing FILE  also write the listing (CR LF line ends) to FILE; exit status 1 when it\n"
    "                  cannot be written\n",
    runSpacegroup};

} // namespace tavrel::cli
