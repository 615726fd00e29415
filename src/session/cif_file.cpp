#include "session/cif_file.h"

#include "common/file_io.h"
#include "common/notifier.h"
#include "common/numeric.h"
#include "common/text.h"
#include "crystal/unit_cell.h"
#include "session/cif_document.h"
#include "session/generation.h"
#include "spacegroup/operation_set.h"
#include "spacegroup/space_group.h"

#include <gemmi/numb.hpp>
#include <gemmi/symmetry.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>

namespace tavrel {

namespace {

namespace cif = gemmi::cif;

static_assert(gemmi::Op::DEN == GridOperation::kGrid);

// An item's names: its CIF 1 name and its dotted CIF 2 / mmCIF name, then those of the older
// item it replaced; unused names are null.
using Tags = std::array<const char*, 4>;

const std::array<Tags, 6> kCellTags = {{
    {"_cell_length_a", "_cell.length_a"},
    {"_cell_length_b", "_cell.length_b"},
    {"_cell_length_c", "_cell.length_c"},
    {"_cell_angle_alpha", "_cell.angle_alpha"},
    {"_cell_angle_beta", "_cell.angle_beta"},
    {"_cell_angle_gamma", "_cell.angle_gamma"},
}};
const std::array<Tags, 3> kTitleTags = {{
    {"_chemical_name_mineral", "_chemical.name_mineral"},
    {"_chemical_name_common", "_chemical.name_common"},
    {"_chemical_formula_sum", "_chemical_formula.sum"},
}};
const Tags kOperationTags = {"_space_group_symop_operation_xyz", "_space_group_symop.operation_xyz",
                             "_symmetry_equiv_pos_as_xyz", "_symmetry_equiv.pos_as_xyz"};
const Tags kHallTags = {"_space_group_name_Hall", "_space_group.name_Hall",
                        "_symmetry_space_group_name_Hall", "_symmetry.space_group_name_Hall"};
const Tags kHermannMauguinTags = {"_space_group_name_H-M_alt", "_space_group.name_H-M_alt",
                                  "_symmetry_space_group_name_H-M",
                                  "_symmetry.space_group_name_H-M"};
const Tags kNumberTags = {"_space_group_IT_number", "_space_group.IT_number",
                          "_symmetry_Int_Tables_number", "_symmetry.Int_Tables_number"};

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The values of the first of `tags` the block holds, without unknown or inapplicable ones.
std::vector<std::string> valuesOf(const CifBlock& block, const Tags& tags) {
    std::vector<std::string> values;
    for (const char* tag : tags) {
        if (tag == nullptr) continue;
        const auto item = block.items.find(toLower(tag));
        if (item == block.items.end()) continue;
        for (const std::string& value : item->second)
            if (!value.empty()) values.push_back(value);
        break;
    }
    return values;
}

std::string valueOf(const CifBlock& block, const Tags& tags) {
    const std::vector<std::string> values = valuesOf(block, tags);
    return values.empty() ? std::string() : trim(values.front());
}

// Every item the reader looks at, as the parse step wants them.
std::vector<std::string> wantedItems() {
    std::vector<std::string> wanted;
    auto add = [&](const Tags& tags) {
        for (const char* tag : tags)
            if (tag != nullptr) wanted.push_back(toLower(tag));
    };
    for (const Tags& tags : kCellTags) add(tags);
    for (const Tags& tags : kTitleTags) add(tags);
    for (const Tags& tags : {kOperationTags, kHallTags, kHermannMauguinTags, kNumberTags})
        add(tags);
    return wanted;
}

// A text field may run over several lines; a title is one line of the pattern input file.
std::string oneLine(const std::string& text) {
    std::string spaced = text;
    for (char& c : spaced)
        if (std::iscntrl(static_cast<unsigned char>(c))) c = ' ';
    std::string line;
    for (const std::string& word : splitBlanks(spaced)) line += (line.empty() ? "" : " ") + word;
    return line;
}

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

std::string settingName(const SpaceGroupEngine& engine, int row) {
    return engine.settingEntry(row).extendedSymbol;
}

// What a block says about its symmetry.
struct SymmetryData {
    std::vector<std::string> operations;
    std::string hall;
    std::string hermannMauguin;
    std::string number;
};

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
                    "its symmetry operation " + quoted(text) + " cannot be read: " + reason};
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
std::optional<int> rowOfSymbol(const SpaceGroupEngine& engine, std::string symbol) {
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
    const int row = engine.findSettingRow(symbol);
    // The lookup answers row 0 (P 1) also when nothing matches.
    if (row == 0 && removeChars(toUpper(symbol), " ") != "P1") return std::nullopt;

    const std::string_view qualifier = settingsTable[static_cast<std::size_t>(row)].qualifier;
    if (origin != 0 && !qualifier.empty() && (qualifier[0] == '1' || qualifier[0] == '2') &&
        qualifier[0] != origin) {
        const std::string wanted = origin + std::string(qualifier.substr(1));
        for (std::size_t r = 0; r < kSettingsRowCount; ++r)
            if (engine.rowNumber(r) == engine.rowNumber(static_cast<std::size_t>(row)) &&
                settingsTable[r].qualifier == wanted)
                return static_cast<int>(r);
    }
    return row;
}

std::optional<int> groupNumberOf(const std::string& text) {
    const double n = cif::as_number(text);
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

struct SettingChoice {
    int row = -1;        // -1: refused
    std::string problem; // why, when refused
    std::string warning;
};

SettingChoice refusal(std::string problem) {
    return {-1, std::move(problem), {}};
}

// Chooses the settings row of a structure:
// 1. Listed symmetry operations decide. They are closed into a group and compared as a set
//    with every row's operations; a file that lists one operation per centring coset only is
//    completed with the centring of the lattice letter its symbol names, provided that gives
//    the group number its symbol or number names. Operations that match no row are refused.
// 2. Else a Hall symbol: its operations (gemmi builds them, origin shifts included) are
//    matched the same way; a readable symbol that matches no row is refused.
// 3. Else the Hermann-Mauguin symbol through the engine's lookup, else the group number (the
//    list's row for it).
// 4. Else P 1, with a warning.
// Where several rows share a set of operations, the one the file's symbols name is taken.
SettingChoice chooseSetting(const SymmetryData& data, float gamma) {
    SpaceGroupEngine engine;
    engine.setCellValue(5, gamma); // R groups: hexagonal axes exactly when gamma is 120
    const std::optional<int> named =
        data.hermannMauguin.empty() ? std::nullopt : rowOfSymbol(engine, data.hermannMauguin);
    const std::optional<int> number = groupNumberOf(data.number);
    std::optional<int> declared = number;
    if (!declared && named) declared = engine.rowNumber(static_cast<std::size_t>(*named));
    const char letter = latticeLetterOf(data.hall.empty() ? data.hermannMauguin : data.hall);

    auto pick = [&](const std::vector<int>& rows) {
        if (named && std::find(rows.begin(), rows.end(), *named) != rows.end()) return *named;
        for (int r : rows)
            if (hallKey(settingsTable[static_cast<std::size_t>(r)].hall) == hallKey(data.hall))
                return r;
        return rows.front();
    };
    auto fitsDeclared = [&](const std::vector<int>& rows) {
        return !rows.empty() &&
               (!declared || engine.rowNumber(static_cast<std::size_t>(rows.front())) == *declared);
    };

    if (!data.operations.empty()) {
        const OperationsReading reading = readOperations(data.operations);
        if (!reading.set) return refusal(reading.problem);
        const std::vector<int> rows = rowsWithOperations(*reading.set);
        if (fitsDeclared(rows)) return {pick(rows), {}, {}};
        if (letter != 0 && letter != 'P') {
            const std::optional<OperationSet> centred = withCentring(*reading.set, letter);
            const std::vector<int> centredRows =
                centred ? rowsWithOperations(*centred) : std::vector<int>{};
            if (fitsDeclared(centredRows)) return {pick(centredRows), {}, {}};
        }
        if (rows.empty())
            return refusal("its " + std::to_string(data.operations.size()) +
                           " symmetry operations match none of the 530 space-group settings "
                           "(an origin or axes other than those tabulated)");
        const int row = pick(rows);
        return {row,
                {},
                "its symmetry operations are those of " + settingName(engine, row) +
                    ", not of group " + std::to_string(*declared) +
                    " that its symbol or number names; the operations were used"};
    }

    if (!data.hall.empty()) {
        if (const std::optional<OperationSet> set = hallOperations(data.hall)) {
            const std::vector<int> rows = rowsWithOperations(*set);
            if (rows.empty())
                return refusal("its Hall symbol " + quoted(data.hall) +
                               " names none of the 530 space-group settings");
            return {pick(rows), {}, {}};
        }
        if (data.hermannMauguin.empty() && !number)
            return refusal("its Hall symbol " + quoted(data.hall) + " cannot be read");
    }

    if (named) {
        if (number && engine.rowNumber(static_cast<std::size_t>(*named)) != *number)
            return {*named,
                    {},
                    "its symbol " + quoted(data.hermannMauguin) + " names group " +
                        std::to_string(engine.rowNumber(static_cast<std::size_t>(*named))) +
                        " but its number is " + std::to_string(*number) + "; the symbol was used"};
        return {*named, {}, {}};
    }
    if (number) return {engine.rowForGroup(*number), {}, {}};
    if (!data.hermannMauguin.empty())
        return refusal("its space-group symbol " + quoted(data.hermannMauguin) +
                       " matches none of the 530 space-group settings");
    if (!data.number.empty())
        return refusal("its space-group number " + quoted(data.number) + " is not 1 to 230");
    return {0,
            {},
            "gives no symmetry (no operations, space-group symbol or number); it was taken as "
            "P 1, without systematic absences"};
}

// The number of a CIF value without its standard uncertainty: "5.4307(2)" -> "5.4307".
std::optional<std::string> numberText(const std::string& value) {
    if (std::isnan(cif::as_number(value))) return std::nullopt;
    return trim(value.substr(0, value.find('(')));
}

bool hasCell(const CifBlock& block) {
    return !valueOf(block, kCellTags[0]).empty();
}

} // namespace

CifReading readCifText(const std::string& text, const std::string& path) {
    const CifParse parse = parseCifBlocks(text, fileNameOf(path), wantedItems());
    if (!parse.blocks)
        return {std::nullopt, quoted(path) + " is not a readable CIF: " + parse.problem};

    std::vector<const CifBlock*> structures;
    for (const CifBlock& block : *parse.blocks)
        if (hasCell(block)) structures.push_back(&block);
    if (structures.empty())
        return {std::nullopt, quoted(path) + " holds no structure: none of its data blocks gives "
                                             "a unit cell (_cell_length_a, _b, _c)"};

    const CifBlock& block = *structures.front();
    CifStructure s;
    s.blockName = block.name;
    const std::string where = quoted(path) + " (data_" + block.name + ")";
    auto refused = [&](const std::string& problem) {
        return CifReading{std::nullopt, where + ": " + problem};
    };

    UnitCell cell;
    for (std::size_t i = 0; i < 6; ++i) {
        const std::string value = valueOf(block, kCellTags[i]);
        const char* tag = kCellTags[i][0];
        if (value.empty()) {
            if (i < 3) return refused("gives no " + std::string(tag));
            s.cell[i] = "90"; // the dictionary's default angle
        } else if (const std::optional<std::string> number = numberText(value)) {
            s.cell[i] = *number;
        } else {
            return refused(std::string(tag) + " " + quoted(value) + " is not a number");
        }
        cell.values[i] = static_cast<float>(leadingNumber(s.cell[i]));
    }
    RecordingNotifier quiet;
    LatticeMatrices matrices;
    const bool positive = cell.a() > 0 && cell.b() > 0 && cell.c() > 0;
    if (!positive || buildLatticeMatrices(cell, matrices, quiet) != LatticeStatus::Ok) {
        std::string values;
        for (const std::string& v : s.cell) values += (values.empty() ? "" : " ") + v;
        return refused("its cell " + values + " describes no unit cell");
    }

    SymmetryData symmetry;
    for (const std::string& op : valuesOf(block, kOperationTags))
        if (!trim(op).empty()) symmetry.operations.push_back(trim(op));
    symmetry.hall = valueOf(block, kHallTags);
    symmetry.hermannMauguin = valueOf(block, kHermannMauguinTags);
    symmetry.number = valueOf(block, kNumberTags);
    const SettingChoice choice = chooseSetting(symmetry, cell.gamma());
    if (choice.row < 0) return refused(choice.problem);
    s.settingRow = choice.row;
    if (!choice.warning.empty()) s.warnings.push_back(where + ": " + choice.warning);

    for (const Tags& tags : kTitleTags) {
        s.title = oneLine(valueOf(block, tags));
        if (!s.title.empty()) break;
    }
    if (s.title.empty()) s.title = oneLine(block.name);

    if (structures.size() > 1)
        s.warnings.insert(s.warnings.begin(),
                          quoted(path) + " holds " + std::to_string(structures.size()) +
                              " structures; the first, data_" + block.name + ", was opened");
    return {std::move(s), {}};
}

CifReading readCifFile(const std::string& path) {
    std::string reason;
    const std::optional<std::string> content = readWholeFile(path, reason);
    if (!content) return {std::nullopt, quoted(path) + " cannot be read: " + reason};
    return readCifText(*content, path);
}

void applyCifStructure(DocumentFields& fields, const CifStructure& structure) {
    fields.resetForNewDocument();
    fields.title = structure.title;
    fields.cell = structure.cell;
    const std::size_t row = static_cast<std::size_t>(structure.settingRow);
    fields.spaceGroupIndex = roundToInt32(leadingNumber(settingsTable.at(row).nspg)) - 1;
    fields.settingRow = structure.settingRow;
    fields.d[1] = "0";
}

FileOutcome openCif(Simulation& sim, const std::string& path, const CancelCheck& cancelled) {
    const CifReading reading = readCifFile(path);
    if (!reading.structure) return {false, reading.error};
    applyCifStructure(sim.fields, *reading.structure);
    sim.document.filePath = path;
    generateReflections(sim, cancelled);
    for (const std::string& warning : reading.structure->warnings) sim.notifier().message(warning);
    return {};
}

std::string settingNotStoredWarning(const Simulation& sim, const std::string& path) {
    const std::optional<int>& row = sim.fields.settingRow;
    const int number = sim.fields.spaceGroupIndex + 1;
    if (!row || *row < 0 || *row >= static_cast<int>(kSettingsRowCount)) return {};
    if (sim.engine.rowNumber(static_cast<std::size_t>(*row)) != number) return {};
    const int listRow = sim.engine.rowForGroup(number);
    if (*row == listRow) return {};
    return quoted(path) +
           " stores only the space-group number: opened again, it is simulated "
           "in the setting " +
           settingName(sim.engine, listRow) + ", not in " + settingName(sim.engine, *row) +
           " as now";
}

} // namespace tavrel
