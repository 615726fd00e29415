#pragma once
// Matching recorded patterns against the lines of a simulation: the one service the window and
// the command line call. It takes from the simulation once what matching needs (the band model
// of its crystal, the crystal's symmetry, the detector, the line profile the radiation gives);
// an image is corrected once for every refinement and indexing of it; and a batch takes its
// patterns one by one from a source, indexes them on several threads, and hands the results on
// in the source's order, exactly those of one loop, with progress and cancellation.

#include "detector/detector.h"
#include "fit/indexing.h"
#include "orientation/euler_angles.h"
#include "session/geometry.h"
#include "session/simulation.h"

#include <cstddef>
#include <functional>

namespace tavrel {

// A recorded pattern with its background corrected at the sizes matching reads; a problem ("No
// orientation found: ...") for an image without contrast.
Result<fit::PreparedPattern> prepareForMatching(const fit::GreyImage& raw,
                                                const fit::StaticBackground& background = {},
                                                const fit::BackgroundCorrection& correction = {});

struct RefineRequest {
    Mat3d start = kIdentity3d;
    bool fitDetector = false; // also the pattern centre and the distance
    // Called with the best point at every improvement.
    std::function<void(const fit::RefineProgress&)> progress{};
    // Ends the search with the best point so far.
    CancelCheck cancelled{};
};

struct Refinement {
    fit::FoundOrientation found;
    double movedDegrees = 0;
    bool cancelled = false; // ended by the caller with the best orientation so far
};

// The patterns of a batch: `count` of them, pattern i given by read(i) when its turn comes.
// read is called from the batch's threads, several at once, once for each index.
struct PatternSource {
    std::size_t count = 0;
    std::function<Result<fit::GreyImage>(std::size_t)> read;
};

// Pattern i's result, in the source's order: i = 0, 1, 2, ...
using BatchSink = std::function<void(std::size_t index, Result<fit::IndexResult> result)>;

struct BatchOptions {
    int threads = 0; // 0: one per core
    // With the number of results handed on so far, after each.
    std::function<void(std::size_t done, std::size_t total)> progress{};
    // Asked between results (and at least every 50 ms): true takes no further pattern; those
    // under way finish and are handed on.
    CancelCheck cancelled{};
};

struct BatchSummary {
    std::size_t indexed = 0; // patterns 0 .. indexed - 1 were handed on
    bool cancelled = false;
};

class PatternFit {
public:
    // For electrons the Kikuchi bands of the crystal's reflections with d above 0.65 angstrom,
    // whatever the list shows, weighed by |F|^2 (where the document has no atoms, as if one iron
    // atom sat at each lattice point); for X-rays the bright cone lines of the reflections
    // drawn (d above the display threshold), weighed by the line strengths. The detector of the
    // simulation. Without generated reflections of a valid document nothing is found.
    explicit PatternFit(const Simulation& sim);

    const fit::IndexSetup& setup() const { return setup_; }
    // The static background and the correction the patterns of a batch get (by default the
    // dynamic correction and the screen's mask alone).
    void setBackground(fit::StaticBackground background,
                       const fit::BackgroundCorrection& correction);

    // Turns the orientation from the start until the lines agree best with the image. A
    // problem ("No orientation found") when the result matches nothing in the image.
    Result<Refinement> refine(const fit::PreparedPattern& image,
                              const RefineRequest& request) const;
    // The orientations of the image found with no starting guess, best first (at most three).
    // A problem ("No orientation found") when the best scores below the threshold, and
    // ("Indexing stopped") when `cancelled` ended it.
    Result<fit::IndexResult> index(const fit::PreparedPattern& image,
                                   const CancelCheck& cancelled = {}) const;
    // Reads, prepares and indexes each pattern of the source, on `options.threads` threads, and
    // gives each result to the sink on the calling thread, which also reports the progress and
    // asks whether to stop. A pattern that cannot be read or prepared gives its problem.
    BatchSummary indexBatch(const PatternSource& source, const BatchSink& sink,
                            const BatchOptions& options = {}) const;

private:
    Result<fit::IndexResult> indexRead(const Result<fit::GreyImage>& raw) const;

    fit::IndexSetup setup_;
    fit::StaticBackground background_;
    fit::BackgroundCorrection correction_;
};

// The Euler angles of a found orientation in the cell of these matrices and the frame given, as
// users read them (three decimals, in range).
EulerAngles foundEulerAngles(const fit::FoundOrientation& found, const LatticeMatrices& matrices,
                             const OrientationFrame& frame = {});

} // namespace tavrel
