#include "ui/colour_scheme_pane.h"

#include "app/controller.h"
#include "render/colour_table.h"
#include "ui/user_dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace tavrel::ui {

namespace {

// Captions whose spaces place the three boxes: each box stands under its word.
const QString kBoxCaption =
    QStringLiteral("Background 1             2                Line Highlight");
constexpr QSize kBoxSize(40, 20);

QColor qColourOf(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

Rgb rgbOf(const QColor& c) {
    return Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
               static_cast<std::uint8_t>(c.blue())};
}

QImage stripImage() {
    QImage image(kSchemeStripWidth, SchemeStrip::kHeight, QImage::Format_RGB32);
    for (int row = 0; row < image.height(); ++row)
        for (int column = 0; column < image.width(); ++column) {
            const Rgb c = schemeStripColour(column, row);
            image.setPixel(column, row, qRgb(c.r, c.g, c.b));
        }
    return image;
}

} // namespace

SchemeStrip::SchemeStrip(QWidget* parent) : QWidget(parent), bands_(stripImage()) {
    setObjectName(QStringLiteral("schemeStrip"));
    setToolTip(QStringLiteral("Click to change color scheme"));
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
}

QSize SchemeStrip::sizeHint() const {
    return {kSchemeStripWidth, kHeight};
}

void SchemeStrip::showScheme(int scheme) {
    shown_ = scheme;
    update();
}

void SchemeStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), bands_);
    // The rows a click on which picks the shown scheme.
    int top = -1, bottom = -1;
    for (int y = 0; y < kHeight; ++y) {
        if (schemeFromStripClick(y + 0.5) != shown_) continue;
        if (top < 0) top = y;
        bottom = y;
    }
    if (top < 0) return;
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(1, top + 1, width() - 2, bottom - top));
}

void SchemeStrip::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
    emit schemeClicked(schemeFromStripClick(event->position().y()));
}

ColourSchemePane::ColourSchemePane(app::SimulationController& controller, UserDialogs& dialogs,
                                   QWidget* parent)
    : QFrame(parent), controller_(controller), dialogs_(dialogs), strip_(new SchemeStrip(this)),
      boxRow_(new QWidget(this)), reset_(new QPushButton(QStringLiteral("Reset"), this)),
      close_(new QPushButton(QStringLiteral("Close"), this)) {
    setObjectName(QStringLiteral("colourSchemePane"));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(4);
    auto* title = new QLabel(QStringLiteral("Select Color Scheme"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    layout->addWidget(strip_);
    auto* caption = new QLabel(kBoxCaption, this);
    caption->setObjectName(QStringLiteral("colourBoxCaption"));
    layout->addWidget(caption);

    static const std::array<const char*, 3> kTips{"Click to change color 1",
                                                  "Click to change color 2", ""};
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        auto* box = new QToolButton(boxRow_);
        box->setObjectName(QStringLiteral("colourBox%1").arg(i + 1));
        box->setToolTip(QString::fromLatin1(kTips[i]));
        box->setFixedSize(kBoxSize);
        box->setIconSize(kBoxSize - QSize(8, 8));
        connect(box, &QToolButton::clicked, this,
                [this, which = static_cast<int>(i)] { chooseColour(which); });
        boxes_[i] = box;
    }
    boxRow_->setFixedHeight(kBoxSize.height());
    layout->addWidget(boxRow_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(reset_);
    buttons->addWidget(close_);
    layout->addLayout(buttons);

    connect(strip_, &SchemeStrip::schemeClicked, this, [this](int scheme) {
        controller_.view().selectColourScheme(scheme);
        strip_->showScheme(controller_.pattern().colours.schemeIndex);
    });
    connect(reset_, &QPushButton::clicked, this, [this] {
        controller_.view().resetColours();
        showColours();
        strip_->showScheme(controller_.pattern().colours.schemeIndex);
    });
    // The pane floats over the canvas, whose keys stay with the canvas: Escape is the window's.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, close_, &QPushButton::click);
    escape->setObjectName(QStringLiteral("colourSchemeEscape"));
    escape->setContext(Qt::WindowShortcut);
    connect(close_, &QPushButton::clicked, this, [this] {
        hide();
        emit closed();
    });
    hide();
}

void ColourSchemePane::open() {
    showColours();
    strip_->showScheme(controller_.pattern().colours.schemeIndex);
    adjustSize();
    show();
    raise();
}

void ColourSchemePane::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    placeBoxes();
}

void ColourSchemePane::placeBoxes() {
    // Under the middle of "1", of "2" and of "Line Highlight" of the caption above.
    const QFontMetrics metrics(font());
    auto middleOf = [&](qsizetype from, qsizetype length) {
        return metrics.horizontalAdvance(kBoxCaption.left(from)) +
               metrics.horizontalAdvance(kBoxCaption.mid(from, length)) / 2;
    };
    const qsizetype highlight = kBoxCaption.indexOf(QStringLiteral("Line"));
    const std::array<int, 3> middles{middleOf(kBoxCaption.indexOf(QLatin1Char('1')), 1),
                                     middleOf(kBoxCaption.indexOf(QLatin1Char('2')), 1),
                                     middleOf(highlight, kBoxCaption.size() - highlight)};
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        boxes_[i]->move(std::max(0, middles[i] - kBoxSize.width() / 2), 0);
}

void ColourSchemePane::showColours() {
    const auto& colours = controller_.pattern().colours.baseColours;
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        QPixmap swatch(boxes_[i]->iconSize());
        swatch.fill(qColourOf(colours[i]));
        QPainter painter(&swatch);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
        painter.end();
        boxes_[i]->setIcon(QIcon(swatch));
    }
}

void ColourSchemePane::chooseColour(int which) {
    const Rgb present = controller_.pattern().colours.baseColours[static_cast<std::size_t>(which)];
    const std::optional<QColor> chosen = dialogs_.chooseColour(this, qColourOf(present));
    if (!chosen || !chosen->isValid()) return;
    controller_.view().setBaseColour(which, rgbOf(chosen->toRgb()));
    showColours();
}

} // namespace tavrel::ui
