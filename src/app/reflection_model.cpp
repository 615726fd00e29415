#include "app/reflection_model.h"

#include "session/line_strengths.h"
#include "session/reflection_texts.h"
#include "session/simulation.h"
#include "structure/structure_factor.h"

#include <QColor>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace tavrel::app {

namespace {

const std::array<const char*, ReflectionTableModel::kColumnCount + 1> kHeaders{
    "#", "hkl", "d", "Th (1)", "Th (2)", "I"};

// Characters of a whole number's text.
int textLength(int v) {
    int length = v < 0 ? 2 : 1;
    for (v = std::abs(v); v >= 10; v /= 10) ++length;
    return length;
}

} // namespace

ReflectionTableModel::ReflectionTableModel(const Simulation& sim, QObject* parent)
    : QAbstractTableModel(parent), sim_(sim) {
    reload();
}

void ReflectionTableModel::reload() {
    beginResetModel();
    rows_ = sim_.reflections.count();
    columns_ = sim_.strengths.empty() ? kColumnCount : kColumnCount + 1;
    endResetModel();
}

QString ReflectionTableModel::text(int row, int column) const {
    if (column == kIntensityColumn)
        return QString::fromStdString(
            intensityTextOf(sim_.strengths, static_cast<std::size_t>(row)));
    const auto texts =
        reflectionListTexts(sim_.reflections, sim_.document.wavelength, row, fourIndex_);
    return QString::fromStdString(texts[static_cast<std::size_t>(column)]);
}

int ReflectionTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int ReflectionTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

void ReflectionTableModel::thresholdChanged() {
    if (rows_ == 0) return;
    emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1), {Qt::ForegroundRole});
}

QVariant ReflectionTableModel::data(const QModelIndex& index, int role) const {
    if ((role != Qt::DisplayRole && role != Qt::ForegroundRole) || !index.isValid() ||
        index.row() >= rows_ || index.row() >= sim_.reflections.count())
        return {};
    if (index.column() >= columns_) return {};
    if (role == Qt::ForegroundRole) {
        const auto row = static_cast<std::size_t>(index.row());
        const bool weak = row < sim_.strengths.relative.size() &&
                          sim_.strengths.relative[row] < sim_.document.minIntensity;
        if (sim_.reflections.d[row] > sim_.document.displayDMin && !weak) return {};
        return QColor(kBelowThresholdGrey, kBelowThresholdGrey, kBelowThresholdGrey);
    }
    return text(index.row(), index.column());
}

QVariant ReflectionTableModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= columns_)
        return {};
    if (section == 1 && fourIndex_) return QStringLiteral("hkil");
    return QString::fromLatin1(kHeaders[static_cast<std::size_t>(section)]);
}

QStringList ReflectionTableModel::widthSamples(int column) const {
    QStringList samples{QString::fromLatin1(kHeaders[static_cast<std::size_t>(column)])};
    const int n = std::min(rows_, sim_.reflections.count());
    if (n == 0) return samples;
    // The widest texts: the last row number, the most negative or longest indices, and the
    // first and last rows (largest and smallest d, smallest and largest angles).
    std::array<int, 4> rows{0, n - 1, 0, 0};
    const auto& r = sim_.reflections;
    int longest = -1;
    for (int i = 0; i < n; ++i) {
        const auto u = static_cast<std::size_t>(i);
        int width = textLength(r.h[u]) + textLength(r.k[u]) + textLength(r.l[u]);
        if (fourIndex_) width += textLength(-(r.h[u] + r.k[u]));
        if (width > longest) {
            longest = width;
            rows[2] = i;
        }
    }
    rows[3] = n / 2;
    for (int row : rows) samples << text(row, column);
    // The strongest line is 100 per cent, wherever it lies.
    if (column == kIntensityColumn) samples << QString::fromStdString(intensityText(100.0));
    return samples;
}

} // namespace tavrel::app
