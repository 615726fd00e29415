#include "spacegroup/setting_identification.h"

#include "common/text.h"
#include "spacegroup/operation_set.h"
#include "spacegroup/written_operations.h"
#include "spacegroup/written_symbols.h"

#include <gemmi/numb.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

namespace tavrel {

namespace {

std::string settingName(int row) {
    return settingEntry(row).extendedSymbol;
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
            if (hallSymbolKey(settingsTable[static_cast<std::size_t>(r)].hall) ==
                hallSymbolKey(data.hall))
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
        const Result<OperationSet> reading = readOperationTriplets(data.operations);
        if (!reading) return reading.failure();
        const char letter = centringLetter(hallSet ? data.hall : std::string(), named);
        const bool centred = letter != 0 && letter != 'P';
        const std::string completion =
            centred ? std::string(" with the centring of lattice ") + letter : std::string();
        const std::optional<OperationSet> set =
            centred ? withCentring(*reading, letter) : std::optional<OperationSet>(*reading);
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

} // namespace tavrel
