#pragma once
// The drawing surface on a QPainter: the window's off-screen picture, picture files, the printer.
// Lines are drawn without antialiasing, like a classic raster API: a 1-unit segment from
// (x1, y1) to (x2, y2) sets exactly the pixels a line algorithm names between and including both
// end points, so pictures are reproducible pixel for pixel.

#include "render/surface.h"

#include <QColor>
#include <QFont>
#include <QLine>
#include <QPoint>

#include <vector>

class QPainter;

namespace tavrel {

inline QColor toQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

class PainterSurface : public DrawingSurface {
public:
    // The painter must stay active on its device while the surface is used; calls made while
    // it is not active are ignored. The size is given, not taken from the device (a PDF page's
    // device size is rounded from its page size). Starts with a black solid pen of width 1 and
    // 8-point text.
    PainterSurface(QPainter& painter, int width, int height);

    int width() const override { return width_; }
    int height() const override { return height_; }
    void clear(Rgb background) override;
    // A width below 1 draws as 1.
    void setPen(Rgb colour, int width, PenStyle style) override;
    void drawSegments(std::span<const Segment> segments) override;
    // On a raster device the segments one by one, exactly the pixels drawSegments sets; on a
    // vector device (SVG, PDF, the printer) one polyline, so the file holds one element per
    // chain. Repeated points are left out there: they add nothing a square cap does not cover.
    void drawPolyline(std::span<const Point> points) override;
    void drawRectangle(int x1, int y1, int x2, int y2) override;
    // Covers x - radius .. x + radius. Radius 0 sets the centre pixel; a negative one draws
    // nothing.
    void drawCircle(int x, int y, int radius, bool filled) override;
    // Sizes that are not positive and finite are ignored.
    void setTextSize(double points) override;
    int textHeight() const override { return textHeight_; }
    // The text is UTF-8.
    void drawText(int x, int y, std::string_view text, Rgb colour) override;
    void drawGreyPicture(const GreyPicture& picture, double left, double top, double width,
                         double height, float opacity) override;

private:
    QPainter& painter_;
    int width_;
    int height_;
    QColor penColour_;
    bool penKnown_ = false;
    Rgb penRgb_;
    int penWidth_ = 1;
    PenStyle penStyle_ = PenStyle::Solid;
    QFont font_;
    int textHeight_ = 0;
    int textAscent_ = 0;
    bool raster_ = true;
    // Reused between batches, so drawing a pattern allocates nothing after the first cone.
    std::vector<QLine> lines_;
    std::vector<QPoint> points_;
};

} // namespace tavrel
