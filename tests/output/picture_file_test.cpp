#include "output/picture_file.h"

#include "output/image_surface.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

#include <QImage>
#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <random>
#include <set>

namespace tavrel {
namespace {

// A small pattern: one orange cone segment, a filled pole and a label.
void drawPattern(DrawingSurface& s) {
    s.clear(Rgb{0, 0, 0});
    s.setPen(Rgb{255, 128, 0}, 1, PenStyle::Solid);
    s.drawSegments(std::array<Segment, 1>{Segment{10, 20, 60, 20}});
    s.drawCircle(40, 50, 4, true);
    s.drawText(5, 60, "1 1 1", Rgb{255, 255, 255});
}

// Short segments in random colours, which no encoder packs much: a file larger than any file
// buffer, so that the encoder meets the failing device at once.
void drawNoise(DrawingSurface& s) {
    std::mt19937 random(7);
    for (std::int16_t y = 0; y < s.height(); ++y)
        for (std::int16_t x = 0; x < s.width(); x += 2) {
            const auto c = static_cast<std::uint32_t>(random());
            s.setPen(Rgb{std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16)}, 1,
                     PenStyle::Solid);
            s.drawSegments(std::array{Segment{x, y, std::int16_t(x + 1), y}});
        }
}

// Files are named and read by their bytes: Qt 6 turns a name that is no UTF-8 into another.
class PictureFileTest : public testing::Test {
protected:
    std::string path(const std::string& name) const { return dir.file(name); }
    QByteArray contents(const std::string& name) const {
        return QByteArray::fromStdString(test::readFile(path(name)));
    }
    void writePrevious(const std::string& name) const { dir.write(name, "previous"); }
    std::unique_ptr<PictureFile> open(const std::string& name) {
        Result<std::unique_ptr<PictureFile>> file = openPictureFile(path(name), 120, 80);
        if (!file) {
            ADD_FAILURE() << name << ": " << file.problem();
            return nullptr;
        }
        drawPattern((*file)->surface());
        return std::move(*file);
    }
    test::TempDir dir;
};

TEST_F(PictureFileTest, EveryFormatIsWrittenAndReadsBack) {
    const std::string bytes = "o\xff.png"; // no UTF-8
    for (const std::string name : {"a.png", "a.BMP", "a.svg", "a.pdf", bytes.c_str()}) {
        auto file = open(name);
        ASSERT_TRUE(file);
        const Outcome finished = file->finish();
        ASSERT_TRUE(finished) << name << ": " << finished.problem();
    }
    EXPECT_TRUE(contents(bytes).startsWith("\x89PNG")); // under exactly the bytes of its name
    for (auto [name, magic] : {std::pair{"a.png", "\x89PNG"}, {"a.BMP", "BM"}}) {
        EXPECT_TRUE(contents(name).startsWith(magic)) << name;
        const QImage image(QString::fromStdString(path(name)));
        EXPECT_EQ(image.size(), QSize(120, 80)) << name;
        EXPECT_EQ(image.pixel(30, 20), qRgb(255, 128, 0)) << name;
        EXPECT_EQ(image.pixel(30, 21), qRgb(0, 0, 0)) << name;
    }
    // SVG keeps the segment as a vector line in its colour.
    const QByteArray svg = contents("a.svg");
    EXPECT_TRUE(svg.contains("viewBox=\"0 0 120 80\"") && svg.contains("stroke=\"#ff8000\""));
    EXPECT_TRUE(svg.contains("<polyline") || svg.contains("<line")) << svg.constData();
    EXPECT_TRUE(svg.contains("1 1 1") && !svg.contains("<image"));
    // PDF: a page of 1.25 x 0.83 inches at 96 units per inch, in points.
    const QByteArray pdf = contents("a.pdf");
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_TRUE(
        QString(pdf).contains(QRegularExpression(R"(/MediaBox \[0 0 90(\.0*)? 60(\.0*)?\])")));
}

TEST_F(PictureFileTest, FailedOrAbandonedWritesKeepThePreviousFile) {
    for (const char* name : {"a.png", "a.svg", "a.pdf"}) {
        writePrevious(name);
        ASSERT_TRUE(open(name)); // dropped before it was finished
        EXPECT_EQ(contents(name), "previous") << name;
    }
    // A folder that does not exist, and a "folder" that is a file.
    EXPECT_FALSE(openPictureFile(path("missing/a.pdf"), 50, 50));
    EXPECT_FALSE(openPictureFile(path("a.png/a.png"), 50, 50));
    EXPECT_EQ(contents("a.png"), "previous");
    EXPECT_EQ(test::namesIn(dir.path()), (std::set<std::string>{"a.pdf", "a.png", "a.svg"}));
}

TEST_F(PictureFileTest, AFullDiskKeepsThePreviousPictureAndPrintsNothing) {
    for (const char* name : {"a.png", "a.bmp", "a.svg", "a.pdf"}) {
        writePrevious(name);
        std::string printed, problem;
        {
            const test::FileSizeLimit fullDisk(100);
            auto file = openPictureFile(path(name), 300, 200);
            ASSERT_TRUE(file) << file.problem();
            drawNoise((*file)->surface());
            testing::internal::CaptureStderr();
            problem = (*file)->finish().problem();
            printed = testing::internal::GetCapturedStderr();
        }
        EXPECT_EQ(problem, "\"" + path(name) + "\" cannot be written: File too large");
        EXPECT_EQ(printed, "") << name;
        EXPECT_EQ(contents(name), "previous") << name;
    }
    // The window's picture, written as it stands, the same.
    writePrevious("shown.png");
    std::string problem;
    {
        ImageSurface noise(200, 200);
        drawNoise(noise);
        const test::FileSizeLimit fullDisk(100);
        problem = writePictureImage(path("shown.png"), PictureFormat::Png, noise.image()).problem();
    }
    EXPECT_EQ(problem, "\"" + path("shown.png") + "\" cannot be written: File too large");
    EXPECT_EQ(contents("shown.png"), "previous");
    EXPECT_EQ(test::namesIn(dir.path()),
              (std::set<std::string>{"a.bmp", "a.pdf", "a.png", "a.svg", "shown.png"}));
}

} // namespace
} // namespace tavrel
