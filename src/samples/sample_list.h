#pragma once
// The ready-made crystal structures of the Samples menu and the cell menu file they come from
// ("lib/cellmenu.txt" under the program folder), which the user edits with a text editor. The
// file is read once at start-up; edits take effect at the next start.

#include "common/result.h"
#include "crystal/document.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

// The menu offers at most this many samples; later sample lines are not read.
inline constexpr std::size_t kMaxSamples = 30;

struct Sample {
    std::string name; // may contain blanks ("P(black)")
    // Space-group number, space-group symbol, a, b, c (angstrom), alpha, beta, gamma (degrees),
    // as written in the file.
    std::array<std::string, 8> fields;

    // The eight fields joined by single blanks ("225 FM3M 3.6174 3.6174 3.6174 90 90 90").
    std::string cellText() const;
    bool operator==(const Sample&) const = default;
};

class SampleList {
public:
    // The list the program falls back on when it has no cell menu file: 22 samples.
    static SampleList builtIn();

    // The samples of a cell menu file's content, by the file's line rules (see the .cpp). Lines
    // that break them are skipped without a message.
    static SampleList parse(std::string_view content);

    std::size_t size() const { return samples_.size(); }
    bool empty() const { return samples_.empty(); }
    const std::vector<Sample>& samples() const { return samples_; }
    std::vector<std::string> names() const;
    // No value for an index beyond the list.
    std::optional<Sample> sample(std::size_t index) const;

private:
    std::vector<Sample> samples_;
};

// The file written at start-up when there is none: comments, the 22 built-in samples in aligned
// columns, CR LF line ends and one extra line break at the end.
std::string_view fullDefaultCellMenu();
// The file "Edit ..." creates when there is none: a few comments and four samples.
std::string_view shortDefaultCellMenu();

// joinPath(programFolder, "lib/cellmenu.txt").
std::string cellMenuPath(const std::string& programFolder);

struct SampleListLoad {
    enum class Source {
        File,              // read from the file
        BuiltInCreated,    // no file: built-in list, and the full default file was written
        BuiltInNotCreated, // no file: built-in list; writing the default file failed
        BuiltInUnreadable  // the file exists but cannot be read: built-in list, file untouched
    };
    SampleList list;
    Source source = Source::File;
    std::string error; // why the file could not be read or written
};

// Start-up: the samples of the cell menu file at `path`. A missing file is replaced by the full
// default file (written atomically); a file that exists but cannot be read is never overwritten.
SampleListLoad loadSampleList(const std::string& path);

// "Edit ...": gives the editor a file to open. Creates the short default file when nothing is at
// `path` and leaves an existing file alone. A problem gives the reason it could not be written.
Outcome createCellMenuIfMissing(const std::string& path);

// What choosing a sample puts into the window's fields.
struct SampleFieldValues {
    std::string title;               // the description field and the document's title
    std::array<std::string, 6> cell; // a, b, c, alpha, beta, gamma
    int spaceGroupListIndex = 0;     // position in the list of the 230 groups (number - 1)
    std::string dMax;                // "0": the largest cell edge becomes d-Max
};

SampleFieldValues fieldValuesOf(const Sample& sample);

// The sample of a first start (and of a start whose saved state is refused): body-centred cubic
// iron, written into the fields it names; the film, the least intensity and the scattering keep
// their texts.
void putIronSample(DocumentFields& fields);

} // namespace tavrel
