#include "output/picture_file.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>

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

class PictureFileTest : public testing::Test {
protected:
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
    QByteArray contents(const char* name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    std::unique_ptr<PictureFile> open(const char* name) {
        auto file = openPictureFile(path(name), 120, 80, error);
        if (file) drawPattern(file->surface());
        return file;
    }
    QTemporaryDir dir;
    std::string error;
};

TEST_F(PictureFileTest, EveryFormatIsWrittenAndReadsBack) {
    for (const char* name : {"a.png", "a.BMP", "a.svg", "a.pdf"}) {
        auto file = open(name);
        ASSERT_TRUE(file && file->finish(error)) << name << ": " << error;
    }
    for (auto [name, magic] : {std::pair{"a.png", "\x89PNG"}, {"a.BMP", "BM"}}) {
        EXPECT_TRUE(contents(name).startsWith(magic)) << name;
        const QImage image(dir.filePath(name));
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
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(PictureFileTest, FailedOrAbandonedWritesKeepThePreviousFile) {
    for (const char* name : {"a.png", "a.svg", "a.pdf"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("previous") == 8);
        f.close();
        ASSERT_TRUE(open(name)) << error; // dropped before it was finished
        EXPECT_EQ(contents(name), "previous") << name;
    }
    // A folder that does not exist, and a "folder" that is a file.
    EXPECT_FALSE(openPictureFile(path("missing/a.pdf"), 50, 50, error));
    EXPECT_FALSE(openPictureFile(path("a.png/a.png"), 50, 50, error));
    EXPECT_EQ(contents("a.png"), "previous");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3);
    // A finished picture draws nothing more and cannot be finished twice.
    auto file = open("b.png");
    ASSERT_TRUE(file && file->finish(error)) << error;
    drawPattern(file->surface());
    EXPECT_FALSE(file->finish(error));
}

} // namespace
} // namespace tavrel
