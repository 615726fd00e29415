#pragma once
// The angle calculator: angles between two lattice planes, two lattice directions, or a
// direction and a plane of the cell that stood in the window's cell fields when it was opened.
// It stays open for any number of calculations and changes nothing in the document.

#include "calculators/angle_calculator.h"

#include <QDialog>

#include <array>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tavrel::ui {

class UserDialogs;

class AngleCalculatorDialog : public QDialog {
    Q_OBJECT
public:
    // One frame of the dialog: two inputs, the result and its "?" button.
    struct Frame {
        QGroupBox* box = nullptr;
        QLineEdit* first = nullptr;
        QLineEdit* second = nullptr;
        QLineEdit* result = nullptr;
        QPushButton* calculate = nullptr;
    };

    // `cell`: a, b, c (angstrom), alpha, beta, gamma (degrees). Messages go through `dialogs`,
    // which must outlive the dialog.
    AngleCalculatorDialog(const std::array<double, 6>& cell, UserDialogs& dialogs,
                          QWidget* parent = nullptr);

    const Frame& frame(AngleKind kind) const { return frames_[static_cast<std::size_t>(kind)]; }
    QLabel* noteLabel() const { return note_; }
    const AngleCalculator& calculator() const { return calculator_; }

    // The "?" of a frame: its result, or a message and an empty result.
    void calculate(AngleKind kind);

private:
    UserDialogs& dialogs_;
    AngleCalculator calculator_;
    std::array<Frame, 3> frames_{};
    QLabel* note_ = nullptr;
};

} // namespace tavrel::ui
