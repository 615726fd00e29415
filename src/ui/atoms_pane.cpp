#include "ui/atoms_pane.h"

#include "common/text.h"
#include "session/field_reader.h"
#include "ui/column_widths.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>

#include <algorithm>
#include <optional>
#include <set>

namespace tavrel::ui {

namespace {

enum Column { Label, Type, X, Y, Z, Occupancy, B, ColumnCount };

const std::array<const char*, ColumnCount> kHeaders{"Label", "Type", "x", "y", "z", "Occ.", "B"};
const std::array<const char*, ColumnCount> kTips{"Site label",
                                                 "Element or ion as a CIF writes it (Fe, O2-)",
                                                 "Fractional coordinate x",
                                                 "Fractional coordinate y",
                                                 "Fractional coordinate z",
                                                 "Occupancy",
                                                 "Isotropic displacement B [A^2]"};

QString numberText(double v) {
    return QString::fromStdString(numberOrFractionText(v));
}

} // namespace

AtomsPane::AtomsPane(QWidget* parent)
    : QWidget(parent), table_(new QTableWidget(0, ColumnCount, this)),
      add_(new QPushButton(QStringLiteral("Add"), this)),
      remove_(new QPushButton(QStringLiteral("Remove"), this)), minIntensity_(new QLineEdit(this)),
      electron_(new QCheckBox(QStringLiteral("Electron scattering"), this)) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setHorizontalSpacing(4);
    layout->setVerticalSpacing(4);

    table_->setObjectName(QStringLiteral("atomsTable"));
    for (int c = 0; c < ColumnCount; ++c) {
        auto* header =
            new QTableWidgetItem(QString::fromLatin1(kHeaders[static_cast<std::size_t>(c)]));
        header->setToolTip(QString::fromLatin1(kTips[static_cast<std::size_t>(c)]));
        table_->setHorizontalHeaderItem(c, header);
    }
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setMinimumSectionSize(24);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A few rows are enough to see and edit the sites of most structures; more scroll.
    table_->setFixedHeight(4 * table_->verticalHeader()->defaultSectionSize() +
                           table_->horizontalHeader()->sizeHint().height() + 2);
    table_->setTabKeyNavigation(false);
    connect(table_, &QTableWidget::itemChanged, this, [this] {
        if (showing_) return;
        const Result<std::vector<AtomSite>> read = sites();
        if (read)
            emit sitesEdited(*read);
        else
            emit sitesRefused(QString::fromStdString(read.problem()));
    });
    layout->addWidget(table_, 0, 0, 1, 4);

    add_->setObjectName(QStringLiteral("addAtomButton"));
    add_->setToolTip(QStringLiteral("Add an atom site"));
    remove_->setObjectName(QStringLiteral("removeAtomButton"));
    remove_->setToolTip(QStringLiteral("Remove the selected atom sites"));
    connect(add_, &QPushButton::clicked, this, &AtomsPane::addSite);
    connect(remove_, &QPushButton::clicked, this, &AtomsPane::removeSelectedSites);
    layout->addWidget(add_, 1, 0);
    layout->addWidget(remove_, 1, 1);

    auto* minimumLabel = new QLabel(QStringLiteral("Min. I [%]"), this);
    minimumLabel->setToolTip(QStringLiteral("Minimum intensity"));
    minIntensity_->setObjectName(QStringLiteral("minIntensityEdit"));
    minIntensity_->setToolTip(
        QStringLiteral("Lines weaker than this per cent of the strongest are not drawn"));
    connect(minIntensity_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!showing_) emit minIntensityEdited(text);
    });
    layout->addWidget(minimumLabel, 1, 2);
    layout->addWidget(minIntensity_, 1, 3);

    electron_->setObjectName(QStringLiteral("electronScatteringBox"));
    electron_->setToolTip(QStringLiteral("Electron scattering factors; otherwise electrons' for a "
                                         "voltage, X-rays' for a wavelength"));
    connect(electron_, &QCheckBox::toggled, this, [this](bool on) {
        if (!showing_) emit electronScatteringToggled(on);
    });
    layout->addWidget(electron_, 2, 0, 1, 4);
}

void AtomsPane::showAtoms(const std::vector<AtomSite>& sites) {
    showing_ = true;
    table_->setRowCount(static_cast<int>(sites.size()));
    for (int row = 0; row < static_cast<int>(sites.size()); ++row) {
        const AtomSite& s = sites[static_cast<std::size_t>(row)];
        const std::array<QString, ColumnCount> texts{QString::fromStdString(s.label),
                                                     QString::fromStdString(s.typeSymbol),
                                                     numberText(s.x),
                                                     numberText(s.y),
                                                     numberText(s.z),
                                                     numberText(s.occupancy),
                                                     numberText(s.bIso)};
        for (int c = 0; c < ColumnCount; ++c) {
            QTableWidgetItem* item = table_->item(row, c);
            if (!item) {
                item = new QTableWidgetItem;
                table_->setItem(row, c, item);
            }
            item->setText(texts[static_cast<std::size_t>(c)]);
        }
    }
    remove_->setEnabled(!sites.empty());
    showing_ = false;
    fitColumns();
}

void AtomsPane::fitColumns() {
    // Every number whole: the pane, and the control frame with it, widens instead.
    table_->setMinimumWidth(ui::fitColumns(*table_, [this](int column) {
        QStringList texts;
        for (int row = 0; row < table_->rowCount(); ++row)
            if (const QTableWidgetItem* item = table_->item(row, column)) texts << item->text();
        return texts;
    }));
}

void AtomsPane::showFields(const DocumentFields& fields) {
    showing_ = true;
    if (minIntensity_->text() != QString::fromStdString(fields.minIntensity))
        minIntensity_->setText(QString::fromStdString(fields.minIntensity));
    electron_->setChecked(
        fields.scattering == ScatteringChoice::Electron ||
        (fields.scattering == ScatteringChoice::ByWavelength && fields.electronBeam));
    showing_ = false;
}

Result<std::vector<AtomSite>> AtomsPane::sites() const {
    std::vector<AtomSite> sites;
    for (int row = 0; row < table_->rowCount(); ++row) {
        auto text = [&](int c) {
            const QTableWidgetItem* item = table_->item(row, c);
            return item ? item->text().trimmed().toStdString() : std::string();
        };
        AtomSite s;
        s.label = text(Label);
        s.typeSymbol = text(Type);
        std::optional<Problem> refused;
        auto number = [&](int c) {
            const std::optional<double> value = wholeNumberOrFraction(text(c));
            if (!value && !refused)
                refused = Problem{
                    "Atom site " +
                    (s.label.empty() ? "in row " + std::to_string(row + 1) : s.label) + ", " +
                    kHeaders[static_cast<std::size_t>(c)] + ": " + inQuotes(text(c)) +
                    " is no number. Type a decimal number or a fraction such as "
                    "1/4."};
            return value.value_or(0);
        };
        s.x = number(X);
        s.y = number(Y);
        s.z = number(Z);
        s.occupancy = number(Occupancy);
        s.bIso = number(B);
        if (refused) return *refused;
        sites.push_back(std::move(s));
    }
    return sites;
}

void AtomsPane::addSite() {
    Result<std::vector<AtomSite>> read = sites();
    if (!read) return; // the table holds only what the document took
    std::vector<AtomSite> now = std::move(*read);
    // A new site the user then names: hydrogen at the origin is a valid start for any cell.
    AtomSite site;
    site.label = "A" + std::to_string(now.size() + 1);
    site.typeSymbol = "H";
    now.push_back(site);
    emit sitesEdited(now);
}

void AtomsPane::removeSelectedSites() {
    std::set<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedIndexes())
        rows.insert(index.row());
    if (rows.empty() && table_->currentRow() >= 0) rows.insert(table_->currentRow());
    if (rows.empty()) return;
    const Result<std::vector<AtomSite>> read = sites();
    if (!read) return;
    std::vector<AtomSite> kept;
    const std::vector<AtomSite>& now = *read;
    for (int row = 0; row < static_cast<int>(now.size()); ++row)
        if (!rows.count(row)) kept.push_back(now[static_cast<std::size_t>(row)]);
    emit sitesEdited(kept);
}

} // namespace tavrel::ui
