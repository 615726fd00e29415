#pragma once
// Where the patterns of a map lie: the detector of each point from one pattern centre for the
// map, from the centre the file keeps for each pattern, or from a plane fitted over those; and
// the makers' pattern centres as the detector takes them.
//
// The detector is the document's film with a pattern centre and a distance. A centre is
// carried in Bruker's convention: PCx and PCy in fractions of the pattern's width and height
// from its top left corner, PCz the distance over the pattern's height. EDAX's x*, y*, z* and
// Oxford's PCx, PCy, DD count y from the bottom edge and y and the distance in fractions of the
// pattern's width (for square patterns: 1 - y and the same z).

#include "session/map_indexing.h"

namespace tavrel {

StatedPatternCentre brukerCentreOf(const StatedPatternCentre& stated,
                                   PatternCentreConvention convention, int patternWidth,
                                   int patternHeight);
// EDAX's x*, y*, z* of a Bruker centre, as an .ang header states it.
StatedPatternCentre edaxCentreOf(const StatedPatternCentre& bruker, int patternWidth,
                                 int patternHeight);

// The film of `filmHeight` mm, as wide as the patterns' aspect asks, with a Bruker centre: the
// distance is PCz times the film height, or `distance` for a PCz of 0 (a centre given as x y).
Detector detectorOfCentre(const StatedPatternCentre& bruker, double filmHeight, double distance,
                          int patternWidth, int patternHeight);

// One detector for every point.
MapGeometry fixedGeometry(const Detector& detector);
// Each point's own centre from the file (in the file's convention), `fallback` where it states
// none.
MapGeometry perPatternGeometry(const PatternFileHeader& header, const Detector& fallback);

// A pattern centre over the map as a plane, x, y and z each a + b column + c row, in the file's
// convention, fitted by least squares to the centres the file keeps per pattern (those it
// states), read in runs; and the geometry of it.
struct CentrePlane {
    StatedPatternCentre origin, perColumn, perRow;
    StatedPatternCentre at(int row, int column) const;
};
Result<CentrePlane> fitCentrePlane(MapPatternSource& source);
MapGeometry planeGeometry(const CentrePlane& plane, const PatternFileHeader& header,
                          const Detector& film);

} // namespace tavrel
