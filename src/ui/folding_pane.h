#pragma once
// A pane of the control frame that folds down to its title strip: a press on the strip asks the
// window to fold or unfold it (the window decides, because the list pane's strip collapses the
// other panes first). Folded, the pane is exactly as high as the strip; unfolded, it is as high
// as it was designed, or, when it stretches, takes whatever room the frame leaves.

#include <QFrame>

class QLabel;

namespace tavrel::ui {

class FoldingPane : public QFrame {
    Q_OBJECT
public:
    // The title strip: one line of its caption with a little room around it.
    static constexpr int kStripHeight = 18;

    FoldingPane(const QString& title, QWidget* content, bool stretches, QWidget* parent = nullptr);

    bool isFolded() const { return folded_; }
    void setFolded(bool folded);
    // The designed height, taken once from the content when the pane is created.
    int fullHeight() const { return fullHeight_; }
    bool stretches() const { return stretches_; }
    QWidget* titleStrip() const;
    QWidget* content() const { return content_; }

signals:
    void titlePressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* title_;
    QWidget* content_;
    bool stretches_;
    bool folded_ = false;
    int fullHeight_ = 0;
};

} // namespace tavrel::ui
