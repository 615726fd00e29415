#include "ui/input_panes.h"

#include "spacegroup/settings.h"
#include "ui/icons.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <optional>

namespace tavrel::ui {

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

QLabel* captionLabel(const char* caption, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    return label;
}

void setTextKeepingCursor(QLineEdit* edit, const std::string& s) {
    const QString t = text(s);
    if (edit->text() != t) edit->setText(t);
}

// Typing on the space-group list picks a group by its number ("11") or its symbol ("Fd-3m",
// "P21/c"): the keys typed in quick succession are read as one text, and each key that makes it
// name a group selects that group. Other keys work as the list's own.
class GroupTyping : public QObject {
public:
    explicit GroupTyping(QComboBox& list) : QObject(&list), list_(list) {
        list.installEventFilter(this);
        // The open list too, where Return then takes the group shown.
        list.view()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        if (typed.isEmpty() || !typed.at(0).isPrint() ||
            key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        if (!sinceLast_.isValid() || sinceLast_.elapsed() > QApplication::keyboardInputInterval())
            text_.clear();
        sinceLast_.start();
        // A space starting a text opens the list, as it always did.
        if (text_.isEmpty() && typed.trimmed().isEmpty()) return false;
        text_ += typed;
        const std::optional<int> row =
            matchSettingRow(text_.trimmed().toUpper().toStdString(), RGroupAxes::Hexagonal);
        if (row) {
            const int position = groupNumberOfRow(*row) - 1;
            if (position >= 0 && position < list_.count()) {
                if (watched == list_.view())
                    list_.view()->setCurrentIndex(list_.model()->index(position, 0));
                else
                    list_.setCurrentIndex(position);
            }
        }
        return true;
    }

private:
    QComboBox& list_;
    QString text_;
    QElapsedTimer sinceLast_;
};

} // namespace

InputPanes::InputPanes(QWidget* parent)
    : QObject(parent), sample_(new QWidget(parent)), simulation_(new QWidget(parent)) {
    buildSample();
    buildSimulation();
}

QLineEdit* InputPanes::fieldEdit(app::TextField field, int index, const char* toolTip,
                                 const QString& name) {
    auto* edit = new QLineEdit;
    edit->setToolTip(QString::fromUtf8(toolTip));
    edit->setObjectName(name);
    connect(edit, &QLineEdit::textChanged, this, [this, field, index](const QString& t) {
        if (!showing_) emit textEdited(field, index, t);
    });
    return edit;
}

void InputPanes::buildSample() {
    auto* layout = new QGridLayout(sample_);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setHorizontalSpacing(4);
    layout->setVerticalSpacing(4);

    titleEdit = fieldEdit(app::TextField::Title, 0, "Description", QStringLiteral("titleEdit"));
    titleEdit->setPlaceholderText(QStringLiteral("Description"));
    layout->addWidget(titleEdit, 0, 0, 1, 6);

    spaceGroupList = new QComboBox;
    spaceGroupList->setObjectName(QStringLiteral("spaceGroupList"));
    spaceGroupList->setToolTip(QStringLiteral("Space Group for Extinction Rules"));
    spaceGroupList->setMaxVisibleItems(20);
    for (int i = 0; i < kSpaceGroupCount; ++i)
        spaceGroupList->addItem(text(spaceGroupListEntry(i)));
    connect(spaceGroupList, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && !showing_) emit spaceGroupPicked(index);
    });
    layout->addWidget(spaceGroupList, 1, 0, 1, 6);
    new GroupTyping(*spaceGroupList);

    static const std::array<const char*, 6> kTips{
        "Lattice constant a [A]",    "Lattice constant b [A]",   "Lattice constant c [A]",
        "Lattice angle alpha [deg]", "Lattice angle beta [deg]", "Lattice angle gamma [deg]"};
    static const std::array<const char*, 6> kSymbols{"a", "b", "c", "α", "β", "γ"};
    for (std::size_t i = 0; i < 6; ++i) {
        cellEdits[i] = fieldEdit(app::TextField::Cell, static_cast<int>(i), kTips[i],
                                 QStringLiteral("cellEdit%1").arg(static_cast<int>(i)));
        const int row = 2 + static_cast<int>(i / 3);
        const int column = 2 * static_cast<int>(i % 3);
        auto* symbol = captionLabel(kSymbols[i], sample_);
        symbol->setToolTip(QString::fromUtf8(kTips[i]));
        layout->addWidget(symbol, row, column);
        layout->addWidget(cellEdits[i], row, column + 1);
    }
    for (int column = 1; column < 6; column += 2) layout->setColumnStretch(column, 1);
}

void InputPanes::buildSimulation() {
    auto* layout = new QVBoxLayout(simulation_);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(2);
    auto row = [&](const char* caption) {
        layout->addWidget(captionLabel(caption, simulation_));
        auto* line = new QHBoxLayout;
        line->setSpacing(4);
        layout->addLayout(line);
        return line;
    };

    QHBoxLayout* dRow = row("d-Spacing Range [A]");
    dEdits[0] = fieldEdit(app::TextField::D, 0, "d-Min [A]", QStringLiteral("dMinEdit"));
    dEdits[1] = fieldEdit(app::TextField::D, 1, "d-Max [A]", QStringLiteral("dMaxEdit"));
    dRow->addWidget(dEdits[0]);
    dRow->addWidget(dEdits[1]);

    QHBoxLayout* limitRow = row("hkl Loop Limits");
    static const std::array<const char*, 3> kLimitTips{"|H| - max", "|K| - max", "|L| - max"};
    for (std::size_t i = 0; i < 3; ++i) {
        limitEdits[i] = fieldEdit(app::TextField::Limit, static_cast<int>(i), kLimitTips[i],
                                  QStringLiteral("limitEdit%1").arg(static_cast<int>(i)));
        limitRow->addWidget(limitEdits[i]);
    }
    autoLimitsBox = new QCheckBox(QStringLiteral("Auto"));
    autoLimitsBox->setObjectName(QStringLiteral("autoLimitsBox"));
    autoLimitsBox->setToolTip(QStringLiteral("Automatic hkl limits"));
    connect(autoLimitsBox, &QCheckBox::toggled, this, [this](bool on) {
        setAutoLimits(on);
        if (!showing_) emit autoLimitsToggled(on);
    });
    limitRow->addWidget(autoLimitsBox);

    QHBoxLayout* wavelengthRow = row("Wavelengths [A]");
    static const std::array<const char*, 2> kWavelengthTips{
        "Wavelength 1 [A], or TEM Voltage [keV]", "Wavelength 2 [A], or TEM Voltage [keV]"};
    static const std::array<const char*, 2> kRetrieveTips{"Retrieve wavelength 1",
                                                          "Retrieve wavelength 2"};
    for (std::size_t i = 0; i < 2; ++i) {
        const int n = static_cast<int>(i);
        wavelengthEdits[i] = fieldEdit(app::TextField::Wavelength, n, kWavelengthTips[i],
                                       QStringLiteral("wavelengthEdit%1").arg(n));
        retrieveWavelengthButtons[i] = new QToolButton;
        retrieveWavelengthButtons[i]->setText(QStringLiteral("?"));
        retrieveWavelengthButtons[i]->setToolTip(QString::fromUtf8(kRetrieveTips[i]));
        retrieveWavelengthButtons[i]->setObjectName(QStringLiteral("retrieveWavelength%1").arg(n));
        wavelengthRow->addWidget(wavelengthEdits[i], 1);
        wavelengthRow->addWidget(retrieveWavelengthButtons[i]);
    }

    QHBoxLayout* filmRow = row("Film Size [mm]        Distance");
    static const std::array<const char*, 3> kFilmTips{"Film Width [mm]", "Film Height [mm]",
                                                      "Film Distance [mm]"};
    for (std::size_t i = 0; i < 3; ++i) {
        filmEdits[i] = fieldEdit(app::TextField::Film, static_cast<int>(i), kFilmTips[i],
                                 QStringLiteral("filmEdit%1").arg(static_cast<int>(i)));
        filmRow->addWidget(filmEdits[i]);
    }
    connect(filmEdits[2], &QLineEdit::editingFinished, this, [this] {
        if (!showing_) emit filmDistanceFinished();
    });

    QHBoxLayout* orientationRow = row("Orientation");
    orientationEdit =
        fieldEdit(app::TextField::Orientation, 0, "Orientation vector, Format:  h SPACE k SPACE l",
                  QStringLiteral("orientationEdit"));
    connect(orientationEdit, &QLineEdit::returnPressed, this, &InputPanes::orientationApplied);
    orientationTypeList = new QComboBox;
    orientationTypeList->setObjectName(QStringLiteral("orientationTypeList"));
    orientationTypeList->setToolTip(
        QStringLiteral("Orientation Vector Type (reciprocal/direct lattice vector)"));
    orientationTypeList->addItems(
        {QStringLiteral("hkl"), QStringLiteral("uvw"), QStringLiteral("Euler")});
    connect(orientationTypeList, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && !showing_)
            emit orientationTypePicked(static_cast<OrientationType>(index));
    });
    applyOrientationButton = new QToolButton;
    applyOrientationButton->setObjectName(QStringLiteral("applyOrientationButton"));
    applyOrientationButton->setToolTip(QStringLiteral("Apply orientation"));
    applyOrientationButton->setIcon(icon(QStringLiteral("orient")));
    connect(applyOrientationButton, &QToolButton::clicked, this, &InputPanes::orientationApplied);
    orientationRow->addWidget(orientationEdit, 1);
    orientationRow->addWidget(orientationTypeList);
    orientationRow->addWidget(applyOrientationButton);
}

void InputPanes::setAutoLimits(bool on) {
    for (QLineEdit* edit : limitEdits) edit->setVisible(!on);
    autoLimitsBox->setText(on ? QStringLiteral("Automatic hkl limits") : QStringLiteral("Auto"));
}

void InputPanes::showFields(const DocumentFields& fields) {
    showing_ = true;
    setTextKeepingCursor(titleEdit, fields.title);
    for (std::size_t i = 0; i < 6; ++i) setTextKeepingCursor(cellEdits[i], fields.cell[i]);
    for (std::size_t i = 0; i < 2; ++i) setTextKeepingCursor(dEdits[i], fields.d[i]);
    for (std::size_t i = 0; i < 3; ++i) setTextKeepingCursor(limitEdits[i], fields.hklMax[i]);
    for (std::size_t i = 0; i < 2; ++i)
        setTextKeepingCursor(wavelengthEdits[i], fields.wavelength[i]);
    for (std::size_t i = 0; i < 3; ++i) setTextKeepingCursor(filmEdits[i], fields.film[i]);
    setTextKeepingCursor(orientationEdit, fields.orientation);
    spaceGroupList->setCurrentIndex(fields.spaceGroupIndex);
    orientationTypeList->setCurrentIndex(static_cast<int>(fields.orientationType));
    autoLimitsBox->setChecked(fields.autoLimits);
    setAutoLimits(fields.autoLimits);
    showing_ = false;
}

} // namespace tavrel::ui
