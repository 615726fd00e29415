#pragma once
// A window started in folders of its own, with dialogs whose answers the test scripts.

#include "app/folders.h"
#include "app/reflection_model.h"
#include "support/temp_dir.h"
#include "ui/canvas_widget.h"
#include "ui/input_panes.h"
#include "ui/main_window.h"
#include "ui/reflection_list.h"
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
    // Answers of the file dialogs, in order; an empty queue cancels.
    std::deque<std::optional<ui::FileChoice>> fileAnswers;
    std::vector<ui::FileRequest> openRequests, saveRequests;
    std::vector<QString> errors, informations;
    std::vector<QUrl> opened;
    // Answers of the colour chooser, in order; an empty queue cancels.
    std::deque<std::optional<QColor>> colourAnswers;
    std::vector<QColor> colourRequests;
    int beeps = 0;
    // Whether the desktop has a program for what openUrl hands it.
    bool desktopTakes = true;
    // Plays the user of each modal dialog the window opens and returns the dialog's result;
    // without it every such dialog is cancelled at once.
    std::function<int(QDialog&)> modal;
    // Answers to "Save changes to ...?", in order; Discard once the queue is empty.
    std::deque<ui::SaveAnswer> saveAnswers;
    std::vector<QString> saveQuestions;
    std::vector<QString> modalTitles;

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
    bool question(QWidget*, const QString&, const QString&) override { return false; }
    ui::SaveAnswer askToSave(QWidget*, const QString&, const QString& text) override {
        saveQuestions.push_back(text);
        if (saveAnswers.empty()) return ui::SaveAnswer::Discard;
        const ui::SaveAnswer answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    std::optional<QColor> chooseColour(QWidget*, const QColor& initial) override {
        colourRequests.push_back(initial);
        return takeFirst(colourAnswers);
    }
    bool choosePrinter(QWidget*, QPrinter&) override { return false; }
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
        std::optional<T> answer;
        if (!answers.empty()) {
            answer.swap(answers.front());
            answers.pop_front();
        }
        return answer;
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

// A command of the window by its object name; a name that names none fails the test.
inline QAction* action(QWidget& window, const char* name) {
    auto* found = window.findChild<QAction*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Replaces a field's text by typing, as the user does.
inline void typeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// The window of a test, started in folders of its own, with `Dialogs` playing the user.
template <class Dialogs = ScriptedDialogs> struct WindowTestWith : ::testing::Test {
    Installation installation;
    Dialogs dialogs;
    std::unique_ptr<ui::MainWindow> window = startWindow(installation, dialogs);
    ui::MainWindow& w = *window;
    ui::InputPanes& in = w.inputs();
    ui::CanvasWidget* canvas = w.canvas();
    app::SimulationController& c = w.controller();

    QAction* action(const char* name) { return test::action(w, name); }
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
using WindowTest = WindowTestWith<>;

} // namespace tavrel::test
