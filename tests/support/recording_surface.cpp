#include "support/recording_surface.h"

#include "common/numeric.h"

namespace tavrel {

RecordingSurface::RecordingSurface(int width, int height) : width_(width), height_(height) {}

void RecordingSurface::setSize(int width, int height) {
    width_ = width;
    height_ = height;
}

void RecordingSurface::clear(Rgb background) {
    calls_.emplace_back(Clear{background});
}

void RecordingSurface::setPen(Rgb colour, int width, PenStyle style) {
    pen_ = Pen{colour, width, style};
    calls_.emplace_back(SetPen{pen_});
}

void RecordingSurface::drawSegments(std::span<const Segment> segments) {
    calls_.emplace_back(Segments{pen_, {segments.begin(), segments.end()}});
}

void RecordingSurface::drawPolyline(std::span<const Point> points) {
    calls_.emplace_back(Polyline{pen_, {points.begin(), points.end()}});
}

void RecordingSurface::drawRectangle(int x1, int y1, int x2, int y2) {
    calls_.emplace_back(Rectangle{pen_, x1, y1, x2, y2});
}

void RecordingSurface::drawCircle(int x, int y, int radius, bool filled) {
    calls_.emplace_back(Circle{pen_, x, y, radius, filled});
}

void RecordingSurface::setTextSize(double points) {
    textSize_ = points;
    calls_.emplace_back(TextSize{points});
}

int RecordingSurface::textHeight() const {
    return roundToInt32(textSize_ * 4.0 / 3.0);
}

void RecordingSurface::drawText(int x, int y, std::string_view text, Rgb colour) {
    calls_.emplace_back(Text{x, y, std::string(text), colour, textSize_});
}

std::vector<RecordingSurface::DrawnSegment> RecordingSurface::segments() const {
    std::vector<DrawnSegment> out;
    for (const Call& c : calls_) {
        if (const Segments* batch = std::get_if<Segments>(&c)) {
            for (const Segment& s : batch->segments) out.push_back({s, batch->pen});
        } else if (const Polyline* line = std::get_if<Polyline>(&c)) {
            const std::vector<Point>& p = line->points;
            for (std::size_t i = 1; i < p.size(); ++i)
                out.push_back({{p[i - 1].x, p[i - 1].y, p[i].x, p[i].y}, line->pen});
        }
    }
    return out;
}

std::vector<Segment> RecordingSurface::segmentsIn(Rgb colour) const {
    std::vector<Segment> out;
    for (const DrawnSegment& s : segments())
        if (s.pen.colour == colour) out.push_back(s.segment);
    return out;
}

std::vector<Segment> RecordingSurface::segmentsIn(PenStyle style) const {
    std::vector<Segment> out;
    for (const DrawnSegment& s : segments())
        if (s.pen.style == style) out.push_back(s.segment);
    return out;
}

std::size_t RecordingSurface::segmentCount() const {
    std::size_t n = 0;
    for (const Call& c : calls_) {
        if (const Segments* s = std::get_if<Segments>(&c)) n += s->segments.size();
        if (const Polyline* p = std::get_if<Polyline>(&c))
            n += p->points.size() < 2 ? 0 : p->points.size() - 1;
    }
    return n;
}

} // namespace tavrel
