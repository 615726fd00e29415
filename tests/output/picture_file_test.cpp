#include "output/picture_file.h"

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

#include <sys/stat.h>

#include <QImage>
#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <random>
#include <set>
#include <tuple>

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

// Short segments in colours at random, which no encoder packs much: a PNG of a few hundred
// kilobytes, more than any file buffer holds, so its encoder meets a failing device at once.
void drawNoise(DrawingSurface& s) {
    std::mt19937 random(7);
    for (std::int16_t y = 0; y < s.height(); ++y)
        for (std::int16_t x = 0; x < s.width(); x += 2) {
            const auto colour = static_cast<std::uint32_t>(random());
            s.setPen(Rgb{static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(colour >> 8),
                         static_cast<std::uint8_t>(colour >> 16)},
                     1, PenStyle::Solid);
            s.drawSegments(
                std::array<Segment, 1>{Segment{x, y, static_cast<std::int16_t>(x + 1), y}});
        }
}

// Every name in the folder as its bytes, hidden ones too.
std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().native());
    return names;
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
        auto file = openPictureFile(path(name), 120, 80, error);
        if (file) drawPattern(file->surface());
        return file;
    }
    test::TempDir dir;
    std::string error;
};

TEST_F(PictureFileTest, EveryFormatIsWrittenAndReadsBack) {
    for (const char* name : {"a.png", "a.BMP", "a.svg", "a.pdf"}) {
        auto file = open(name);
        ASSERT_TRUE(file && file->finish(error)) << name << ": " << error;
    }
    for (auto [name, magic] : {std::pair{"a.png", "\x89PNG"}, {"a.BMP", "BM"}}) {
        EXPECT_TRUE(contents(name).startsWith(magic)) << name;
        const QImage image(QString::fromStdString(path(name)));
        EXPECT_EQ(image.size(), QSize(120, 80));
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

TEST_F(PictureFileTest, UnknownFormatsAndSizesAreRefused) {
    for (const char* name : {"a.jpg", "a", "a.svg.txt"}) {
        EXPECT_FALSE(openPictureFile(path(name), 100, 100, error)) << name;
        EXPECT_NE(error.find(name), std::string::npos) << error;
    }
    EXPECT_FALSE(openPictureFile(path("a.png"), 0, 100, error));
    EXPECT_FALSE(openPictureFile(path("a.pdf"), 100, 40000, error));
    EXPECT_TRUE(namesIn(dir.path()).empty());
}

TEST_F(PictureFileTest, FailedOrAbandonedWritesKeepThePreviousFile) {
    for (const char* name : {"a.png", "a.svg", "a.pdf"}) {
        writePrevious(name);
        ASSERT_TRUE(open(name)) << error; // dropped before it was finished
        EXPECT_EQ(contents(name), "previous") << name;
    }
    // A folder that does not exist, and a "folder" that is a file.
    EXPECT_FALSE(openPictureFile(path("missing/a.pdf"), 50, 50, error));
    EXPECT_FALSE(openPictureFile(path("a.png/a.png"), 50, 50, error));
    EXPECT_EQ(contents("a.png"), "previous");
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"a.pdf", "a.png", "a.svg"}));
    // A finished picture draws nothing more and cannot be finished twice.
    auto file = open("b.png");
    ASSERT_TRUE(file && file->finish(error)) << error;
    drawPattern(file->surface());
    EXPECT_FALSE(file->finish(error));
}

TEST_F(PictureFileTest, AFullDiskKeepsThePreviousPictureAndPrintsNothing) {
    for (const char* name : {"a.png", "a.bmp", "a.svg", "a.pdf"}) {
        writePrevious(name);
        std::string printed;
        {
            const test::FileSizeLimit fullDisk(100);
            auto file = openPictureFile(path(name), 300, 200, error);
            ASSERT_TRUE(file) << error;
            drawNoise(file->surface());
            testing::internal::CaptureStderr();
            EXPECT_FALSE(file->finish(error)) << name;
            printed = testing::internal::GetCapturedStderr();
        }
        EXPECT_EQ(error, "\"" + path(name) + "\" cannot be written: File too large");
        EXPECT_EQ(printed, "") << name;
        EXPECT_EQ(contents(name), "previous") << name;
    }
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"a.bmp", "a.pdf", "a.png", "a.svg"}));
}

// A picture is written as every output file is; the shared writer's own tests go through the
// cases one by one, these make sure that pictures take that path.
TEST_F(PictureFileTest, PicturesFollowTheRulesOfEveryOutputFile) {
    // Through a link to its target, which keeps its permissions; the link stays.
    ASSERT_TRUE(std::filesystem::create_directory(path("sub")));
    writePrevious("sub/target.png");
    ASSERT_EQ(chmod(path("sub/target.png").c_str(), 0600), 0);
    std::filesystem::create_symlink("sub/target.png", path("link.png"));
    auto linked = open("link.png");
    ASSERT_TRUE(linked && linked->finish(error)) << error;
    EXPECT_TRUE(contents("sub/target.png").startsWith("\x89PNG"));
    EXPECT_TRUE(std::filesystem::is_symlink(path("link.png")));
    struct stat target {};
    ASSERT_EQ(stat(path("sub/target.png").c_str(), &target), 0);
    EXPECT_EQ(target.st_mode & 07777, 0600u);

    // Never onto a FIFO.
    ASSERT_EQ(mkfifo(path("fifo.svg").c_str(), 0644), 0);
    EXPECT_FALSE(openPictureFile(path("fifo.svg"), 50, 50, error));
    EXPECT_EQ(error, "\"" + path("fifo.svg") + "\" cannot be written: it is not a regular file");

    // Under exactly the bytes of its name, also where they are no UTF-8.
    const std::string bytes = "o\xff.png";
    auto odd = open(bytes);
    ASSERT_TRUE(odd && odd->finish(error)) << error;
    EXPECT_TRUE(contents(bytes).startsWith("\x89PNG"));
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"fifo.svg", "link.png", bytes, "sub"}));
}

// A name the user typed without an extension keeps it, written in the format asked for.
TEST_F(PictureFileTest, TheFormatCanBeGivenWhateverTheName) {
    for (auto [name, format, magic] : {std::tuple{"bitmap", PictureFormat::Bmp, "BM"},
                                       {"drawing", PictureFormat::Svg, "<?xml"},
                                       {"page.png", PictureFormat::Pdf, "%PDF"}}) {
        auto file = openPictureFile(path(name), format, 120, 80, error);
        ASSERT_TRUE(file) << error;
        drawPattern(file->surface());
        ASSERT_TRUE(file->finish(error)) << error;
        EXPECT_TRUE(contents(name).startsWith(magic)) << name;
    }
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"bitmap", "drawing", "page.png"}));
    EXPECT_EQ(QImage(QString::fromStdString(path("bitmap")), "BMP").size(), QSize(120, 80));
}

// The window's picture is written as it stands, through the same writer.
TEST_F(PictureFileTest, APictureAlreadyDrawnIsWrittenAsItStands) {
    QImage shown(90, 40, QImage::Format_RGB32);
    shown.fill(qRgb(10, 20, 30));
    shown.setPixel(5, 7, qRgb(255, 128, 0));
    for (auto [name, format] :
         {std::pair{"shown", PictureFormat::Png}, {"shown.x", PictureFormat::Bmp}}) {
        ASSERT_TRUE(writePictureImage(path(name), format, shown, error)) << error;
        const QImage back(QString::fromStdString(path(name)));
        EXPECT_EQ(back.size(), shown.size()) << name;
        EXPECT_EQ(back.pixel(5, 7), qRgb(255, 128, 0)) << name;
        EXPECT_EQ(back.pixel(6, 7), qRgb(10, 20, 30)) << name;
    }
    EXPECT_TRUE(contents("shown").startsWith("\x89PNG"));
    EXPECT_TRUE(contents("shown.x").startsWith("BM"));

    // Vector formats draw; a raster picture is no drawing. Nothing is written for either.
    writePrevious("old.svg");
    EXPECT_FALSE(writePictureImage(path("old.svg"), PictureFormat::Svg, shown, error));
    EXPECT_NE(error.find(path("old.svg")), std::string::npos) << error;
    EXPECT_FALSE(writePictureImage(path("none.png"), PictureFormat::Png, QImage(), error));
    EXPECT_EQ(contents("old.svg"), "previous");

    // A failed write names the file and the reason and keeps the previous file.
    writePrevious("full.png");
    {
        const test::FileSizeLimit fullDisk(100);
        QImage noise(200, 200, QImage::Format_RGB32);
        std::mt19937 random(3);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, static_cast<QRgb>(random()));
        EXPECT_FALSE(writePictureImage(path("full.png"), PictureFormat::Png, noise, error));
    }
    EXPECT_EQ(error, "\"" + path("full.png") + "\" cannot be written: File too large");
    EXPECT_EQ(contents("full.png"), "previous");
    EXPECT_EQ(namesIn(dir.path()),
              (std::set<std::string>{"full.png", "old.svg", "shown", "shown.x"}));
}

} // namespace
} // namespace tavrel
