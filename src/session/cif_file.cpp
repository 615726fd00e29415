#include "session/cif_file.h"

#include "common/file_io.h"
#include "common/numeric.h"
#include "common/text.h"
#include "crystal/unit_cell.h"
#include "session/cif_blocks.h"
#include "session/field_reader.h"
#include "spacegroup/setting_identification.h"
#include "spacegroup/settings.h"
#include "spacegroup/space_group.h"
#include "structure/cell_atoms.h"
#include "structure/cif_atoms.h"
#include "structure/cif_writer.h"

#include <gemmi/numb.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

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

// The program's own items: the inputs of a document that the crystallographic items do not hold.
constexpr const char* kWavelengthItem = "_tavrel_wavelength";
constexpr const char* kDRangeItem = "_tavrel_d_range";
constexpr const char* kLimitsItem = "_tavrel_hkl_limits";
constexpr const char* kFilmItem = "_tavrel_film";
constexpr const char* kOrientationItem = "_tavrel_orientation";
constexpr const char* kOrientationTypeItem = "_tavrel_orientation_type";
constexpr const char* kScatteringItem = "_tavrel_scattering";
constexpr const char* kMinIntensityItem = "_tavrel_min_intensity";
// The detector: Bruker's x and y of the pattern centre (z is the film distance over its height),
// the convention the user states it in, the specimen and detector tilts ("." for the default of
// the work), the unbinned pixel size (um) and binning, the frame of the Euler angles.
constexpr const char* kCentreItem = "_tavrel_pattern_centre";
constexpr const char* kConventionItem = "_tavrel_pc_convention";
constexpr const char* kTiltsItem = "_tavrel_tilts";
constexpr const char* kPixelItem = "_tavrel_pixel";
constexpr const char* kFrameItem = "_tavrel_euler_frame";
constexpr std::array<const char*, 13> kSimulationItems{
    kWavelengthItem,      kDRangeItem,     kLimitsItem,       kFilmItem,   kOrientationItem,
    kOrientationTypeItem, kScatteringItem, kMinIntensityItem, kCentreItem, kConventionItem,
    kTiltsItem,           kPixelItem,      kFrameItem};
// By ScatteringChoice.
constexpr std::array<const char*, 3> kScatteringNames{"wavelength", "xray", "electron"};

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
    for (const std::string& item : atomSiteItemNames()) wanted.push_back(item);
    for (const char* item : kSimulationItems) wanted.push_back(item);
    return wanted;
}

// A text field may run over several lines; a title is one line of the pattern input file.
// A title of one line stays as it is.
std::string oneLine(const std::string& text) {
    if (text.find_first_of("\r\n") == std::string::npos) return text;
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

// The standard uncertainty a CIF value gives in parentheses, in the value's units:
// "5.4307(2)" -> 0.0002, "90.00(3)" -> 0.03, "1234(5)" -> 5; none without one.
std::optional<double> uncertaintyOf(const std::string& value) {
    const std::size_t open = value.find('(');
    const std::size_t close = value.find(')', open);
    if (open == std::string::npos || close == std::string::npos || close == open + 1)
        return std::nullopt;
    const std::string digits = value.substr(open + 1, close - open - 1);
    const std::string number = trim(value.substr(0, open));
    if (digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos ||
        number.find_first_of("eE") != std::string::npos)
        return std::nullopt;
    const std::size_t point = number.find('.');
    const double decimals =
        point == std::string::npos ? 0.0 : static_cast<double>(number.size() - point - 1);
    return std::stod(digits) * std::pow(10.0, -decimals);
}

// What the lattice of a setting requires of the cell: a parameter equal to another one or to a
// fixed angle. Parameters are numbered a b c alpha beta gamma.
struct CellConstraint {
    std::size_t parameter;
    std::optional<std::size_t> equalTo;
    double angle = 0;
};

std::vector<CellConstraint> cellConstraintsOf(int row) {
    constexpr std::size_t a = 0, b = 1, c = 2, alpha = 3, beta = 4, gamma = 5;
    const std::vector<CellConstraint> rightAngles = {
        {alpha, {}, 90}, {beta, {}, 90}, {gamma, {}, 90}};
    const std::vector<CellConstraint> hexagonal = {
        {b, a, 0}, {alpha, {}, 90}, {beta, {}, 90}, {gamma, {}, 120}};
    auto then = [](std::vector<CellConstraint> first, const std::vector<CellConstraint>& more) {
        first.insert(first.end(), more.begin(), more.end());
        return first;
    };
    const std::string_view qualifier = settingsTable[static_cast<std::size_t>(row)].qualifier;
    switch (crystalSystemOf(groupNumberOfRow(row))) {
    case CrystalSystem::Monoclinic: {
        // The angle at the unique axis is free, the other two are right angles.
        const std::size_t axis = qualifier.find_first_of("abc");
        const std::size_t free = axis == std::string_view::npos
                                     ? beta
                                     : alpha + static_cast<std::size_t>(qualifier[axis] - 'a');
        std::vector<CellConstraint> constraints;
        for (const CellConstraint& right : rightAngles)
            if (right.parameter != free) constraints.push_back(right);
        return constraints;
    }
    case CrystalSystem::Orthorhombic:
        return rightAngles;
    case CrystalSystem::Tetragonal:
        return then({{b, a, 0}}, rightAngles);
    case CrystalSystem::Trigonal:
        if (qualifier == "R") return {{b, a, 0}, {c, a, 0}, {beta, alpha, 0}, {gamma, alpha, 0}};
        return hexagonal;
    case CrystalSystem::Hexagonal:
        return hexagonal;
    case CrystalSystem::Cubic:
        return then({{b, a, 0}, {c, a, 0}}, rightAngles);
    case CrystalSystem::Triclinic:
    case CrystalSystem::None:
        break;
    }
    return {};
}

// The first constraint of the setting that the cell breaks by more than its standard
// uncertainties (where the file gives none, 0.1 % of a length or 0.1 degree), as the message
// names it; none when the cell fits. A cell within them is fitted as a typed cell is.
std::optional<std::string> cellBreach(const std::array<std::string, 6>& written,
                                      const std::array<std::string, 6>& numbers, int row) {
    static constexpr std::array<const char*, 6> kNames = {"a", "b", "c", "alpha", "beta", "gamma"};
    std::array<double, 6> value{}, tolerance{};
    for (std::size_t i = 0; i < 6; ++i) {
        value[i] = leadingNumber(numbers[i]);
        const double unstated = i < 3 ? 0.001 * std::fabs(value[i]) : 0.1;
        // The last bit of a double is no breach.
        tolerance[i] = uncertaintyOf(written[i]).value_or(unstated) + 1e-9 * std::fabs(value[i]);
    }
    for (const CellConstraint& constraint : cellConstraintsOf(row)) {
        const std::size_t p = constraint.parameter;
        const std::string stated = std::string(kNames[p]) + " = " + numbers[p];
        if (constraint.equalTo) {
            const std::size_t q = *constraint.equalTo;
            if (std::fabs(value[p] - value[q]) > tolerance[p] + tolerance[q])
                return stated + " should equal " + kNames[q] + " = " + numbers[q] +
                       " within the standard uncertainties";
        } else if (std::fabs(value[p] - constraint.angle) > tolerance[p]) {
            return stated + " should be " + formatNumber(constraint.angle, "0") +
                   " within its standard uncertainty";
        }
    }
    return std::nullopt;
}

bool hasCell(const CifBlock& block) {
    return !valueOf(block, kCellTags[0]).empty();
}

// Up to `count` blank-separated words of an item, the missing ones empty; "?" stands for an
// empty field.
template <std::size_t N> std::array<std::string, N> wordsOf(const std::string& value) {
    std::array<std::string, N> words;
    const std::vector<std::string> found = splitBlanks(value);
    for (std::size_t i = 0; i < N && i < found.size(); ++i)
        if (found[i] != "?") words[i] = found[i];
    return words;
}

// Fields as one item of words, as wordsOf reads them back: an empty field is "?", and of a
// field with blanks only the first word is kept (the field's number, by the leading-number
// rule).
std::string packedWords(std::initializer_list<std::string> fields) {
    std::string packed;
    for (const std::string& field : fields) {
        const std::vector<std::string> words = splitBlanks(field);
        packed += (packed.empty() ? "" : " ") + (words.empty() ? std::string("?") : words[0]);
    }
    return packed;
}

// A file the program wrote gives back the inputs it stored; a value that is not there, or not
// of the expected shape, leaves its field as applyCifStructure set it.
void applySimulationItems(DocumentFields& f, const std::map<std::string, std::string>& items) {
    auto value = [&](const char* name) -> std::optional<std::string> {
        const auto found = items.find(name);
        if (found == items.end()) return std::nullopt;
        return found->second;
    };
    if (const auto v = value(kWavelengthItem)) f.wavelength = wordsOf<2>(*v);
    if (const auto v = value(kDRangeItem)) f.d = wordsOf<2>(*v);
    if (const auto v = value(kLimitsItem)) {
        f.autoLimits = *v == "auto";
        if (!f.autoLimits) f.hklMax = wordsOf<3>(*v);
    }
    if (const auto v = value(kFilmItem)) f.film = wordsOf<3>(*v);
    if (const auto v = value(kOrientationItem)) f.orientation = *v;
    if (const auto v = value(kOrientationTypeItem))
        f.orientationType = *v == "uvw"     ? OrientationType::Direct
                            : *v == "euler" ? OrientationType::Euler
                                            : OrientationType::Reciprocal;
    if (const auto v = value(kScatteringItem))
        for (std::size_t i = 0; i < kScatteringNames.size(); ++i)
            if (*v == kScatteringNames[i]) f.scattering = static_cast<ScatteringChoice>(i);
    if (const auto v = value(kMinIntensityItem)) f.minIntensity = *v;
}

// The Hermann-Mauguin symbol of a settings row as files write it: the first form of its symbol,
// with the origin choice or the axes where the group has several ("F d -3 m:2", "R -3 m:H").
std::string hermannMauguinOfRow(int row) {
    const std::string symbol = settingEntry(row).itaSymbol;
    std::string text = trim(symbol.substr(0, symbol.find('=')));
    const std::string qualifier(settingsTable[static_cast<std::size_t>(row)].qualifier);
    if (qualifier == "1" || qualifier == "2" || qualifier == "H" || qualifier == "R")
        text += ":" + qualifier;
    return text;
}

} // namespace

Result<CifStructure> readCifText(const std::string& text, const std::string& path) {
    // Editors on other systems start UTF-8 text with a byte-order mark, which is no CIF syntax.
    static constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    const bool marked = std::string_view(text).starts_with(byteOrderMark);
    const CifParse parse = parseCifBlocks(marked ? text.substr(byteOrderMark.size()) : text,
                                          fileNameOf(path), wantedItems());
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
    std::array<std::string, 6> written;
    for (std::size_t i = 0; i < 6; ++i) {
        const std::string value = valueOf(block, kCellTags[i]);
        written[i] = value;
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
    for (const std::string& warning : setting->warnings)
        s.warnings.push_back(where + ": " + warning);
    if (const std::optional<std::string> breach = cellBreach(written, s.cell, s.settingRow))
        return refused("its cell does not fit its space group " +
                       extendedSymbolOfRow(s.settingRow) + ": " + *breach);

    // An empty value stands for an empty field.
    for (const char* item : kSimulationItems)
        if (const auto found = block.items.find(item);
            found != block.items.end() && !found->second.empty())
            s.simulationItems[item] = trim(found->second.front());

    // The sites' columns as the file holds them: an empty value keeps its row.
    Result<std::vector<AtomSite>> atoms = atomSitesFromCif(block.items, cell);
    const std::size_t images = SpaceGroup::ofRow(s.settingRow).operations().size() + 1;
    if (atoms && atoms->size() * images > kMostCellAtoms)
        atoms = Problem{"its " + std::to_string(atoms->size()) + " atom sites make up to " +
                        std::to_string(atoms->size() * images) + " atoms in the cell, more than " +
                        std::to_string(kMostCellAtoms)};
    if (atoms)
        s.atoms = std::move(*atoms);
    else
        s.warnings.push_back(where + ": " + atoms.problem() +
                             "; the structure is opened without its atoms");

    for (const Tags& tags : kTitleTags) {
        s.title = oneLine(valueOf(block, tags));
        if (!s.title.empty()) break;
    }
    if (s.title.empty()) s.title = oneLine(block.name);
    if (capTitle(s.title)) s.warnings.push_back(titleCutWarning(where));

    if (structures.size() > 1)
        s.warnings.insert(s.warnings.begin(),
                          inQuotes(path) + " holds " + std::to_string(structures.size()) +
                              " structures; the first, data_" + block.name + ", was opened");
    return s;
}

Result<CifStructure> readCifFile(const std::string& path) {
    const Result<std::string> content = readWholeFile(path);
    if (!content) return Problem{inQuotes(path) + " " + content.problem()};
    return readCifText(*content, path);
}

std::optional<DetectorSetup> detectorSetupOf(const CifStructure& structure) {
    const auto& items = structure.simulationItems;
    auto value = [&](const char* name) -> std::optional<std::string> {
        const auto found = items.find(name);
        if (found == items.end()) return std::nullopt;
        return found->second;
    };
    if (!value(kCentreItem)) return std::nullopt;
    DetectorSetup d;
    const auto centre = wordsOf<2>(*value(kCentreItem));
    d.centre = {leadingNumber(centre[0]), leadingNumber(centre[1])};
    if (const auto v = value(kConventionItem))
        d.convention = centreConventionNamed(*v).value_or(CentreConvention::Bruker);
    if (const auto v = value(kTiltsItem)) {
        const auto tilts = wordsOf<2>(*v);
        if (tilts[0] != ".") d.specimenTilt = leadingNumber(tilts[0]);
        d.detectorTilt = leadingNumber(tilts[1]);
    }
    if (const auto v = value(kPixelItem)) {
        const auto pixel = wordsOf<2>(*v);
        d.pixelSize = leadingNumber(pixel[0]);
        d.binning = std::max(1, roundToInt32(leadingNumber(pixel[1])));
    }
    if (const auto v = value(kFrameItem)) d.frame = eulerFrameNamed(*v);
    return d;
}

void applyCifStructure(DocumentFields& fields, const CifStructure& structure) {
    fields.resetForNewDocument();
    fields.title = structure.title;
    fields.cell = structure.cell;
    fields.spaceGroupIndex = groupNumberOfRow(structure.settingRow) - 1;
    fields.settingRow = structure.settingRow;
    fields.d[1] = "0";
    // Limits of a new document cut a structure of large cell short; a file of another writer
    // says nothing of them.
    fields.autoLimits = true;
    applySimulationItems(fields, structure.simulationItems);
}

Result<std::string> cifFileText(const Simulation& sim) {
    const DocumentFields& f = sim.fields;
    const PatternDocument& doc = sim.document;
    CifContents c;
    c.blockName = trim(f.title);
    // As the reader will read it back.
    c.title = oneLine(trim(f.title));
    c.cell = doc.cell;
    c.spaceGroupNumber = sim.group.number();
    if (const std::optional<int> row = sim.group.row()) {
        // The table's Hall symbol, origin shift included, names the setting exactly.
        c.hallSymbol = settingEntry(*row).hallSymbol;
        c.hermannMauguinSymbol = hermannMauguinOfRow(*row);
    }
    c.operations = xyzTexts(sim.group.operations());
    c.sites = sim.atoms;
    auto local = [&](const char* name, std::string value) {
        c.localItems.emplace_back(name, std::move(value));
    };
    local(kWavelengthItem, shortestText(doc.wavelength[0]) + " " + shortestText(doc.wavelength[1]));
    local(kDRangeItem, packedWords({f.d[0], f.d[1]}));
    local(kLimitsItem, f.autoLimits ? std::string("auto")
                                    : packedWords({f.hklMax[0], f.hklMax[1], f.hklMax[2]}));
    local(kFilmItem, packedWords({f.film[0], f.film[1], f.film[2]}));
    local(kOrientationItem, trim(f.orientation));
    local(kOrientationTypeItem, f.orientationType == OrientationType::Direct  ? "uvw"
                                : f.orientationType == OrientationType::Euler ? "euler"
                                                                              : "hkl");
    // A wavelength that came from a voltage stays the electrons'.
    const ScatteringChoice scattering =
        f.scattering == ScatteringChoice::ByWavelength && f.electronBeam
            ? ScatteringChoice::Electron
            : f.scattering;
    local(kScatteringItem, kScatteringNames[static_cast<std::size_t>(scattering)]);
    local(kMinIntensityItem, trim(f.minIntensity));
    DetectorSetup setup = sim.detector;
    setup.patternShown = false;
    if (setup != DetectorSetup{}) {
        auto n = [](double v) { return formatNumber(v, "0.######"); };
        local(kCentreItem, n(setup.centre.x) + " " + n(setup.centre.y));
        local(kConventionItem, centreConventionName(setup.convention));
        local(kTiltsItem, (setup.specimenTilt ? n(*setup.specimenTilt) : std::string(".")) + " " +
                              n(setup.detectorTilt));
        local(kPixelItem, n(setup.pixelSize) + " " + std::to_string(setup.binning));
        local(kFrameItem, setup.frame ? eulerFrameName(*setup.frame) : ".");
    }
    return cifText(c);
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
