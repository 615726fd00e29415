#include "ui/about_window.h"

#include "common/version.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>
#include <QWindow>

namespace tavrel::ui {

namespace {

// The literature of the method: the first observations of the line patterns of diffraction
// cones, with X-rays and with electrons.
constexpr const char* kReferences[] = {
    "W. Kossel, V. Loeck, H. Voges: Die Richtungsverteilung der in einem Kristall entstandenen "
    "charakteristischen R\u00f6ntgenstrahlung. Z. Physik 94 (1935) 139\u2013144.",
    "S. Kikuchi: Diffraction of cathode rays by mica. Jpn. J. Phys. 5 (1928) 83\u201396.",
};

bool isModifierOnly(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_Meta || key == Qt::Key_AltGr || key == Qt::Key_Super_L ||
           key == Qt::Key_Super_R || key == Qt::Key_CapsLock || key == Qt::Key_NumLock;
}

QLabel* wrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

QString aboutVersionText(const QString& version) {
    const QStringList parts = version.split(QLatin1Char('.'));
    const int major = parts.value(0).toInt();
    const int minor = parts.value(1).toInt();
    return QStringLiteral("Tavrel / Morwen         v%1.%2").arg(major).arg(minor);
}

AboutWindow::AboutWindow(std::function<void(app::WebTarget)> open, QWidget* parent)
    : QDialog(parent), open_(std::move(open)) {
    setObjectName(QStringLiteral("aboutWindow"));
    setWindowTitle(QStringLiteral("About Tavrel/Morwen"));
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(8);

    version_ = new QLabel(aboutVersionText(QString::fromLatin1(kVersion)), this);
    version_->setObjectName(QStringLiteral("versionLabel"));
    QFont serif(QStringLiteral("Times New Roman"));
    serif.setStyleHint(QFont::Serif);
    // A font sized in pixels has no point size to scale.
    const qreal base = font().pointSizeF();
    serif.setPointSizeF(base > 0 ? base * 1.8 : 16.0);
    serif.setBold(true);
    version_->setFont(serif);
    // The blanks between name and version are part of the label.
    version_->setTextFormat(Qt::PlainText);
    layout->addWidget(version_);

    QLabel* subtitle = wrappedLabel(
        QStringLiteral("Line patterns of diffraction cones: Kossel and Kikuchi lines of a crystal "
                       "in gnomonic and stereographic projection"),
        this);
    subtitle->setObjectName(QStringLiteral("subtitleLabel"));
    layout->addWidget(subtitle);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    layout->addWidget(rule);

    QLabel* heading = new QLabel(QStringLiteral("References"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    for (const char* reference : kReferences) {
        QLabel* label = wrappedLabel(QString::fromUtf8(reference), this);
        label->setObjectName(QStringLiteral("referenceLabel"));
        label->setIndent(12);
        layout->addWidget(label);
    }

    layout->addSpacing(6);
    layout->addWidget(linkLine(QStringLiteral("Web: "), app::WebTarget::MakerHomepage));
    layout->addWidget(linkLine(QStringLiteral("Email: "), app::WebTarget::MakerEmail));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);

    setMinimumWidth(480);
    // Keys reach the focused child first; every one of them closes the window.
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

QLabel* AboutWindow::linkLine(const QString& lead, app::WebTarget target) {
    const app::WebLink link = app::webLink(target);
    auto* label = new QLabel(this);
    label->setTextFormat(Qt::RichText);
    label->setText(lead.toHtmlEscaped() +
                   QStringLiteral("<a href=\"%1\">%2</a>")
                       .arg(link.url.toString(QUrl::FullyEncoded).toHtmlEscaped(),
                            link.caption.toHtmlEscaped()));
    label->setToolTip(link.url.scheme() == QLatin1String("qrc") ? QStringLiteral("Opens the manual")
                                                                : link.url.toString());
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    label->setOpenExternalLinks(false);
    connect(label, &QLabel::linkActivated, this, [this, target] {
        if (open_) open_(target);
    });
    return label;
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        if (event->isAccepted()) return true;
    }
    return QDialog::eventFilter(watched, event);
}

void AboutWindow::keyPressEvent(QKeyEvent* event) {
    // A lone modifier is no key of its own: Alt on its way to Alt+Tab must not close the window.
    if (isModifierOnly(event->key())) {
        event->ignore();
        return;
    }
    event->accept();
    close();
}

void AboutWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || event->modifiers() != Qt::NoModifier) {
        QDialog::mousePressEvent(event);
        return;
    }
    event->accept();
    // The window system moves the window as if its title bar had been grabbed; where it cannot,
    // the window follows the pointer itself.
    if (QWindow* handle = windowHandle(); handle && handle->startSystemMove()) return;
    grip_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void AboutWindow::mouseMoveEvent(QMouseEvent* event) {
    if (grip_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - *grip_);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void AboutWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) grip_.reset();
    QDialog::mouseReleaseEvent(event);
}

} // namespace tavrel::ui
