// Pictures leaving the window: the clipboard, picture files and the printed page.
#include "common/file_io.h"
#include "support/comma_locale.h"
#include "support/file_size_limit.h"
#include "ui/picture_export.h"
#include "ui/printing.h"
#include "window_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegion>
#include <QRegularExpression>
#include <QStandardPaths>

namespace tavrel::test {
namespace {

QString collapsed(QString text) {
    return text.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" ")).trimmed();
}

// Standard output of a poppler tool; empty when it fails.
QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
    return process.readAllStandardOutput();
}

// Dark pixels within the fractions [x0, x1) x [y0, y1) of the page.
int inkWithin(const QImage& page, double x0, double x1, double y0, double y1) {
    int ink = 0;
    for (int y = int(y0 * page.height()); y < int(y1 * page.height()); ++y)
        for (int x = int(x0 * page.width()); x < int(x1 * page.width()); ++x)
            if (qGray(page.pixel(x, y)) < 200) ++ink;
    return ink;
}

struct PicturesTest : WindowTest {
    ui::PictureExport& pictureExport = *part<ui::PictureExport>(w);
    QString imageFile(const char* name) const { return c.folders().image + "/" + name; }
    QByteArray contents(const QString& path) const {
        return QByteArray::fromStdString(readFile(path.toStdString()));
    }
    void saveImageAs(const QString& path, int filter) {
        runWithFile("actionSaveImage", path, filter);
    }
};

TEST_F(PicturesTest, CopyPutsTheCanvasPictureOnTheClipboardButNothingBeforeASimulation) {
    QGuiApplication::clipboard()->clear();
    action("actionCopy")->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), canvas->size());
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32),
              canvas->picture().convertToFormat(QImage::Format_RGB32));

    action("actionNew")->trigger();
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    // The commands are grey; reached all the same, they say why nothing happens.
    EXPECT_FALSE(action("actionCopy")->isEnabled());
    pictureExport.copyPicture();
    pictureExport.saveImage();
    EXPECT_EQ(dialogs.informations,
              (std::vector<QString>{"Tavrel/Morwen: no data", "Tavrel/Morwen: no data"}));
    EXPECT_TRUE(dialogs.saveRequests.empty()) << "no dialog without a picture";
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
}

TEST_F(PicturesTest, SaveImageWritesEveryFormatUnderTheNameGiven) {
    saveImageAs(imageFile("shot.bmp"), 0);
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_FALSE(dialogs.saveRequests[0].addSuffix) << "a name without extension stays as typed";
    const QImage screen = canvas->picture().convertToFormat(QImage::Format_RGB32);
    const QImage bmp(imageFile("shot.bmp"));
    EXPECT_EQ(bmp.size(), canvas->size());
    EXPECT_EQ(bmp.convertToFormat(QImage::Format_RGB32), screen);
    saveImageAs(imageFile("shot.png"), 1);
    EXPECT_EQ(QImage(imageFile("shot.png")).convertToFormat(QImage::Format_RGB32), screen);

    // Names without extension keep their name and take the chosen filter's format.
    saveImageAs(imageFile("plain"), 0);
    saveImageAs(imageFile("drawing"), 2);
    saveImageAs(imageFile("page"), 3);
    EXPECT_EQ(QImage(imageFile("plain"), "BMP").size(), canvas->size());
    // SVG and PDF are drawn again as vectors at the canvas's size.
    const QByteArray svg = contents(imageFile("drawing"));
    EXPECT_TRUE(svg.contains(QStringLiteral("viewBox=\"0 0 %1 %2\"")
                                 .arg(canvas->width())
                                 .arg(canvas->height())
                                 .toUtf8()));
    EXPECT_FALSE(svg.contains("<image"));
    EXPECT_TRUE(contents(imageFile("page")).startsWith("%PDF"));
    // A known extension wins over the filter: a ".png" never holds a bitmap.
    saveImageAs(imageFile("other.png"), 0);
    EXPECT_TRUE(contents(imageFile("other.png")).startsWith("\x89PNG"));
    for (const char* name : {"plain", "drawing", "page"})
        EXPECT_FALSE(QFileInfo::exists(imageFile(name) + ".bmp")) << name;
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PicturesTest, AFailedSaveSaysWhyAndKeepsTheOldFile) {
    const QString folder = c.folders().image + "/closed";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QStringList names{"/old.bmp", "/old.svg"};
    for (const QString& name : names)
        ASSERT_TRUE(writeFileAtomically((folder + name).toStdString(), "previous"));
    ASSERT_EQ(chmod(folder.toLocal8Bit().constData(), 0555), 0);
    // Root may write into any folder, so the saves run as a user who owns nothing here.
    const bool asUser = geteuid() == 0 && seteuid(65534) == 0;
    saveImageAs(folder + names[0], 0); // raster
    saveImageAs(folder + names[1], 2); // vector
    if (asUser) (void)seteuid(0);
    chmod(folder.toLocal8Bit().constData(), 0755);
    ASSERT_EQ(dialogs.errors.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const QString& shown = dialogs.errors[std::size_t(i)];
        const QString named = "Tavrel/Morwen: \"" + folder + names[i] + "\" cannot be written: ";
        EXPECT_TRUE(shown.startsWith(named) && shown.size() > named.size()) << shown.toStdString();
        EXPECT_EQ(contents(folder + names[i]), "previous");
    }
}

TEST_F(PicturesTest, ToolbarPrintWritesOnlyAFileNamedThereAndThen) {
    if (!QPrinterInfo::defaultPrinterName().isEmpty()) GTEST_SKIP() << "a printer is set up";
    // Without a printer the toolbar's Print asks where to print; cancelled, nothing happens.
    const QString pdf = QString::fromStdString(installation.program.file("page.pdf"));
    action("actionPrintDirect")->trigger();
    EXPECT_EQ(dialogs.printerDialogs, 1);
    EXPECT_TRUE(dialogs.errors.empty()) << "no \"\" cannot be written";
    EXPECT_FALSE(QFileInfo::exists(pdf));

    // A page once printed into a file is never replaced by the toolbar without the dialog.
    dialogs.pdfPath = pdf;
    action("actionPrint")->trigger();
    ASSERT_TRUE(QFileInfo::exists(pdf));
    ASSERT_TRUE(writeFileAtomically(pdf.toStdString(), "kept"));
    dialogs.pdfPath.clear();
    action("actionPrintDirect")->trigger();
    EXPECT_EQ(dialogs.printerDialogs, 3);
    EXPECT_EQ(contents(pdf), "kept");
    dialogs.pdfPath = pdf;
    action("actionPrintDirect")->trigger();
    EXPECT_TRUE(contents(pdf).startsWith("%PDF")) << "named in the dialog again";
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(PageTexts, CellLineAndStamp) {
    // A blank stands where a minus sign would; each wavelength only while it is in use.
    const CommaLocale comma; // numbers keep their point in every locale
    PatternDocument document;
    document.cell.values = {2.866f, 5.0f, 12.25f, 90.0f, -101.79f, 120.0f};
    document.spaceGroupText = "229: I m 3 m";
    document.wavelength = {0.0f, 0.025358f};
    EXPECT_EQ(ui::cellText(document),
              "Cell:  2.866  5  12.25  90 -101.79  120   (229: I m 3 m),   WL(2) = 0.0254");
    document.wavelength = {0.0f, 0.0f};
    EXPECT_EQ(ui::cellText(document), "Cell:  2.866  5  12.25  90 -101.79  120   (229: I m 3 m)");

    // The system's short format, but the year with four digits and no seconds.
    const QDateTime when(QDate(2024, 3, 7), QTime(14, 5, 9));
    EXPECT_EQ(ui::stampText(when, QLocale(QLocale::German, QLocale::Germany)),
              "Quorvex (07.03.2024, 14:05)");
}

struct PrintTest : PicturesTest {
    void SetUp() override {
        for (const char* tool : {"pdftotext", "pdftoppm"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " (poppler-utils) is missing";
        dialogs.pdfPath = QString::fromStdString(installation.program.file("page.pdf"));
    }
    QString printedText() {
        action("actionPrint")->trigger();
        EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
        return collapsed(QString::fromUtf8(run("pdftotext", {dialogs.pdfPath, "-"})));
    }
};

TEST_F(PrintTest, ThePageCarriesTheFourTextsAndThePatternCoversIt) {
    QString text = printedText();
    const QString stamp = ui::stampText(QDateTime::currentDateTime(), QLocale::system());
    EXPECT_TRUE(text.contains("Gnomonic Projection")) << text.toStdString();
    EXPECT_TRUE(text.contains(stamp.left(stamp.indexOf(", ")))) << text.toStdString();
    EXPECT_TRUE(text.contains(
        collapsed(QStringLiteral("Cell:  2.866  2.866  2.866  90  90  90   (%1),   WL(1) = 1.9361")
                      .arg(QString::fromStdString(c.simulation().document.spaceGroupText)))))
        << text.toStdString();
    EXPECT_FALSE(text.contains("WL(2)")) << "wavelength 2 is 0";
    EXPECT_TRUE(text.contains("Iron (Fe)"));

    // Lines reach every edge of the page, beside the texts in the corners; the paper is white,
    // not the screen's black. Without antialiasing every line darkens its pixels.
    const QString prefix = QString::fromStdString(installation.program.file("page"));
    run("pdftoppm",
        {"-r", "40", "-gray", "-aaVector", "no", "-singlefile", dialogs.pdfPath, prefix});
    const QImage page(prefix + ".pgm");
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(page.height(), page.width()) << "a portrait page";
    EXPECT_GT(inkWithin(page, 0.0, 0.04, 0.1, 0.9), 0) << "left";
    EXPECT_GT(inkWithin(page, 0.96, 1.0, 0.1, 0.9), 0) << "right";
    EXPECT_GT(inkWithin(page, 0.1, 0.9, 0.02, 0.06), 0) << "top";
    EXPECT_GT(inkWithin(page, 0.1, 0.9, 0.94, 0.98), 0) << "bottom";
    EXPECT_LT(inkWithin(page, 0, 1, 0, 1), page.width() * page.height() / 4);

    c.view().switchLinesAndPoints();
    text = printedText();
    EXPECT_TRUE(text.contains("Reciprocal Lattice Points")) << text.toStdString();
    EXPECT_FALSE(text.contains("Projection"));

    in.wavelengthEdits[1]->setText(QStringLiteral("1.5418"));
    action("actionPerformSimulation")->trigger();
    text = printedText();
    EXPECT_TRUE(text.contains("Gnomonic Projection")) << "a simulation draws lines again";
    EXPECT_TRUE(text.contains("WL(1) = 1.9361, WL(2) = 1.5418")) << text.toStdString();
}

TEST_F(PicturesTest, ThePatternLeavesTheCornerNotesAMargin) {
    c.view().selectColourScheme(1); // coloured lines: the notes are black on white
    c.view().setToggle(app::ViewToggle::Labels, true);
    const ui::PageTexts texts{"Gnomonic Projection", "Quorvex (07.03.2024, 14:05)",
                              ui::cellText(c.simulation().document), "Iron (Fe)"};
    auto page = [&](const ui::PageTexts& notes) {
        QImage image(850, 1100, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        ui::paintPage(painter, image, c.simulation(), c.pattern(), notes);
        return image;
    };
    auto colouredWithin = [](const QImage& image, const QRegion& area) {
        int coloured = 0;
        for (const QRect& box : area)
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x) {
                    const QRgb p = image.pixel(x, y);
                    if (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p)) ++coloured;
                }
        return coloured;
    };
    const QImage printed = page(texts);
    const QRegion notes = ui::cornerNotesArea(printed, texts);
    for (const QPoint corner : {QPoint(12, 2), QPoint(837, 2), QPoint(12, 1097), QPoint(837, 1097)})
        EXPECT_TRUE(notes.contains(corner)) << corner.x() << " " << corner.y();
    // Without notes the pattern has lines and labels there; with them, none.
    EXPECT_GT(colouredWithin(page({}), notes), 0);
    EXPECT_EQ(colouredWithin(printed, notes), 0);
    EXPECT_GT(colouredWithin(printed, QRegion(printed.rect()) - notes), 0);
}

TEST_F(PrintTest, PrintingIntoAFileThatCannotBeWrittenKeepsTheOldOne) {
    ASSERT_TRUE(writeFileAtomically(dialogs.pdfPath.toStdString(), "previous"));
    {
        const FileSizeLimit fullDisk(100);
        action("actionPrint")->trigger();
    }
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0],
              "Tavrel/Morwen: \"" + dialogs.pdfPath + "\" cannot be written: File too large");
    EXPECT_EQ(readFile(dialogs.pdfPath.toStdString()), "previous");
}

} // namespace
} // namespace tavrel::test
