#pragma once
// The input fields of the "Sample" and "Simulation" panes, bound to the simulation's
// DocumentFields: every edit goes straight into the field texts, so that reading the document
// reads exactly what the user typed, and showFields() puts texts the core rewrote back into
// the widgets.

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
    InputPanes(DocumentFields& fields, QWidget* parent);

    QWidget* sampleContent() const { return sample_; }
    QWidget* simulationContent() const { return simulation_; }

    // Fields -> widgets, without echoing the change back.
    void showFields();
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
    // Enter in the orientation field, or the "Apply orientation" button.
    void orientationApplied();
    // A film field was edited by the user.
    void filmEdited();

private:
    void buildSample();
    void buildSimulation();
    QLineEdit* boundEdit(std::string& text, const char* toolTip, const QString& name);

    DocumentFields& fields_;
    QWidget* sample_;
    QWidget* simulation_;
};

} // namespace tavrel::ui
