#pragma once
// A drawing surface that draws nothing and keeps every call in order as plain data, so that
// renderer tests can check what was drawn, in which pen and in which order.

#include "render/surface.h"

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

namespace tavrel {

class RecordingSurface : public DrawingSurface {
public:
    struct Pen {
        Rgb colour;
        int width = 1;
        PenStyle style = PenStyle::Solid;
        friend bool operator==(const Pen&, const Pen&) = default;
    };
    struct Clear {
        Rgb background;
        friend bool operator==(const Clear&, const Clear&) = default;
    };
    struct SetPen {
        Pen pen;
        friend bool operator==(const SetPen&, const SetPen&) = default;
    };
    // One drawSegments call.
    struct Segments {
        Pen pen;
        std::vector<Segment> segments;
        friend bool operator==(const Segments&, const Segments&) = default;
    };
    // One drawPolyline call.
    struct Polyline {
        Pen pen;
        std::vector<Point> points;
        friend bool operator==(const Polyline&, const Polyline&) = default;
    };
    struct Rectangle {
        Pen pen;
        int x1, y1, x2, y2;
        friend bool operator==(const Rectangle&, const Rectangle&) = default;
    };
    struct Circle {
        Pen pen;
        int x, y, radius;
        bool filled;
        friend bool operator==(const Circle&, const Circle&) = default;
    };
    struct TextSize {
        double points;
        friend bool operator==(const TextSize&, const TextSize&) = default;
    };
    struct Text {
        int x, y;
        std::string text;
        Rgb colour;
        double points;
        friend bool operator==(const Text&, const Text&) = default;
    };
    using Call = std::variant<Clear, SetPen, Segments, Polyline, Rectangle, Circle, TextSize, Text>;

    struct DrawnSegment {
        Segment segment;
        Pen pen;
        friend bool operator==(const DrawnSegment&, const DrawnSegment&) = default;
    };

    // The default size is the off-screen picture of a freshly opened window.
    explicit RecordingSurface(int width = 850, int height = 620);

    void setSize(int width, int height);
    // Forgets the calls recorded so far; the pen and text size stay.
    void forget() { calls_.clear(); }

    int width() const override { return width_; }
    int height() const override { return height_; }
    void clear(Rgb background) override;
    void setPen(Rgb colour, int width, PenStyle style) override;
    void drawSegments(std::span<const Segment> segments) override;
    void drawPolyline(std::span<const Point> points) override;
    void drawRectangle(int x1, int y1, int x2, int y2) override;
    void drawCircle(int x, int y, int radius, bool filled) override;
    void setTextSize(double points) override;
    // round(points * 4 / 3): the height of a line at 96 dots per inch.
    int textHeight() const override;
    void drawText(int x, int y, std::string_view text, Rgb colour) override;

    const std::vector<Call>& calls() const { return calls_; }
    const Pen& pen() const { return pen_; }
    double textSize() const { return textSize_; }

    // Every segment drawn, in order, with the pen it was drawn in; a polyline counts as the
    // segments between its consecutive points.
    std::vector<DrawnSegment> segments() const;
    std::vector<Segment> segmentsIn(Rgb colour) const;
    std::vector<Segment> segmentsIn(PenStyle style) const;
    std::size_t segmentCount() const;
    std::vector<Rectangle> rectangles() const { return callsOf<Rectangle>(); }
    std::vector<Circle> circles() const { return callsOf<Circle>(); }
    std::vector<Text> texts() const { return callsOf<Text>(); }
    std::vector<Clear> clears() const { return callsOf<Clear>(); }

    template <typename T> std::vector<T> callsOf() const {
        std::vector<T> out;
        for (const Call& c : calls_)
            if (const T* t = std::get_if<T>(&c)) out.push_back(*t);
        return out;
    }

private:
    int width_;
    int height_;
    Pen pen_;
    double textSize_ = 8.0;
    std::vector<Call> calls_;
};

} // namespace tavrel
