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

void orientPoints(const Mat3f& m, const ReflectionList& reflections, PointTable& table) {
    const std::vector<float>&gx = reflections.gx, &gy = reflections.gy, &gz = reflections.gz;
    table.rows.resize(gx.size());
    auto product = [&](std::size_t r, std::size_t i) {
        return static_cast<float>(static_cast<double>(m[r][0]) * gx[i] +
                                  static_cast<double>(m[r][1]) * gy[i] +
                                  static_cast<double>(m[r][2]) * gz[i]);
    };
    for (std::size_t i = 0; i < gx.size(); ++i)
        table.rows[i] = {product(0, i), product(1, i), product(2, i), static_cast<std::int32_t>(i)};
}

Mat3d viewAxisRotation(ViewAxis axis, float degrees) {
    const float a = static_cast<float>(degrees * kRotateDegToRad);
    const double c = static_cast<float>(std::cos(a));
    const double s = static_cast<float>(std::sin(a));
    switch (axis) {
    case ViewAxis::Viewing:
        return Mat3d{{{1, 0, 0}, {0, c, -s}, {0, s, c}}};
    case ViewAxis::Horizontal:
        return Mat3d{{{c, 0, -s}, {0, 1, 0}, {s, 0, c}}};
    case ViewAxis::Vertical:
        return Mat3d{{{c, s, 0}, {-s, c, 0}, {0, 0, 1}}};
    }
    return kIdentity3d;
}

void rotatePoints(PointTable& table, ViewAxis axis, float degrees) {
    if (axis != ViewAxis::Viewing && axis != ViewAxis::Horizontal && axis != ViewAxis::Vertical)
        return;
    const Mat3d R = viewAxisRotation(axis, degrees);
    for (RotatedPoint& p : table.rows) {
        const double x = p.x, y = p.y, z = p.z;
        auto turned = [&](std::size_t r) {
            return static_cast<float>(R[r][0] * x + R[r][1] * y + R[r][2] * z);
        };
        p = {turned(0), turned(1), turned(2), p.reflection};
    }
}

void sortAlongViewingAxis(PointTable& table) {
    quicksortDescending(table.rows, [](const RotatedPoint& p) { return p.x; });
}

std::optional<Vec3f> parseOrientationText(const std::string& text) {
    const std::string t = trim(text);
    const std::vector<std::string> tokens = splitBlanks(t);
    Vec3f v{};
    if (tokens.size() == 3) {
        for (std::size_t i = 0; i < 3; ++i) {
            // A number beyond the range of a 4-byte float would turn every point into NaN.
            const std::optional<float> value = finiteFloat(leadingNumber(tokens[i]));
            if (!value) return std::nullopt;
            v[i] = *value;
        }
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
