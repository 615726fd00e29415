#pragma once
// The samples of the Samples menu: the cell menu file "lib/cellmenu.txt" in the work folder,
// read once at start-up (a first start writes the full default file; a file that cannot be read
// leaves the built-in samples and stays as it is), and the file "Edit ..." opens.

#include "common/result.h"
#include "samples/sample_list.h"

#include <QString>

namespace tavrel::app {

class SampleCatalogue {
public:
    explicit SampleCatalogue(const QString& workFolder);

    const SampleList& samples() const { return samples_; }
    const QString& path() const { return path_; }
    // The file for the editor, created short when nothing is there; a problem names it and why
    // it cannot be written.
    Outcome prepareForEditing() const;

private:
    QString path_;
    SampleList samples_;
};

} // namespace tavrel::app
