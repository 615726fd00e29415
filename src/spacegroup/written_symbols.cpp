#include "spacegroup/written_symbols.h"

#include "common/text.h"
#include "spacegroup/operation_set.h"
#include "spacegroup/written_operations.h"

#include <gemmi/symmetry.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace tavrel {

namespace {

// One row a form names. A form that only the group's short symbol gives ("C 2" on every row of
// group 5) is general; one that spells this row's own axes ("A 1 2 1", "P 21/n") is specific
// and wins over the general one.
struct FormRow {
    int row = 0;
    bool specific = false;
};

// Positions of a symbol: its blank-separated parts after the lattice letter.
std::vector<std::string> positionsOf(std::string_view form) {
    std::vector<std::string> parts = splitBlanks(form);
    if (!parts.empty()) parts.erase(parts.begin());
    return parts;
}

// Whether a form is monoclinic with its unique axis spelled out: "P 1 21/n 1", "B 1 1 2".
bool isFullMonoclinic(const std::vector<std::string>& positions) {
    return positions.size() == 3 && std::count(positions.begin(), positions.end(), "1") == 2;
}

// The e-glide form of an orthorhombic form of a centred lattice: a glide plane that holds the
// centring vector is a double glide, named e ("C m c a" -> "C m c e"). Empty when the form has
// none.
std::string eGlideForm(const std::string& form) {
    const std::vector<std::string> parts = splitBlanks(form);
    if (parts.size() != 4) return {};
    // The plane normal to axis i holds the centring of lattice letter "ABC"[i]; the two axes
    // of that plane are the glides it doubles.
    static constexpr std::array<std::string_view, 3> kDoubledGlides = {"bc", "ac", "ab"};
    std::string result = parts[0];
    bool changed = false;
    for (std::size_t i = 0; i < 3; ++i) {
        std::string part = parts[i + 1];
        if (parts[0] == std::string(1, "ABC"[i]) && part.size() == 1 &&
            contains(kDoubledGlides[i], part)) {
            part = "e";
            changed = true;
        }
        result += " " + part;
    }
    return changed ? result : std::string();
}

// A form as it is compared: upper case, without blanks.
std::string keyOf(std::string_view form) {
    return toUpper(removeChars(form, " "));
}

using FormTable = std::map<std::string, std::vector<FormRow>>;

// Every form of every row, worked out once from the table's symbols.
const FormTable& formTable() {
    static const FormTable table = [] {
        FormTable forms;
        auto add = [&](const std::string& form, int row, bool specific) {
            if (form.empty()) return;
            std::vector<FormRow>& rows = forms[keyOf(form)];
            const bool known = std::any_of(rows.begin(), rows.end(), [&](const FormRow& r) {
                return r.row == row && r.specific == specific;
            });
            if (!known) rows.push_back({row, specific});
        };
        for (std::size_t row = 0; row < settingsTable.size(); ++row) {
            const std::string symbols = replaceAll(settingsTable[row].ita, "_", " ");
            std::vector<std::string> rowForms;
            for (std::size_t start = 0;;) {
                const std::size_t end = symbols.find(" = ", start);
                rowForms.push_back(trim(symbols.substr(start, end - start)));
                if (end == std::string::npos) break;
                start = end + 3;
            }
            const int r = static_cast<int>(row);
            for (std::size_t i = 0; i < rowForms.size(); ++i) {
                // With several forms the first is the group's short symbol.
                const bool specific = rowForms.size() == 1 || i > 0;
                const std::string& form = rowForms[i];
                add(form, r, specific);
                add(eGlideForm(form), r, specific);
                const std::vector<std::string> positions = positionsOf(form);
                if (isFullMonoclinic(positions)) {
                    std::string shortForm = splitBlanks(form).front();
                    for (const std::string& p : positions)
                        if (p != "1") shortForm += " " + p;
                    add(shortForm, r, specific);
                }
            }
        }
        return forms;
    }();
    return table;
}

// Multi-byte characters some writers use: subscript digits and the minus sign.
std::string asciiSymbol(std::string_view text) {
    std::string out = replaceAll(text, "\xE2\x88\x92", "-");
    for (char digit = '0'; digit <= '9'; ++digit) {
        const std::string subscript = {'\xE2', '\x82', static_cast<char>('\x80' + (digit - '0'))};
        out = replaceAll(out, subscript, std::string(1, digit));
    }
    return out;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Screw subscripts written "2_1" or "2(1)" become "21"; any other "_" stands for a blank.
std::string withPlainSubscripts(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool afterDigit = !out.empty() && isDigit(out.back());
        if (c == '_') {
            if (!(afterDigit && i + 1 < text.size() && isDigit(text[i + 1]))) out += ' ';
        } else if (c == '(' && afterDigit && i + 2 < text.size() && isDigit(text[i + 1]) &&
                   text[i + 2] == ')') {
            out += text[i + 1];
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

// A symbol split into its form and the setting choice written after it.
struct WrittenForm {
    std::string form;      // upper case, single blanks
    std::string qualifier; // upper case: "1", "2", "H", "R", "B1", ...; empty for none
};

std::optional<WrittenForm> splitQualifier(const std::string& symbol) {
    WrittenForm written;
    std::string text = toUpper(withPlainSubscripts(asciiSymbol(symbol)));
    if (const std::size_t colon = text.find(':'); colon != std::string::npos) {
        written.qualifier = removeChars(text.substr(colon + 1), " \t");
        text = text.substr(0, colon);
        if (written.qualifier.empty()) return std::nullopt;
    }
    std::vector<std::string> parts = splitBlanks(text);
    // The letters S and Z (origin choices 1 and 2), H and R (axes) are no part of a symbol.
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kChoices = {
        {{"S", "1"}, {"Z", "2"}, {"H", "H"}, {"R", "R"}}};
    if (written.qualifier.empty() && parts.size() > 1) {
        for (const auto& [letter, choice] : kChoices) {
            if (parts.back() == letter) {
                written.qualifier = choice;
                parts.pop_back();
                break;
            }
        }
    }
    if (parts.empty() || !std::isalpha(static_cast<unsigned char>(parts[0][0])))
        return std::nullopt;
    // "P21/b 21/c 21/a": the lattice letter stands apart.
    if (parts[0].size() > 1 && parts.size() > 1) {
        parts.insert(parts.begin() + 1, parts[0].substr(1));
        parts[0].resize(1);
    }
    for (const std::string& part : parts) written.form += (written.form.empty() ? "" : " ") + part;
    return written;
}

// A full symbol's short form: the rotations before the planes are left out, except the first
// of a tetragonal or hexagonal symbol ("P 42/n 21/m 2/c" -> "P 42/N M C",
// "F 41/d -3 2/m" -> "F D -3 M"). Monoclinic forms keep theirs: the table holds them in full.
std::string shortOfFullForm(const std::string& form) {
    const std::vector<std::string> parts = splitBlanks(form);
    std::vector<std::string> positions(parts.begin() + 1, parts.end());
    if (isFullMonoclinic(positions)) return form;
    const bool cubic = positions.size() > 1 && (positions[1] == "3" || positions[1] == "-3");
    std::string result = parts[0];
    for (std::size_t i = 0; i < positions.size(); ++i) {
        std::string part = positions[i];
        const std::size_t slash = part.find('/');
        const bool principalAxis = i == 0 && !cubic && (part[0] == '4' || part[0] == '6');
        if (slash != std::string::npos && !principalAxis) part = part.substr(slash + 1);
        result += " " + part;
    }
    return result;
}

// The older cubic names leave out the minus of the 3 after a plane: "FM3M" -> "FM-3M".
std::string withCubicMinus(const std::string& key) {
    if (key.size() < 3 || key[2] != '3' || !contains("MNAD", std::string(1, key[1]))) return key;
    return key.substr(0, 2) + "-" + key.substr(2);
}

bool qualifierFits(std::string_view tableQualifier, const std::string& qualifier) {
    const std::string own = toUpper(tableQualifier);
    if (qualifier == "1" || qualifier == "2") return startsWith(own, qualifier);
    return own == qualifier;
}

std::optional<int> chooseRow(const std::vector<FormRow>& rows, const std::string& qualifier,
                             RGroupAxes axes) {
    std::vector<FormRow> fitting;
    for (const FormRow& r : rows) {
        const std::string_view own = settingsTable[static_cast<std::size_t>(r.row)].qualifier;
        if (!qualifier.empty() && !qualifierFits(own, qualifier)) continue;
        // Unless the symbol says so, an R group is taken on the axes the cell suggests.
        if (qualifier.empty() && (own == "H" || own == "R") &&
            own != (axes == RGroupAxes::Hexagonal ? "H" : "R"))
            continue;
        fitting.push_back(r);
    }
    if (fitting.empty()) return std::nullopt;
    const auto specific =
        std::find_if(fitting.begin(), fitting.end(), [](const FormRow& r) { return r.specific; });
    return specific != fitting.end() ? specific->row : fitting.front().row;
}

std::optional<int> rowOfForm(const WrittenForm& written, RGroupAxes axes) {
    const FormTable& table = formTable();
    const std::string fullKey = keyOf(written.form);
    const std::string shortKey = keyOf(shortOfFullForm(written.form));
    for (const std::string& key :
         {fullKey, shortKey, withCubicMinus(fullKey), withCubicMinus(shortKey)}) {
        const auto found = table.find(key);
        if (found != table.end()) return chooseRow(found->second, written.qualifier, axes);
    }
    return std::nullopt;
}

} // namespace

Result<int> settingRowOfWrittenSymbol(const std::string& symbol, RGroupAxes axes) {
    const std::optional<WrittenForm> written = splitQualifier(symbol);
    if (written) {
        if (const std::optional<int> row = rowOfForm(*written, axes)) return *row;
    }
    const Problem unreadable{"cannot be read as a Hermann-Mauguin symbol"};
    if (!written) return unreadable;

    // gemmi also knows names of settings outside the 530 (enlarged cells, shifted origins) and
    // a few others; its operations decide which row, if any, such a name is.
    const std::string named =
        written->form + (written->qualifier.empty() ? "" : ":" + written->qualifier);
    const double gamma = axes == RGroupAxes::Hexagonal ? 120.0 : 90.0;
    const gemmi::SpaceGroup* group = gemmi::find_spacegroup_by_name(named, 90.0, gamma);
    if (group == nullptr) return unreadable;
    if (const std::optional<OperationSet> set = operationsOfHallSymbol(group->hall)) {
        const std::vector<int> rows = rowsWithOperations(*set);
        if (!rows.empty()) return rows.front();
    }
    return Problem{"names group " + std::to_string(group->number) + " (" +
                   listSymbol(group->number) + ") in a setting that is none of the 530 settings"};
}

} // namespace tavrel
