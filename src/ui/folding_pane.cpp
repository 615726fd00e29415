#include "ui/folding_pane.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace tavrel::ui {

FoldingPane::FoldingPane(const QString& title, QWidget* content, bool stretches, QWidget* parent)
    : QFrame(parent), title_(new QLabel(title, this)), content_(content), stretches_(stretches) {
    setFrameShape(QFrame::StyledPanel);
    setObjectName(QStringLiteral("foldingPane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 0, 1, 1);
    layout->setSpacing(0);

    title_->setObjectName(QStringLiteral("paneTitle"));
    title_->setFixedHeight(kStripHeight);
    title_->setCursor(Qt::PointingHandCursor);
    title_->setIndent(6);
    title_->setAutoFillBackground(true);
    title_->setBackgroundRole(QPalette::Mid);
    title_->setForegroundRole(QPalette::BrightText);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    title_->installEventFilter(this);
    layout->addWidget(title_);

    content_->setParent(this);
    layout->addWidget(content_, 1);

    fullHeight_ = std::max(kStripHeight, sizeHint().height());
    setFolded(false);
}

QWidget* FoldingPane::titleStrip() const {
    return title_;
}

void FoldingPane::setFolded(bool folded) {
    folded_ = folded;
    content_->setVisible(!folded);
    if (folded) {
        setFixedHeight(kStripHeight);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    } else if (stretches_) {
        // As low as its content allows: the strip and what the content must show.
        setMinimumHeight(0);
        setMaximumHeight(QWIDGETSIZE_MAX);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    } else {
        setFixedHeight(fullHeight_);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
}

bool FoldingPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == title_ && event->type() == QEvent::MouseButtonPress) {
        emit titlePressed();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace tavrel::ui
