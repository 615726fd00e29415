#pragma once
// Made-up recorded patterns for the tests and the benchmarks, which look like what a camera
// writes: the kinematic bands of the given reflections (heights weight^exponent, kinematic
// 2 theta top-hats with soft edges and dark edge lines; or thin cone lines) rendered finely,
// blurred by the optics, on the detector's static background (a bright patch on a round screen
// whose corners are dark) times a smooth pattern-to-pattern change, binned, with Poisson noise
// at a given number of counts and 8-bit levels. The fine picture is drawn pixel by pixel with
// the detector layer's film mapping, not with the fit's own band model. The same seed gives the
// same pixels on every machine.

#include "detector/detector.h"
#include "fit/band_model.h"
#include "fit/grey_image.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tavrel::test {

using fit::Band;
using fit::GreyImage;
using fit::LineProfile;

struct SyntheticPatternOptions {
    int width = 60, height = 60; // the binned pattern
    int binning = 8;             // the fine picture is binning times larger
    Detector detector;           // of the binned pattern (the fine picture spans the same film)
    LineProfile profile = LineProfile::KikuchiBand;
    double contrast = 0.04; // a band of the largest weight brightens the background this much
    double strengthExponent = 0.75; // band heights weight^exponent
    double edgeDarkening = 0.3;     // dark lines beyond the edges, of the band's height
    double blurPixels = 1.5;        // the optics, in fine pixels
    double countsPerPixel = 300;    // mean counts of a binned pixel
    // The round screen, in fractions of the shorter side about the middle; 0: a screen that
    // fills the image.
    double screenRadius = 0.65;
    double variation = 0.15; // pattern-to-pattern change of the background
    // Dark spots of the screen (dust, burnt phosphor), the same on every pattern of a camera.
    int blemishes = 0;
    bool eightBit = true; // levels as an 8-bit camera writes them
    std::uint32_t seed = 1;
};

// The binned pattern (counts, or 8-bit levels).
GreyImage syntheticPattern(std::span<const Band> bands, const Mat3d& orientation,
                           const SyntheticPatternOptions& options);

// The fine picture's counts (each fine pixel with countsPerPixel / binning^2 on average), and a
// fine picture binned: one exposure seen at several binnings.
GreyImage syntheticCounts(std::span<const Band> bands, const Mat3d& orientation,
                          const SyntheticPatternOptions& options);
GreyImage binnedCounts(const GreyImage& fine, int factor, bool eightBit);

// The detector's static background at the binned size, without noise (the mean of many
// patterns of a map tends to it).
GreyImage syntheticBackground(const SyntheticPatternOptions& options);

// A uniformly random orientation (from the seed, the same on every machine).
Mat3d randomOrientation(std::uint32_t seed);
// The orientation turned by `degrees` about a random axis.
Mat3d turnedAway(const Mat3d& orientation, double degrees, std::uint32_t seed);

// Gaussian noise of unit deviation about 1 and nothing else: an image that holds no pattern.
GreyImage noiseImage(int width, int height, std::uint32_t seed);

// 8-bit pixels of an image, `low` and `high` mapped to 0 and 255, as a file would hold them, and
// an image of such pixels.
std::vector<std::uint8_t> toBytes(const GreyImage& image, float low, float high);
GreyImage fromBytes(std::span<const std::uint8_t> bytes, int width, int height);

} // namespace tavrel::test
