#include "ui/picture_export.h"

#include "app/controller.h"
#include "output/picture_file.h"
#include "ui/canvas_widget.h"
#include "ui/messages.h"
#include "ui/printing.h"
#include "ui/user_dialogs.h"

#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QPrinter>

#include <array>

namespace tavrel::ui {

namespace {

constexpr std::array kFilterFormats{PictureFormat::Bmp, PictureFormat::Png, PictureFormat::Svg,
                                    PictureFormat::Pdf};

} // namespace

PictureExport::PictureExport(QWidget* window, app::SimulationController& controller,
                             const CanvasWidget& canvas, UserDialogs& dialogs)
    : QObject(window), window_(window), controller_(controller), canvas_(canvas),
      dialogs_(dialogs) {}

PictureExport::~PictureExport() = default;

const QStringList& PictureExport::imageFilters() {
    static const QStringList filters{
        QStringLiteral("Bitmap image (*.bmp)"), QStringLiteral("PNG image (*.png)"),
        QStringLiteral("SVG drawing (*.svg)"), QStringLiteral("PDF document (*.pdf)")};
    return filters;
}

bool PictureExport::hasPicture() {
    if (controller_.simulation().reflections.generated) return true;
    dialogs_.information(window_, programTitle(), QStringLiteral("no data"));
    return false;
}

void PictureExport::copyPicture() {
    if (!hasPicture()) return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(canvas_.picture());
    emit done(QStringLiteral("Pattern copied"));
}

void PictureExport::saveImage() {
    if (!hasPicture()) return;
    FileRequest request;
    request.title = QStringLiteral("Save Image (*.bmp, *.png, *.svg, *.pdf)");
    request.folder = controller_.folders().image;
    request.filters = imageFilters();
    request.addSuffix = false;
    const std::optional<FileChoice> choice = dialogs_.saveFileName(window_, request);
    if (!choice) return;
    const std::string path = QFile::encodeName(choice->path).toStdString();
    // A name with a picture extension is written in that format whatever the filter showed: a
    // ".png" file holding a bitmap would puzzle every program that opens it.
    const auto filter = static_cast<std::size_t>(choice->filterIndex);
    const PictureFormat format = pictureFormatOf(path).value_or(
        filter < kFilterFormats.size() ? kFilterFormats[filter] : PictureFormat::Bmp);

    Outcome written;
    if (format == PictureFormat::Png || format == PictureFormat::Bmp) {
        // The picture as it stands on the screen.
        written = writePictureImage(path, format, canvas_.picture());
    } else if (auto file = openPictureFile(path, format, controller_.pattern().width,
                                           controller_.pattern().height)) {
        controller_.draw((*file)->surface());
        written = (*file)->finish();
    } else {
        written = file.failure();
    }
    if (!written) {
        showProblem(dialogs_, window_, written.failure());
        return;
    }
    emit done(QStringLiteral("Saved ") + QFileInfo(choice->path).fileName());
}

QPrinter& PictureExport::printer() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setDocName(QStringLiteral("Tavrel pattern"));
        printer_->setCreator(QStringLiteral("Tavrel"));
    }
    return *printer_;
}

void PictureExport::printWithDialog() {
    if (!controller_.simulation().reflections.generated) return;
    if (!dialogs_.choosePrinter(window_, printer())) return;
    printChosen();
}

void PictureExport::printPage() {
    // At once only onto a printer: a page into a file is written only under a name the user
    // gives in the print dialog there and then, never over the file a previous print chose.
    // Without a printer the dialog offers printing into a file.
    QPrinter& target = printer();
    if (target.outputFormat() != QPrinter::NativeFormat || target.printerName().isEmpty()) {
        if (!dialogs_.choosePrinter(window_, target)) return;
    }
    printChosen();
}

void PictureExport::printChosen() {
    const PageTexts texts = pageTexts(controller_.simulation(), controller_.pattern(),
                                      QDateTime::currentDateTime(), QLocale::system());
    const Outcome printed =
        ui::printPage(printer(), controller_.simulation(), controller_.pattern(), texts);
    if (!printed) {
        showProblem(dialogs_, window_, printed.failure());
        return;
    }
    const QPrinter& target = printer();
    emit done(target.outputFormat() == QPrinter::PdfFormat
                  ? QStringLiteral("Printed into ") + QFileInfo(target.outputFileName()).fileName()
                  : QStringLiteral("Printed on ") + target.printerName());
}

} // namespace tavrel::ui
