// Operator texts and the listing "symmetry.txt" in which users check the operations behind the
// absences.

#include "common/numeric.h"
#include "common/text.h"
#include "spacegroup/space_group.h"

#include <cmath>

namespace tavrel {

namespace {

struct Fraction {
    float value;
    std::string_view text;
};
// Later entries win; no two lie within the tolerance of each other.
const std::array<Fraction, 14> kFractions = {{
    {1.0f, "1"},
    {1.0f / 2.0f, "1/2"},
    {1.0f / 4.0f, "1/4"},
    {3.0f / 4.0f, "3/4"},
    {1.0f / 6.0f, "1/6"},
    {5.0f / 6.0f, "5/6"},
    {1.0f / 3.0f, "1/3"},
    {2.0f / 3.0f, "2/3"},
    {3.0f / 8.0f, "3/8"},
    {1.0f / 8.0f, "1/8"},
    {1.0f / 12.0f, "1/12"},
    {5.0f / 12.0f, "5/12"},
    {7.0f / 12.0f, "7/12"},
    {11.0f / 12.0f, "11/12"},
}};

// The text right-aligned in a field of `width`; a longer text keeps its first `width`
// characters, so the fields of a line never move.
std::string field(const std::string& s, std::size_t width) {
    if (s.size() >= width) return s.substr(0, width);
    return std::string(width - s.size(), ' ') + s;
}

} // namespace

std::string fractionText(float v) {
    if (v == 0.0f) return {};
    std::string s = shortestText(v);
    bool replaced = false;
    const float magnitude = std::fabs(v);
    for (const Fraction& f : kFractions) {
        if (std::fabs(magnitude - f.value) < 0.001f) {
            s = std::string(f.text);
            replaced = true;
        }
    }
    if (replaced && v < 0.0f) s = "-" + s;
    if (v > 0.0f) s = "+" + s;
    return s;
}

std::string formatOperator(const Matrix4& m) {
    static constexpr std::array<char, 3> kAxes = {'X', 'Y', 'Z'};
    std::string text;
    for (std::size_t i = 0; i < 3; ++i) {
        std::string part;
        for (std::size_t j = 0; j < 3; ++j) {
            if (m[i][j] != 1.0f && m[i][j] != -1.0f) continue;
            part.push_back(m[i][j] == 1.0f ? '+' : '-');
            part.push_back(kAxes[j]);
        }
        part.append(fractionText(m[i][3]));
        if (startsWith(part, "+")) part.erase(0, 1);
        if (!startsWith(part, "-")) part.insert(part.begin(), ' ');
        if (i < 2) part.append(", ");
        text.append(field(part, 9));
    }
    return text;
}

std::string listingText(const SpaceGroup& group) {
    std::string text = "Hall: ";
    text.append(group.hallSymbol()).append("\r\n");
    const std::vector<SymOp>& operations = group.operations();
    for (std::size_t j = 0; j < operations.size(); ++j) {
        // The ordinal is padded to 14 columns, so that the operator texts line up in a column
        // of their own whatever the ordinal's width.
        const std::size_t lineStart = text.size();
        text.append(" ").append(std::to_string(j + 1)).append(" ");
        text.resize(lineStart + 14, ' ');
        text.append(operations[j].text).append("\r\n");
    }
    return text;
}

} // namespace tavrel
