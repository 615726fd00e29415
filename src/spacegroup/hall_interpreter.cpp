// Hall symbols to symmetry operations: the generators named by the matrix symbols, their
// closure into one operation per distinct rotation, then the inverted and centred copies.

#include "common/numeric.h"
#include "common/text.h"
#include "spacegroup/settings.h"
#include "spacegroup/space_group.h"
#include "spacegroup/sym_matrix.h"

#include <cmath>
#include <cstdlib>

namespace tavrel {

namespace {

// The axis a rotation of a Hall symbol turns about: a cell edge, the body diagonal, or a face
// diagonal.
enum class RotationAxis {
    A = 0,
    B = 1,
    C = 2,
    BodyDiagonal = 3, // a+b+c
    BPlusC = 4,
    BMinusC = 44,
    APlusC = 5,
    AMinusC = 55,
    APlusB = 6,
    AMinusB = 66
};

// x moved into [0, 1); a value less than 0.0001 below a whole number becomes 0.
float confineToUnitCell(float xx) {
    float x = xx;
    if (!std::isfinite(x)) return 0.0f;
    // Far from [0, 1) stepping by one would take long or, once 1 is below the float spacing,
    // never end; the remainder is exact.
    if (std::fabs(x) > 64.0f) x = std::fmod(x, 1.0f);
    do {
        if (x < 0.0f) x = x + 1.0f;
        if (x >= 1.0f) x = x - 1.0f;
        if (x > 0.9999f && x < 1.0f) x = 1.0f;
    } while (!(x >= 0.0f && x < 1.0f));
    return x;
}

// Keeps only the characters of a number and reads what remains: "2ybc" -> 2, "-2''c" -> -2,
// "61" -> 61, "-1n" -> -1.
float readNumber(std::string_view text) {
    std::string kept;
    for (char c : text)
        if (std::string_view("-.1234567890").find(c) != std::string_view::npos) kept.push_back(c);
    return static_cast<float>(leadingNumber(kept));
}

Matrix4 withConfinedTranslation(Matrix4 m) {
    for (std::size_t i = 0; i < 3; ++i) m[i][3] = confineToUnitCell(m[i][3]);
    return m;
}

// The three-fold about the body diagonal and the two-folds along face diagonals: one fixed
// matrix each, whatever the order.
struct FixedAxis {
    RotationAxis axis;
    Matrix3 m;
};
constexpr std::array<FixedAxis, 7> kFixedAxes = {{
    {RotationAxis::BodyDiagonal, {{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}}},
    {RotationAxis::BMinusC, {{{-1, 0, 0}, {0, 0, -1}, {0, -1, 0}}}},
    {RotationAxis::BPlusC, {{{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}}}},
    {RotationAxis::AMinusC, {{{0, 0, -1}, {0, -1, 0}, {-1, 0, 0}}}},
    {RotationAxis::APlusC, {{{0, 0, 1}, {0, -1, 0}, {1, 0, 0}}}},
    {RotationAxis::AMinusB, {{{0, -1, 0}, {-1, 0, 0}, {0, 0, -1}}}},
    {RotationAxis::APlusB, {{{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}}},
}};

// Rotations about a (index 0), b (1) and c (2) of orders 2, 3, 4 and 6.
struct AxisRotations {
    Matrix3 order2, order3, order4, order6;
};
constexpr std::array<AxisRotations, 3> kAxisRotations = {{
    {{{{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}},
     {{{1, 0, 0}, {0, 0, -1}, {0, 1, -1}}},
     {{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}},
     {{{1, 0, 0}, {0, 1, -1}, {0, 1, 0}}}},
    {{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}},
     {{{-1, 0, 1}, {0, 1, 0}, {-1, 0, 0}}},
     {{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}}},
     {{{0, 0, 1}, {0, 1, 0}, {-1, 0, 1}}}},
    {{{{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}}},
     {{{0, -1, 0}, {1, -1, 0}, {0, 0, 1}}},
     {{{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}},
     {{{1, -1, 0}, {1, 0, 0}, {0, 0, 1}}}},
}};

struct TranslationSymbol {
    std::string_view symbol;
    float x, y, z;
};
const std::array<TranslationSymbol, 19> kTranslationSymbols = {{
    {"a", 1.0f / 2.0f, 0, 0},
    {"b", 0, 1.0f / 2.0f, 0},
    {"c", 0, 0, 1.0f / 2.0f},
    {"n", 1.0f / 2.0f, 1.0f / 2.0f, 1.0f / 2.0f},
    {"u", 1.0f / 4.0f, 0, 0},
    {"v", 0, 1.0f / 4.0f, 0},
    {"w", 0, 0, 1.0f / 4.0f},
    {"d", 1.0f / 4.0f, 1.0f / 4.0f, 1.0f / 4.0f},
    // Screw translations go along c: only the first matrix symbol, about c, carries them.
    {"21", 0, 0, 1.0f / 2.0f},
    {"31", 0, 0, 1.0f / 3.0f},
    {"32", 0, 0, 2.0f / 3.0f},
    {"41", 0, 0, 1.0f / 4.0f},
    {"42", 0, 0, 2.0f / 4.0f},
    {"43", 0, 0, 3.0f / 4.0f},
    {"61", 0, 0, 1.0f / 6.0f},
    {"62", 0, 0, 2.0f / 6.0f},
    {"63", 0, 0, 3.0f / 6.0f},
    {"64", 0, 0, 4.0f / 6.0f},
    {"65", 0, 0, 5.0f / 6.0f},
}};

struct Centring {
    char letter;
    std::array<std::string_view, 3> texts;
};
const std::array<Centring, 8> kCentrings = {{
    {'A', {"0 1/2 1/2"}},
    {'B', {"1/2 0 1/2"}},
    {'C', {"1/2 1/2 0"}},
    {'I', {"1/2 1/2 1/2"}},
    {'R', {"2/3 1/3 1/3", "1/3 2/3 2/3"}},
    {'S', {"1/3 1/3 2/3", "2/3 2/3 1/3"}},
    {'T', {"1/3 2/3 1/3", "2/3 1/3 2/3"}},
    {'F', {"0 1/2 1/2", "1/2 0 1/2", "1/2 1/2 0"}},
}};

// "1/3" -> 1/3 as a 4-byte quotient, "0" -> 0.
float fractionValue(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) return static_cast<float>(leadingNumber(text));
    return static_cast<float>(leadingNumber(text.substr(0, slash))) /
           static_cast<float>(leadingNumber(text.substr(slash + 1)));
}

// The axis a matrix symbol's rotation turns about; `previous` and `previousOrder` are those of
// the symbol before it (a and 0 for the first).
RotationAxis axisOf(std::string_view token, std::size_t position, int order, RotationAxis previous,
                    int previousOrder) {
    using enum RotationAxis;
    RotationAxis axis = std::abs(order) == 1 ? A : C;
    if (contains(token, "x"))
        axis = A;
    else if (contains(token, "y"))
        axis = B;
    if (contains(token, "3*")) axis = BodyDiagonal;
    if (position == 2 && contains(token, "3")) axis = BodyDiagonal;

    // Default directions of a two-fold after the first symbol.
    const bool twoFold = startsWith(token, "2") || startsWith(token, "-2");
    if (position > 0 && twoFold) {
        const bool afterThreeOrSix = previousOrder == 3 || previousOrder == 6;
        if (previous == A && afterThreeOrSix)
            axis = BMinusC;
        else if (previous == B && afterThreeOrSix)
            axis = AMinusC;
        else if (previous == C && afterThreeOrSix)
            axis = AMinusB;
        else if (previous == BodyDiagonal)
            axis = AMinusB;
        else if (previous == C && (previousOrder == 2 || previousOrder == 4))
            axis = A;
    }
    if (contains(token, "2''")) {
        if (previous == A) axis = BPlusC;
        if (previous == B) axis = APlusC;
        if (previous == C) axis = APlusB;
    }
    return axis;
}

// The translation a matrix symbol ("2ybc", "4abw", "61") carries.
std::array<float, 3> glideScrewTranslation(std::string_view symbol) {
    const std::string token = toLower(symbol);
    std::array<float, 3> v{0.0f, 0.0f, 0.0f};
    for (const TranslationSymbol& ts : kTranslationSymbols) {
        if (!contains(token, ts.symbol)) continue;
        v[0] = v[0] + ts.x;
        v[1] = v[1] + ts.y;
        v[2] = v[2] + ts.z;
    }
    return v;
}

// The rotation of order |order| (negative: rotoinversion) about `axis`. The diagonal axes carry
// one fixed matrix whatever the order; an order that is not 1, 2, 3, 4 or 6 about a, b or c
// leaves m as it was.
void rotationAboutAxis(RotationAxis axis, int order, Matrix3& m) {
    bool found = false;
    for (const FixedAxis& f : kFixedAxes) {
        if (f.axis == axis) {
            m = f.m;
            found = true;
        }
    }
    if (!found) {
        const AxisRotations& r = kAxisRotations[static_cast<std::size_t>(axis)];
        switch (std::abs(order)) {
        case 1:
            m = sym::identity<3>();
            break;
        case 2:
            m = r.order2;
            break;
        case 3:
            m = r.order3;
            break;
        case 4:
            m = r.order4;
            break;
        case 6:
            m = r.order6;
            break;
        default:
            break;
        }
    }
    if (order < 0)
        for (auto& row : m)
            for (float& e : row) e = -e;
}

} // namespace

std::vector<std::array<float, 3>> latticeCentringTranslations(char letter) {
    std::vector<std::array<float, 3>> translations;
    for (const Centring& c : kCentrings) {
        if (c.letter != letter) continue;
        for (std::string_view text : c.texts) {
            if (text.empty()) break;
            const std::vector<std::string> parts = splitBlanks(text);
            std::array<float, 3> t{};
            for (std::size_t i = 0; i < 3; ++i) t[i] = fractionValue(parts[i]);
            translations.push_back(t);
        }
    }
    return translations;
}

void SpaceGroup::appendOperation(const Matrix4& m) {
    // The generator limits keep every symbol within the largest group.
    if (operations_.size() >= kMaxOperations) return;
    operations_.push_back({m, formatOperator(m)});
}

SpaceGroup SpaceGroup::ofRow(int row) {
    if (!isSettingRow(row)) row = 0;
    SpaceGroup group;
    // Every Hall symbol of the table closes within its point group.
    group.buildOperations(settingsTable[static_cast<std::size_t>(row)].hall);
    group.row_ = row;
    return group;
}

bool SpaceGroup::buildOperations(std::string_view hall) {
    const std::string s = trim(hall);
    std::string mainPart = s;
    std::string shiftText;
    if (const std::size_t paren = s.find('('); paren != std::string::npos) {
        mainPart = trim(s.substr(0, paren));
        shiftText = s.substr(paren);
    }

    const bool centric = startsWith(mainPart, "-");
    const std::size_t letterAt = centric ? 1 : 0;
    const char letter = letterAt < mainPart.size() ? toUpper(mainPart.substr(letterAt, 1))[0] : ' ';
    const std::size_t limit = centric ? 24 : 48;

    const std::vector<std::array<float, 3>> centring = latticeCentringTranslations(letter);
    operations_.clear();

    Matrix4 shift = sym::identity<4>();
    Matrix4 unshift = sym::identity<4>();
    if (!shiftText.empty()) {
        const std::vector<std::string> parts =
            splitBlanks(replaceAll(replaceAll(shiftText, "(", " "), ")", " "));
        for (std::size_t i = 0; i < 3 && i < parts.size(); ++i) {
            const float twelfths = static_cast<float>(leadingNumber(parts[i])) / 12.0f;
            shift[i][3] = twelfths;
            unshift[i][3] = -twelfths;
        }
    }

    const std::vector<std::string> tokens = splitBlanks(mainPart);
    const std::size_t symbolCount = tokens.empty() ? 0 : tokens.size() - 1;

    std::vector<Matrix4> generators;
    generators.reserve(limit);
    generators.push_back(sym::identity<4>());

    RotationAxis previousAxis = RotationAxis::A;
    int previousOrder = 0;
    for (std::size_t j = 0; j < symbolCount; ++j) {
        const std::string& token = tokens[j + 1];
        int order = roundToInt16(readNumber(token));
        if (std::abs(order) > 6) order /= 10; // "21" -> 2, "61" -> 6
        const RotationAxis axis = axisOf(token, j, order, previousAxis, previousOrder);
        previousAxis = axis;
        previousOrder = std::abs(order);

        Matrix3 rotation = sym::identity<3>();
        rotationAboutAxis(axis, order, rotation);
        const std::array<float, 3> translation = glideScrewTranslation(token);
        Matrix4 g = sym::identity<4>();
        for (std::size_t r = 0; r < 3; ++r) {
            for (std::size_t c = 0; c < 3; ++c) g[r][c] = rotation[r][c];
            g[r][3] = translation[r];
        }

        bool known = false;
        for (const Matrix4& listed : generators) known = known || sym::nearlyEqual(g, listed);
        if (known || generators.size() >= limit) continue;
        // Every shifted symbol of the table starts with a rotation about c and shifts along c,
        // which the shift leaves alone; only the last symbol needs it.
        if (!shiftText.empty() && j + 1 == symbolCount)
            g = withConfinedTranslation(sym::multiply(sym::multiply(shift, g), unshift));
        generators.push_back(g);
    }

    // Closure: keep one operation per distinct rotation, with the translation of the first
    // product found; a new operation restarts the sweep.
    // A symbol whose generators close into more rotations than a point group has describes no
    // space group.
    bool grown = true;
    bool full = false;
    while (grown && !full) {
        grown = false;
        const std::size_t m = generators.size();
        for (std::size_t i = 0; i < m && !grown && !full; ++i) {
            for (std::size_t k = 0; k < m && !grown && !full; ++k) {
                const Matrix4 p =
                    withConfinedTranslation(sym::multiply(generators[i], generators[k]));
                bool known = false;
                for (const Matrix4& listed : generators)
                    known = known || sym::nearlyEqual(p, listed, 3, 3);
                if (known) continue;
                if (generators.size() < limit) {
                    generators.push_back(p);
                    grown = true;
                } else {
                    full = true;
                }
            }
        }
    }

    for (const Matrix4& g : generators) appendOperation(g);
    pointCount_ = operationCount();

    if (centric) {
        for (const Matrix4& g : generators) {
            Matrix4 inverted = g;
            for (std::size_t r = 0; r < 3; ++r)
                for (std::size_t c = 0; c < 4; ++c) inverted[r][c] = -inverted[r][c];
            appendOperation(withConfinedTranslation(inverted));
        }
    }
    const std::size_t primitiveCount = operations_.size();
    for (const std::array<float, 3>& translation : centring) {
        for (std::size_t k = 0; k < primitiveCount; ++k) {
            Matrix4 moved = operations_[k].m;
            for (std::size_t r = 0; r < 3; ++r) moved[r][3] = moved[r][3] + translation[r];
            appendOperation(withConfinedTranslation(moved));
        }
    }
    hallSymbol_ = trim(mainPart);

    buildPhaseGroups();
    return !full;
}

void SpaceGroup::buildPhaseGroups() {
    phaseGroups_.clear();
    phaseTranslations_.clear();
    std::vector<std::vector<std::size_t>> members;
    for (std::size_t k = 0; k < operations_.size(); ++k) {
        std::array<float, 9> columns{};
        for (std::size_t j = 0; j < 3; ++j)
            for (std::size_t i = 0; i < 3; ++i) columns[3 * j + i] = operations_[k].m[i][j];
        std::size_t group = 0;
        while (group < phaseGroups_.size() && phaseGroups_[group].rotationColumns != columns)
            ++group;
        if (group == phaseGroups_.size()) {
            phaseGroups_.push_back({columns, 0, 0});
            members.emplace_back();
        }
        members[group].push_back(k);
    }
    for (std::size_t group = 0; group < phaseGroups_.size(); ++group) {
        phaseGroups_[group].firstTranslation = phaseTranslations_.size();
        phaseGroups_[group].translationCount = members[group].size();
        for (std::size_t k : members[group]) {
            const Matrix4& m = operations_[k].m;
            phaseTranslations_.push_back({m[0][3], m[1][3], m[2][3]});
        }
    }
}

int SpaceGroup::number() const {
    return row_ ? groupNumberOfRow(*row_) : 0;
}

std::string SpaceGroup::extendedSymbol() const {
    return row_ ? settingEntry(*row_).extendedSymbol : std::string();
}

std::string SpaceGroup::crystalSystem() const {
    return crystalSystemName(crystalSystemOf(number()));
}

int SpaceGroup::originChoice() const {
    return contains(extendedSymbol(), ":2") ? 2 : 1;
}

bool SpaceGroup::isAbsent(std::int16_t hh, std::int16_t kk, std::int16_t ll) const {
    if (operations_.size() < 2) return false;
    const float h = hh;
    const float k = kk;
    const float l = ll;
    for (const PhaseGroup& group : phaseGroups_) {
        const auto& r = group.rotationColumns;
        // (h k l) as a row vector times the rotation; only operations that map it onto itself
        // restrict its phase.
        const float g0 = h * r[0] + k * r[1] + l * r[2];
        if (g0 != h) continue;
        const float g1 = h * r[3] + k * r[4] + l * r[5];
        if (g1 != k) continue;
        const float g2 = h * r[6] + k * r[7] + l * r[8];
        if (g2 != l) continue;
        const std::size_t end = group.firstTranslation + group.translationCount;
        for (std::size_t i = group.firstTranslation; i < end; ++i) {
            const auto& t = phaseTranslations_[i];
            const float p = h * t[0] + k * t[1] + l * t[2];
            // The tolerance absorbs thirds and sixths held as 4-byte floats.
            if (std::fabs(p - std::nearbyint(p)) > 0.0001f) return true;
        }
    }
    return false;
}

} // namespace tavrel
