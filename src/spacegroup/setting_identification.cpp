#include "spacegroup/setting_identification.h"

#include "common/numeric.h"
#include "common/text.h"
#include "spacegroup/operation_set.h"

#include <gemmi/numb.hpp>
#include <gemmi/symmetry.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>
#include <optional>

namespace tavrel {

namespace {

static_assert(gemmi::Op::DEN == GridOperation::kGrid);

// The double prime of a Hall symbol, which some write as two single ones (as the settings
// table does); gemmi reads only the former.
std::string withDoublePrimes(std::string_view hall) {
    return replaceAll(hall, "''", "\"");
}

// Hall symbols compared as words, whatever their spacing and case.
std::string hallKey(std::string_view hall) {
    std::string key;
    for (const std::string& word : splitBlanks(toUpper(withDoublePrimes(hall)))) key += word + " ";
    return key;
}

std::string settingName(int row) {
    return settingEntry(row).extendedSymbol;
}

// No operation or Hall symbol needs a whole number of more than four digits; refusing them
// keeps gemmi's integer arithmetic far from overflowing. Decimal fractions may be long.
bool hasLongWholeNumber(std::string_view text) {
    std::size_t run = 0;
    bool fraction = false;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            if (!fraction && ++run > 4) return true;
        } else {
            fraction = c == '.';
            run = 0;
        }
    }
    return false;
}

// gemmi reads translations written as fractions ("1/2+x"); some files write decimals ("x+0.5",
// "0.3333-y"). A decimal within a hundredth of a 24th becomes that fraction; any other is left
// for gemmi to refuse.
std::string decimalsAsFractions(const std::string& triplet) {
    std::string out;
    std::size_t i = 0;
    auto isDigit = [&](std::size_t at) {
        return at < triplet.size() && std::isdigit(static_cast<unsigned char>(triplet[at]));
    };
    while (i < triplet.size()) {
        if (!isDigit(i) && !(triplet[i] == '.' && isDigit(i + 1))) {
            out += triplet[i++];
            continue;
        }
        std::size_t end = i;
        while (isDigit(end) || (end < triplet.size() && triplet[end] == '.')) ++end;
        const std::string number = triplet.substr(i, end - i);
        const double grid = leadingNumber(number) * GridOperation::kGrid;
        const double whole = std::round(grid);
        if (contains(number, ".") && std::fabs(grid - whole) < 0.01)
            out += std::to_string(static_cast<long>(whole)) + "/" +
                   std::to_string(GridOperation::kGrid);
        else
            out += number;
        i = end;
    }
    return out;
}

std::optional<GridOperation> gridOperation(const gemmi::Op& op) {
    GridOperation g;
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            // A lattice's symmetry operations have rotation entries -1, 0 and 1.
            const int e = op.rot[i][j];
            if (e != 0 && e != gemmi::Op::DEN && e != -gemmi::Op::DEN) return std::nullopt;
            g.rotation[3 * i + j] = e / gemmi::Op::DEN;
        }
        g.translation[i] = op.tran[i];
    }
    const auto& r = g.rotation;
    const int det = r[0] * (r[4] * r[8] - r[5] * r[7]) - r[1] * (r[3] * r[8] - r[5] * r[6]) +
                    r[2] * (r[3] * r[7] - r[4] * r[6]);
    if (det != 1 && det != -1) return std::nullopt;
    return g;
}

struct OperationsReading {
    std::optional<OperationSet> set;
    std::string problem;
};

// The file's operations closed into a group: a list of only some of the operations (the
// generators, say) stands for the group they generate.
OperationsReading readOperations(const std::vector<std::string>& texts) {
    std::vector<GridOperation> operations;
    for (const std::string& text : texts) {
        std::optional<GridOperation> op;
        std::string reason;
        try {
            if (hasLongWholeNumber(text)) {
                reason = "it holds a number too long for a symmetry operation";
            } else {
                op = gridOperation(gemmi::parse_triplet(decimalsAsFractions(text)));
                if (!op) reason = "it is no symmetry operation of a lattice";
            }
        } catch (const std::exception& e) {
            reason = e.what();
        }
        if (!op)
            return {std::nullopt,
                    "its symmetry operation " + inQuotes(text) + " cannot be read: " + reason};
        operations.push_back(*op);
    }
    std::optional<OperationSet> set = closeOperations(std::move(operations));
    if (!set) return {std::nullopt, "its symmetry operations form no space group"};
    return {std::move(set), {}};
}

// The operations of a Hall symbol as gemmi builds them (origin shifts and changes of basis
// included); none when gemmi cannot read it.
std::optional<OperationSet> hallOperations(const std::string& hall) {
    if (hasLongWholeNumber(hall)) return std::nullopt;
    std::vector<GridOperation> operations;
    try {
        const std::string symbol = withDoublePrimes(hall);
        for (const gemmi::Op& op : gemmi::symops_from_hall(symbol.c_str())) {
            const std::optional<GridOperation> g = gridOperation(op);
            if (!g) return std::nullopt;
            operations.push_back(*g);
        }
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return closeOperations(std::move(operations));
}

// The row a Hermann-Mauguin symbol selects through the engine's symbol lookup (on hexagonal or
// rhombohedral axes as the engine's gamma says), keeping an origin choice written ":1" or ":2"
// (or as a trailing S or Z); none when it names no setting.
std::optional<int> rowOfSymbol(std::string symbol, RGroupAxes axes) {
    char origin = 0;
    if (const std::size_t colon = symbol.find(':'); colon != std::string::npos) {
        const std::string qualifier = trim(symbol.substr(colon + 1));
        if (qualifier == "1" || qualifier == "2") origin = qualifier[0];
        symbol = symbol.substr(0, colon);
    } else if (endsWith(toUpper(symbol), " S")) {
        origin = '1';
    } else if (endsWith(toUpper(symbol), " Z")) {
        origin = '2';
    }
    symbol = trim(symbol);
    if (symbol.empty()) return std::nullopt;
    const int row = findSettingRow(symbol, axes);
    // The lookup answers row 0 (P 1) also when nothing matches.
    if (row == 0 && removeChars(toUpper(symbol), " ") != "P1") return std::nullopt;

    const std::string_view qualifier = settingsTable[static_cast<std::size_t>(row)].qualifier;
    if (origin != 0 && !qualifier.empty() && (qualifier[0] == '1' || qualifier[0] == '2') &&
        qualifier[0] != origin) {
        const std::string wanted = origin + std::string(qualifier.substr(1));
        for (std::size_t r = 0; r < kSettingsRowCount; ++r)
            if (groupNumberOfRow(static_cast<int>(r)) == groupNumberOfRow(row) &&
                settingsTable[r].qualifier == wanted)
                return static_cast<int>(r);
    }
    return row;
}

std::optional<int> groupNumberOf(const std::string& text) {
    const double n = gemmi::cif::as_number(text);
    if (!(n >= 1 && n <= kSpaceGroupCount) || n != std::floor(n)) return std::nullopt;
    return static_cast<int>(n);
}

// The lattice letter a Hall or Hermann-Mauguin symbol starts with, upper case; 0 for none.
char latticeLetterOf(const std::string& symbol) {
    for (char c : symbol) {
        if (c == '-' || c == ' ') continue;
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return 0;
}

} // namespace

Result<IdentifiedSetting> identifySetting(const SymmetryDescription& data, RGroupAxes axes) {
    const std::optional<int> named =
        data.hermannMauguin.empty() ? std::nullopt : rowOfSymbol(data.hermannMauguin, axes);
    const std::optional<int> number = groupNumberOf(data.number);
    std::optional<int> declared = number;
    if (!declared && named) declared = groupNumberOfRow(*named);
    const char letter = latticeLetterOf(data.hall.empty() ? data.hermannMauguin : data.hall);

    auto pick = [&](const std::vector<int>& rows) {
        if (named && std::find(rows.begin(), rows.end(), *named) != rows.end()) return *named;
        for (int r : rows)
            if (hallKey(settingsTable[static_cast<std::size_t>(r)].hall) == hallKey(data.hall))
                return r;
        return rows.front();
    };
    auto fitsDeclared = [&](const std::vector<int>& rows) {
        return !rows.empty() && (!declared || groupNumberOfRow(rows.front()) == *declared);
    };

    if (!data.operations.empty()) {
        const OperationsReading reading = readOperations(data.operations);
        if (!reading.set) return Problem{reading.problem};
        const std::vector<int> rows = rowsWithOperations(*reading.set);
        if (fitsDeclared(rows)) return IdentifiedSetting{pick(rows), {}};
        if (letter != 0 && letter != 'P') {
            const std::optional<OperationSet> centred = withCentring(*reading.set, letter);
            const std::vector<int> centredRows =
                centred ? rowsWithOperations(*centred) : std::vector<int>{};
            if (fitsDeclared(centredRows)) return IdentifiedSetting{pick(centredRows), {}};
        }
        if (rows.empty())
            return Problem{"its " + std::to_string(data.operations.size()) +
                           " symmetry operations match none of the 530 space-group settings "
                           "(an origin or axes other than those tabulated)"};
        const int row = pick(rows);
        return IdentifiedSetting{row,
                                 "its symmetry operations are those of " + settingName(row) +
                                     ", not of group " + std::to_string(*declared) +
                                     " that its symbol or number names; the operations were used"};
    }

    if (!data.hall.empty()) {
        if (const std::optional<OperationSet> set = hallOperations(data.hall)) {
            const std::vector<int> rows = rowsWithOperations(*set);
            if (rows.empty())
                return Problem{"its Hall symbol " + inQuotes(data.hall) +
                               " names none of the 530 space-group settings"};
            return IdentifiedSetting{pick(rows), {}};
        }
        if (data.hermannMauguin.empty() && !number)
            return Problem{"its Hall symbol " + inQuotes(data.hall) + " cannot be read"};
    }

    if (named) {
        if (number && groupNumberOfRow(*named) != *number)
            return IdentifiedSetting{
                *named, "its symbol " + inQuotes(data.hermannMauguin) + " names group " +
                            std::to_string(groupNumberOfRow(*named)) + " but its number is " +
                            std::to_string(*number) + "; the symbol was used"};
        return IdentifiedSetting{*named, {}};
    }
    if (number) return IdentifiedSetting{rowForGroup(*number, axes), {}};
    if (!data.hermannMauguin.empty())
        return Problem{"its space-group symbol " + inQuotes(data.hermannMauguin) +
                       " matches none of the 530 space-group settings"};
    if (!data.number.empty())
        return Problem{"its space-group number " + inQuotes(data.number) + " is not 1 to 230"};
    return IdentifiedSetting{
        0, "gives no symmetry (no operations, space-group symbol or number); it was taken as "
           "P 1, without systematic absences"};
}

} // namespace tavrel
