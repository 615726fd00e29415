#include "render/surface.h"

#include <vector>

namespace tavrel {

void DrawingSurface::drawPolyline(std::span<const Point> points) {
    if (points.size() < 2) return;
    std::vector<Segment> segments;
    segments.reserve(points.size() - 1);
    for (std::size_t i = 1; i < points.size(); ++i)
        segments.push_back({points[i - 1].x, points[i - 1].y, points[i].x, points[i].y});
    drawSegments(segments);
}

void DrawingSurface::drawGreyPicture(const GreyPicture&, double, double, double, double, float) {}

} // namespace tavrel
