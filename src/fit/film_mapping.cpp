#include "fit/film_mapping.h"

#include <algorithm>
#include <cmath>

namespace tavrel::fit {

Detector detectorForFilm(const std::array<float, 3>& film) {
    Detector d;
    d.filmWidth = film[0];
    d.filmHeight = film[1];
    d.distance = film[2];
    return d;
}

PictureRect imagePlacement(const Detector& detector, double cx, double cy, double scale) {
    const double unitsPerMm = scale / detector.distance;
    PictureRect r;
    r.width = detector.filmWidth * unitsPerMm;
    r.height = detector.filmHeight * unitsPerMm;
    r.left = cx - detector.centre.x * r.width;
    r.top = cy - detector.centre.y * r.height;
    return r;
}

FilmMapping::FilmMapping(const Detector& detector, int imageWidth, int imageHeight)
    : width_(imageWidth), height_(imageHeight), centreX_(detector.centre.x * imageWidth),
      centreY_(detector.centre.y * imageHeight),
      pixelsPerUnitX_(detector.distance * imageWidth / detector.filmWidth),
      pixelsPerUnitY_(detector.distance * imageHeight / detector.filmHeight) {}

Vec3d FilmMapping::directionAt(double x, double y) const {
    const auto [a, b] = gnomonicOfPixel(x, y);
    return normalized({1.0, a, b});
}

std::optional<std::array<double, 2>> FilmMapping::pixelOf(const Vec3d& r) const {
    if (!(r[0] > 0)) return std::nullopt;
    return pixelOfGnomonic(r[1] / r[0], r[2] / r[0]);
}

double FilmMapping::pixelAngle() const {
    return std::atan(1.0 / std::max(pixelsPerUnitX_, pixelsPerUnitY_));
}

} // namespace tavrel::fit
