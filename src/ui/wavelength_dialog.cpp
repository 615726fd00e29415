#include "ui/wavelength_dialog.h"

#include "ui/messages.h"
#include "ui/user_dialogs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tavrel::ui {

namespace {

constexpr std::array<EmissionLine, 3> kChoosableLines{EmissionLine::KAlpha1, EmissionLine::KAlpha2,
                                                      EmissionLine::KBeta1};

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

WavelengthDialog::WavelengthDialog(UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
    setWindowTitle(QString::fromLatin1(kWavelengthDialogTitle));
    setObjectName(QStringLiteral("wavelengthDialog"));

    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(QStringLiteral("Element symbol or Atomic number"), this);
    elementEdit_ = new QLineEdit(this);
    elementEdit_->setObjectName(QStringLiteral("elementEdit"));
    prompt->setBuddy(elementEdit_);
    layout->addWidget(prompt);
    layout->addWidget(elementEdit_);

    // The Greek letters are real characters: any font of the desktop shows them.
    auto* lines = new QHBoxLayout;
    auto* group = new QButtonGroup(this);
    for (std::size_t i = 0; i < kChoosableLines.size(); ++i) {
        auto* button = new QRadioButton(fromUtf8(emissionLineName(kChoosableLines[i])), this);
        button->setObjectName(QStringLiteral("lineButton%1").arg(static_cast<int>(i)));
        group->addButton(button, static_cast<int>(i));
        lines->addWidget(button);
        lineButtons_[i] = button;
    }
    lineButtons_[0]->setChecked(true);
    lines->addStretch(1);
    layout->addLayout(lines);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    okButton_ = buttons->button(QDialogButtonBox::Ok);
    cancelButton_ = buttons->button(QDialogButtonBox::Cancel);
    // Enter in the entry acts as OK.
    okButton_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &WavelengthDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &WavelengthDialog::reject);
    layout->addSpacing(4);
    layout->addWidget(buttons);

    // Wide enough for the whole title in a bold title bar beside the window's buttons.
    QFont titleFont = font();
    titleFont.setBold(true);
    setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(windowTitle()) +
                    10 * fontMetrics().height());
    // A modal dialog is closed, not minimised or enlarged.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    elementEdit_->setFocus();
}

EmissionLine WavelengthDialog::selectedLine() const {
    for (std::size_t i = 0; i < lineButtons_.size(); ++i)
        if (lineButtons_[i]->isChecked()) return kChoosableLines[i];
    return kChoosableLines[0];
}

QString WavelengthDialog::wavelengthText() const {
    return QString::fromStdString(wavelengthFieldText(wavelength_));
}

void WavelengthDialog::accept() {
    const Result<float> lookup =
        lookUpWavelength(elementEdit_->text().toStdString(), selectedLine());
    if (!lookup) {
        dialogs_.error(this, programTitle(), QString::fromStdString(lookup.problem()));
        elementEdit_->selectAll();
        elementEdit_->setFocus();
        return;
    }
    wavelength_ = *lookup;
    QDialog::accept();
}

} // namespace tavrel::ui
