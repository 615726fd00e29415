#pragma once
// A drawing surface that draws nothing and keeps every call in order as plain data, so that
// renderer tests can check what was drawn, in which pen and in which order.

#include "common/numeric.h"
#include "render/surface.h"

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
    };

    // The default size is the off-screen picture of a freshly opened window.
    explicit RecordingSurface(int width = 850, int height = 620) : width_(width), height_(height) {}
    // Forgets the calls recorded so far; the pen and text size stay.
    void forget() { calls_.clear(); }

    int width() const override { return width_; }
    int height() const override { return height_; }
    void clear(Rgb background) override { calls_.emplace_back(Clear{background}); }
    void setPen(Rgb colour, int width, PenStyle style) override {
        pen_ = Pen{colour, width, style};
        calls_.emplace_back(SetPen{pen_});
    }
    void drawSegments(std::span<const Segment> s) override {
        calls_.emplace_back(Segments{pen_, {s.begin(), s.end()}});
    }
    void drawPolyline(std::span<const Point> p) override {
        calls_.emplace_back(Polyline{pen_, {p.begin(), p.end()}});
    }
    void drawRectangle(int x1, int y1, int x2, int y2) override {
        calls_.emplace_back(Rectangle{pen_, x1, y1, x2, y2});
    }
    void drawCircle(int x, int y, int radius, bool filled) override {
        calls_.emplace_back(Circle{pen_, x, y, radius, filled});
    }
    void setTextSize(double points) override {
        textSize_ = points;
        calls_.emplace_back(TextSize{points});
    }
    // The height of a line at 96 dots per inch.
    int textHeight() const override { return roundToInt32(textSize_ * 4.0 / 3.0); }
    void drawText(int x, int y, std::string_view text, Rgb colour) override {
        calls_.emplace_back(Text{x, y, std::string(text), colour, textSize_});
    }

    const std::vector<Call>& calls() const { return calls_; }
    // Every segment drawn, in order, with the pen it was drawn in; a polyline counts as the
    // segments between its consecutive points.
    std::vector<DrawnSegment> segments() const;
    std::vector<Segment> segmentsIn(PenStyle style) const;
    std::size_t segmentCount() const { return segments().size(); }
    std::vector<Rectangle> rectangles() const { return callsOf<Rectangle>(); }
    std::vector<Circle> circles() const { return callsOf<Circle>(); }
    std::vector<Text> texts() const { return callsOf<Text>(); }
    template <typename T> std::vector<T> callsOf() const {
        std::vector<T> out;
        for (const Call& c : calls_)
            if (const T* t = std::get_if<T>(&c)) out.push_back(*t);
        return out;
    }

private:
    int width_, height_;
    Pen pen_;
    double textSize_ = 8.0;
    std::vector<Call> calls_;
};

} // namespace tavrel
