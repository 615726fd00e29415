#pragma once
// Made-up recorded patterns with the program's own geometry, for the tests and the benchmarks:
// the bands (or thin cone lines) of the given reflections in a known orientation on a detector,
// on a smooth, uneven background, blurred as a detector's optics blur, with noise. The same seed
// gives the same pixels on every machine.

#include "detector/detector.h"
#include "fit/grey_image.h"
#include "fit/pattern_score.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tavrel::test {

using fit::Band;
using fit::GreyImage;
using fit::LineProfile;

struct SyntheticPatternOptions {
    int width = 240, height = 240;
    Detector detector;
    LineProfile profile = LineProfile::KikuchiBand;
    // Brightening inside a band of the largest weight, relative to the background; bands of
    // smaller weight in proportion.
    double contrast = 0.25;
    // The dark lines just outside each band edge, as a fraction of the band's brightening.
    double edgeDarkening = 0.4;
    double blurPixels = 1.0;
    // How much brighter the background is at its brightest than in the corners.
    double backgroundVariation = 1.0;
    // Standard deviation of the noise, relative to the mean background.
    double noise = 0.05;
    std::uint32_t seed = 1;
};

// Intensities around 1 (the background's mean); never negative.
GreyImage syntheticPattern(const std::vector<Band>& bands, const Mat3d& orientation,
                           const SyntheticPatternOptions& options);

// A uniformly random orientation (from the seed, the same on every machine).
Mat3d randomOrientation(std::uint32_t seed);

// Gaussian noise of unit deviation and nothing else: an image that holds no pattern.
GreyImage noiseImage(int width, int height, std::uint32_t seed);

// 8-bit pixels of an image, `low` and `high` mapped to 0 and 255, as a file would hold them, and
// an image of such pixels.
std::vector<std::uint8_t> toBytes(const GreyImage& image, float low, float high);
GreyImage fromBytes(std::span<const std::uint8_t> bytes, int width, int height);

} // namespace tavrel::test
