#include "structure/cif_atoms.h"

#include "common/text.h"
#include "structure/cell_atoms.h"

#include <array>
#include <charconv>
#include <cmath>
#include <numbers>
#include <unordered_map>

namespace tavrel {

namespace {

// With the exact pi a right angle has a cosine of 0 (common's kDegToRad keeps the ten-digit pi
// of the d-spacings that users compare with their tables).
constexpr double kRadiansPerDegree = std::numbers::pi / 180;

// Item names without the category in front.
constexpr std::array<std::string_view, 10> kSiteItems = {
    "label",     "type_symbol",    "fract_x",        "fract_y",  "fract_z",
    "occupancy", "u_iso_or_equiv", "b_iso_or_equiv", "adp_type", "calc_flag"};
constexpr std::array<std::string_view, 6> kTensorIndices = {"11", "22", "33", "12", "13", "23"};

// A column of the block under either spelling of its name; `name` is what messages call it.
struct Column {
    const std::vector<std::string>* values = nullptr;
    std::string name;

    explicit operator bool() const { return values != nullptr; }
    // Empty for an unknown or inapplicable value and for a missing column.
    const std::string& at(std::size_t row) const {
        static const std::string none;
        return values != nullptr && row < values->size() ? (*values)[row] : none;
    }
};

Column columnOf(const CifItems& items, std::string_view category, std::string_view item) {
    Column column;
    column.name = "_" + std::string(category) + "_" + std::string(item);
    for (const char separator : {'_', '.'}) {
        const std::string key = "_" + std::string(category) + separator + std::string(item);
        if (auto found = items.find(key); found != items.end()) {
            column.values = &found->second;
            break;
        }
    }
    return column;
}

std::string quotedLabel(const std::string& label) {
    return "Atom site \"" + label + "\"";
}

// The value of an optional number column in one row: none when the column or the value is
// missing, a problem when the value is no number.
Result<std::optional<double>> optionalNumber(const Column& column, std::size_t row,
                                             const std::string& label) {
    const std::string& text = column.at(row);
    if (trim(text).empty()) return std::optional<double>();
    const std::optional<double> value = cifNumber(text);
    if (!value)
        return Problem{quotedLabel(label) + ": " + column.name + " \"" + text + "\" is no number"};
    return value;
}

bool isIsotropicType(const std::string& adpType) {
    const std::string type = toLower(trim(adpType));
    return type == "uiso" || type == "biso";
}

// Equivalent isotropic U of the rows of the anisotropic loop, by the text that links a row to
// its site (the first row of a text counts).
using AnisotropicRows = std::unordered_map<std::string, double>;

Result<AnisotropicRows> anisotropicRows(const CifItems& items, const UnitCell& cell) {
    Column key = columnOf(items, "atom_site_aniso", "label");
    if (!key) key = columnOf(items, "atom_site_aniso", "type_symbol");
    if (!key) return AnisotropicRows();

    std::array<Column, 6> tensor;
    double scale = 1; // U from B
    bool haveU = true;
    for (std::size_t i = 0; i < 6; ++i) {
        tensor[i] = columnOf(items, "atom_site_aniso", "u_" + std::string(kTensorIndices[i]));
        haveU = haveU && tensor[i];
    }
    if (!haveU) {
        bool haveB = true;
        for (std::size_t i = 0; i < 6; ++i) {
            tensor[i] = columnOf(items, "atom_site_aniso", "b_" + std::string(kTensorIndices[i]));
            haveB = haveB && tensor[i];
        }
        if (!haveB) return AnisotropicRows();
        scale = 1 / kUToB;
    }

    AnisotropicRows rows;
    for (std::size_t row = 0; row < key.values->size(); ++row) {
        const std::string label = trim(key.at(row));
        std::array<double, 6> u{};
        bool complete = true;
        for (std::size_t i = 0; i < 6; ++i) {
            if (tensor[i].values->size() != key.values->size())
                return Problem{tensor[i].name + " and " + key.name + " differ in length"};
            Result<std::optional<double>> value = optionalNumber(tensor[i], row, label);
            if (!value) return Problem{value.problem()};
            if (!*value) complete = false;
            u[i] = value->value_or(0) * scale;
        }
        // A row with unknown components is no tensor: such a site keeps its isotropic value.
        if (complete) rows.emplace(label, equivalentIsotropicU(u, cell));
    }
    return rows;
}

} // namespace

std::vector<std::string> atomSiteItemNames() {
    std::vector<std::string> names;
    for (const char separator : {'_', '.'}) {
        const std::string site = std::string("_atom_site") + separator;
        const std::string aniso = std::string("_atom_site_aniso") + separator;
        for (std::string_view item : kSiteItems) names.push_back(site + std::string(item));
        names.push_back(aniso + "label");
        names.push_back(aniso + "type_symbol");
        for (std::string_view indices : kTensorIndices) {
            names.push_back(aniso + "u_" + std::string(indices));
            names.push_back(aniso + "b_" + std::string(indices));
        }
    }
    return names;
}

std::optional<double> cifNumber(std::string_view value) {
    std::string text = trim(value);
    if (const std::size_t open = text.find('('); open != std::string::npos) {
        if (text.back() != ')') return std::nullopt;
        text.erase(open);
    }
    if (!text.empty() && text.front() == '+') text.erase(0, 1);
    if (text.empty()) return std::nullopt;
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(number))
        return std::nullopt;
    return number;
}

double equivalentIsotropicU(const std::array<double, 6>& u, const UnitCell& cell) {
    const double cosAlpha = std::cos(cell.alpha() * kRadiansPerDegree);
    const double cosBeta = std::cos(cell.beta() * kRadiansPerDegree);
    const double cosGamma = std::cos(cell.gamma() * kRadiansPerDegree);
    const std::array<double, 3> edge{cell.a(), cell.b(), cell.c()};
    // G, the direct metric, and from its inverse the reciprocal lengths a*, b*, c*.
    const std::array<std::array<double, 3>, 3> g{
        {{1, cosGamma, cosBeta}, {cosGamma, 1, cosAlpha}, {cosBeta, cosAlpha, 1}}};
    const double volumeSquared = 1 - cosAlpha * cosAlpha - cosBeta * cosBeta - cosGamma * cosGamma +
                                 2 * cosAlpha * cosBeta * cosGamma;
    const std::array<double, 3> sines{std::sin(cell.alpha() * kRadiansPerDegree),
                                      std::sin(cell.beta() * kRadiansPerDegree),
                                      std::sin(cell.gamma() * kRadiansPerDegree)};
    // a*_i = sin(angle_i) / (a_i sqrt(volumeSquared)), with angle_0 = alpha and so on.
    std::array<double, 3> reciprocal{};
    for (std::size_t i = 0; i < 3; ++i)
        reciprocal[i] = sines[i] / (edge[i] * std::sqrt(volumeSquared));
    const std::array<std::array<double, 3>, 3> tensor{
        {{u[0], u[3], u[4]}, {u[3], u[1], u[5]}, {u[4], u[5], u[2]}}};
    double sum = 0;
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            sum += tensor[i][j] * reciprocal[i] * reciprocal[j] * edge[i] * edge[j] * g[i][j];
    return sum / 3;
}

Result<std::vector<AtomSite>> atomSitesFromCif(const CifItems& items, const UnitCell& cell) {
    const Column label = columnOf(items, "atom_site", "label");
    const Column typeSymbol = columnOf(items, "atom_site", "type_symbol");
    const std::array<Column, 3> fract = {columnOf(items, "atom_site", "fract_x"),
                                         columnOf(items, "atom_site", "fract_y"),
                                         columnOf(items, "atom_site", "fract_z")};
    const Column occupancy = columnOf(items, "atom_site", "occupancy");
    const Column uIso = columnOf(items, "atom_site", "u_iso_or_equiv");
    const Column bIso = columnOf(items, "atom_site", "b_iso_or_equiv");
    const Column adpType = columnOf(items, "atom_site", "adp_type");
    const Column calcFlag = columnOf(items, "atom_site", "calc_flag");

    if (!label) {
        if (fract[0] || typeSymbol) return Problem{"The atom sites have no _atom_site_label"};
        return std::vector<AtomSite>();
    }
    const std::size_t count = label.values->size();
    for (const Column* column : {&typeSymbol, &fract[0], &fract[1], &fract[2], &occupancy, &uIso,
                                 &bIso, &adpType, &calcFlag})
        if (*column && column->values->size() != count)
            return Problem{column->name + " and _atom_site_label differ in length"};
    for (const Column& column : fract)
        if (!column) return Problem{"The atom sites have no " + column.name};
    if (checkCell(cell) != LatticeStatus::Ok) return Problem{kInvalidCellMessage};

    Result<AnisotropicRows> aniso = anisotropicRows(items, cell);
    if (!aniso) return Problem{aniso.problem()};

    std::vector<AtomSite> sites;
    for (std::size_t row = 0; row < count; ++row) {
        // A dummy site (a point of reference some programs list among the atoms) scatters not.
        if (toLower(trim(calcFlag.at(row))) == "dum") continue;
        AtomSite site;
        site.label = trim(label.at(row));
        const std::string symbol = trim(typeSymbol.at(row));
        Result<Species> species = speciesOf(symbol.empty() ? site.label : symbol);
        if (!species) return Problem{quotedLabel(site.label) + ": " + species.problem()};
        site.typeSymbol = symbol.empty() ? species->element : symbol;

        std::array<double, 3> position{};
        for (std::size_t axis = 0; axis < 3; ++axis) {
            Result<std::optional<double>> value = optionalNumber(fract[axis], row, site.label);
            if (!value) return Problem{value.problem()};
            if (!*value) return Problem{quotedLabel(site.label) + " has no " + fract[axis].name};
            position[axis] = **value;
        }
        site.x = position[0];
        site.y = position[1];
        site.z = position[2];

        Result<std::optional<double>> occ = optionalNumber(occupancy, row, site.label);
        if (!occ) return Problem{occ.problem()};
        site.occupancy = occ->value_or(1.0);

        Result<std::optional<double>> u = optionalNumber(uIso, row, site.label);
        if (!u) return Problem{u.problem()};
        Result<std::optional<double>> b = optionalNumber(bIso, row, site.label);
        if (!b) return Problem{b.problem()};
        site.bIso = *u ? **u * kUToB : b->value_or(0.0);

        if (!isIsotropicType(adpType.at(row)))
            if (const auto found = aniso->find(site.label); found != aniso->end())
                site.bIso = found->second * kUToB;
        if (Outcome usable = checkAtomSite(site); !usable) return Problem{usable.problem()};
        sites.push_back(std::move(site));
    }
    return sites;
}

} // namespace tavrel
