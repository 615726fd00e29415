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

constexpr Rgb kBackground{0, 0, 0};
constexpr Rgb kOrange{255, 128, 0};

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// A small pattern: one orange cone segment, a filled pole and a label.
void drawPattern(DrawingSurface& s) {
    s.clear(kBackground);
    s.setPen(kOrange, 1, PenStyle::Solid);
    s.drawSegments(std::array<Segment, 1>{Segment{10, 20, 60, 20}});
    s.drawCircle(40, 50, 4, true);
    s.setTextSize(8);
    s.drawText(5, 60, "1 1 1", Rgb{255, 255, 255});
}

class PictureFileTest : public testing::Test {
protected:
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
    QTemporaryDir dir;
    std::string error;
};

TEST_F(PictureFileTest, RasterFilesReadBackWithTheirPixels) {
    for (const char* name : {"pattern.png", "pattern.BMP"}) {
        auto file = openPictureFile(path(name), 120, 80, error);
        ASSERT_TRUE(file) << error;
        EXPECT_EQ(file->width(), 120);
        drawPattern(*file);
        ASSERT_TRUE(file->finish(error)) << error;
        QImage image;
        ASSERT_TRUE(image.load(QString::fromStdString(path(name)))) << name;
        EXPECT_EQ(image.size(), QSize(120, 80));
        EXPECT_EQ(image.pixel(30, 20), qRgb(255, 128, 0)) << name;
        EXPECT_EQ(image.pixel(30, 21), qRgb(0, 0, 0)) << name;
        EXPECT_EQ(image.pixel(40, 50), qRgb(255, 128, 0)) << name;
    }
    EXPECT_TRUE(contents(dir.filePath("pattern.BMP")).startsWith("BM"));
}

TEST_F(PictureFileTest, SvgKeepsSegmentsAsVectorLinesInTheirColour) {
    auto file = openPictureFile(path("pattern.svg"), 120, 80, error);
    ASSERT_TRUE(file) << error;
    drawPattern(*file);
    ASSERT_TRUE(file->finish(error)) << error;
    const QByteArray svg = contents(dir.filePath("pattern.svg"));
    EXPECT_TRUE(svg.contains("<svg"));
    EXPECT_TRUE(svg.contains("viewBox=\"0 0 120 80\""));
    EXPECT_TRUE(svg.contains("stroke=\"#ff8000\""));
    EXPECT_TRUE(svg.contains("<polyline") || svg.contains("<line")) << svg.constData();
    EXPECT_TRUE(svg.contains("1 1 1"));
    EXPECT_FALSE(svg.contains("<image"));
}

TEST_F(PictureFileTest, PdfIsWrittenWithAPageOfThePictureSize) {
    auto file = openPictureFile(path("pattern.pdf"), 960, 480, error);
    ASSERT_TRUE(file) << error;
    drawPattern(*file);
    ASSERT_TRUE(file->finish(error)) << error;
    const QByteArray pdf = contents(dir.filePath("pattern.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    // 10 x 5 inches at 96 units per inch, in points.
    EXPECT_TRUE(QRegularExpression(R"(/MediaBox \[0 0 720(\.0*)? 360(\.0*)?\])")
                    .match(QString::fromLatin1(pdf))
                    .hasMatch());
}

TEST_F(PictureFileTest, UnknownFormatsAndSizesAreRefused) {
    for (const char* name : {"pattern.jpg", "pattern", "pattern.svg.txt"}) {
        error.clear();
        EXPECT_FALSE(openPictureFile(path(name), 100, 100, error)) << name;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(openPictureFile(path("a.png"), 0, 100, error));
    EXPECT_FALSE(openPictureFile(path("a.pdf"), 100, 40000, error));
    EXPECT_TRUE(dir.isValid());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);
}

TEST_F(PictureFileTest, FailedOrAbandonedWritesKeepThePreviousFile) {
    const QString good = dir.filePath("good.png");
    writeFile(good, "previous picture");

    // An image that cannot be encoded in the asked format.
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    EXPECT_FALSE(saveImage(image, good.toStdString(), "NO-SUCH-FORMAT", error));
    EXPECT_FALSE(saveImage(QImage(), good.toStdString(), "PNG", error));
    EXPECT_EQ(contents(good), "previous picture");

    // Pictures dropped before they were finished.
    for (const char* name : {"good.png", "good.svg", "good.pdf"}) {
        const QString p = dir.filePath(name);
        writeFile(p, "previous picture");
        auto file = openPictureFile(p.toStdString(), 50, 50, error);
        ASSERT_TRUE(file) << error;
        drawPattern(*file);
        file.reset();
        EXPECT_EQ(contents(p), "previous picture") << name;
    }

    // A folder that does not exist, and a "folder" that is a file.
    EXPECT_FALSE(openPictureFile(path("missing/pattern.pdf"), 50, 50, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(openPictureFile(path("good.png/pattern.png"), 50, 50, error));
    EXPECT_FALSE(saveImage(image, path("good.png/pattern.bmp"), "BMP", error));
    EXPECT_EQ(contents(good), "previous picture");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3);
}

TEST_F(PictureFileTest, FinishingTwiceFailsAndLaterDrawingIsIgnored) {
    auto file = openPictureFile(path("twice.svg"), 50, 50, error);
    ASSERT_TRUE(file);
    drawPattern(*file);
    ASSERT_TRUE(file->finish(error));
    const QByteArray written = contents(dir.filePath("twice.svg"));
    drawPattern(*file);
    EXPECT_FALSE(file->finish(error));
    EXPECT_EQ(contents(dir.filePath("twice.svg")), written);
}

TEST_F(PictureFileTest, SaveImageUsesThePathAsTyped) {
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString typed = dir.filePath("picture");
    ASSERT_TRUE(saveImage(image, typed.toStdString(), "BMP", error)) << error;
    EXPECT_TRUE(contents(typed).startsWith("BM"));
    EXPECT_FALSE(QFile::exists(typed + ".bmp"));
    ASSERT_TRUE(saveImage(image, typed.toStdString(), "BMP", error)); // replaces it
    QImage back;
    ASSERT_TRUE(back.load(typed, "BMP"));
    EXPECT_EQ(back.pixel(5, 5), qRgb(255, 0, 0));
}

} // namespace
} // namespace tavrel
