#pragma once
// The window as benchmarks measure it: in a folder of its own, with every question declined at
// once so that a measured loop never waits on a person, simulating one sample.

#include "app/controller.h"
#include "ui/canvas_steering.h"
#include "ui/canvas_widget.h"
#include "ui/input_panes.h"
#include "ui/main_window.h"
#include "ui/user_dialogs.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QUrl>

namespace tavrel::bench {

class SilentDialogs : public ui::UserDialogs {
public:
    std::optional<ui::FileChoice> openFileName(QWidget*, const ui::FileRequest&) override {
        return std::nullopt;
    }
    std::optional<ui::FileChoice> saveFileName(QWidget*, const ui::FileRequest&) override {
        return std::nullopt;
    }
    void error(QWidget*, const QString&, const QString&) override {}
    void information(QWidget*, const QString&, const QString&) override {}
    bool question(QWidget*, const QString&, const QString&) override { return false; }
    ui::SaveAnswer askToSave(QWidget*, const QString&, const QString&) override {
        return ui::SaveAnswer::Discard;
    }
    std::optional<QColor> chooseColour(QWidget*, const QColor&) override { return std::nullopt; }
    bool choosePrinter(QWidget*, QPrinter&) override { return false; }
    int runModal(QDialog&) override { return QDialog::Rejected; }
    void beep() override {}
    bool openUrl(const QUrl&) override { return false; }
};

// A cubic sample: the group, the edge, wavelength 1, d-Min (d-Max the longest edge).
struct Sample {
    int group;
    const char* a;
    const char* wavelength;
    const char* dMin;
    bool autoLimits;
    bool stereographic = false;
};

struct BenchWindow {
    explicit BenchWindow(const Sample& sample) : window(options(), dialogs) {
        auto& in = *window.findChild<ui::InputPanes*>();
        in.spaceGroupList->setCurrentIndex(sample.group - 1);
        in.cellEdits[0]->setText(QString::fromLatin1(sample.a));
        in.wavelengthEdits[0]->setText(QString::fromLatin1(sample.wavelength));
        in.dEdits[0]->setText(QString::fromLatin1(sample.dMin));
        in.dEdits[1]->setText(QStringLiteral("0"));
        in.autoLimitsBox->setChecked(sample.autoLimits);
    }
    // After the window is shown, as a user's first simulation.
    void simulate(const Sample& sample) {
        window.performSimulation();
        if (sample.stereographic)
            controller().view().setToggle(app::ViewToggle::Stereographic, true);
    }
    int reflections() { return controller().simulation().reflections.count(); }
    app::SimulationController& controller() {
        return *window.findChild<app::SimulationController*>(QStringLiteral("controller"));
    }
    ui::CanvasWidget* canvas() { return window.findChild<ui::CanvasWidget*>(); }
    ui::CanvasSteering* steering() { return window.findChild<ui::CanvasSteering*>(); }

    QTemporaryDir program;
    SilentDialogs dialogs;
    ui::MainWindow window;

private:
    app::StartupOptions options() const {
        app::StartupOptions o;
        o.programFolder = program.path();
        o.userFolder = program.filePath(QStringLiteral("user"));
        return o;
    }
};

} // namespace tavrel::bench
