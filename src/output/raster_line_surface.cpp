#include "output/raster_line_surface.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

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

} // namespace

RasterLineSurface::RasterLineSurface(QPainter& painter, QImage& image, int width, int height)
    : PainterSurface(painter, width, height) {
    if (!painter.isActive() || painter.device() != &image || !isPlain32Bit(image.format())) return;
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
    for (std::size_t i = 1; i < points.size(); ++i)
        line(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
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
    // QPainter's rule for a thin line, as far as it could be read from its pixels: both end
    // pixels, and between them, along the major axis from its lower end, the pixel below the
    // line's value at the middle of the pixel when the minor coordinate rises (strictly below
    // on a tie), and the pixel at or below its value at the start of the pixel when it falls.
    // Kept in whole numbers: the value is num / den, num growing by a fixed step per pixel.
    const bool xMajor = std::abs(bx - ax) >= std::abs(by - ay);
    if (xMajor ? ax > bx : ay > by) {
        std::swap(ax, bx);
        std::swap(ay, by);
    }
    const long major = xMajor ? bx - ax : by - ay; // >= 0
    const long minor = xMajor ? by - ay : bx - ax;
    const long den = 2 * major;
    const int first = xMajor ? ax : ay, last = xMajor ? bx : by;
    auto* pixels = reinterpret_cast<std::uint32_t*>(bits_);
    const qsizetype stride = stride_ / 4; // pixels per line
    const std::uint32_t colour = colour_;
    const int top = top_, bottom = bottom_;
    auto put = [=](int x, int y) {
        if (y >= top && y < bottom) pixels[y * stride + x] = colour;
    };
    put(ax, ay);
    put(bx, by);
    if (last - first < 2) return;
    // The minor offset from the start pixel: floor(((2 (t - first) + 1) minor - 1) / den) for
    // a rising minor coordinate, floor(2 (t - first) minor / den) for a falling one; at
    // t = first it is 0 (|minor| <= major), the remainder num itself. The step of num is at
    // most den, so the offset changes by at most one pixel from one to the next.
    long rest = minor > 0 ? minor - 1 : 0;
    const long step = 2 * minor;
    int position = xMajor ? ay : ax; // the minor coordinate
    // Without branches: whether the minor coordinate moves is as good as random.
    auto advance = [&] {
        rest += step;
        const int over = rest >= den ? 1 : 0, under = rest < 0 ? 1 : 0;
        rest += (under - over) * den;
        position += over - under;
    };
    advance();
    for (int t = first + 1; t < last; ++t) {
        if (xMajor)
            put(t, position);
        else
            put(position, t);
        advance();
    }
}

} // namespace tavrel
