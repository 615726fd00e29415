#include "orientation/miller_indices.h"

#include "common/numeric.h"
#include "common/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <vector>

namespace tavrel {

namespace {

std::string joined(const int* values, std::size_t count, char open, char close) {
    std::string s(1, open);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) s += ' ';
        s += std::to_string(values[i]);
    }
    return s + close;
}

char opening(IndexKind kind) {
    return kind == IndexKind::Direction ? '[' : '(';
}

char closing(IndexKind kind) {
    return kind == IndexKind::Direction ? ']' : ')';
}

// The numbers of a four-index text, none when it is no such text.
std::optional<std::array<double, 4>> fourNumbers(std::string_view typed) {
    std::string text = trim(typed);
    if (text.size() >= 2 && std::string_view("[(<{").find(text.front()) != std::string::npos &&
        std::string_view("])>}").find(text.back()) != std::string::npos)
        text = trim(std::string_view(text).substr(1, text.size() - 2));
    std::array<double, 4> numbers{};
    const std::vector<std::string> tokens = splitBlanks(text);
    if (tokens.size() == 4) {
        for (std::size_t i = 0; i < 4; ++i) {
            const std::string& t = tokens[i];
            const std::size_t from = !t.empty() && t[0] == '+' ? 1 : 0;
            const auto [stop, error] =
                std::from_chars(t.data() + from, t.data() + t.size(), numbers[i]);
            // Far beyond any index, and the sums below stay finite.
            if (error != std::errc() || stop != t.data() + t.size() ||
                !(std::fabs(numbers[i]) <= 1e6))
                return std::nullopt;
        }
        return numbers;
    }
    if (tokens.size() != 1) return std::nullopt;
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool negative = text[i] == '-';
        if (negative) ++i;
        if (i >= text.size() || text[i] < '0' || text[i] > '9' || count == 4) return std::nullopt;
        numbers[count++] = (negative ? -1 : 1) * (text[i] - '0');
    }
    if (count != 4) return std::nullopt;
    return numbers;
}

std::string numberText(double v) {
    return formatNumber(v, "0.######");
}

} // namespace

bool isHexagonalCell(const UnitCell& cell) {
    const double a = cell.a(), b = cell.b();
    auto near = [](double angle, double target) { return std::fabs(angle - target) <= 1e-4; };
    return a > 0 && std::fabs(a - b) <= 4e-7 * a && near(cell.alpha(), 90) &&
           near(cell.beta(), 90) && near(cell.gamma(), 120);
}

int commonDivisor(const IndexTriple& v) {
    return std::gcd(std::gcd(std::abs(v[0]), std::abs(v[1])), std::abs(v[2]));
}

IndexQuad fourIndexPlane(const IndexTriple& hkl) {
    return {hkl[0], hkl[1], -(hkl[0] + hkl[1]), hkl[2]};
}

IndexQuad fourIndexDirection(const IndexTriple& uvw) {
    const int u = uvw[0], v = uvw[1], w = uvw[2];
    IndexQuad q{2 * u - v, 2 * v - u, -(u + v), 3 * w};
    const int divisor = std::gcd(std::gcd(std::abs(q[0]), std::abs(q[1])),
                                 std::gcd(std::abs(q[2]), std::abs(q[3])));
    if (divisor > 1)
        for (int& x : q) x /= divisor;
    return q;
}

std::string indexText(const IndexTriple& indices, IndexKind kind) {
    return joined(indices.data(), 3, opening(kind), closing(kind));
}

std::string fourIndexText(const IndexTriple& indices, IndexKind kind) {
    const IndexQuad q =
        kind == IndexKind::Direction ? fourIndexDirection(indices) : fourIndexPlane(indices);
    return joined(q.data(), 4, opening(kind), closing(kind));
}

Result<Vec3d> parseFourIndexText(std::string_view text, IndexKind kind) {
    const bool direction = kind == IndexKind::Direction;
    const std::optional<std::array<double, 4>> n = fourNumbers(text);
    if (!n)
        return Problem{"\"" + trim(text) + "\" is no four-index " +
                       (direction ? "direction [U V T W]" : "plane (h k i l)")};
    const auto [first, second, third, last] = *n;
    const double expected = -(first + second);
    if (std::fabs(third - expected) > 1e-9 * std::max(1.0, std::fabs(first) + std::fabs(second)))
        return Problem{"In \"" + trim(text) + "\" the third index must be " +
                       (direction ? "-(U + V) = " : "-(h + k) = ") + numberText(expected) +
                       ", not " + numberText(third)};
    if (!direction) return Vec3d{first, second, last};
    Vec3d uvw{first - third, second - third, last};
    // Whole indices are given in lowest terms: [2 -1 -1 0] is [1 0 0], not [3 0 0].
    bool whole = true;
    for (double x : uvw) whole = whole && x == std::round(x) && std::fabs(x) < 1e9;
    if (whole) {
        const int divisor = commonDivisor(
            {static_cast<int>(uvw[0]), static_cast<int>(uvw[1]), static_cast<int>(uvw[2])});
        if (divisor > 1)
            for (double& x : uvw) x /= divisor;
    }
    return uvw;
}

Result<Vec3d> parseDirectionText(std::string_view typed, bool fourIndexAllowed) {
    std::string text = trim(typed);
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
        text = trim(std::string_view(text).substr(1, text.size() - 2));
    const std::vector<std::string> tokens = splitBlanks(text);
    Vec3d uvw{};
    if (tokens.size() == 3) {
        for (std::size_t i = 0; i < 3; ++i) {
            const std::string& t = tokens[i];
            const std::size_t from = !t.empty() && t[0] == '+' ? 1 : 0;
            const auto [stop, error] =
                std::from_chars(t.data() + from, t.data() + t.size(), uvw[i]);
            if (error != std::errc() || stop != t.data() + t.size() || !(std::fabs(uvw[i]) <= 1e6))
                return Problem{"\"" + trim(typed) + "\" is no direction [u v w]"};
        }
    } else if (fourIndexAllowed) {
        const Result<Vec3d> four = parseFourIndexText(typed, IndexKind::Direction);
        if (!four) return four.failure();
        uvw = *four;
    } else {
        return Problem{"\"" + trim(typed) + "\" is no direction [u v w]"};
    }
    if (uvw[0] == 0 && uvw[1] == 0 && uvw[2] == 0) return Problem{"[0 0 0] is no direction"};
    return uvw;
}

} // namespace tavrel
