#include "ui/angle_dialog.h"

#include "common/numeric.h"
#include "common/text.h"
#include "ui/messages.h"
#include "ui/user_dialogs.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace tavrel::ui {

namespace {

struct FrameTexts {
    const char* caption;
    // Written for a form whose fields stood below its words; see captionWords.
    const char* captionLine;
    const char* name;
};

constexpr std::array<FrameTexts, 3> kFrames{{
    {"Angle between two (HKL) vectors",
     "hkl1                     hkl2                   Angle = ", "planePlane"},
    {"Angle between two [UVW] vectors",
     "uvw1                uvw2                  Angle = ", "directionDirection"},
    {"Angle between [UVW] - (HKL) vectors",
     "uvw                     hkl                    Angle = ", "directionPlane"},
}};

// The caption lines place their words above the fields with runs of blanks, which only line up
// in the font they were typed for; each word goes above its own field instead.
QStringList captionWords(const char* captionLine) {
    QStringList words = QString::fromLatin1(captionLine)
                            .trimmed()
                            .split(QRegularExpression(QStringLiteral("\\s{2,}")));
    while (words.size() < 3) words.append(QString());
    return words;
}

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

AngleCalculatorDialog::AngleCalculatorDialog(const std::array<double, 6>& cell,
                                             UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
    setWindowTitle(QStringLiteral(" Angle Calculator"));
    setObjectName(QStringLiteral("angleCalculatorDialog"));
    calculator_.setCell(cell[0], cell[1], cell[2], cell[3], cell[4], cell[5]);

    // Every frame has the same columns, so that the fields stand in line from frame to frame.
    const QFontMetrics metrics = fontMetrics();
    const int inputWidth = metrics.horizontalAdvance(QStringLiteral("-10 -10 -10")) + 16;
    const int resultWidth = metrics.horizontalAdvance(QStringLiteral("180.0000 deg")) + 16;

    auto* layout = new QVBoxLayout(this);
    for (std::size_t i = 0; i < kFrames.size(); ++i) {
        const FrameTexts& texts = kFrames[i];
        const QString name = QString::fromLatin1(texts.name);
        Frame& frame = frames_[i];
        frame.box = new QGroupBox(QString::fromLatin1(texts.caption), this);
        frame.box->setObjectName(name + QStringLiteral("Frame"));
        auto* grid = new QGridLayout(frame.box);
        grid->setHorizontalSpacing(8);
        grid->setVerticalSpacing(2);

        frame.first = new QLineEdit(frame.box);
        frame.second = new QLineEdit(frame.box);
        frame.result = new QLineEdit(frame.box);
        frame.first->setObjectName(name + QStringLiteral("First"));
        frame.second->setObjectName(name + QStringLiteral("Second"));
        frame.result->setObjectName(name + QStringLiteral("Result"));
        frame.first->setFixedWidth(inputWidth);
        frame.second->setFixedWidth(inputWidth);
        frame.result->setFixedWidth(resultWidth);
        // The result is the calculator's; it can still be selected and copied.
        frame.result->setReadOnly(true);

        frame.calculate = new QPushButton(QStringLiteral("?"), frame.box);
        frame.calculate->setObjectName(name + QStringLiteral("Calculate"));
        frame.calculate->setToolTip(QStringLiteral("Calculate Angle"));
        // Enter calculates in the frame it is pressed in; no button is the dialog's default.
        frame.calculate->setAutoDefault(false);
        frame.calculate->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("?")) + 24);

        const QStringList words = captionWords(texts.captionLine);
        const std::array<QLineEdit*, 3> edits{frame.first, frame.second, frame.result};
        for (int column = 0; column < 3; ++column) {
            auto* label = new QLabel(words[column], frame.box);
            label->setBuddy(edits[static_cast<std::size_t>(column)]);
            grid->addWidget(label, 0, column);
            grid->addWidget(edits[static_cast<std::size_t>(column)], 1, column);
        }
        grid->addWidget(frame.calculate, 1, 3);
        grid->setColumnStretch(4, 1);

        const auto kind = static_cast<AngleKind>(i);
        connect(frame.calculate, &QPushButton::clicked, this, [this, kind] { calculate(kind); });
        connect(frame.first, &QLineEdit::returnPressed, this, [this, kind] { calculate(kind); });
        connect(frame.second, &QLineEdit::returnPressed, this, [this, kind] { calculate(kind); });
        layout->addWidget(frame.box);
    }

    note_ = new QLabel(QStringLiteral("The correct unit cell parameters are required in order to "
                                      "obtain correct results") +
                           QStringLiteral(" in the angle calculations."),
                       this);
    note_->setObjectName(QStringLiteral("noteLabel"));
    note_->setWordWrap(true);
    layout->addWidget(note_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    frames_[0].first->setFocus();
}

void AngleCalculatorDialog::calculate(AngleKind kind) {
    const Frame& f = frame(kind);
    f.result->clear();
    const AngleResult result =
        calculator_.angle(kind, f.first->text().toStdString(), f.second->text().toStdString());
    if (result.error == AngleError::None) {
        f.result->setText(QString::fromStdString(result.text));
        return;
    }
    const AngleErrorMessage message = angleErrorMessage(kind, result.error);
    const QString title = message.title.empty() ? programTitle() : fromUtf8(message.title);
    dialogs_.error(this, title, fromUtf8(message.text));
    // The field to correct gets the focus.
    QLineEdit* bad = result.error == AngleError::InvalidFirst    ? f.first
                     : result.error == AngleError::InvalidSecond ? f.second
                                                                 : nullptr;
    if (bad) {
        bad->selectAll();
        bad->setFocus();
    }
}

} // namespace tavrel::ui
