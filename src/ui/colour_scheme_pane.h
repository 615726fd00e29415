#pragma once
// The colour-scheme pane of the Option menu: the scheme strip, whose bands show the colour
// schemes (a click picks the band's scheme; below the bands, the black-and-white one), the
// three colour boxes of the dark background, the light background and the highlight of
// selected lines (each opens the colour chooser), Reset and Close. It floats over the top left
// corner of the canvas, so that the picture shows every change beside it.

#include <QFrame>
#include <QImage>

#include <array>

class QPushButton;
class QToolButton;

namespace tavrel::app {
class SimulationController;
}

namespace tavrel::ui {

class UserDialogs;

class SchemeStrip : public QWidget {
    Q_OBJECT
public:
    // The bands and, below them, room that picks the monochrome scheme.
    static constexpr int kHeight = 80;

    explicit SchemeStrip(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // The band of `scheme` is framed (for the monochrome scheme, the room below the bands).
    void showScheme(int scheme);
    int shownScheme() const { return shown_; }

signals:
    void schemeClicked(int scheme);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage bands_;
    int shown_ = -1;
};

class ColourSchemePane : public QFrame {
    Q_OBJECT
public:
    ColourSchemePane(app::SimulationController& controller, UserDialogs& dialogs,
                     QWidget* parent = nullptr);

    // Shows the pane with the boxes showing the present colours and the present scheme framed.
    // Escape closes it as Close does.
    void open();

    SchemeStrip* strip() const { return strip_; }
    // 0 dark background, 1 light background, 2 highlight.
    QToolButton* colourBox(int which) const { return boxes_[static_cast<std::size_t>(which)]; }
    QPushButton* resetButton() const { return reset_; }
    QPushButton* closeButton() const { return close_; }

signals:
    void closed();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void chooseColour(int which);
    void showColours();
    void placeBoxes();

    app::SimulationController& controller_;
    UserDialogs& dialogs_;
    SchemeStrip* strip_;
    QWidget* boxRow_;
    std::array<QToolButton*, 3> boxes_{};
    QPushButton* reset_;
    QPushButton* close_;
};

} // namespace tavrel::ui
