#pragma once
// Which view direction each pixel of an image on a detector sees, and where a direction lands
// on it. The image spans the film as imagePlacement lays it under the lines: its pattern centre
// sees the viewing axis, and a direction's gnomonic point (r_y / r_x, r_z / r_x) lies that many
// film distances to the left of the centre and below it, as the cone pictures draw +y to the
// left and +z downwards (common/frames.h).

#include "common/frames.h"
#include "detector/detector.h"

#include <array>
#include <optional>

namespace tavrel {

// Pixels of an image of the given size on a detector, and view directions. Pixel coordinates
// are continuous: pixel (i, j) covers [i, i + 1) x [j, j + 1) from the top left corner.
class FilmMapping {
public:
    FilmMapping(const Detector& detector, int imageWidth, int imageHeight);

    // The unit view direction seen at continuous pixel position (x, y).
    ViewVector directionAt(double x, double y) const;
    // The unit specimen direction seen there, through the detector's tilts.
    SpecimenVector specimenDirectionAt(double x, double y) const;
    // The continuous pixel position of direction r; none for a direction that does not reach
    // the film's plane (r_x <= 0). The position may lie outside the image.
    std::optional<std::array<double, 2>> pixelOf(const ViewVector& r) const;
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
    Mat3d specimenFromView_;
};

} // namespace tavrel
