#include "fit/grey_image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace tavrel::fit {
namespace {

GreyImage filled(int w, int h, float value) {
    GreyImage image;
    image.width = w;
    image.height = h;
    image.pixels.assign(static_cast<std::size_t>(w * h), value);
    return image;
}

// Pixels come from a file's 16-bit buffer with a row stride; what cannot be an image is a
// problem that says why.
TEST(GreyImage, PixelsFromALoadedBuffer) {
    std::vector<std::uint16_t> words(20 * 16, 0);
    words[20 * 3 + 5] = 60000; // row 3, column 5; the four columns past 16 are padding
    const auto image = greyImageFrom16Bit(words, 16, 16, 20);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->at(5, 3), 60000.0f);
    EXPECT_EQ(image->at(4, 3), 0.0f);
    EXPECT_TRUE(image->valid.empty());

    EXPECT_NE(greyImageFrom16Bit(words, 8, 40).problem().find("8 x 40"), std::string::npos);
    EXPECT_FALSE(greyImageFrom16Bit(words, 20, 17));     // buffer too short
    EXPECT_FALSE(greyImageFrom16Bit(words, 18, 16, 17)); // stride below width
}

// The blur averages only valid pixels, so neither the border nor a hole darkens what lies
// near it; three box passes of half-width r spread a point with the variance r (r + 1).
TEST(GreyImage, BlurIgnoresInvalidPixelsAndHasTheGaussianSpread) {
    GreyImage image = filled(40, 30, 5.0f);
    image.valid.assign(image.pixels.size(), 1);
    for (int x = 10; x < 20; ++x) {
        image.valid[image.index(x, 12)] = 0;
        image.pixels[image.index(x, 12)] = 0;
    }
    const GreyImage blurred = boxBlurred(image, 4);
    for (float v : blurred.pixels) EXPECT_NEAR(v, 5.0f, 1e-4);

    GreyImage point = filled(61, 61, 0);
    point.pixels[point.index(30, 30)] = 1;
    const GreyImage spread = boxBlurred(point, 3);
    double total = 0, variance = 0;
    for (int x = 0; x < 61; ++x) {
        double column = 0;
        for (int y = 0; y < 61; ++y) column += spread.at(x, y);
        total += column;
        variance += column * (x - 30) * (x - 30);
    }
    EXPECT_NEAR(total, 1.0, 1e-6);
    EXPECT_NEAR(variance, 3 * 4, 1e-6);
}

// Flattening takes the uneven background out: a faint stripe reads the same after preparation
// on the bright side of the image as on the dark side, and the prepared image has zero mean
// and unit deviation. An image without contrast holds no pattern.
TEST(GreyImage, PreparationFlattensTheBackgroundAndNormalises) {
    GreyImage image = filled(120, 80, 0);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x) {
            const double background = 20 + 200.0 * x / 120; // ten times brighter on the right
            const bool stripe = y >= 38 && y < 42;
            image.pixels[image.index(x, y)] = static_cast<float>(background * (stripe ? 1.1 : 1.0));
        }
    const auto prepared = prepareForFitting(image);
    ASSERT_TRUE(prepared);
    const double left = prepared->at(20, 40) - prepared->at(20, 20);
    const double right = prepared->at(100, 40) - prepared->at(100, 20);
    EXPECT_GT(left, 1.0);
    EXPECT_NEAR(right / left, 1.0, 0.1);
    const double mean =
        std::accumulate(prepared->pixels.begin(), prepared->pixels.end(), 0.0) / 9600;
    double squares = 0;
    for (float v : prepared->pixels) squares += (v - mean) * (v - mean);
    EXPECT_NEAR(mean, 0, 1e-5);
    EXPECT_NEAR(squares / 9600, 1, 1e-4);

    const auto blank = prepareForFitting(filled(64, 64, 77));
    EXPECT_FALSE(blank);
    EXPECT_NE(blank.problem().find("no contrast"), std::string::npos);
}

// Shrinking averages each block of valid pixels; bilinear sampling meets the pixel values at
// their centres and lies between them elsewhere.
TEST(GreyImage, DownsamplingAndBilinearSampling) {
    GreyImage image = filled(32, 32, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) image.pixels[image.index(x, y)] = static_cast<float>(x);
    const GreyImage half = downsampled(image, 2);
    EXPECT_EQ(half.width, 16);
    EXPECT_FLOAT_EQ(half.at(3, 7), 6.5f);
    EXPECT_FLOAT_EQ(sampleBilinear(image, 4.5, 9.5), 4.0f);
    EXPECT_FLOAT_EQ(sampleBilinear(image, 5.25, 2.0), 4.75f);
    EXPECT_FLOAT_EQ(sampleBilinear(image, 0.1, 0.1), 0.0f); // held at the border
}

} // namespace
} // namespace tavrel::fit
