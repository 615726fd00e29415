#include "spacegroup/setting_identification.h"

#include "common/numeric.h"
#include "common/text.h"
#include "spacegroup/operation_set.h"
#include "spacegroup/written_symbols.h"

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
// "0.3333-y", "z+0.67"). A decimal becomes the 24th it rounds from at the digits written
// (thirds and sixths written to two decimals included), or within a hundredth of a 24th for a
// shorter one; any other is left for gemmi to refuse.
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
        const std::size_t point = number.find('.');
        const std::size_t decimals = point == std::string::npos ? 0 : number.size() - point - 1;
        const double value = leadingNumber(number);
        const double whole = std::round(value * GridOperation::kGrid);
        // Two decimals or more single out one 24th: they lie 0.042 apart.
        const double roundedAway = decimals >= 2 ? 0.5 * std::pow(10.0, -double(decimals)) : 0.0;
        const double tolerance = std::max(0.01 / GridOperation::kGrid, roundedAway) + 1e-12;
        if (point != std::string::npos &&
            std::fabs(value - whole / GridOperation::kGrid) <= tolerance)
            out += std::to_string(static_cast<long>(whole)) + "/" +
                   std::to_string(GridOperation::kGrid);
        else
            out += number;
        i = end;
    }
    return out;
}

// gemmi also reads a, b, c and h, k, l as x, y, z, the notations of a change of basis and of
// reflections; an operation that uses them is not a coordinate triplet.
bool usesOnlyCoordinates(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return std::isalpha(static_cast<unsigned char>(c)) && lower != 'x' && lower != 'y' &&
               lower != 'z';
    });
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
            } else if (!usesOnlyCoordinates(text)) {
                reason = "a symmetry operation is written in x, y and z";
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

// The centring a file's symbols give its operations: that of a readable Hall symbol, else that
// of the row its Hermann-Mauguin symbol names (so an R symbol on rhombohedral axes adds none).
char centringLetter(const std::string& hall, const std::optional<int>& named) {
    if (!hall.empty()) return latticeLetterOf(hall);
    if (named)
        return latticeLetterOf(std::string(settingsTable[static_cast<std::size_t>(*named)].hall));
    return 0;
}

} // namespace

Result<IdentifiedSetting> identifySetting(const SymmetryDescription& data, RGroupAxes axes) {
    // Each datum read on its own; what cannot be read refuses the file where it would decide,
    // and is named in a warning where another datum decides.
    std::optional<int> named;
    std::string symbolProblem;
    if (!data.hermannMauguin.empty()) {
        const Result<int> row = settingRowOfWrittenSymbol(data.hermannMauguin, axes);
        if (row)
            named = *row;
        else
            symbolProblem =
                "its space-group symbol " + inQuotes(data.hermannMauguin) + " " + row.problem();
    }
    std::optional<OperationSet> hallSet;
    std::string hallProblem;
    if (!data.hall.empty()) {
        hallSet = operationsOfHallSymbol(data.hall);
        if (!hallSet) hallProblem = "its Hall symbol " + inQuotes(data.hall) + " cannot be read";
    }
    const std::optional<int> number = groupNumberOf(data.number);
    const std::string numberProblem =
        data.number.empty() || number
            ? std::string()
            : "its space-group number " + inQuotes(data.number) + " is not 1 to 230";
    std::optional<int> declared = number;
    if (!declared && named) declared = groupNumberOfRow(*named);

    auto pick = [&](const std::vector<int>& rows) {
        if (named && std::find(rows.begin(), rows.end(), *named) != rows.end()) return *named;
        for (int r : rows)
            if (hallKey(settingsTable[static_cast<std::size_t>(r)].hall) == hallKey(data.hall))
                return r;
        return rows.front();
    };
    auto unreadBeside = [](IdentifiedSetting& setting, const std::string& decider,
                           std::initializer_list<const std::string*> problems) {
        for (const std::string* problem : problems)
            if (!problem->empty())
                setting.warnings.push_back(*problem + "; " + decider + " decided the setting");
    };
    auto contradicted = [&](IdentifiedSetting& setting, const std::string& what,
                            const std::string& decider) {
        if (declared && groupNumberOfRow(setting.row) != *declared)
            setting.warnings.push_back(what + " those of " + settingName(setting.row) +
                                       ", not of group " + std::to_string(*declared) +
                                       " that its symbol or number names; " + decider +
                                       " were used");
    };

    if (!data.operations.empty()) {
        const OperationsReading reading = readOperations(data.operations);
        if (!reading.set) return Problem{reading.problem};
        const char letter = centringLetter(hallSet ? data.hall : std::string(), named);
        const bool centred = letter != 0 && letter != 'P';
        const std::string completion =
            centred ? std::string(" with the centring of lattice ") + letter : std::string();
        const std::optional<OperationSet> set =
            centred ? withCentring(*reading.set, letter) : reading.set;
        if (!set) return Problem{"its symmetry operations" + completion + " form no space group"};
        const std::vector<int> rows = rowsWithOperations(*set);
        if (rows.empty())
            return Problem{"its " + std::to_string(data.operations.size()) +
                           " symmetry operations" + completion +
                           " match none of the 530 space-group settings (an origin or axes "
                           "other than those tabulated)"};
        IdentifiedSetting setting{pick(rows), {}};
        contradicted(setting, "its symmetry operations are", "the operations");
        unreadBeside(setting, "its symmetry operations",
                     {&hallProblem, &symbolProblem, &numberProblem});
        return setting;
    }

    if (!data.hall.empty()) {
        if (!hallSet) return Problem{hallProblem};
        const std::vector<int> rows = rowsWithOperations(*hallSet);
        if (rows.empty())
            return Problem{"its Hall symbol " + inQuotes(data.hall) +
                           " names none of the 530 space-group settings"};
        IdentifiedSetting setting{pick(rows), {}};
        contradicted(setting, "the operations of its Hall symbol are", "they");
        unreadBeside(setting, "its Hall symbol", {&symbolProblem, &numberProblem});
        return setting;
    }

    if (!data.hermannMauguin.empty()) {
        if (!named) return Problem{symbolProblem};
        IdentifiedSetting setting{*named, {}};
        if (number && groupNumberOfRow(*named) != *number)
            setting.warnings.push_back("its symbol " + inQuotes(data.hermannMauguin) +
                                       " names group " + std::to_string(groupNumberOfRow(*named)) +
                                       " but its number is " + std::to_string(*number) +
                                       "; the symbol was used");
        unreadBeside(setting, "its symbol", {&numberProblem});
        return setting;
    }
    if (number) return IdentifiedSetting{rowForGroup(*number, axes), {}};
    if (!data.number.empty()) return Problem{numberProblem};
    return IdentifiedSetting{
        0,
        {"gives no symmetry (no operations, space-group symbol or number); it was taken as "
         "P 1, without systematic absences"}};
}

std::optional<OperationSet> operationsOfHallSymbol(const std::string& hall) {
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

} // namespace tavrel
