#include "support/recording_surface.h"

namespace tavrel {

std::vector<RecordingSurface::DrawnSegment> RecordingSurface::segments() const {
    std::vector<DrawnSegment> out;
    for (const Call& c : calls_) {
        if (const Segments* batch = std::get_if<Segments>(&c)) {
            for (const Segment& s : batch->segments) out.push_back({s, batch->pen});
        } else if (const Polyline* line = std::get_if<Polyline>(&c)) {
            for (std::size_t i = 1; i < line->points.size(); ++i) {
                const Point a = line->points[i - 1], b = line->points[i];
                out.push_back({{a.x, a.y, b.x, b.y}, line->pen});
            }
        }
    }
    return out;
}

std::vector<Segment> RecordingSurface::segmentsIn(PenStyle style) const {
    std::vector<Segment> out;
    for (const DrawnSegment& s : segments())
        if (s.pen.style == style) out.push_back(s.segment);
    return out;
}

} // namespace tavrel
