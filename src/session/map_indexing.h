#pragma once
// Indexing a whole EBSD map: the patterns of a map read in runs, matched on every core, and the
// results handed on row by row in map order, with progress and cancellation, holding no more
// of the map than a few rows whatever its size.
//
// Most points of a map lie inside a grain whose orientation a neighbour has found already: each
// point first tries the orientations of its indexed neighbours (the one to its left and the
// three above it), and takes the best of them when it scores at least a fraction of what the
// point indexed from scratch that the orientation came from scored; only where none does (at
// grain boundaries, at the first point, on patterns that changed) is it indexed with no guess.
//
// The rows are matched in bands of kMapBandRows rows counted from the map's row 0, and the
// first row of a band has no neighbours above, so a band's results depend on its own patterns
// alone. Bands run in parallel, one thread each, so the results are the same whatever the
// number of threads; a range of rows [A, B) starts at the band that holds A (its rows before A
// are matched, not handed on), so pieces of a map indexed apart join into exactly the results
// of the whole.
//
// The matching itself lies behind PointMatcher (map_point_matcher.h holds today's), and the
// geometry behind MapGeometry (map_geometry.h makes it): the engine knows neither how a pattern
// is scored nor how a file's pattern centre becomes a detector.

#include "common/matrix3.h"
#include "common/result.h"
#include "detector/detector.h"
#include "fit/grey_image.h"
#include "mapfiles/pattern_source.h"
#include "session/simulation.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tavrel {

inline constexpr int kMapBandRows = 8;

// An orientation the matcher found for one pattern.
struct MapSolution {
    Mat3d orientation = kIdentity3d; // M of the phase's lattice (view frame of the picture)
    int phase = 0;                   // the matcher's phase, from 0
    double score = 0;
    int bands = 0;         // bands standing out in the pattern that lie on the solution's
    double deviation = 0;  // their mean angle from it, degrees
    double confidence = 0; // 0..1: how far it leads the next distinct solution
};

// Matches the patterns of one thread, one at a time: take, then any of the others.
class PointMatcher {
public:
    virtual ~PointMatcher() = default;
    // Takes a point's pattern as recorded and the detector it lies on; gives the pattern's
    // quality (0 for none, 1 for a sharp pattern without noise), or a problem when the pattern
    // holds nothing to match. The other calls then concern this pattern.
    virtual Result<double> take(const fit::GreyImage& pattern, const Detector& detector) = 0;
    // How well an orientation of a phase fits the pattern.
    virtual double score(int phase, const Mat3d& orientation) = 0;
    // A solution taken from a neighbour (its score is that on this pattern), refined a little;
    // never scoring less.
    virtual MapSolution refine(const MapSolution& start) = 0;
    // The pattern indexed with no guess; a problem when no phase fits it.
    virtual Result<MapSolution> index() = 0;
};
// Called on the calling thread, once for each thread the run uses.
using PointMatcherFactory = std::function<std::unique_ptr<PointMatcher>()>;

// Where each point's pattern lies.
struct MapGeometry {
    // The detector of point k (map order) given the centre its file states for it: none where
    // it states none, or where the file is not asked (readsFileCentres false).
    std::function<Detector(std::int64_t point, const std::optional<StatedPatternCentre>& stated)>
        detectorAt;
    bool readsFileCentres = false;
};

enum class MapPointOrigin : std::uint8_t {
    None,      // not indexed
    Indexed,   // indexed with no guess
    Neighbour, // a neighbour's orientation, refined
};

// One point as a map of millions of them keeps it (40 bytes).
struct MapPointResult {
    std::array<float, 4> rotation{1, 0, 0, 0}; // unit quaternion (w, x, y, z) of the orientation
    float score = 0, quality = 0, confidence = 0, deviation = 0;
    // The score of the point indexed from scratch whose orientation this one carries on.
    float reference = 0;
    std::uint8_t phase = 0; // from 1; 0 for a point not indexed
    std::uint8_t bands = 0;
    MapPointOrigin origin = MapPointOrigin::None;

    bool indexed() const { return phase > 0; }
    Mat3d orientation() const;
    void setOrientation(const Mat3d& m);
};

struct MapRunOptions {
    // Rows [firstRow, endRow) are handed on; -1 for the last row.
    int firstRow = 0, endRow = -1;
    int threads = 0; // 0: one per core
    // False: only the patterns' quality, nothing matched (a quick look at a map).
    bool indexing = true;
    // A neighbour's orientation is taken at this fraction of its reference score.
    double acceptFraction = 0.75;
    // With the points handed on so far and the points to hand on, after every row.
    std::function<void(std::int64_t done, std::int64_t total)> progress{};
    // Asked between rows and at least every 50 ms: true stops the run; rows under way are
    // dropped, so what was handed on is rows firstRow .. firstRow + n - 1 with none missing.
    CancelCheck cancelled{};
};

struct MapRunSummary {
    std::int64_t points = 0;      // handed on
    std::int64_t indexed = 0;     // of them, indexed
    std::int64_t fromScratch = 0; // of those, indexed with no guess
    double meanScore = 0;         // of the indexed points
    double seconds = 0;
    bool cancelled = false;
    // A pattern that could not be read, or a sink that failed: the run stopped there.
    std::optional<Problem> problem;
};

// Gets each finished row of points in map order on the calling thread: the map index of its
// first point and its points. A problem stops the run and is its problem.
using MapSink = std::function<Outcome(std::int64_t first, std::span<const MapPointResult>)>;

// Reads the source's rows one thread at a time and matches them on `options.threads` threads
// with one matcher each. Rows outside the map are refused before anything is read.
MapRunSummary indexMap(MapPatternSource& source, const MapGeometry& geometry,
                       const PointMatcherFactory& matchers, const MapSink& sink,
                       const MapRunOptions& options = {});

// The mean of every pattern of the map, read in runs (a static background made from the map
// itself); a problem names what could not be read. Cancelled: none, without a problem.
Result<std::vector<float>> meanPattern(MapPatternSource& source, const CancelCheck& cancelled = {});

// One point's pattern as recorded and the detector it lies on, read again (a point picked on a
// map); not while a run reads the same source.
struct MapPointPattern {
    fit::GreyImage pattern;
    Detector detector;
};
Result<MapPointPattern> readMapPoint(MapPatternSource& source, const MapGeometry& geometry,
                                     std::int64_t point);

// The results of a whole map in memory, as a window keeps them: 40 bytes a point.
struct MapResults {
    int rows = 0, columns = 0;
    std::vector<MapPointResult> points;
    MapResults(int r, int c)
        : rows(r), columns(c), points(static_cast<std::size_t>(r) * static_cast<std::size_t>(c)) {}
    // A sink that keeps what it is given in place.
    MapSink sink();
};

} // namespace tavrel
