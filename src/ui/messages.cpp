#include "ui/messages.h"

#include "ui/user_dialogs.h"

#include <QApplication>
#include <QCursor>

namespace tavrel::ui {

namespace {

// A message during a generation must not show the busy cursor over its OK button.
class NormalCursor {
public:
    NormalCursor() : busy_(QApplication::overrideCursor() != nullptr) {
        if (busy_) QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~NormalCursor() {
        if (busy_) QApplication::restoreOverrideCursor();
    }
    NormalCursor(const NormalCursor&) = delete;
    NormalCursor& operator=(const NormalCursor&) = delete;

private:
    bool busy_;
};

} // namespace

QString programTitle() {
    return QString::fromLatin1(kProgramTitle);
}

void showProblem(UserDialogs& dialogs, QWidget* parent, const Problem& problem) {
    if (problem.kind == Problem::Kind::WrongKind) {
        dialogs.beep();
        return;
    }
    const NormalCursor normal;
    dialogs.error(parent, programTitle(), QString::fromStdString(problem.message));
}

void showWarnings(UserDialogs& dialogs, QWidget* parent, const std::vector<std::string>& warnings) {
    const NormalCursor normal;
    for (const std::string& warning : warnings)
        dialogs.information(parent, programTitle(), QString::fromStdString(warning));
}

} // namespace tavrel::ui
