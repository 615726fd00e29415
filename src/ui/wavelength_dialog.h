#pragma once
// The dialog behind the "?" beside a wavelength field: the wavelength of a K line of an element
// typed as a symbol or an atomic number. It closes accepted only with a wavelength found; an
// element or a line it cannot use is reported and the dialog stays open for a correction, so
// that the field is never filled with a wavelength that does not exist.

#include "calculators/emission_lines.h"

#include <QDialog>

#include <array>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tavrel::ui {

class UserDialogs;

inline const char* const kWavelengthDialogTitle = "Characteristic X-ray Wavelength [A]";

class WavelengthDialog : public QDialog {
    Q_OBJECT
public:
    // Messages go through `dialogs`, which must outlive the dialog.
    explicit WavelengthDialog(UserDialogs& dialogs, QWidget* parent = nullptr);

    QLineEdit* elementEdit() const { return elementEdit_; }
    // Kα1, Kα2, Kβ1.
    QRadioButton* lineButton(std::size_t index) const { return lineButtons_.at(index); }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    EmissionLine selectedLine() const;
    // The wavelength (angstrom) OK found; 0 until then.
    float wavelength() const { return wavelength_; }
    // The wavelength as a wavelength field takes it ("1.54061").
    QString wavelengthText() const;

    // OK and Enter: looks the line up; closes only when it was found.
    void accept() override;

private:
    UserDialogs& dialogs_;
    QLineEdit* elementEdit_ = nullptr;
    std::array<QRadioButton*, 3> lineButtons_{};
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    float wavelength_ = 0;
};

} // namespace tavrel::ui
