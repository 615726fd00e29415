#pragma once
// A recorded pattern as a grey image of floats, and the filters matching and showing it use:
// blurs that respect the image's valid pixels, resampling, normalisation. Contrast and
// brightness for showing the image are the window's business.
//
// Pixel coordinates are continuous: pixel (i, j) covers [i, i + 1) x [j, j + 1) from the top
// left corner, its centre lies at (i + 0.5, j + 0.5).

#include "common/result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tavrel::fit {

struct GreyImage {
    int width = 0, height = 0;
    std::vector<float> pixels; // row-major, width * height
    // Empty: every pixel is valid. Otherwise 1 for a pixel that holds pattern and 0 for one
    // outside it (the dark corners around a round detector, where flattening finds no light).
    std::vector<std::uint8_t> valid;

    bool empty() const { return pixels.empty(); }
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x);
    }
    float at(int x, int y) const { return pixels[index(x, y)]; }
    bool isValid(int x, int y) const { return valid.empty() || valid[index(x, y)] != 0; }
    std::size_t validCount() const;
};

// The image of a loaded file's 16-bit pixels, row after row, `stride` values from one row's
// start to the next (0: the width). A size below 16 x 16 pixels or a buffer too small for it is
// a problem.
Result<GreyImage> greyImageFrom16Bit(std::span<const std::uint16_t> pixels, int width, int height,
                                     int stride = 0);

// The image blurred by `passes` box filters of half-width `radius` (three approximate a
// Gaussian of sigma sqrt(radius * (radius + 1))). Only valid pixels contribute, and each output
// pixel is the mean of the valid pixels its window reaches, so neither the border nor the
// invalid pixels darken what lies near them.
GreyImage boxBlurred(const GreyImage& image, int radius, int passes = 3);
// The same with the radius chosen for a Gaussian of about `sigma` pixels.
GreyImage gaussianBlurred(const GreyImage& image, double sigma);

// Background flattening for showing an image: each pixel divided by the image blurred over
// `blurFraction` of its shorter side, minus one. Pixels whose background is not positive become
// invalid.
GreyImage flattenedBackground(const GreyImage& image, double blurFraction = 0.08);

// Zero mean and unit variance over the valid pixels; invalid pixels are set to 0. Returns
// false (and sets every pixel to 0) when the valid pixels hold no contrast at all.
bool normalise(GreyImage& image);

// The image shrunk by a whole factor, each output pixel the mean of the valid pixels of its
// factor x factor block (valid when at least half of them are).
GreyImage downsampled(const GreyImage& image, int factor);

// The image resampled to width x height by area: each output pixel the mean of the valid input
// area it covers (valid when at least half of it is).
GreyImage resampled(const GreyImage& image, int width, int height);

} // namespace tavrel::fit
