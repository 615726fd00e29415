#include "ui/map_pane.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include <algorithm>

namespace tavrel::ui {

class MapPicture : public QWidget {
public:
    explicit MapPicture(MapPane& pane, QWidget* parent) : QWidget(parent), pane_(pane) {
        setMinimumSize(160, 160);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        setCursor(Qt::CrossCursor);
    }
    QImage image;
    std::optional<std::pair<int, int>> marked;

    // The map's rectangle: a whole number of pixels a point where the pane has room (a small
    // map would otherwise blur), centred.
    QRectF mapRect() const {
        if (image.isNull()) return {};
        const double fit = std::min(static_cast<double>(width()) / image.width(),
                                    static_cast<double>(height()) / image.height());
        const double scale = fit >= 1 ? std::floor(fit) : fit;
        const QSizeF size(image.width() * scale, image.height() * scale);
        return {QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size};
    }
    std::optional<std::pair<int, int>> pointAt(QPointF at) const {
        const QRectF r = mapRect();
        if (r.isEmpty() || !r.contains(at)) return std::nullopt;
        const int column =
            std::clamp(static_cast<int>((at.x() - r.left()) / r.width() * image.width()), 0,
                       image.width() - 1);
        const int row =
            std::clamp(static_cast<int>((at.y() - r.top()) / r.height() * image.height()), 0,
                       image.height() - 1);
        return std::pair{row, column};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        if (image.isNull()) return;
        const QRectF r = mapRect();
        p.drawImage(r, image);
        if (!marked) return;
        const double w = r.width() / image.width(), h = r.height() / image.height();
        const QRectF point(r.left() + marked->second * w, r.top() + marked->first * h, w, h);
        // A ring that stands out on any colour: white within black.
        const double grow = std::max(3.0, w / 2);
        const QRectF ring = point.adjusted(-grow, -grow, grow, grow);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 3));
        p.drawRect(ring);
        p.setPen(QPen(Qt::white, 1.5));
        p.drawRect(ring);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        if (const auto at = pointAt(event->position()))
            emit pane_.pointPicked(at->first, at->second);
    }

private:
    MapPane& pane_;
};

MapPane::MapPane(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    choice_ = new QComboBox(this);
    choice_->setObjectName(QStringLiteral("mapPictureChoice"));
    choice_->addItems({QStringLiteral("Pattern quality"),
                       QStringLiteral("IPF along the normal (Z)"), QStringLiteral("Score")});
    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("mapCaption"));
    caption_->setWordWrap(true);
    picture_ = new MapPicture(*this, this);
    picture_->setObjectName(QStringLiteral("mapPicture"));
    layout->addWidget(choice_);
    layout->addWidget(picture_, 1);
    layout->addWidget(caption_);
    connect(choice_, &QComboBox::activated, this, [this](int which) { emit pictureChosen(which); });
    setIndexed(false);
}

int MapPane::shown() const {
    return choice_->currentIndex();
}

void MapPane::setShown(int which) {
    choice_->setCurrentIndex(which);
}

void MapPane::setIndexed(bool indexed) {
    auto* model = qobject_cast<QStandardItemModel*>(choice_->model());
    for (int i = 1; i < 3; ++i) model->item(i)->setEnabled(indexed);
    if (!indexed) choice_->setCurrentIndex(0);
}

void MapPane::showPicture(const QImage& picture, const QString& caption) {
    picture_->image = picture;
    caption_->setText(caption);
    picture_->update();
}

void MapPane::markPoint(std::optional<std::pair<int, int>> rowColumn) {
    picture_->marked = rowColumn;
    picture_->update();
}

std::optional<std::pair<int, int>> MapPane::markedPoint() const {
    return picture_->marked;
}

std::optional<std::pair<int, int>> MapPane::pointAt(QPoint position) const {
    return picture_->pointAt(position);
}

QWidget* MapPane::pictureWidget() const {
    return picture_;
}

MapShapeDialog::MapShapeDialog(const QString& folder, long long count, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Map Shape"));
    auto* form = new QFormLayout(this);
    form->addRow(new QLabel(QStringLiteral("\"%1\" holds %2 pattern images, one for each point "
                                           "of the map, row by row.")
                                .arg(folder)
                                .arg(count)));
    const int most = static_cast<int>(std::clamp(count, 1LL, 1'000'000LL));
    rows_ = new QSpinBox(this);
    columns_ = new QSpinBox(this);
    for (QSpinBox* box : {rows_, columns_}) box->setRange(1, most);
    int rows = 1;
    for (int r = 1; static_cast<long long>(r) * r <= count; ++r)
        if (count % r == 0) rows = r;
    rows_->setValue(rows);
    columns_->setValue(static_cast<int>(std::max(1LL, count / rows)));
    form->addRow(QStringLiteral("&Rows:"), rows_);
    form->addRow(QStringLiteral("&Columns:"), columns_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    const auto check = [this, ok, count] {
        ok->setEnabled(static_cast<long long>(rows_->value()) * columns_->value() == count);
    };
    connect(rows_, &QSpinBox::valueChanged, this, check);
    connect(columns_, &QSpinBox::valueChanged, this, check);
    check();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::pair<int, int> MapShapeDialog::shape() const {
    return {rows_->value(), columns_->value()};
}

} // namespace tavrel::ui
