#include "session/cif_file.h"

#include "common/file_io.h"
#include "common/numeric.h"
#include "common/text.h"
#include "crystal/unit_cell.h"
#include "session/cif_blocks.h"
#include "session/field_reader.h"
#include "spacegroup/setting_identification.h"

#include <gemmi/numb.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>

namespace tavrel {

namespace {

namespace cif = gemmi::cif;

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

// The number of a CIF value without its standard uncertainty: "5.4307(2)" -> "5.4307".
std::optional<std::string> numberText(const std::string& value) {
    if (std::isnan(cif::as_number(value))) return std::nullopt;
    return trim(value.substr(0, value.find('(')));
}

bool hasCell(const CifBlock& block) {
    return !valueOf(block, kCellTags[0]).empty();
}

} // namespace

Result<CifStructure> readCifText(const std::string& text, const std::string& path) {
    const CifParse parse = parseCifBlocks(text, fileNameOf(path), wantedItems());
    if (!parse.blocks) return Problem{inQuotes(path) + " is not a readable CIF: " + parse.problem};

    std::vector<const CifBlock*> structures;
    for (const CifBlock& block : *parse.blocks)
        if (hasCell(block)) structures.push_back(&block);
    if (structures.empty())
        return Problem{inQuotes(path) + " holds no structure: none of its data blocks gives a unit "
                                        "cell (_cell_length_a, _b, _c)"};

    const CifBlock& block = *structures.front();
    CifStructure s;
    s.blockName = block.name;
    const std::string where = inQuotes(path) + " (data_" + block.name + ")";
    auto refused = [&](const std::string& problem) { return Problem{where + ": " + problem}; };

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
            return refused(std::string(tag) + " " + inQuotes(value) + " is not a number");
        }
        cell.values[i] = fieldValue(s.cell[i]);
    }
    if (checkCell(cell) != LatticeStatus::Ok) {
        std::string values;
        for (const std::string& v : s.cell) values += (values.empty() ? "" : " ") + v;
        return refused("its cell " + values + " describes no unit cell");
    }

    SymmetryDescription symmetry;
    for (const std::string& op : valuesOf(block, kOperationTags))
        if (!trim(op).empty()) symmetry.operations.push_back(trim(op));
    symmetry.hall = valueOf(block, kHallTags);
    symmetry.hermannMauguin = valueOf(block, kHermannMauguinTags);
    symmetry.number = valueOf(block, kNumberTags);
    const Result<IdentifiedSetting> setting =
        identifySetting(symmetry, rGroupAxesFor(cell.gamma()));
    if (!setting) return refused(setting.problem());
    s.settingRow = setting->row;
    if (!setting->warning.empty()) s.warnings.push_back(where + ": " + setting->warning);

    for (const Tags& tags : kTitleTags) {
        s.title = oneLine(valueOf(block, tags));
        if (!s.title.empty()) break;
    }
    if (s.title.empty()) s.title = oneLine(block.name);

    if (structures.size() > 1)
        s.warnings.insert(s.warnings.begin(),
                          inQuotes(path) + " holds " + std::to_string(structures.size()) +
                              " structures; the first, data_" + block.name + ", was opened");
    return s;
}

Result<CifStructure> readCifFile(const std::string& path) {
    const Result<std::string> content = readWholeFile(path);
    if (!content) return Problem{inQuotes(path) + " cannot be read: " + content.problem()};
    return readCifText(*content, path);
}

void applyCifStructure(DocumentFields& fields, const CifStructure& structure) {
    fields.resetForNewDocument();
    fields.title = structure.title;
    fields.cell = structure.cell;
    fields.spaceGroupIndex = groupNumberOfRow(structure.settingRow) - 1;
    fields.settingRow = structure.settingRow;
    fields.d[1] = "0";
}

std::string settingNotStoredWarning(const DocumentFields& fields, const std::string& path) {
    const std::optional<int>& row = fields.settingRow;
    const int number = fields.spaceGroupIndex + 1;
    if (!row || groupNumberOfRow(*row) != number) return {};
    const int listRow = rowForGroup(number, rGroupAxesFor(fieldValue(fields.cell[5])));
    if (*row == listRow) return {};
    return inQuotes(path) +
           " stores only the space-group number: opened again, it is simulated "
           "in the setting " +
           extendedSymbolOfRow(listRow) + ", not in " + extendedSymbolOfRow(*row) + " as now";
}

} // namespace tavrel
