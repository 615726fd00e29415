#pragma once
// The dialogs of the Orient menu about the crystal's orientation: the orientation matrix with
// what lies along the sample axes, and the holder tilts onto a zone axis.

#include "orientation/holder_tilts.h"

#include <QDialog>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tavrel::ui {

// Shows a summary text that the user can read and copy; changes nothing.
class OrientationMatrixDialog : public QDialog {
    Q_OBJECT
public:
    explicit OrientationMatrixDialog(const QString& summary, QWidget* parent = nullptr);
    QPlainTextEdit* textView() const { return text_; }
    QPushButton* copyButton() const { return copy_; }

private:
    QPlainTextEdit* text_ = nullptr;
    QPushButton* copy_ = nullptr;
};

// Asks for a zone axis [u v w] and shows the holder tilts that bring it onto the viewing axis
// as it is typed; OK is offered only while there are tilts to apply.
class TiltDialog : public QDialog {
    Q_OBJECT
public:
    // The tilts of a typed direction text, or why there are none.
    using TiltsOf = std::function<Result<HolderTilts>(const QString& text)>;
    TiltDialog(TiltsOf tiltsOf, bool fourIndex, QWidget* parent = nullptr);

    QLineEdit* axisEdit() const { return axis_; }
    QLabel* resultLabel() const { return result_; }
    QPushButton* okButton() const { return ok_; }
    // The tilts of the text as it stands; none when it gives none.
    const std::optional<HolderTilts>& tilts() const { return tilts_; }

private:
    void update();

    TiltsOf tiltsOf_;
    QLineEdit* axis_ = nullptr;
    QLabel* result_ = nullptr;
    QPushButton* ok_ = nullptr;
    std::optional<HolderTilts> tilts_;
};

} // namespace tavrel::ui
