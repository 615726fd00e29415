#include "app/sample_catalogue.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel::app {

SampleCatalogue::SampleCatalogue(const QString& workFolder)
    : path_(QString::fromStdString(cellMenuPath(workFolder.toStdString()))) {
    // A new installation has no lib folder yet; the default file is written into it.
    QDir().mkpath(QFileInfo(path_).absolutePath());
    samples_ = loadSampleList(path_.toStdString()).list;
}

Outcome SampleCatalogue::prepareForEditing() const {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    const Outcome created = createCellMenuIfMissing(path_.toStdString());
    if (created) return created;
    return Problem{"\"" + QDir::toNativeSeparators(path_).toStdString() +
                   "\" cannot be written: " + created.problem()};
}

} // namespace tavrel::app
