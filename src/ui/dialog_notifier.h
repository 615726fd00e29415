#pragma once
// The core's messages as the window shows them: message boxes captioned with the program's
// title (the error icon for invalid input) and the desktop's beep.

#include "common/notifier.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QCursor>
#include <QString>

namespace tavrel::ui {

inline const char* const kProgramTitle = "Tavrel/Morwen";

class DialogNotifier : public Notifier {
public:
    DialogNotifier(UserDialogs& dialogs, QWidget* parent) : dialogs_(dialogs), parent_(parent) {}

    void error(std::string_view text) override {
        const NormalCursor normal;
        dialogs_.error(parent_, QString::fromLatin1(kProgramTitle), toQString(text));
    }
    void message(std::string_view text) override {
        const NormalCursor normal;
        dialogs_.information(parent_, QString::fromLatin1(kProgramTitle), toQString(text));
    }
    void beep() override {
        ++beeps_;
        dialogs_.beep();
    }
    // How often the core beeped so far: a command that beeped has said all it will say.
    int beeps() const { return beeps_; }

private:
    // A message during a generation must not show the busy cursor over its OK button.
    struct NormalCursor {
        NormalCursor() : busy(QApplication::overrideCursor() != nullptr) {
            if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
        }
        ~NormalCursor() {
            if (busy) QApplication::restoreOverrideCursor();
        }
        NormalCursor(const NormalCursor&) = delete;
        NormalCursor& operator=(const NormalCursor&) = delete;
        bool busy;
    };

    static QString toQString(std::string_view text) {
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }

    UserDialogs& dialogs_;
    QWidget* parent_;
    int beeps_ = 0;
};

} // namespace tavrel::ui
