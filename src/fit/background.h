#pragma once
// Background correction of recorded EBSD patterns as EBSD users know it, before a pattern is
// scored or indexed:
// - static background: the detector's picture of no pattern (recorded, or the mean of a map's
//   patterns), subtracted from each pattern or divided into it;
// - dynamic background: each pattern's own slow intensity, a strongly blurred copy of it (sigma
//   an eighth of the pattern), divided into it or subtracted from it;
// - the dark edge of the screen (the corners beyond a round phosphor screen) masked;
// - the pattern resampled to the sizes matching reads, so that what follows sees the same
//   pixels whatever the camera's binning.
// The static background and the mask belong to the camera, not to a pattern: a
// StaticBackground is made once and serves every pattern of a map.

#include "common/result.h"
#include "fit/grey_image.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tavrel::fit {

// The side (pixels) of the shorter side of the image that indexing and the calibrated score
// read, and the largest one the last refinement stage reads.
inline constexpr int kScoreSide = 60;
inline constexpr int kFineSide = 240;

enum class StaticCorrection { None, Subtract, Divide };
enum class DynamicCorrection { None, Divide, Subtract };

struct BackgroundCorrection {
    StaticCorrection staticMode = StaticCorrection::Subtract;
    DynamicCorrection dynamicMode = DynamicCorrection::Divide;
    // The dynamic background: without a static background, first the local median over this
    // fraction of the shorter side (which follows the screen's edge and its shading, and not
    // the bands), then a Gaussian of this fraction for what is left; 0: no median.
    double medianFraction = 0.08;
    double dynamicSigmaFraction = 0.06;
    // Pixels whose static background (or, without one, the pattern's own blurred intensity)
    // lies below this fraction of its 95th percentile are the screen's dark edge; 0: no mask.
    double maskFraction = 0.4;
    // Without a static background, spots darker than the local median by this many deviations
    // of the pattern's noise (dust and burnt phosphor on the screen, which a static background
    // would have taken out) are masked, and the pattern is weighed by its counts' noise (the
    // square root of the local median), so that dim pixels count less; 0: no spots masked.
    double outlierDeviations = 2.5;
    bool whiten = true;
    friend bool operator==(const BackgroundCorrection&, const BackgroundCorrection&) = default;
};

// The mean of equally sized patterns, added one by one: the static background of a map.
class MeanPattern {
public:
    // A problem when the pattern's size differs from the first one's.
    Outcome add(const GreyImage& pattern);
    std::size_t count() const { return count_; }
    // A problem before any pattern was added.
    Result<GreyImage> mean() const;

private:
    int width_ = 0, height_ = 0;
    std::vector<double> sum_;
    std::size_t count_ = 0;
};

// The detector's static background, with the mask of its screen, for patterns of its size.
struct StaticBackground {
    GreyImage image;                // empty: none
    std::vector<std::uint8_t> mask; // 1 on the screen; empty: all of it
    double mean = 0;                // of the image
    bool empty() const { return image.empty(); }
};
// A problem when the image holds nothing positive.
Result<StaticBackground> staticBackgroundOf(const GreyImage& image, double maskFraction = 0.4);

// 1 for the pixels of the screen, 0 for its dark edge (see maskFraction); empty when every
// pixel is on the screen.
std::vector<std::uint8_t> screenMask(const GreyImage& brightness, double fraction);

// The static background taken out (scaled to the pattern's level first: a map's mean pattern
// or a background taken at another exposure has another one) and the screen's mask set: the
// background's, or without one the pattern's own dark edge. At the pattern's size, which the
// background's must be.
GreyImage staticCorrected(const GreyImage& raw, const StaticBackground& background,
                          const BackgroundCorrection& correction);

// A recorded pattern corrected at the sizes matching reads, each normalised to zero mean and
// unit variance over its valid pixels.
struct PreparedPattern {
    GreyImage working; // kScoreSide on its shorter side: indexing and the calibrated score
    GreyImage fine;    // up to kFineSide on its shorter side; empty when no finer than working
    int width = 0, height = 0; // of the pattern as given
    // What the dynamic correction took away: its blur, in fractions of the shorter side (0:
    // none), which the score takes from its model too.
    double highPassFraction = 0.125;
    const GreyImage& finest() const { return fine.empty() ? working : fine; }
};

// The pattern corrected (the static background, when given, must have its size), large ones
// binned down first; without the fine image where `withFine` is false (what reads only the
// working size). A problem when the sizes differ or no contrast is left.
Result<PreparedPattern> preparePattern(const GreyImage& raw,
                                       const StaticBackground& background = {},
                                       const BackgroundCorrection& correction = {},
                                       bool withFine = true);

} // namespace tavrel::fit
