#pragma once
// The picture leaving the window: "Copy" to the clipboard, "Save Image" to a BMP, PNG,
// SVG or PDF file, "Print ..." with the print dialog and the toolbar's "Print" without it.

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QPrinter;
class QWidget;

namespace tavrel::app {
class SimulationController;
}

namespace tavrel::ui {

class CanvasWidget;
class UserDialogs;

class PictureExport : public QObject {
    Q_OBJECT
public:
    // `window` parents the dialogs and this object; the others must outlive it.
    PictureExport(QWidget* window, app::SimulationController& controller,
                  const CanvasWidget& canvas, UserDialogs& dialogs);
    ~PictureExport() override;

    // The save dialog's filters, BMP first.
    static const QStringList& imageFilters();

    void copyPicture();
    void saveImage();
    // Nothing while no reflections exist; otherwise the print dialog, then the page.
    void printWithDialog();
    // At once on the printer chosen last (the system's default at first); the print dialog
    // instead while there is no printer or the last page went into a file.
    void printPage();

signals:
    // What left the window, for the status bar: "Pattern copied", "Saved shot.png".
    void done(const QString& note);

private:
    // Shows "no data" while nothing has been generated.
    bool hasPicture();
    QPrinter& printer();
    // The page on the printer as it is set now.
    void printChosen();

    QWidget* window_;
    app::SimulationController& controller_;
    const CanvasWidget& canvas_;
    UserDialogs& dialogs_;
    std::unique_ptr<QPrinter> printer_;
};

} // namespace tavrel::ui
