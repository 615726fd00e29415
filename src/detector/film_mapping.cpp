#include "detector/film_mapping.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

FilmMapping::FilmMapping(const Detector& detector, int imageWidth, int imageHeight)
    : width_(imageWidth), height_(imageHeight), centreX_(detector.centre.x * imageWidth),
      centreY_(detector.centre.y * imageHeight),
      pixelsPerUnitX_(detector.distance * imageWidth / detector.filmWidth),
      pixelsPerUnitY_(detector.distance * imageHeight / detector.filmHeight),
      specimenFromView_(transpose(sampleFromSpecimen(detector.tilts)) * kSampleFromView) {}

ViewVector FilmMapping::directionAt(double x, double y) const {
    const auto [a, b] = gnomonicOfPixel(x, y);
    return normalized(ViewVector{1.0, a, b});
}

SpecimenVector FilmMapping::specimenDirectionAt(double x, double y) const {
    return SpecimenVector(specimenFromView_ * directionAt(x, y).v);
}

std::optional<std::array<double, 2>> FilmMapping::pixelOf(const ViewVector& r) const {
    if (!(r[0] > 0)) return std::nullopt;
    return pixelOfGnomonic(r[1] / r[0], r[2] / r[0]);
}

double FilmMapping::pixelAngle() const {
    return std::atan(1.0 / std::max(pixelsPerUnitX_, pixelsPerUnitY_));
}

} // namespace tavrel
