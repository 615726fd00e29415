#pragma once
// Where a recorded image lies under the drawn cone lines, and which view direction each of its
// pixels sees.
//
// The picture draws a direction r (r_x > 0) of the view frame at (cx - S r_y / r_x,
// cy + S r_z / r_x), S being the pattern scale (render/cone_tracer.cpp): the picture shows +y to
// the left and +z downwards, and the film (width x height mm at distance D) as the rectangle of
// half-sizes S width / 2D and S height / 2D about the centre (render/projection.cpp). The image
// spans that film: the pattern centre, the pixel where the viewing axis pierces the image,
// lies at (cx, cy), and one millimetre of film is S / D drawing units. By default the pattern
// centre is the middle of the image, so the image fills the drawn film outline exactly.

#include "fit/rotation_math.h"

#include <array>
#include <optional>

namespace tavrel::fit {

// The pixel the viewing axis pierces, in fractions of the image's width and height from its
// top left corner.
struct PatternCentre {
    double x = 0.5, y = 0.5;
    friend bool operator==(const PatternCentre&, const PatternCentre&) = default;
};

// The film of the document (mm) and the pattern centre on it.
struct Detector {
    double filmWidth = 120, filmHeight = 120, distance = 300;
    PatternCentre centre;
    friend bool operator==(const Detector&, const Detector&) = default;
};

// A detector from the document's film (width, height, distance in mm), centred.
Detector detectorForFilm(const std::array<float, 3>& film);

// The rectangle an image takes in a picture centred at (cx, cy) at pattern scale `scale` (the
// renderer's drawing units).
struct PictureRect {
    double left = 0, top = 0, width = 0, height = 0;
};
PictureRect imagePlacement(const Detector& detector, double cx, double cy, double scale);

// Pixels of an image of the given size on a detector, and view directions.
class FilmMapping {
public:
    FilmMapping(const Detector& detector, int imageWidth, int imageHeight);

    // The unit view direction seen at continuous pixel position (x, y).
    Vec3d directionAt(double x, double y) const;
    // The continuous pixel position of direction r; none for a direction that does not reach
    // the film's plane (r_x <= 0). The position may lie outside the image.
    std::optional<std::array<double, 2>> pixelOf(const Vec3d& r) const;
    // The same for a gnomonic point (r_y / r_x, r_z / r_x).
    std::array<double, 2> pixelOfGnomonic(double a, double b) const {
        return {centreX_ - a * pixelsPerUnitX_, centreY_ + b * pixelsPerUnitY_};
    }
    std::array<double, 2> gnomonicOfPixel(double x, double y) const {
        return {(centreX_ - x) / pixelsPerUnitX_, (y - centreY_) / pixelsPerUnitY_};
    }

    bool inside(double x, double y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The angle one pixel spans at the pattern centre (radians; the smaller of its two sides):
    // nowhere on the film is a pixel wider.
    double pixelAngle() const;

private:
    int width_, height_;
    double centreX_, centreY_;               // pixel of the pattern centre
    double pixelsPerUnitX_, pixelsPerUnitY_; // pixels per unit of the gnomonic plane
};

} // namespace tavrel::fit
