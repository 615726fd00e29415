#pragma once
// The detector a recorded pattern was taken on: the film (or screen) of the document, in mm, at
// its distance from the crystal, and the pattern centre, the point of the image the viewing axis
// pierces. The renderer lays a recorded image under the lines with it, and the fit maps the
// image's pixels to view directions with it (film_mapping.h), through the same placement, so
// that the two cannot disagree.

#include <array>

namespace tavrel {

// The pixel the viewing axis pierces, in fractions of the image's width and height from its
// top left corner.
struct PatternCentre {
    double x = 0.5, y = 0.5;
    friend bool operator==(const PatternCentre&, const PatternCentre&) = default;
};

// The film of the document (mm) and the pattern centre on it. The session makes one from the
// document's film whenever it needs one (detectorOf in session/pattern_fit.h), so that it never
// disagrees with the film fields; the tilts and the centre conventions of other programs
// belong here too.
struct Detector {
    double filmWidth = 120, filmHeight = 120, distance = 300;
    PatternCentre centre;
    friend bool operator==(const Detector&, const Detector&) = default;
};

// The detector of a document's film (width, height, distance in mm) and a pattern centre.
Detector detectorFor(const std::array<float, 3>& film, const PatternCentre& centre = {});

// The rectangle an image on the detector takes in a cone picture centred at (cx, cy) at pattern
// scale `scale` (drawing units): it spans the film, one millimetre of it being scale / distance
// units, with the pattern centre at (cx, cy). With the centre in the middle it fills the drawn
// film outline exactly.
struct PictureRect {
    double left = 0, top = 0, width = 0, height = 0;
};
PictureRect imagePlacement(const Detector& detector, double cx, double cy, double scale);

} // namespace tavrel
