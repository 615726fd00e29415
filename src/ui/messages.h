#pragma once
// What the window tells the user of a command's outcome: message boxes captioned with the
// program's title (the error icon for what was refused), and the desktop's beep for a file that
// is not of its kind at all.

#include "common/result.h"

#include <QString>

#include <string>
#include <vector>

class QWidget;

namespace tavrel::ui {

inline const char* const kProgramTitle = "Tavrel/Morwen";

QString programTitle();

class UserDialogs;

// A refusal in an error box; a file of the wrong kind only beeps.
void showProblem(UserDialogs& dialogs, QWidget* parent, const Problem& problem);
// Each warning in a message box of its own.
void showWarnings(UserDialogs& dialogs, QWidget* parent, const std::vector<std::string>& warnings);
// The problem of a failed outcome, or the warnings of a successful one.
template <class T>
void showOutcome(UserDialogs& dialogs, QWidget* parent, const Result<T>& outcome) {
    if (!outcome) {
        showProblem(dialogs, parent, outcome.failure());
    } else if constexpr (requires { outcome->warnings; }) {
        showWarnings(dialogs, parent, outcome->warnings);
    } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
        showWarnings(dialogs, parent, *outcome);
    }
}

} // namespace tavrel::ui
