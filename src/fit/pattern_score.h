#pragma once
// How well an orientation explains a recorded pattern: the normalised cross-correlation (NCC)
// of the background-corrected pattern with the kinematic band model of the crystal in that
// orientation (band_model.h), at the same pixels.
//
// The NCC lies in [-1, 1] and changes neither when the image is scaled or offset nor with the
// number or weights of the bands. The model loses what the dynamic background correction took
// from the pattern (its own blur over an eighth of the image), so that both hold the same
// frequencies. Worked out on the pattern resampled to one working size (kScoreSide pixels on
// its shorter side, the smallest pattern a camera writes) with one band profile, it means the
// same for a pattern of any size and for any crystal: the calibrated score, reported clamped to
// [0, 1], which one threshold serves and by which phases are compared.
//
// The high-pass is linear, so its image half is applied to the image once: an evaluation
// renders the bands, correlates them with the prepared image and works out the model's own
// variance on a coarse grid.

#include "detector/detector.h"
#include "fit/background.h"
#include "fit/band_model.h"

#include <memory>
#include <span>
#include <vector>

namespace tavrel::fit {

// A calibrated score below this is no match: patterns without bands and random orientations of
// recorded ones score up to about 0.11, right answers from about 0.18. A wrong cubic phase at
// the right orientation can score above it: phases are told apart by comparing their scores.
inline constexpr double kAcceptScore = 0.14;

struct ScoreOptions {
    BandProfile profile;
    // A further blur of image and model (degrees), for searches that must see from afar.
    double smoothingDegrees = 0;
    // The model's high-pass: its blur over this fraction of the image's shorter side taken away
    // (the dynamic background correction's blur).
    double highPassFraction = 0.125;
    friend bool operator==(const ScoreOptions&, const ScoreOptions&) = default;
};

// Scores orientations against one corrected pattern (background.h) on a detector. It keeps
// working buffers: one scorer serves one thread.
class PatternScorer {
public:
    PatternScorer(const GreyImage& corrected, const Detector& detector, std::span<const Band> bands,
                  const ScoreOptions& options = {});
    // The same with the pixels of the detector given (made anew unless of the image's size):
    // patterns on one detector share them.
    PatternScorer(const GreyImage& corrected, const PixelGrid& grid, std::span<const Band> bands,
                  const ScoreOptions& options = {});

    // The NCC of orientation M, in [-1, 1].
    double correlation(const Mat3d& orientation) const;
    // The same on another detector (the pattern centre being fitted).
    double correlation(const Mat3d& orientation, const Detector& detector) const;
    double score(const Mat3d& orientation) const;
    // Another band profile for the same image and detector (cheap: the image's half of the
    // work stays).
    void setProfile(const BandProfile& profile);

    const Detector& detector() const { return grid_.detector(); }
    double pixelAngle() const { return grid_.pixelAngle(); }
    int width() const { return grid_.width(); }
    int height() const { return grid_.height(); }
    // Orientations scored so far.
    long evaluations() const { return evaluations_; }

private:
    struct Axis {
        int nodes = 0;
        std::vector<int> block;   // the coarse node whose block holds each pixel
        std::vector<int> low;     // the coarse node at or before each pixel's centre
        std::vector<float> along; // how far the pixel lies from it towards the next node
    };
    static Axis axisOf(int pixels, int factor);
    void lowPassUp(const std::vector<double>& coarse, std::vector<float>& fine) const;
    std::vector<double> blurredCoarse(std::vector<double> coarse) const;
    void prepareBands(const PixelGrid& grid, std::vector<ModelBand>& bands, double& edge) const;
    double correlate(const PixelGrid& grid, std::span<const ModelBand> bands, double edge,
                     const Mat3d& orientation) const;

    ScoreOptions options_;
    PixelGrid grid_;
    std::vector<LatticeVector> normals_;
    std::vector<double> weights_, sines_;
    std::vector<ModelBand> bands_;
    double edge_ = 0;      // sine units
    double smoothing_ = 0; // pixels
    std::vector<float> mask_, image_, inverseNorm_;
    double imageSquares_ = 0, validCount_ = 0;
    Axis columns_, rows_;
    std::vector<double> kernel_; // the coarse blur, from its middle outwards

    // Working buffers and the grid of the last other detector.
    mutable std::vector<float> model_, transposed_;
    mutable std::vector<Vec3d> turned_;
    mutable std::vector<double> coarse_, blurred_;
    mutable std::vector<float> columnSums_, expanded_;
    mutable PixelGrid otherGrid_;
    mutable std::vector<ModelBand> otherBands_;
    mutable double otherEdge_ = 0;
    mutable long evaluations_ = 0;
};

// The scorers of one pattern, each made the first time it is asked for and kept: indexing
// refines several candidates of a pattern, each on the same images with the same bands, and a
// scorer costs a few evaluations to make. The images and bands asked with must outlive the
// cache. One cache serves one thread.
class ScorerCache {
public:
    const PatternScorer& scorer(const GreyImage& image, const Detector& detector,
                                std::span<const Band> bands, const ScoreOptions& options);

private:
    struct Entry {
        const GreyImage* image;
        Detector detector;
        const Band* bands;
        std::size_t bandCount;
        ScoreOptions options;
        std::unique_ptr<PatternScorer> scorer;
    };
    std::vector<Entry> entries_;
    std::vector<PixelGrid> grids_; // one per detector and image size
};

} // namespace tavrel::fit
