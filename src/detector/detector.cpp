#include "detector/detector.h"

namespace tavrel {

Detector detectorFor(const std::array<float, 3>& film, const PatternCentre& centre) {
    return {film[0], film[1], film[2], centre};
}

PictureRect imagePlacement(const Detector& detector, double cx, double cy, double scale) {
    PictureRect r;
    r.width = detector.filmWidth / detector.distance * scale;
    r.height = detector.filmHeight / detector.distance * scale;
    r.left = cx - detector.centre.x * r.width;
    r.top = cy - detector.centre.y * r.height;
    return r;
}

} // namespace tavrel
