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

// Shrinking by a whole factor averages each block of valid pixels; resampling by area to any
// size averages what each output pixel covers, leaves out invalid pixels, and keeps a ramp's
// values at the output pixels' centres.
TEST(GreyImage, DownsamplingAndResampling) {
    GreyImage image = filled(32, 32, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) image.pixels[image.index(x, y)] = static_cast<float>(x);
    const GreyImage half = downsampled(image, 2);
    EXPECT_EQ(half.width, 16);
    EXPECT_FLOAT_EQ(half.at(3, 7), 6.5f);
    for (const int w : {20, 12, 7}) {
        const GreyImage r = resampled(image, w, 9);
        ASSERT_EQ(r.pixels.size(), static_cast<std::size_t>(w * 9));
        for (int x = 0; x < w; ++x)
            EXPECT_NEAR(r.at(x, 4), (x + 0.5) * 32.0 / w - 0.5, 0.15) << w << " " << x;
    }
    image.valid.assign(image.pixels.size(), 1);
    image.pixels[0] = 1000;
    image.valid[0] = 0;
    const GreyImage r = resampled(image, 16, 16);
    EXPECT_FLOAT_EQ(r.at(0, 0), (1 + 0 + 1) / 3.0f); // the other three pixels of its block
    EXPECT_TRUE(r.isValid(0, 0));
}

} // namespace
} // namespace tavrel::fit
