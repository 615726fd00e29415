#pragma once
// The detector a recorded pattern was taken on: the film (or screen) of the document, in mm, at
// its distance from the crystal, the pattern centre (the point of the image the viewing axis
// pierces), how the specimen and the detector are tilted, and the pixel size and binning that
// EMsoft's pattern-centre convention needs. The renderer lays a recorded image under the lines
// with it, and the fit maps the image's pixels to view directions with it (film_mapping.h),
// through the same placement, so that the two cannot disagree.
//
// Inside the program the pattern centre is Bruker's: x from the left and y from the top in
// fractions of the pattern's width and height, z the distance in fractions of its height (the
// film distance over the film height). The other programs' conventions are conversions of it.

#include "common/frames.h"
#include "common/result.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

// The pixel the viewing axis pierces, in fractions of the image's width and height from its
// top left corner.
struct PatternCentre {
    double x = 0.5, y = 0.5;
    friend bool operator==(const PatternCentre&, const PatternCentre&) = default;
};

// The film of the document (mm), the pattern centre on it and the tilts. The session makes one
// from the document's film whenever it needs one (detectorOf in session/pattern_fit.h), so
// that it never disagrees with the film fields.
struct Detector {
    double filmWidth = 120, filmHeight = 120, distance = 300;
    PatternCentre centre;
    Tilts tilts;
    double pixelSize = 0; // an unbinned detector pixel, um; 0 when not known
    int binning = 1;
    friend bool operator==(const Detector&, const Detector&) = default;
};

// The detector of a document's film (width, height, distance in mm) and a pattern centre.
Detector detectorFor(const std::array<float, 3>& film, const PatternCentre& centre = {});

// The conventions in which programs state a pattern centre (x, y, z):
// - Bruker: x from the left, y from the top, in fractions of the pattern's width and height;
//   z the distance in fractions of its height.
// - EDAX TSL: x*, y* from the lower left in fractions of width and height; z* the distance in
//   fractions of the smaller of width and height.
// - Oxford Instruments: from the lower left, x, y and the distance all in fractions of the width.
// - EMsoft (release 5 on): xpc, ypc in unbinned pixels from the pattern's centre, xpc to the
//   left and ypc upwards as the pattern is shown; L the distance in um. Releases before 5
//   count xpc to the right (Emsoft4).
enum class CentreConvention { Bruker, Edax, Oxford, Emsoft, Emsoft4 };
inline constexpr int kCentreConventionCount = 5;

// "bruker", "edax", "oxford", "emsoft", "emsoft4", as the command line and files name them.
const char* centreConventionName(CentreConvention convention);
std::optional<CentreConvention> centreConventionNamed(std::string_view name);
// "Bruker", "EDAX TSL", "Oxford", "EMsoft", "EMsoft 4", as the window lists them.
const char* centreConventionTitle(CentreConvention convention);

// Three numbers of a pattern centre in one convention.
struct CentreCoordinates {
    double x = 0.5, y = 0.5, z = 0.5;
    friend bool operator==(const CentreCoordinates&, const CentreCoordinates&) = default;
};

// The size of the pattern the conventions refer to: width and height in (binned) pixels (for
// the fractions only their ratio counts), the unbinned pixel size in um and the binning.
struct PatternFormat {
    double width = 1, height = 1;
    double pixelSize = 0;
    int binning = 1;
};

// The format of the detector's pattern: the image's pixels when there is one, else the film in
// pixels of the pixel size and binning (else in millimetres, which keeps the proportions).
PatternFormat patternFormat(const Detector& detector, std::optional<std::array<int, 2>> image = {});

// Whether the convention can be used with this format: EMsoft's needs the pixel size (a
// problem naming the field otherwise).
Outcome checkFormatFor(CentreConvention convention, const PatternFormat& format);

// Bruker's coordinates of a centre stated in `convention`, and back. Exact inverses of each
// other; EMsoft's need a format that checkFormatFor accepts.
CentreCoordinates brukerCentre(CentreConvention convention, const CentreCoordinates& stated,
                               const PatternFormat& format);
CentreCoordinates statedCentre(CentreConvention convention, const CentreCoordinates& bruker,
                               const PatternFormat& format);

// The detector's centre as Bruker states it (z = distance / film height), and the detector with
// a Bruker centre (the distance becomes z times the film height; the film stays).
CentreCoordinates brukerCentreOf(const Detector& detector);
Detector withBrukerCentre(Detector detector, const CentreCoordinates& bruker);

// The first value of the detector that no pattern can be matched with, as a problem naming its
// field: a film size or distance that is not a positive number, a pattern centre that is no
// number, a tilt outside +-90 degrees, a pixel size below 0 or a binning below 1.
Outcome checkDetector(const Detector& detector);

// Whether an image of these pixels lies on the film without being stretched (within 2 %): a
// 4:3 pattern on a square film would be matched some degrees off. The problem ("is 240 x 180
// pixels, not in the proportions of the 40 x 40 mm film") is for the caller to name the image in.
Outcome checkImageProportions(const Detector& detector, int width, int height);
// A note for a pattern centre outside the pattern (allowed: it happens), else empty.
std::string centreOutsideNote(const Detector& detector);

// The rectangle an image on the detector takes in a cone picture centred at (cx, cy) at pattern
// scale `scale` (drawing units): it spans the film, one millimetre of it being scale / distance
// units, with the pattern centre at (cx, cy). With the centre in the middle it fills the drawn
// film outline exactly.
struct PictureRect {
    double left = 0, top = 0, width = 0, height = 0;
};
PictureRect imagePlacement(const Detector& detector, double cx, double cy, double scale);

} // namespace tavrel
