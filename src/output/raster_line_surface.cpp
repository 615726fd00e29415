#include "output/raster_line_surface.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace tavrel {

namespace {

bool isPlain32Bit(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

// Liang-Barsky: cuts the segment to the rectangle 0..right x 0..bottom (pixel centres); false
// when nothing of it lies inside.
bool clip(double& x0, double& y0, double& x1, double& y1, double right, double bottom) {
    double t0 = 0, t1 = 1;
    const double dx = x1 - x0, dy = y1 - y0;
    auto edge = [&](double p, double q) {
        if (p == 0) return q >= 0;
        const double t = q / p;
        if (p < 0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
        return true;
    };
    if (!edge(-dx, x0) || !edge(dx, right - x0) || !edge(-dy, y0) || !edge(dy, bottom - y0))
        return false;
    x1 = x0 + t1 * dx;
    y1 = y0 + t1 * dy;
    x0 = x0 + t0 * dx;
    y0 = y0 + t0 * dy;
    return true;
}

// The minor offset of the pixels of a thin line (see OrientedLine below) is
// floor((c0 + i c1) / den) at the i-th pixel along the major axis, for whole numbers c0, c1 >= 0
// and den = 2 major: c0 = minor - 1, c1 = 2 minor where the minor coordinate rises, and
// c0 = den - 2, c1 = 2 |minor| (the offset then counting backwards) where it falls. A walk
// along the line takes it from a fixed-point number with 40 fraction bits that grows by a
// fixed step: no division and no carried remainder per pixel, so that one pixel costs a few
// instructions (what a dense drag frame spends most of its time on). The exact value's
// fraction is a whole number of 1 / den; raised by a quarter of that, the fixed-point number
// keeps the same whole part as long as its rounding errors (under a unit of 2^-40 per pixel)
// add up to less than the quarter, which holds for every line shorter than kLongestFastLine.
constexpr int kFractionBits = 40;
constexpr int kLongestFastLine = 1 << 18;
constexpr double kFractionUnit = 1099511627776.0; // 2^40

// 2^40 / den for the short lines that make up nearly all of a drag frame, worked out once.
constexpr int kTabledDen = 512;
constexpr std::array<double, kTabledDen> kUnitsPerDen = [] {
    std::array<double, kTabledDen> units{};
    for (int den = 1; den < kTabledDen; ++den)
        units[static_cast<std::size_t>(den)] = kFractionUnit / den;
    return units;
}();

struct LineSteps {
    std::int64_t c0, c1, den;
    std::uint64_t start, step; // fixed point
    LineSteps(int major, int minor) {
        den = 2 * static_cast<std::int64_t>(major);
        c0 = minor > 0 ? minor - 1 : den - 2;
        c1 = 2 * static_cast<std::int64_t>(std::abs(minor));
        // In 8-byte floats, whose relative error of 2^-52 is far below a unit.
        const double unitsPerDen = den < kTabledDen ? kUnitsPerDen[static_cast<std::size_t>(den)]
                                                    : kFractionUnit / static_cast<double>(den);
        // (Through signed whole numbers, which x86 converts to in one instruction; the values
        // stay far below 2^63.)
        step = static_cast<std::uint64_t>(
            static_cast<std::int64_t>(static_cast<double>(c1) * unitsPerDen));
        start = static_cast<std::uint64_t>(
            static_cast<std::int64_t>((static_cast<double>(c0) + 0.25) * unitsPerDen));
    }
    // The first i >= 0 whose offset is at least k (a very large number when none is).
    std::int64_t firstWithOffset(std::int64_t k) const {
        const std::int64_t need = k * den - c0;
        if (need <= 0) return 0;
        if (c1 == 0) return std::numeric_limits<int>::max();
        return (need + c1 - 1) / c1;
    }
};

// QPainter's rule for a thin line, as far as it could be read from its pixels: both end
// pixels, and between them, along the major axis from its lower end, the pixel below the
// line's value at the middle of the pixel when the minor coordinate rises (strictly below on a
// tie), and the pixel at or below its value at the start of the pixel when it falls.
//
// A line from its end pixel lower along its major axis: the pixels the rule sets are i = 0 ..
// major on that axis, `along` apart in memory, each `across` further where the minor offset
// counts on.
struct OrientedLine {
    int ax, ay, bx, by;
    bool xMajor;
    int major, minor; // major >= 0
    qsizetype along, across;
    OrientedLine(int x0, int y0, int x1, int y1, qsizetype stride)
        : ax(x0), ay(y0), bx(x1), by(y1), xMajor(std::abs(x1 - x0) >= std::abs(y1 - y0)) {
        if (xMajor ? ax > bx : ay > by) {
            std::swap(ax, bx);
            std::swap(ay, by);
        }
        major = xMajor ? bx - ax : by - ay;
        minor = xMajor ? by - ay : bx - ax;
        along = xMajor ? 1 : stride;
        across = (xMajor ? stride : 1) * (minor > 0 ? 1 : -1);
    }
};

// Sets the pixels i = from .. to of a line whose pixel i = 0 is `start`: `along` apart, and
// `across` further each time the minor offset counts on.
inline void walk(std::uint32_t* start, qsizetype along, qsizetype across, const LineSteps& steps,
                 std::int64_t from, std::int64_t to, std::uint32_t colour) {
    std::uint64_t offset = steps.start + static_cast<std::uint64_t>(from) * steps.step;
    std::uint32_t* p = start + from * along;
#pragma GCC unroll 4
    for (std::int64_t i = from; i <= to; ++i) {
        p[static_cast<qsizetype>(offset >> kFractionBits) * across] = colour;
        offset += steps.step;
        p += along;
    }
}

} // namespace

RasterLineSurface::RasterLineSurface(QPainter& painter, QImage& image, int width, int height)
    : PainterSurface(painter, width, height) {
    if (!painter.isActive() || painter.device() != &image || !isPlain32Bit(image.format())) return;
    if (std::max(image.width(), image.height()) >= kLongestFastLine) return;
    // The painter holds the only reference to the pixels while it is active, so this does not
    // detach: the lines land in the buffer QPainter draws into, in drawing order.
    bits_ = image.bits();
    stride_ = image.bytesPerLine();
    pixelWidth_ = image.width();
    pixelHeight_ = image.height();
    bottom_ = pixelHeight_;
    ratio_ = image.devicePixelRatio();
}

void RasterLineSurface::setPen(Rgb colour, int width, PenStyle style) {
    PainterSurface::setPen(colour, width, style);
    thinSolid_ = width <= 1 && style == PenStyle::Solid;
    colour_ =
        0xff000000u | (std::uint32_t{colour.r} << 16) | (std::uint32_t{colour.g} << 8) | colour.b;
}

void RasterLineSurface::drawSegments(std::span<const Segment> segments) {
    if (!fastPen()) {
        PainterSurface::drawSegments(segments);
        return;
    }
    for (const Segment& s : segments) line(s.x1, s.y1, s.x2, s.y2);
}

void RasterLineSurface::drawPolyline(std::span<const Point> points) {
    if (!fastPen()) {
        PainterSurface::drawPolyline(points);
        return;
    }
    const bool unscaled = ratio_ == 1;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const int x0 = points[i - 1].x, y0 = points[i - 1].y, x1 = points[i].x, y1 = points[i].y;
        if (unscaled) {
            const int upper = std::min(y0, y1), lower = std::max(y0, y1);
            // Above or below this band: nothing to set (the test line() starts with).
            if (lower < top_ || upper >= bottom_) continue;
            if (std::min(x0, x1) >= 0 && std::max(x0, x1) < pixelWidth_ && upper >= top_ &&
                lower < bottom_) {
                lineInside(x0, y0, x1, y1);
                continue;
            }
        }
        line(x0, y0, x1, y1);
    }
}

void RasterLineSurface::limitRows(int top, int bottom) {
    top_ = std::max(top, 0);
    bottom_ = std::min(bottom, pixelHeight_);
}

void RasterLineSurface::line(int x0, int y0, int x1, int y1) {
    if (top_ >= bottom_) return;
    // Wholly above, below or beside the rows this surface sets (most lines, for a band): no
    // clipping needed to tell.
    if (ratio_ == 1 && ((y0 < top_ && y1 < top_) || (y0 >= bottom_ && y1 >= bottom_) ||
                        (x0 < 0 && x1 < 0) || (x0 >= pixelWidth_ && x1 >= pixelWidth_)))
        return;
    // Cut at the image's border only, never at a band's, so that a band sets exactly the
    // pixels of its rows that the whole line sets.
    int ax = x0, ay = y0, bx = x1, by = y1;
    const bool inside = std::min(ax, bx) >= 0 && std::min(ay, by) >= 0 &&
                        std::max(ax, bx) < pixelWidth_ && std::max(ay, by) < pixelHeight_;
    if (ratio_ != 1 || !inside) {
        double fx0 = x0 * ratio_, fy0 = y0 * ratio_, fx1 = x1 * ratio_, fy1 = y1 * ratio_;
        if (!clip(fx0, fy0, fx1, fy1, pixelWidth_ - 1, pixelHeight_ - 1)) return;
        ax = static_cast<int>(std::lround(fx0));
        ay = static_cast<int>(std::lround(fy0));
        bx = static_cast<int>(std::lround(fx1));
        by = static_cast<int>(std::lround(fy1));
    }
    const int rowsFrom = std::max(std::min(ay, by), top_);
    const int rowsTo = std::min(std::max(ay, by), bottom_ - 1);
    if (rowsFrom > rowsTo) return;
    if (rowsFrom == std::min(ay, by) && rowsTo == std::max(ay, by)) {
        // Every row of the line is this surface's (all but the few lines that cross a band's
        // edge).
        lineInside(ax, ay, bx, by);
        return;
    }
    auto* pixels = reinterpret_cast<std::uint32_t*>(bits_);
    const qsizetype stride = stride_ / 4; // pixels per line
    const OrientedLine l(ax, ay, bx, by, stride);
    auto owned = [&](int y) { return y >= top_ && y < bottom_; };
    if (owned(l.ay)) pixels[l.ay * stride + l.ax] = colour_;
    if (owned(l.by)) pixels[l.by * stride + l.bx] = colour_;
    if (l.major < 2) return;
    const LineSteps steps(l.major, l.minor);
    // The pixels i = 1 .. major - 1 between the ends whose rows this surface sets: the row of
    // a pixel only ever moves one way along the line, so they are one run of i, found without
    // a test per pixel.
    std::int64_t from = 1, to = l.major - 1;
    if (!l.xMajor) {
        from = std::max<std::int64_t>(from, rowsFrom - l.ay);
        to = std::min<std::int64_t>(to, rowsTo - l.ay);
    } else if (l.minor > 0) {
        from = std::max(from, steps.firstWithOffset(rowsFrom - l.ay));
        to = std::min(to, steps.firstWithOffset(rowsTo - l.ay + 1) - 1);
    } else {
        from = std::max(from, steps.firstWithOffset(l.ay - rowsTo));
        to = std::min(to, steps.firstWithOffset(l.ay - rowsFrom + 1) - 1);
    }
    walk(pixels + qsizetype{l.ay} * stride + l.ax, l.along, l.across, steps, from, to, colour_);
}

void RasterLineSurface::lineInside(int x0, int y0, int x1, int y1) {
    // The same pixels as line() gives a line within the picture and these rows, without the
    // cutting and the search for the rows: the common case, kept short.
    auto* pixels = reinterpret_cast<std::uint32_t*>(bits_);
    const qsizetype stride = stride_ / 4;
    const OrientedLine l(x0, y0, x1, y1, stride);
    pixels[l.ay * stride + l.ax] = colour_;
    pixels[l.by * stride + l.bx] = colour_;
    if (l.major < 2) return;
    walk(pixels + qsizetype{l.ay} * stride + l.ax, l.along, l.across, LineSteps(l.major, l.minor),
         1, l.major - 1, colour_);
}

} // namespace tavrel
