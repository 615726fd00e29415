#pragma once
// The input fields of the "Sample" and "Simulation" panes. Every edit is announced at once, so
// that the document's fields hold exactly what the user typed; showFields() puts texts the
// document rewrote back into the widgets.

#include "app/controller.h"
#include "crystal/document.h"

#include <QObject>

#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QToolButton;
class QWidget;

namespace tavrel::ui {

class InputPanes : public QObject {
    Q_OBJECT
public:
    explicit InputPanes(QWidget* parent);

    QWidget* sampleContent() const { return sample_; }
    QWidget* simulationContent() const { return simulation_; }

    // Fields -> widgets, without announcing them as edits.
    void showFields(const DocumentFields& fields);
    // The "Auto" box: the limit fields hide while the limits are automatic.
    void setAutoLimits(bool on);

    QLineEdit* titleEdit = nullptr;
    QComboBox* spaceGroupList = nullptr;
    std::array<QLineEdit*, 6> cellEdits{};
    std::array<QLineEdit*, 2> dEdits{}; // d-Min, d-Max
    std::array<QLineEdit*, 3> limitEdits{};
    QCheckBox* autoLimitsBox = nullptr;
    std::array<QLineEdit*, 2> wavelengthEdits{};
    std::array<QToolButton*, 2> retrieveWavelengthButtons{};
    std::array<QLineEdit*, 3> filmEdits{};
    QLineEdit* orientationEdit = nullptr;
    QComboBox* orientationTypeList = nullptr;
    QToolButton* applyOrientationButton = nullptr;

signals:
    // A text field's new text, typed or set by a command of the window.
    void textEdited(tavrel::app::TextField field, int index, const QString& text);
    void spaceGroupPicked(int position);
    void autoLimitsToggled(bool on);
    void orientationTypePicked(tavrel::OrientationType type);
    // Enter in the film distance field, or the field left after an edit.
    void filmDistanceFinished();
    // Enter in the orientation field, or the "Apply orientation" button.
    void orientationApplied();

private:
    void buildSample();
    void buildSimulation();
    QLineEdit* fieldEdit(app::TextField field, int index, const char* toolTip, const QString& name);

    bool showing_ = false;
    QWidget* sample_;
    QWidget* simulation_;
};

} // namespace tavrel::ui
