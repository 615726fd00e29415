#pragma once
// The abstract surface the pattern renderer draws on. Implementations: a QPainter surface (the
// window, picture files of every format, the printer) and a recording surface for tests.
// Coordinates are whole drawing units (pixels), X to the right and Y downwards.

#include <cstdint>
#include <span>
#include <string_view>

namespace tavrel {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

enum class PenStyle { Solid, Dot, DashDot };

struct Segment {
    std::int16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    friend bool operator==(const Segment&, const Segment&) = default;
};

struct Point {
    std::int16_t x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// A grey picture of 8-bit pixels, row after row (a recorded pattern shown under the lines).
struct GreyPicture {
    int width = 0, height = 0;
    std::span<const std::uint8_t> pixels; // width * height
};

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    // Inner size in drawing units.
    virtual int width() const = 0;
    virtual int height() const = 0;

    // Fills the whole surface with the background colour.
    virtual void clear(Rgb background) = 0;
    // Pen for the following segments, rectangles and circle outlines; width in drawing units.
    virtual void setPen(Rgb colour, int width, PenStyle style) = 0;
    // Straight segments in the current pen, each drawn on its own (a dash pattern starts anew
    // on every segment). Callers hand over whole batches; the order within a batch is kept.
    virtual void drawSegments(std::span<const Segment> segments) = 0;
    // One chain of segments in the current pen: from each point to the next. It covers the
    // pixels of those segments drawn one by one, but it is one line, so a vector file holds one
    // element for it (and a dash pattern would run on along it). Fewer than two points draw
    // nothing. This default hands the segments to drawSegments.
    virtual void drawPolyline(std::span<const Point> points);
    // Outline of the rectangle with corners (x1, y1) and (x2, y2), current pen, no fill.
    virtual void drawRectangle(int x1, int y1, int x2, int y2) = 0;
    // Circle about (x, y) in the current pen; filled with the pen colour when `filled`.
    virtual void drawCircle(int x, int y, int radius, bool filled) = 0;

    // Font size in points for the following texts.
    virtual void setTextSize(double points) = 0;
    // Height of a line of text in drawing units at the current size.
    virtual int textHeight() const = 0;
    // Text with its top-left corner at (x, y).
    virtual void drawText(int x, int y, std::string_view text, Rgb colour) = 0;
    // The picture scaled into the rectangle (drawing units, which may reach past the surface)
    // at the given opacity, 0 to 1. A surface that shows no pictures leaves it out.
    virtual void drawGreyPicture(const GreyPicture& picture, double left, double top, double width,
                                 double height, float opacity);
};

} // namespace tavrel
