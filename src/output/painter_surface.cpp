#include "output/painter_surface.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QRectF>
#include <QString>

#include <algorithm>
#include <cmath>

namespace tavrel {

namespace {

Qt::PenStyle qtStyle(PenStyle style) {
    switch (style) {
    case PenStyle::Dot:
        return Qt::DotLine;
    case PenStyle::DashDot:
        return Qt::DashDotLine;
    case PenStyle::Solid:
        break;
    }
    return Qt::SolidLine;
}

// Far beyond any device, close enough to keep rectangle and circle arithmetic inside int.
int clampCoordinate(int v) {
    constexpr int kLimit = 1 << 24;
    return std::clamp(v, -kLimit, kLimit);
}

} // namespace

PainterSurface::PainterSurface(QPainter& painter, int width, int height)
    : painter_(painter), width_(width), height_(height) {
    if (!painter_.isActive()) return;
    raster_ = painter_.paintEngine() && painter_.paintEngine()->type() == QPaintEngine::Raster;
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_.setBrush(Qt::NoBrush);
    font_ = painter_.font();
    setPen(Rgb{}, 1, PenStyle::Solid);
    setTextSize(8.0);
}

void PainterSurface::clear(Rgb background) {
    if (!painter_.isActive()) return;
    painter_.fillRect(QRect(0, 0, width_, height_), toQColor(background));
}

void PainterSurface::setPen(Rgb colour, int width, PenStyle style) {
    if (!painter_.isActive()) return;
    // Neighbouring rows of a pattern mostly share their pen; building a QPen is not free.
    if (penKnown_ && colour == penRgb_ && width == penWidth_ && style == penStyle_) return;
    penKnown_ = true;
    penRgb_ = colour;
    penWidth_ = width;
    penStyle_ = style;
    penColour_ = toQColor(colour);
    // Square caps make a 1-unit line cover both of its end pixels; miter joins keep rectangle
    // corners square.
    QPen pen(penColour_, std::max(width, 1), qtStyle(style), Qt::SquareCap, Qt::MiterJoin);
    painter_.setPen(pen);
}

void PainterSurface::drawSegments(std::span<const Segment> segments) {
    if (segments.empty() || !painter_.isActive()) return;
    lines_.clear();
    lines_.reserve(segments.size());
    for (const Segment& s : segments) lines_.emplace_back(s.x1, s.y1, s.x2, s.y2);
    painter_.drawLines(lines_.data(), static_cast<int>(lines_.size()));
}

void PainterSurface::drawPolyline(std::span<const Point> points) {
    if (points.size() < 2 || !painter_.isActive()) return;
    if (raster_) {
        lines_.clear();
        lines_.reserve(points.size() - 1);
        for (std::size_t i = 1; i < points.size(); ++i)
            lines_.emplace_back(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
        painter_.drawLines(lines_.data(), static_cast<int>(lines_.size()));
        return;
    }
    points_.clear();
    points_.reserve(points.size());
    for (const Point& p : points)
        if (points_.empty() || points_.back() != QPoint(p.x, p.y)) points_.emplace_back(p.x, p.y);
    // A chain that never leaves its first point is still a dot.
    if (points_.size() == 1) points_.push_back(points_.front());
    painter_.drawPolyline(points_.data(), static_cast<int>(points_.size()));
}

void PainterSurface::drawRectangle(int x1, int y1, int x2, int y2) {
    if (!painter_.isActive()) return;
    x1 = clampCoordinate(x1);
    y1 = clampCoordinate(y1);
    x2 = clampCoordinate(x2);
    y2 = clampCoordinate(y2);
    const int left = std::min(x1, x2);
    const int top = std::min(y1, y2);
    // A QRect outline of width w covers columns left .. left + w, both corners included.
    painter_.drawRect(QRect(left, top, std::max(x1, x2) - left, std::max(y1, y2) - top));
}

void PainterSurface::drawCircle(int x, int y, int radius, bool filled) {
    if (radius < 0 || !painter_.isActive()) return;
    if (radius == 0) {
        // QPainter draws nothing for an empty ellipse; a pole of radius 0 is still a dot.
        painter_.drawPoint(x, y);
        return;
    }
    x = clampCoordinate(x);
    y = clampCoordinate(y);
    radius = clampCoordinate(radius);
    if (filled) painter_.setBrush(penColour_);
    painter_.drawEllipse(QRect(x - radius, y - radius, 2 * radius, 2 * radius));
    if (filled) painter_.setBrush(Qt::NoBrush);
}

void PainterSurface::setTextSize(double points) {
    if (!(points > 0.0) || !std::isfinite(points) || !painter_.isActive()) return;
    font_.setPointSizeF(points);
    painter_.setFont(font_);
    const QFontMetrics metrics(font_, painter_.device());
    textHeight_ = metrics.height();
    textAscent_ = metrics.ascent();
}

void PainterSurface::drawText(int x, int y, std::string_view text, Rgb colour) {
    if (!painter_.isActive()) return;
    const QPen linePen = painter_.pen();
    painter_.setPen(toQColor(colour));
    painter_.drawText(clampCoordinate(x), clampCoordinate(y) + textAscent_,
                      QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    painter_.setPen(linePen);
}

void PainterSurface::drawGreyPicture(const GreyPicture& picture, double left, double top,
                                     double width, double height, float opacity) {
    const auto w = static_cast<std::size_t>(std::max(picture.width, 0));
    const auto h = static_cast<std::size_t>(std::max(picture.height, 0));
    if (!painter_.isActive() || w == 0 || h == 0 || picture.pixels.size() < w * h) return;
    if (!(width > 0 && height > 0 && std::isfinite(left) && std::isfinite(top) &&
          std::isfinite(width) && std::isfinite(height)))
        return;
    const QImage image(picture.pixels.data(), picture.width, picture.height, picture.width,
                       QImage::Format_Grayscale8);
    painter_.save();
    painter_.setOpacity(std::clamp(static_cast<double>(opacity), 0.0, 1.0));
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
    painter_.drawImage(QRectF(left, top, width, height), image);
    painter_.restore();
}

} // namespace tavrel
