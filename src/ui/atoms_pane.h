#pragma once
// The content of the "Atoms" pane: the structure's atom sites in a table (label, element or ion,
// x, y, z, occupancy, B), buttons that add and remove sites, the minimum intensity of the lines
// drawn and the choice of electron scattering. Every edit is announced at once; showAtoms puts
// the sites the document holds back into the table.

#include "common/result.h"
#include "crystal/document.h"
#include "structure/atom_site.h"

#include <QWidget>

#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tavrel::ui {

class AtomsPane : public QWidget {
    Q_OBJECT
public:
    explicit AtomsPane(QWidget* parent = nullptr);

    // The sites into the table, without announcing them as edits.
    void showAtoms(const std::vector<AtomSite>& sites);
    void showFields(const DocumentFields& fields);
    // The sites as the table holds them; a problem naming the site and the column of the first
    // number that cannot be read.
    Result<std::vector<AtomSite>> sites() const;

    QTableWidget* table() const { return table_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* removeButton() const { return remove_; }
    QLineEdit* minIntensityEdit() const { return minIntensity_; }
    QCheckBox* electronBox() const { return electron_; }

signals:
    void sitesEdited(const std::vector<tavrel::AtomSite>& sites);
    // An edit that left a cell without a number; the message names the cell.
    void sitesRefused(const QString& message);
    void minIntensityEdited(const QString& text);
    void electronScatteringToggled(bool on);

private:
    void addSite();
    void removeSelectedSites();
    void fitColumns();

    QTableWidget* table_;
    QPushButton* add_;
    QPushButton* remove_;
    QLineEdit* minIntensity_;
    QCheckBox* electron_;
    bool showing_ = false;
};

} // namespace tavrel::ui
