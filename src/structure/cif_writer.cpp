#include "structure/cif_writer.h"

#include "common/numeric.h"
#include "structure/cell_atoms.h"
#include "structure/cif_atoms.h"

#include <charconv>
#include <cmath>
#include <numeric>
#include <optional>

namespace tavrel {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A value as the reader (gemmi's grammar) takes it back: bare when it holds only printable
// ASCII and nothing in it could be read as syntax, else in single or double quotes, else as a
// text field. None for a value no CIF can hold (a line of a text field that starts with ";").
std::optional<std::string> quoted(const std::string& value) {
    if (value.empty()) return "?";
    bool bare = value != "?" && value != ".";
    const char first = value.front();
    if (first == '_' || first == '#' || first == '$' || first == '\'' || first == '"' ||
        first == '[' || first == ']' || first == ';')
        bare = false;
    for (char c : value)
        if (c < '!' || c > '~') bare = false;
    // Reserved words, in any case, open a block, a loop, a save frame or a global.
    std::string lower;
    for (char c : value) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower.starts_with("data_") || lower.starts_with("loop_") || lower.starts_with("save_") ||
        lower.starts_with("global_") || lower.starts_with("stop_"))
        bare = false;
    if (bare) return value;

    const bool multiLine =
        value.find('\n') != std::string::npos || value.find('\r') != std::string::npos;
    // Inside quotes a quote character ends the value where a blank or a comment follows it.
    auto fitsIn = [&](char quote) {
        for (std::size_t i = 0; i < value.size(); ++i)
            if (value[i] == quote &&
                (i + 1 == value.size() || isBlank(value[i + 1]) || value[i + 1] == '#'))
                return false;
        return true;
    };
    if (!multiLine && fitsIn('\'')) return "'" + value + "'";
    if (!multiLine && fitsIn('"')) return "\"" + value + "\"";
    if (value.find("\n;") != std::string::npos) return std::nullopt;
    return "\n;" + value + "\n;";
}

// The shortest text that reads back as the same double.
std::string numberText(double value) {
    if (value == 0) return "0";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// A block name holds printable ASCII only: every other byte becomes "_".
std::string blockNameOf(const std::string& name) {
    std::string block;
    for (char c : name) block += c < '!' || c > '~' ? '_' : c;
    return block.empty() ? "tavrel" : block;
}

// "+1/3", "-1/4", "" for 0, a decimal for a translation that is no multiple of 1/24.
std::string translationText(float t) {
    const double twentyFourths = std::round(static_cast<double>(t) * 24.0);
    if (std::abs(static_cast<double>(t) * 24.0 - twentyFourths) > 24e-5) {
        const std::string text = shortestText(t);
        return t > 0 ? "+" + text : text;
    }
    long numerator = std::lround(twentyFourths);
    if (numerator == 0) return "";
    long denominator = 24;
    const long divisor = std::gcd(numerator, denominator);
    numerator /= divisor;
    denominator /= divisor;
    const std::string sign = numerator < 0 ? "-" : "+";
    const std::string size = std::to_string(std::labs(numerator));
    return sign + (denominator == 1 ? size : size + "/" + std::to_string(denominator));
}

} // namespace

std::string xyzText(const Matrix4& m) {
    static constexpr char kAxes[] = {'x', 'y', 'z'};
    std::string text;
    for (std::size_t row = 0; row < 3; ++row) {
        if (row > 0) text += ',';
        std::string term;
        for (std::size_t column = 0; column < 3; ++column) {
            const long coefficient = std::lround(m[row][column]);
            if (coefficient == 0) continue;
            if (coefficient < 0)
                term += '-';
            else if (!term.empty())
                term += '+';
            if (std::labs(coefficient) != 1) term += std::to_string(std::labs(coefficient));
            term += kAxes[column];
        }
        text += term + translationText(m[row][3]);
    }
    return text;
}

std::vector<std::string> xyzTexts(const std::vector<SymOp>& operations) {
    std::vector<std::string> texts;
    for (const SymOp& operation : operations) texts.push_back(xyzText(operation.m));
    return texts;
}

Result<std::string> cifText(const CifContents& contents) {
    if (checkCell(contents.cell) != LatticeStatus::Ok) return Problem{kInvalidCellMessage};
    for (const AtomSite& site : contents.sites)
        if (Outcome usable = checkAtomSite(site); !usable) return usable.failure();

    std::string text = "data_" + blockNameOf(contents.blockName) + "\n";
    std::optional<std::string> unwritable;
    // A value no CIF can hold is named by its item.
    auto value = [&](const std::string& item, const std::string& raw) {
        std::optional<std::string> written = quoted(raw);
        if (!written && !unwritable) unwritable = item;
        return written.value_or("?");
    };
    auto pair = [&](const std::string& name, const std::string& written) {
        text += name + " " + written + "\n";
    };
    if (!contents.title.empty()) {
        const char* item =
            contents.titleIsMineralName ? "_chemical_name_mineral" : "_chemical_name_common";
        pair(item, value(item, contents.title));
    }

    static constexpr const char* kCellItems[] = {"_cell_length_a",   "_cell_length_b",
                                                 "_cell_length_c",   "_cell_angle_alpha",
                                                 "_cell_angle_beta", "_cell_angle_gamma"};
    for (int i = 0; i < 6; ++i) pair(kCellItems[i], shortestText(contents.cell[i]));
    for (const auto& [name, raw] : contents.localItems) pair(name, value(name, raw));

    if (contents.spaceGroupNumber != 0)
        pair("_space_group_IT_number", std::to_string(contents.spaceGroupNumber));
    if (!contents.hermannMauguinSymbol.empty())
        pair("_space_group_name_H-M_alt",
             value("_space_group_name_H-M_alt", contents.hermannMauguinSymbol));
    if (!contents.hallSymbol.empty())
        pair("_space_group_name_Hall", value("_space_group_name_Hall", contents.hallSymbol));
    if (!contents.operations.empty()) {
        text += "loop_\n_space_group_symop_operation_xyz\n";
        for (const std::string& operation : contents.operations)
            text += value("_space_group_symop_operation_xyz", operation) + "\n";
    }

    if (!contents.sites.empty()) {
        text += "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n"
                "_atom_site_fract_y\n_atom_site_fract_z\n_atom_site_occupancy\n"
                "_atom_site_adp_type\n";
        text += contents.displacementAsU ? "_atom_site_U_iso_or_equiv\n"
                                         : "_atom_site_B_iso_or_equiv\n";
        for (const AtomSite& site : contents.sites) {
            const double displacement = contents.displacementAsU ? site.bIso / kUToB : site.bIso;
            text += value("_atom_site_label", site.label) + " " +
                    value("_atom_site_type_symbol", site.typeSymbol) + " " + numberText(site.x) +
                    " " + numberText(site.y) + " " + numberText(site.z) + " " +
                    numberText(site.occupancy) + " " +
                    (contents.displacementAsU ? "Uiso" : "Biso") + " " + numberText(displacement) +
                    "\n";
        }
    }
    if (unwritable)
        return Problem{"its " + *unwritable +
                       " holds a line that starts with \";\", which no CIF "
                       "can hold"};
    return text;
}

} // namespace tavrel
