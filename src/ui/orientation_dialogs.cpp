#include "ui/orientation_dialogs.h"

#include "common/numeric.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavrel::ui {

namespace {

QString degrees(double value) {
    return QString::fromStdString(formatNumber(value, "0.000")) + QStringLiteral("\u00b0");
}

} // namespace

OrientationMatrixDialog::OrientationMatrixDialog(const QString& summary, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Orientation Matrix"));
    setObjectName(QStringLiteral("orientationMatrixDialog"));
    auto* layout = new QVBoxLayout(this);
    text_ = new QPlainTextEdit(summary, this);
    text_->setObjectName(QStringLiteral("orientationText"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Wide and tall enough for the whole summary without scrolling.
    const QFontMetrics metrics(text_->font());
    int widest = 0;
    for (const QString& line : summary.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    text_->setMinimumSize(widest + 4 * metrics.averageCharWidth(),
                          (static_cast<int>(summary.count(QLatin1Char('\n'))) + 2) *
                              metrics.lineSpacing());
    layout->addWidget(text_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    copy_ = buttons->addButton(QStringLiteral("Copy"), QDialogButtonBox::ActionRole);
    copy_->setObjectName(QStringLiteral("copyButton"));
    connect(copy_, &QPushButton::clicked, this,
            [summary] { QGuiApplication::clipboard()->setText(summary); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

TiltDialog::TiltDialog(TiltsOf tiltsOf, bool fourIndex, QWidget* parent)
    : QDialog(parent), tiltsOf_(std::move(tiltsOf)) {
    setWindowTitle(QStringLiteral("Tilt to Zone Axis"));
    setObjectName(QStringLiteral("tiltDialog"));
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(fourIndex ? QStringLiteral("Zone axis [u v w] or [U V T W]:")
                                        : QStringLiteral("Zone axis [u v w]:"),
                              this);
    axis_ = new QLineEdit(this);
    axis_->setObjectName(QStringLiteral("axisEdit"));
    prompt->setBuddy(axis_);
    layout->addWidget(prompt);
    layout->addWidget(axis_);
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("tiltResult"));
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    result_->setMinimumWidth(result_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
    layout->addWidget(result_);
    auto* note = new QLabel(
        QStringLiteral("\u03b1 about the picture's horizontal axis, \u03b2 about the holder's "
                       "axis tilted with it; positive by the right-hand rule."),
        this);
    note->setWordWrap(true);
    layout->addWidget(note);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (tilts_) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(axis_, &QLineEdit::textChanged, this, &TiltDialog::update);
    update();
}

void TiltDialog::update() {
    tilts_.reset();
    if (axis_->text().trimmed().isEmpty()) {
        result_->setText(QStringLiteral("Type the zone axis."));
    } else if (const Result<HolderTilts> tilts = tiltsOf_(axis_->text()); !tilts) {
        result_->setText(QString::fromStdString(tilts.problem()));
    } else {
        tilts_ = *tilts;
        QString text = QStringLiteral("\u03b1 = %1    \u03b2 = %2")
                           .arg(degrees(tilts->alpha), degrees(tilts->beta));
        if (tilts->opposite) text += QStringLiteral("\n(the opposite direction, a smaller tilt)");
        result_->setText(text);
    }
    ok_->setEnabled(tilts_.has_value());
}

} // namespace tavrel::ui
