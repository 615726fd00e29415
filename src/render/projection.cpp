#include "render/projection.h"

#include "common/numeric.h"
#include "render/surface.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

namespace {
int px(double v) {
    return roundToInt16(v);
}

constexpr Rgb kPrimitiveCircleColour{151, 151, 151};
constexpr Rgb kRingColourScreen{128, 128, 255};
constexpr Rgb kRingColourPrinter{193, 193, 193};
} // namespace

LatticeOffset latticeOffset(const RotatedPoint& point, float scale) {
    return {roundToInt16(static_cast<float>(scale * point.y)),
            roundToInt16(static_cast<float>(scale * point.z))};
}

PixelPoint projectLatticePoint(const ProjectionFrame& f, const RotatedPoint& point) {
    const LatticeOffset o = latticeOffset(point, f.scale);
    return {px(f.cx + o.a * static_cast<double>(f.printScale)),
            px(f.cy - o.b * static_cast<double>(f.printScale))};
}

std::optional<PixelPoint> projectDirection(const ProjectionFrame& f, const Vec3d& direction,
                                           bool stereographic) {
    const double length = norm(direction);
    if (!(length > 0) || !(direction[0] > 0)) return std::nullopt;
    const double p0 = direction[0] / length, p1 = direction[1] / length, p2 = direction[2] / length;
    // The cone lines put +y on the left and +z downwards.
    double dx = 0, dy = 0;
    if (stereographic) {
        const double e = std::hypot(p1, p2);
        const double r = std::tan(std::acos(std::min(1.0, p0)) / 2.0) * f.stereoRadius;
        if (e > 0) dx = -p1 / e * r, dy = p2 / e * r;
    } else {
        dx = -p1 / p0 * f.scale;
        dy = p2 / p0 * f.scale;
    }
    const double x = f.cx + dx * f.printScale, y = f.cy + dy * f.printScale;
    // Far outside the picture the pixel numbers would overflow; such a pole is not shown anyway.
    if (!(std::fabs(x) < 1e6 && std::fabs(y) < 1e6)) return std::nullopt;
    return PixelPoint{px(x), px(y)};
}

float stereoRadiusFor(int width, int height) {
    return static_cast<float>(0.95 * std::min(width, height) / 2.0);
}

float fittedPatternScale(float scale, const std::array<float, 3>& film, int width, int height) {
    const float a = film[0] / film[2] * scale;
    const float b = film[1] / film[2] * scale;
    const float sx = static_cast<float>(width - 50) / a;
    const float sy = static_cast<float>(height - 50) / b;
    const float fitted = scale * std::min(sx, sy);
    if (std::isfinite(fitted) && fitted > 0) return fitted;
    // From a scale of 0 or infinity the product above says nothing; the film may still fit.
    const double direct =
        std::min((width - 50.0) * film[2] / film[0], (height - 50.0) * film[2] / film[1]);
    if (std::isfinite(direct) && direct > 0) return static_cast<float>(direct);
    return scale;
}

std::string filmCaption(const std::array<float, 3>& film) {
    return shortestText(film[0]) + " x " + shortestText(film[1]) + " D=" + shortestText(film[2]);
}

void drawFilmOutline(DrawingSurface& surface, const ProjectionFrame& f, const OverlayOptions& o,
                     const std::array<float, 3>& film) {
    if (!o.filmOutline) return;
    surface.setPen(kFilmOutlineColour, 2, PenStyle::Solid);
    if (!o.stereographic) {
        // On paper the film is scaled with the lines it frames.
        const double hw = film[0] / 2.0 / film[2] * f.scale * f.printScale;
        const double hh = film[1] / 2.0 / film[2] * f.scale * f.printScale;
        const double left = f.cx - o.centreX * 2 * hw, top = f.cy - o.centreY * 2 * hh;
        const double right = f.cx + (1 - o.centreX) * 2 * hw;
        const double bottom = f.cy + (1 - o.centreY) * 2 * hh;
        surface.drawRectangle(px(left), px(top), px(right), px(bottom));
        const int t = surface.textHeight();
        surface.drawText(px(left), px(top - t - 2), filmCaption(film), kFilmOutlineColour);
    } else if (o.showLines) {
        const double hw = film[0] / 4.0 / film[2] * f.stereoRadius;
        const double hh = film[1] / 4.0 / film[2] * f.stereoRadius;
        surface.drawRectangle(px(f.cx - hw), px(f.cy - hh), px(f.cx + hw), px(f.cy + hh));
    }
}

void drawStereographicCircles(DrawingSurface& surface, const ProjectionFrame& f,
                              const OverlayOptions& o) {
    if (!o.stereographic || !o.showLines) return;
    const int cx = px(f.cx), cy = px(f.cy);
    surface.setPen(kPrimitiveCircleColour, 1, PenStyle::Solid);
    surface.drawCircle(cx, cy, px(f.stereoRadius), false);
    if (!o.rings) return;
    const Rgb ring = o.printer ? kRingColourPrinter : kRingColourScreen;
    surface.setPen(ring, 1, PenStyle::Dot);
    for (int j = 1; j <= 9; ++j)
        surface.drawCircle(cx, cy, px(std::tan(5.0 * j * kDegToRad) * f.stereoRadius), false);
    surface.setPen(ring, 1, PenStyle::Solid);
    surface.drawCircle(cx, cy, 1, true);
}

} // namespace tavrel
