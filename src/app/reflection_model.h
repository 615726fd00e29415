#pragma once
// The reflection list as a table: one row per reflection in list order (row i is reflection i,
// shown as entry i + 1), five columns "#", "hkl", "d", "Th (1)", "Th (2)", and a sixth, "I", the
// relative intensity, when the structure has atoms. Texts are made when a row is shown, so that
// a list of 32,767 reflections appears at once. Rows of reflections whose d lies at or below the
// line threshold, or whose intensity is below the minimum, are grey: they have no line in the
// picture.

#include <QAbstractTableModel>

namespace tavrel {
struct Simulation;
}

namespace tavrel::app {

class ReflectionTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The columns of every list; the intensity column follows them.
    static constexpr int kColumnCount = 5;
    static constexpr int kIntensityColumn = 5;

    explicit ReflectionTableModel(const Simulation& sim, QObject* parent = nullptr);

    // Call after the simulation's list was replaced.
    void reload();
    // Indices as (h k i l) from the next reload on.
    void setFourIndex(bool on) { fourIndex_ = on; }
    // Call after the d threshold moved: rows whose reflection gets no line are grey.
    void thresholdChanged();

    // The text colour of rows at or below the threshold.
    static constexpr int kBelowThresholdGrey = 200;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The texts a column's width has to fit: the header and the rows whose texts are the
    // longest (the first and last rows, the longest indices and the largest numbers).
    QStringList widthSamples(int column) const;

private:
    QString text(int row, int column) const;

    const Simulation& sim_;
    int rows_ = 0;
    int columns_ = kColumnCount;
    bool fourIndex_ = false;
};

} // namespace tavrel::app
