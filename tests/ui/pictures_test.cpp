// Pictures leaving the window: the clipboard, picture files and the printed page.
#include "common/file_io.h"
#include "support/comma_locale.h"
#include "support/file_size_limit.h"
#include "ui/canvas_widget.h"
#include "ui/input_panes.h"
#include "ui/picture_export.h"
#include "ui/printing.h"
#include "window_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace tavrel::test {
namespace {

// Prints into a PDF file as a user would by choosing "Print to File" in the print dialog.
struct PrintingDialogs : ScriptedDialogs {
    QString pdfPath;
    bool acceptPrinter = true;
    int printerDialogs = 0;
    bool choosePrinter(QWidget*, QPrinter& printer) override {
        ++printerDialogs;
        if (!acceptPrinter) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        return true;
    }
};

QAction* action(QWidget& window, const char* name) {
    auto* a = window.findChild<QAction*>(QString::fromLatin1(name));
    EXPECT_NE(a, nullptr) << name;
    return a;
}

QString collapsed(QString text) {
    return text.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" ")).trimmed();
}

// The text of a PDF file as pdftotext reads it, blanks collapsed; empty when it cannot be read.
QString pdfText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
    return collapsed(QString::fromUtf8(process.readAllStandardOutput()));
}

// The page as a grey image without antialiasing, so that every line darkens its pixels.
QImage pdfPage(const QString& pdf, const QString& prefix) {
    QProcess process;
    process.start(QStringLiteral("pdftoppm"),
                  {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-gray"),
                   QStringLiteral("-aaVector"), QStringLiteral("no"), QStringLiteral("-singlefile"),
                   pdf, prefix});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
    return QImage(prefix + QStringLiteral(".pgm"));
}

// Dark pixels within the fractions [x0, x1) x [y0, y1) of the page.
int inkWithin(const QImage& page, double x0, double x1, double y0, double y1) {
    int ink = 0;
    for (int y = static_cast<int>(y0 * page.height()); y < static_cast<int>(y1 * page.height());
         ++y)
        for (int x = static_cast<int>(x0 * page.width()); x < static_cast<int>(x1 * page.width());
             ++x)
            if (qGray(page.pixel(x, y)) < 200) ++ink;
    return ink;
}

bool havePoppler() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

// For its lifetime, files are written with the rights of a user who owns nothing here: root
// may write into any folder, so a read-only folder only stops an ordinary user.
class UnprivilegedWrites {
public:
    UnprivilegedWrites() : active_(geteuid() == 0) {
        if (active_) active_ = seteuid(65534) == 0;
    }
    ~UnprivilegedWrites() {
        if (active_) (void)seteuid(0);
    }
    UnprivilegedWrites(const UnprivilegedWrites&) = delete;
    UnprivilegedWrites& operator=(const UnprivilegedWrites&) = delete;

private:
    bool active_;
};

struct PicturesTest : ::testing::Test {
    Installation installation;
    PrintingDialogs dialogs;
    std::unique_ptr<ui::MainWindow> window = startWindow(installation, dialogs);
    ui::MainWindow& w = *window;
    QString imageFile(const char* name) const { return w.folders().image + "/" + name; }
    QByteArray contents(const QString& path) const {
        return QByteArray::fromStdString(readFile(path.toStdString()));
    }
    void saveImageAs(const QString& path, int filter) {
        dialogs.fileAnswers.push_back(ui::FileChoice{path, filter});
        action(w, "actionSaveImage")->trigger();
    }
};

TEST_F(PicturesTest, NothingLeavesTheWindowBeforeASimulation) {
    action(w, "actionNew")->trigger();
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    action(w, "actionCopy")->trigger();
    action(w, "actionSaveImage")->trigger();
    EXPECT_EQ(dialogs.informations,
              (std::vector<QString>{"Tavrel/Morwen: no data", "Tavrel/Morwen: no data"}));
    EXPECT_TRUE(dialogs.saveRequests.empty()) << "no dialog without a picture";
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");

    dialogs.pdfPath = QString::fromStdString(installation.program.file("page.pdf"));
    action(w, "actionPrint")->trigger();
    EXPECT_EQ(dialogs.printerDialogs, 0) << "the menu's Print does nothing without a pattern";
    EXPECT_FALSE(QFileInfo::exists(dialogs.pdfPath));
    EXPECT_EQ(dialogs.informations.size(), 2u);
}

TEST_F(PicturesTest, CopyPutsTheCanvasPictureOnTheClipboard) {
    QGuiApplication::clipboard()->clear();
    action(w, "actionCopy")->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), w.canvas()->size());
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32),
              w.canvas()->picture().convertToFormat(QImage::Format_RGB32));
    EXPECT_TRUE(dialogs.informations.empty());

    // Ctrl+C copies the picture while the canvas has the focus, and text in a text field.
    w.show();
    QApplication::setActiveWindow(&w);
    QLineEdit* title = w.inputs().titleEdit;
    title->setFocus();
    title->selectAll();
    QTest::keyClick(title, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Iron (Fe)");
    EXPECT_TRUE(QGuiApplication::clipboard()->image().isNull());
    w.canvas()->setFocus();
    QTest::keyClick(w.canvas(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), w.canvas()->size());
}

TEST_F(PicturesTest, SaveImageWritesEveryFormatUnderTheNameGiven) {
    saveImageAs(imageFile("shot.bmp"), 0);
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    const ui::FileRequest& request = dialogs.saveRequests[0];
    EXPECT_EQ(request.title, "Save Bitmap (*.BMP)");
    EXPECT_EQ(request.folder, w.folders().image);
    EXPECT_EQ(request.filters.first(), "Bitmap image (*.bmp)");
    EXPECT_EQ(request.filters.size(), 4);
    EXPECT_TRUE(request.presetName.isEmpty());
    EXPECT_FALSE(request.addSuffix) << "a name without extension stays as typed";

    // BMP and PNG hold the picture as it stands on the screen.
    const QImage screen = w.canvas()->picture().convertToFormat(QImage::Format_RGB32);
    const QImage bmp(imageFile("shot.bmp"));
    EXPECT_EQ(bmp.size(), w.canvas()->size());
    EXPECT_EQ(bmp.convertToFormat(QImage::Format_RGB32), screen);
    saveImageAs(imageFile("shot.png"), 1);
    EXPECT_EQ(QImage(imageFile("shot.png")).convertToFormat(QImage::Format_RGB32), screen);

    // Names without extension keep their name and take the chosen filter's format.
    saveImageAs(imageFile("plain"), 0);
    saveImageAs(imageFile("drawing"), 2);
    saveImageAs(imageFile("page"), 3);
    EXPECT_TRUE(contents(imageFile("plain")).startsWith("BM"));
    EXPECT_EQ(QImage(imageFile("plain"), "BMP").size(), w.canvas()->size());
    // SVG and PDF are drawn again as vectors at the canvas's size.
    const QByteArray svg = contents(imageFile("drawing"));
    EXPECT_TRUE(svg.contains(QStringLiteral("viewBox=\"0 0 %1 %2\"")
                                 .arg(w.canvas()->width())
                                 .arg(w.canvas()->height())
                                 .toUtf8()));
    EXPECT_FALSE(svg.contains("<image"));
    EXPECT_TRUE(contents(imageFile("page")).startsWith("%PDF"));
    // A known extension wins over the filter: a ".png" never holds a bitmap.
    saveImageAs(imageFile("other.png"), 0);
    EXPECT_TRUE(contents(imageFile("other.png")).startsWith("\x89PNG"));
    for (const char* name : {"plain", "drawing", "page"})
        EXPECT_FALSE(QFileInfo::exists(imageFile(name) + ".bmp")) << name;
    EXPECT_TRUE(dialogs.errors.empty());

    // Cancelled: nothing happens.
    action(w, "actionSaveImage")->trigger();
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PicturesTest, AFailedSaveSaysWhyAndKeepsTheOldFile) {
    const QString folder = w.folders().image + "/closed";
    ASSERT_TRUE(QDir().mkpath(folder));
    std::string error;
    for (const char* name : {"old.bmp", "old.svg"})
        ASSERT_TRUE(writeFileAtomically((folder + "/" + name).toStdString(), "previous", error));
    ASSERT_EQ(chmod(folder.toLocal8Bit().constData(), 0555), 0);
    {
        const UnprivilegedWrites asUser;
        saveImageAs(folder + "/old.bmp", 0);
        saveImageAs(folder + "/old.svg", 2);
    }
    chmod(folder.toLocal8Bit().constData(), 0755);
    ASSERT_EQ(dialogs.errors.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const QString named = "Tavrel/Morwen: \"" + folder + (i == 0 ? "/old.bmp" : "/old.svg") +
                              "\" cannot be written: ";
        EXPECT_TRUE(dialogs.errors[static_cast<std::size_t>(i)].startsWith(named) &&
                    dialogs.errors[static_cast<std::size_t>(i)].size() > named.size())
            << dialogs.errors[static_cast<std::size_t>(i)].toStdString();
    }
    EXPECT_EQ(contents(folder + "/old.bmp"), "previous");
    EXPECT_EQ(contents(folder + "/old.svg"), "previous");
}

TEST(PageTexts, CornersOfThePrintedPage) {
    PatternView pattern;
    EXPECT_EQ(ui::drawingKindText(pattern), "Gnomonic Projection");
    pattern.view.viewStereographic = true;
    EXPECT_EQ(ui::drawingKindText(pattern), "Stereographic Projection");
    pattern.view.showLines = false;
    EXPECT_EQ(ui::drawingKindText(pattern), "Reciprocal Lattice Points")
        << "whatever the projection";

    // A blank stands where a minus sign would; each wavelength only while it is in use.
    const CommaLocale comma; // numbers keep their point in every locale
    PatternDocument document;
    document.cell.values = {2.866f, 5.0f, 12.25f, 90.0f, -101.79f, 120.0f};
    document.spaceGroupText = "229: I m 3 m";
    document.wavelength = {1.93604f, 0.0f};
    EXPECT_EQ(ui::cellText(document),
              "Cell:  2.866  5  12.25  90 -101.79  120   (229: I m 3 m),   WL(1) = 1.936");
    document.wavelength = {0.0f, 0.025358f};
    EXPECT_EQ(ui::cellText(document),
              "Cell:  2.866  5  12.25  90 -101.79  120   (229: I m 3 m),   WL(2) = 0.0254");
    document.wavelength = {0.0f, 0.0f};
    EXPECT_EQ(ui::cellText(document), "Cell:  2.866  5  12.25  90 -101.79  120   (229: I m 3 m)");

    // The system's short formats, the year always with four digits.
    const QDateTime when(QDate(2024, 3, 7), QTime(14, 5));
    const QLocale american(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(ui::stampText(when, american),
              "Quorvex (3/7/2024, " + american.toString(QTime(14, 5), QLocale::ShortFormat) + ")");
    EXPECT_EQ(ui::stampText(when, QLocale(QLocale::German, QLocale::Germany)),
              "Quorvex (07.03.2024, 14:05)");
    EXPECT_EQ(ui::stampText(when.addSecs(9), QLocale::c()), "Quorvex (7 Mar 2024, 14:05)")
        << "hours and minutes only";
}

struct PrintTest : PicturesTest {
    void SetUp() override {
        if (!havePoppler()) GTEST_SKIP() << "pdftotext and pdftoppm (poppler-utils) are missing";
        dialogs.pdfPath = QString::fromStdString(installation.program.file("page.pdf"));
    }
    QString printedText() {
        action(w, "actionPrint")->trigger();
        EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
        return pdfText(dialogs.pdfPath);
    }
};

TEST_F(PrintTest, ThePageCarriesTheFourTextsAndThePatternCoversIt) {
    const QString text = printedText();
    EXPECT_EQ(dialogs.printerDialogs, 1);
    const QString stamp = ui::stampText(QDateTime::currentDateTime(), QLocale::system());
    EXPECT_TRUE(text.contains("Gnomonic Projection")) << text.toStdString();
    EXPECT_TRUE(text.contains(stamp.left(stamp.indexOf(", ")))) << text.toStdString();
    EXPECT_TRUE(text.contains(collapsed(
        QStringLiteral("Cell:  2.866  2.866  2.866  90  90  90   (%1),   WL(1) = 1.9361")
            .arg(QString::fromStdString(w.controller().simulation().document.spaceGroupText)))))
        << text.toStdString();
    EXPECT_FALSE(text.contains("WL(2)")) << "wavelength 2 is 0";
    EXPECT_TRUE(text.contains("Iron (Fe)"));

    // Lines reach every edge of the page, beside the texts in the corners.
    const QImage page =
        pdfPage(dialogs.pdfPath, QString::fromStdString(installation.program.file("page")));
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(page.height(), page.width()) << "a portrait page";
    EXPECT_GT(inkWithin(page, 0.0, 0.04, 0.1, 0.9), 0) << "left";
    EXPECT_GT(inkWithin(page, 0.96, 1.0, 0.1, 0.9), 0) << "right";
    EXPECT_GT(inkWithin(page, 0.1, 0.9, 0.02, 0.06), 0) << "top";
    EXPECT_GT(inkWithin(page, 0.1, 0.9, 0.94, 0.98), 0) << "bottom";
    const int pixels = page.width() * page.height();
    EXPECT_LT(inkWithin(page, 0, 1, 0, 1), pixels / 4) << "white paper, not the screen's black";
}

TEST_F(PrintTest, TheModeAndTheSecondWavelengthAppearAsTheyAre) {
    w.controller().pattern().view.showLines = false;
    QString text = printedText();
    EXPECT_TRUE(text.contains("Reciprocal Lattice Points")) << text.toStdString();
    EXPECT_FALSE(text.contains("Projection"));

    w.inputs().wavelengthEdits[1]->setText(QStringLiteral("1.5418"));
    action(w, "actionPerformSimulation")->trigger();
    text = printedText();
    EXPECT_TRUE(text.contains("Gnomonic Projection")) << "a simulation draws lines again";
    EXPECT_TRUE(text.contains("WL(1) = 1.9361, WL(2) = 1.5418")) << text.toStdString();
}

TEST_F(PrintTest, TheToolbarPrintsOnThePrinterChosenLastWithoutAsking) {
    action(w, "actionPrint")->trigger();
    ASSERT_TRUE(QFileInfo::exists(dialogs.pdfPath));
    QFile::remove(dialogs.pdfPath);
    // Even without a pattern: the page then carries the texts only.
    action(w, "actionNew")->trigger();
    action(w, "actionPrintDirect")->trigger();
    EXPECT_EQ(dialogs.printerDialogs, 1);
    const QString text = pdfText(dialogs.pdfPath);
    EXPECT_TRUE(text.contains("Gnomonic Projection")) << text.toStdString();

    // A cancelled dialog prints nothing.
    QFile::remove(dialogs.pdfPath);
    action(w, "actionPerformSimulation")->trigger();
    dialogs.acceptPrinter = false;
    action(w, "actionPrint")->trigger();
    EXPECT_FALSE(QFileInfo::exists(dialogs.pdfPath));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PrintTest, PrintingIntoAFileThatCannotBeWrittenKeepsTheOldOne) {
    std::string error;
    ASSERT_TRUE(writeFileAtomically(dialogs.pdfPath.toStdString(), "previous", error));
    {
        const FileSizeLimit fullDisk(100);
        action(w, "actionPrint")->trigger();
    }
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0],
              "Tavrel/Morwen: \"" + dialogs.pdfPath + "\" cannot be written: File too large");
    EXPECT_EQ(readFile(dialogs.pdfPath.toStdString()), "previous");
}

} // namespace
} // namespace tavrel::test
