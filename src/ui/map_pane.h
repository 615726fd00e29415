#pragma once
// The map pane: a picture of a whole EBSD map (pattern quality, the IPF colours along the
// specimen normal, or the score, as chosen), scaled to the pane with whole pixels per point so
// that points stay square, a mark on the point picked, and a click that picks a point.

#include <QDialog>
#include <QImage>
#include <QWidget>

#include <optional>
#include <utility>

class QComboBox;
class QLabel;
class QSpinBox;

namespace tavrel::ui {

class MapPicture;

class MapPane : public QWidget {
    Q_OBJECT
public:
    explicit MapPane(QWidget* parent = nullptr);

    // 0 quality, 1 IPF, 2 score, as app::MapPicture counts them.
    int shown() const;
    void setShown(int which);
    // Which pictures can be chosen (IPF and score only once the map is indexed).
    void setIndexed(bool indexed);
    void showPicture(const QImage& picture, const QString& caption);
    void markPoint(std::optional<std::pair<int, int>> rowColumn);
    std::optional<std::pair<int, int>> markedPoint() const;
    // The point under a position of the picture widget; none off the map.
    std::optional<std::pair<int, int>> pointAt(QPoint position) const;
    QWidget* pictureWidget() const;

signals:
    void pictureChosen(int which);
    void pointPicked(int row, int column);

private:
    QComboBox* choice_ = nullptr;
    QLabel* caption_ = nullptr;
    MapPicture* picture_ = nullptr;
};

// Asks the rows and columns of a map recorded as a folder of `count` pattern images, which
// their product must be (OK stays grey until it is); it starts from the most nearly square
// shape, more columns than rows, that the count allows.
class MapShapeDialog : public QDialog {
    Q_OBJECT
public:
    MapShapeDialog(const QString& folder, long long count, QWidget* parent = nullptr);
    QSpinBox* rowsBox() const { return rows_; }
    QSpinBox* columnsBox() const { return columns_; }
    std::pair<int, int> shape() const;

private:
    QSpinBox* rows_ = nullptr;
    QSpinBox* columns_ = nullptr;
};

} // namespace tavrel::ui
