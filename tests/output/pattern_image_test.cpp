#include "output/pattern_image.h"

#include "support/temp_dir.h"

#include <QImage>

#include <gtest/gtest.h>

#include <tiffio.h>

#include <cmath>
#include <cstring>

namespace tavrel {
namespace {

using test::readFile;
using test::TempDir;

// A grey ramp of 8-bit values, v(x, y) = 3x + 5y.
int rampValue(int x, int y) {
    return (3 * x + 5 * y) % 256;
}

QImage ramp(int width, int height, QImage::Format format = QImage::Format_Grayscale8) {
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.scanLine(y)[x] = static_cast<uchar>(rampValue(x, y));
    return image.convertToFormat(format);
}

// A 40 x 24 grey ramp TIFF that libtiff writes: 8 or 16 unsigned bits or 32-bit floats (or
// 32-bit integers, which are refused), in strips or in tiles of 16 x 16.
std::string writeTiff(const TempDir& dir, const std::string& name, int bits, bool real,
                      bool tiled = false) {
    const std::uint32_t width = 40, height = 24, side = 16;
    const std::size_t bytes = static_cast<std::size_t>(bits / 8);
    // The samples of a 48 x 32 area, which covers the tiles.
    std::vector<unsigned char> samples(48 * 32 * bytes);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x) {
            const int v = rampValue(std::min(x, 39), std::min(y, 23));
            const float f = static_cast<float>(v * 257);
            const auto s = static_cast<std::uint16_t>(v * 257);
            const auto u = static_cast<unsigned char>(v);
            const auto i = static_cast<std::uint32_t>(v);
            const void* from = real         ? static_cast<const void*>(&f)
                               : bits == 32 ? static_cast<const void*>(&i)
                               : bits == 16 ? static_cast<const void*>(&s)
                                            : static_cast<const void*>(&u);
            std::memcpy(samples.data() + static_cast<std::size_t>(y * 48 + x) * bytes, from, bytes);
        }
    const std::string path = dir.file(name);
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, real ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    if (tiled) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, side);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, side);
        std::vector<unsigned char> tile(side * side * bytes);
        for (std::uint32_t top = 0; top < height; top += side)
            for (std::uint32_t left = 0; left < width; left += side) {
                for (std::uint32_t y = 0; y < side; ++y)
                    std::memcpy(tile.data() + y * side * bytes,
                                samples.data() + ((top + y) * 48 + left) * bytes, side * bytes);
                TIFFWriteTile(tiff, tile.data(), left, top, 0, 0);
            }
    } else {
        for (std::uint32_t y = 0; y < height; ++y)
            TIFFWriteScanline(tiff, samples.data() + y * 48 * bytes, y, 0);
    }
    TIFFClose(tiff);
    return path;
}

// Every format and depth gives the same grey values, 8-bit ones scaled to 16 bits.
TEST(PatternImage, FormatsAndDepthsReadAlike) {
    TempDir dir;
    std::vector<std::pair<std::string, double>> files; // path, tolerance
    for (const auto& [name, format] : std::vector<std::pair<std::string, QImage::Format>>{
             {"g8.png", QImage::Format_Grayscale8},
             {"g16.png", QImage::Format_Grayscale16},
             {"g8.bmp", QImage::Format_Grayscale8},
             {"rgb.png", QImage::Format_RGB32}}) {
        ASSERT_TRUE(ramp(40, 24, format).save(QString::fromStdString(dir.file(name))));
        // Qt takes colour (and a BMP's palette) to grey through the sRGB curve.
        files.emplace_back(dir.file(name),
                           format == QImage::Format_RGB32 || name == "g8.bmp" ? 128 : 0);
    }
    files.emplace_back(dir.file("g.jpg"), 6 * 257);
    ASSERT_TRUE(ramp(40, 24).save(QString::fromStdString(dir.file("g.jpg")), nullptr, 100));
    files.emplace_back(writeTiff(dir, "u8.tif", 8, false), 0);
    files.emplace_back(writeTiff(dir, "u16.tif", 16, false), 0);
    files.emplace_back(writeTiff(dir, "f32.tif", 32, true), 0);
    files.emplace_back(writeTiff(dir, "f32tiled.tif", 32, true, true), 0);
    for (const auto& [path, tolerance] : files) {
        testing::internal::CaptureStderr();
        const Result<fit::GreyImage> grey = readPatternImage(path);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << path;
        ASSERT_TRUE(grey) << grey.problem();
        ASSERT_EQ(std::pair(grey->width, grey->height), std::pair(40, 24)) << path;
        double worst = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 40; ++x)
                worst = std::max(worst, std::fabs(grey->at(x, y) - rampValue(x, y) * 257.0));
        EXPECT_LE(worst, tolerance) << path;
    }
}

// A large picture is read scaled down to at most 1024 pixels a side, each pixel the mean of its
// area and the extent kept; one beyond the limits is refused before it is decoded.
TEST(PatternImage, LargePicturesAreReadScaledDownOrRefused) {
    TempDir dir;
    // Columns alternate between 0 and 200 (8 bits): every mean over whole pairs is 100.
    QImage stripes(2100, 1300, QImage::Format_Grayscale8);
    for (int y = 0; y < stripes.height(); ++y)
        for (int x = 0; x < stripes.width(); ++x) stripes.scanLine(y)[x] = x % 2 ? 200 : 0;
    for (const char* name : {"big.png", "big.bmp", "big.jpg"}) {
        ASSERT_TRUE(stripes.save(QString::fromStdString(dir.file(name)), nullptr, 100));
        const Result<fit::GreyImage> grey = readPatternImage(dir.file(name));
        ASSERT_TRUE(grey) << grey.problem();
        EXPECT_EQ(grey->width, 1024) << name;
        EXPECT_NEAR(grey->height, 634, 1) << name; // JPEG is scaled by Qt's rounding
        double sum = 0;
        for (float v : grey->pixels) sum += v;
        EXPECT_NEAR(sum / static_cast<double>(grey->pixels.size()), 100 * 257, 2 * 257) << name;
    }

    // Headers that declare more than is taken, with nothing behind them.
    auto big32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 8), static_cast<char>(v)};
    };
    auto chunk = [&](const std::string& typeAndData) {
        std::uint32_t crc = 0xFFFFFFFFu;
        for (const char c : typeAndData) {
            crc ^= static_cast<unsigned char>(c);
            for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
        }
        return big32(static_cast<std::uint32_t>(typeAndData.size() - 4)) + typeAndData +
               big32(~crc);
    };
    // 16000 x 16000 pixels of 8-bit grey, and an empty IDAT.
    const std::string png =
        std::string("\x89PNG\r\n\x1a\n", 8) +
        chunk("IHDR" + big32(16000) + big32(16000) + std::string("\x08\0\0\0\0", 5)) +
        chunk("IDAT") + chunk("IEND");
    std::string bmp = "BM" + std::string(52, '\0');
    bmp[10] = 54, bmp[14] = 40, bmp[26] = 1, bmp[28] = 24;
    for (const auto& [i, v] : {std::pair{18, 9000}, std::pair{22, 9000}})
        std::memcpy(bmp.data() + i, &v, 4);
    const struct {
        std::string name, content, said;
    } kRefused[] = {
        {"huge.png", png, "declares 16000 x 16000 pixels, more than a pattern image may hold"},
        {"huge.bmp", bmp, "declares 9000 x 9000 pixels, more than 40 megapixels"},
        {"cut.png", readFile(dir.file("big.png")).substr(0, 3000), "cannot be decoded"},
        {"i32.tif", readFile(writeTiff(dir, "i32.tif", 32, false)), "32-bit integers"},
    };
    for (const auto& c : kRefused) {
        testing::internal::CaptureStderr();
        const Result<fit::GreyImage> grey = readPatternImage(dir.write(c.name, c.content));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.name;
        EXPECT_TRUE(grey.problem().starts_with("\"" + dir.file(c.name) + "\" ")) << grey.problem();
        EXPECT_NE(grey.problem().find(c.said), std::string::npos) << grey.problem();
    }
}

} // namespace
} // namespace tavrel
