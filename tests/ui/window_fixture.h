#pragma once
// A window started in folders of its own, with dialogs whose answers the test scripts; its
// parts found by their types and object names, as the commands are found by theirs.

#include "app/controller.h"
#include "app/folders.h"
#include "app/reflection_model.h"
#include "support/temp_dir.h"
#include "ui/atoms_pane.h"
#include "ui/canvas_widget.h"
#include "ui/folding_pane.h"
#include "ui/input_panes.h"
#include "ui/main_window.h"
#include "ui/reflection_list.h"
#include "ui/undo_steps.h"
#include "ui/user_dialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

// Failed comparisons show texts as texts. Found by argument-dependent lookup, so global.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tavrel::test {

class ScriptedDialogs : public ui::UserDialogs {
public:
    // Answers of the file dialogs and the colour chooser, in order; an empty queue cancels.
    std::deque<std::optional<ui::FileChoice>> fileAnswers;
    std::deque<std::optional<QColor>> colourAnswers;
    std::vector<ui::FileRequest> openRequests, saveRequests;
    std::vector<QString> errors, informations, modalTitles;
    std::vector<QUrl> opened;
    int beeps = 0, questions = 0, printerDialogs = 0;
    bool answer = false;      // to every question
    bool desktopTakes = true; // the desktop has a program for what openUrl hands it
    QString pdfPath;          // the print dialog prints into this file; cancelled when empty
    // Plays the user of each modal dialog the window opens and returns the dialog's result;
    // without it every such dialog is cancelled at once.
    std::function<int(QDialog&)> modal;
    // Answers to "Save changes to ...?", in order; Discard once the queue is empty.
    std::deque<ui::SaveAnswer> saveAnswers;
    std::vector<QString> saveQuestions;

    std::optional<ui::FileChoice> openFileName(QWidget*, const ui::FileRequest& r) override {
        openRequests.push_back(r);
        return takeFirst(fileAnswers);
    }
    std::optional<ui::FileChoice> saveFileName(QWidget*, const ui::FileRequest& r) override {
        saveRequests.push_back(r);
        return takeFirst(fileAnswers);
    }
    void error(QWidget*, const QString& caption, const QString& text) override {
        errors.push_back(caption + ": " + text);
    }
    void information(QWidget*, const QString& caption, const QString& text) override {
        informations.push_back(caption + ": " + text);
    }
    bool question(QWidget*, const QString&, const QString&) override {
        ++questions;
        return answer;
    }
    ui::SaveAnswer askToSave(QWidget*, const QString&, const QString& text) override {
        saveQuestions.push_back(text);
        const ui::SaveAnswer next =
            saveAnswers.empty() ? ui::SaveAnswer::Discard : saveAnswers.front();
        if (!saveAnswers.empty()) saveAnswers.pop_front();
        return next;
    }
    std::optional<QColor> chooseColour(QWidget*, const QColor&) override {
        return takeFirst(colourAnswers);
    }
    // As a user who chooses "Print to File" in the print dialog.
    bool choosePrinter(QWidget*, QPrinter& printer) override {
        ++printerDialogs;
        if (pdfPath.isEmpty()) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        return true;
    }
    int runModal(QDialog& dialog) override {
        modalTitles.push_back(dialog.windowTitle());
        return modal ? modal(dialog) : QDialog::Rejected;
    }
    void beep() override { ++beeps; }
    bool openUrl(const QUrl& url) override {
        opened.push_back(url);
        return desktopTakes;
    }

private:
    template <class T> static std::optional<T> takeFirst(std::deque<std::optional<T>>& answers) {
        std::optional<T> first;
        if (!answers.empty()) {
            first.swap(answers.front());
            answers.pop_front();
        }
        return first;
    }
};

// A program folder and a per-user folder that live as long as the test.
struct Installation {
    TempDir program;
    TempDir user;
    bool programWritable = true;

    app::StartupOptions options() const {
        app::StartupOptions o;
        o.programFolder = QString::fromStdString(program.path());
        o.userFolder = QString::fromStdString(user.file("Tavrel"));
        o.settingsFile = QString::fromStdString(user.file("Tavrel.conf"));
        if (!programWritable) o.writeTest = [](const QString&) { return false; };
        return o;
    }
    QString workFile(const char* name) const {
        return QString::fromStdString(programWritable ? program.file(name)
                                                      : user.file(std::string("Tavrel/") + name));
    }
};

inline std::unique_ptr<ui::MainWindow> startWindow(const Installation& installation,
                                                   ScriptedDialogs& dialogs) {
    return std::make_unique<ui::MainWindow>(installation.options(), dialogs);
}

// A part of the window by its type and, when given, its object name; none fails the test.
template <class T> T* part(const QObject& window, const QString& name = {}) {
    T* found = window.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}
// A command of the window by its object name.
inline QAction* action(QWidget& window, const char* name) {
    return part<QAction>(window, QString::fromLatin1(name));
}
inline app::SimulationController& controllerOf(const ui::MainWindow& w) {
    return *part<app::SimulationController>(w, QStringLiteral("controller"));
}
inline app::ReflectionTableModel* modelOf(const ui::MainWindow& w) {
    return part<ui::ReflectionList>(w)->model();
}
inline QString statusOf(const ui::MainWindow& w, app::StatusPanel panel) {
    return part<QLabel>(w, QStringLiteral("statusPanel%1").arg(static_cast<int>(panel)))->text();
}

// Replaces a field's text by typing, as the user does.
inline void typeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// The window of a test, started in folders of its own, with scripted dialogs playing the user.
struct WindowTest : ::testing::Test {
    Installation installation;
    ScriptedDialogs dialogs;
    std::unique_ptr<ui::MainWindow> window = startWindow(installation, dialogs);
    ui::MainWindow& w = *window;
    ui::InputPanes& in = *part<ui::InputPanes>(w);
    ui::CanvasWidget* canvas = part<ui::CanvasWidget>(w);
    app::SimulationController& c = controllerOf(w);
    ui::ReflectionList* list = part<ui::ReflectionList>(w);
    app::ReflectionTableModel* model = list->model();
    ui::AtomsPane& atoms = *part<ui::AtomsPane>(w);
    QUndoStack& undoStack = part<ui::UndoSteps>(w)->stack();

    QAction* action(const char* name) { return test::action(w, name); }
    template <class T = QWidget> T* find(const char* name) {
        return part<T>(w, QString::fromLatin1(name));
    }
    ui::FoldingPane* pane(const char* name) { return find<ui::FoldingPane>(name); }
    QString statusText(app::StatusPanel panel) const { return statusOf(w, panel); }
    // The note a command left in the status bar; empty once it has gone.
    QString note() {
        auto* label = find<QLabel>("statusNote");
        return label->isHidden() ? QString() : label->text();
    }
    void show() {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    // Lets the window follow a change, as the event loop would.
    static void settle() {
        QApplication::sendPostedEvents();
        QApplication::processEvents();
    }
    // Quits and starts again in the same folders; `w` and its parts still name the old window.
    ui::MainWindow& restart() {
        window.reset();
        window = startWindow(installation, dialogs);
        return *window;
    }
    const PointTable& points() const { return c.simulation().points; }
    QString dataFile(const QString& name) const {
        return QString::fromStdString(installation.program.file("data/" + name.toStdString()));
    }
    // Answers the next file dialog with `file` and runs `command`.
    void runWithFile(const char* command, const QString& file, int filter = 0) {
        dialogs.fileAnswers.push_back(ui::FileChoice{file, filter});
        action(command)->trigger();
    }
};
} // namespace tavrel::test
