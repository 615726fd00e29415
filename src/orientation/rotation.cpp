#include "orientation/rotation.h"

#include "common/numeric.h"
#include "common/quicksort.h"
#include "common/text.h"

#include <cmath>

namespace tavrel {

namespace {
// The rotation routine keeps its own, shorter degree factor.
constexpr double kRotateDegToRad = 0.01745329252;

double sign(double v) {
    return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0);
}
} // namespace

Mat3f orientationMatrix(const Vec3f& v) {
    const double vx = v[0], vy = v[1], vz = v[2];
    const double phi = vx == 0 ? -sign(vy) * kPi / 2.0 : -std::atan(vy / vx);
    double theta = vz == 0 ? kPi / 2.0 : std::atan(std::sqrt(vy * vy + vx * vx) / vz);
    if (vz < 0) theta += kPi;
    if (vx >= 0) theta = -theta;

    const double ct = std::cos(theta), st = std::sin(theta);
    const double cp = std::cos(phi), sp = std::sin(phi);
    auto f = [](double x) { return static_cast<float>(x); };
    return Mat3f{
        {{f(ct * cp), f(-ct * sp), f(st)}, {f(sp), f(cp), 0.0f}, {f(-st * cp), f(st * sp), f(ct)}}};
}

void orientRows(const Mat3f& m, const std::vector<float>& gx, const std::vector<float>& gy,
                const std::vector<float>& gz, PointTable& table) {
    table.rows.resize(gx.size());
    for (std::size_t i = 0; i < gx.size(); ++i) {
        PointRow& row = table.rows[i];
        for (std::size_t r = 0; r < 3; ++r)
            row[r] = static_cast<float>(static_cast<double>(m[r][0]) * gx[i] +
                                        static_cast<double>(m[r][1]) * gy[i] +
                                        static_cast<double>(m[r][2]) * gz[i]);
        row[3] = static_cast<float>(i);
    }
}

void Rotate(PointTable& table, int axis, float angle) {
    if (axis < 1 || axis > 3) return;
    const float a = static_cast<float>(angle * kRotateDegToRad);
    const double c = static_cast<float>(std::cos(a));
    const double s = static_cast<float>(std::sin(a));
    double R[3][3];
    if (axis == 1) {
        const double m[3][3] = {{1, 0, 0}, {0, c, -s}, {0, s, c}};
        std::copy(&m[0][0], &m[0][0] + 9, &R[0][0]);
    } else if (axis == 2) {
        const double m[3][3] = {{c, 0, -s}, {0, 1, 0}, {s, 0, c}};
        std::copy(&m[0][0], &m[0][0] + 9, &R[0][0]);
    } else {
        const double m[3][3] = {{c, s, 0}, {-s, c, 0}, {0, 0, 1}};
        std::copy(&m[0][0], &m[0][0] + 9, &R[0][0]);
    }
    for (PointRow& row : table.rows) {
        const double x = row[0], y = row[1], z = row[2];
        for (std::size_t r = 0; r < 3; ++r)
            row[r] = static_cast<float>(R[r][0] * x + R[r][1] * y + R[r][2] * z);
    }
}

void sortRowsByViewAxis(PointTable& table) {
    quicksortDescending(table.rows, [](const PointRow& r) { return r[0]; });
}

std::optional<Vec3f> parseOrientationText(const std::string& text) {
    const std::string t = trim(text);
    const std::vector<std::string> tokens = splitBlanks(t);
    Vec3f v{};
    if (tokens.size() == 3) {
        for (std::size_t i = 0; i < 3; ++i) v[i] = static_cast<float>(leadingNumber(tokens[i]));
        return v;
    }
    if (t.size() == 3) {
        for (std::size_t i = 0; i < 3; ++i)
            v[i] = static_cast<float>(leadingNumber(std::string(1, t[i])));
        return v;
    }
    return std::nullopt;
}

} // namespace tavrel
