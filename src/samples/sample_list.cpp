#include "samples/sample_list.h"

#include "common/file_io.h"
#include "common/numeric.h"
#include "common/text.h"
#include "spacegroup/settings_table.h"

#include <filesystem>

namespace tavrel {

namespace {

// The built-in samples are the lines of the file a first start writes.
constexpr std::string_view kFullDefaultCellMenu =
    "'You may edit this file. Up to 30 cells can be added to the Samples-menu.\r\n"
    "'No spaces allowed within the spacegroup symbols\r\n"
    "'Do not use TABs, only Spaces for separating columns\r\n"
    "\r\n"
    "Cu        : 225  FM3M    3.6174   3.6174   3.6174  90   90     90\r\n"
    "Si        : 227  FD3M    5.4307   5.4307   5.4307  90   90     90\r\n"
    "W         : 229  IM3M    3.16522  3.16522  3.16522 90   90     90\r\n"
    "Mg        : 194  P63/MMC 3.2094   3.2094   5.2103  90   90    120\r\n"
    "In        : 139  I4/MMM  3.253    3.253    4.9455  90   90     90\r\n"
    "Pa        : 139  I4/MMM  3.932    3.932    3.28    90   90     90\r\n"
    "Se        : 152  P3121   4.3656   4.3656   4.959   90   90    120\r\n"
    "Ga        :  64  CMCA    4.5186   7.657    4.5258  90   90     90\r\n"
    "I2        :  64  CMCA    7.2647   4.7857   9.7908  90   90     90\r\n"
    "\r\n"
    "P(black)  :  64  CMCA    3.3136  10.478    4.3763  90   90     90\r\n"
    "Diamond   : 227  FD3M    3.56703  3.56703  3.56703 90   90     90\r\n"
    "Graphite  : 186  P63MC   2.4612   2.4612   6.7079  90   90    120\r\n"
    "Quartz    : 154  P3221   4.9128   4.9128   5.4042  90   90    120\r\n"
    "Corundum  : 167  R-3C    4.758    4.758   12.991   90   90    120\r\n"
    "\r\n"
    "alpha-As  : 166  R-3M    3.7602  11.86225  2.609   90   90    120\r\n"
    "alpha-Hg  : 166  R-3M    3.4646   3.4646   6.6772  90   90    120\r\n"
    "alpha-La  : 194  P63/MMC 3.77     3.77    12.159   90   90    120\r\n"
    "alpha-Po  : 221  PM3M    3.352    3.352    3.352   90   90     90\r\n"
    "alpha-Sm  : 166  R-3M    2.071    2.071   26.749   90   90    120\r\n"
    "alpha-U   :  64  CMCA    2.84785  5.85801  4.94553 90   90     90\r\n"
    "alpha-Pu  :  11  P21/M   6.183    4.822   10.963   90  101.79  90\r\n"
    "beta-Sn   : 141  I41/AMD 5.8316   5.8316   3.1813  90   90     90\r\n"
    "\r\n"
    "'you can comment out a line by starting the line with '\r\n"
    "\r\n"
    "'save changes and restart Tavrel to update the menu [Samples]\r\n"
    "\r\n";

// The file "Edit ..." creates: a shorter head, the first four samples of the full file.
constexpr std::string_view kShortHead =
    "'You may edit this file. Up to 30 cells can be added to the Samples-menu.\r\n"
    "'No spaces allowed within the spacegroup symbols\r\n"
    "\r\n";
constexpr int kShortSampleCount = 4;
constexpr std::string_view kShortTail =
    "\r\n"
    "'you can comment out a line by starting the line with '\r\n";

// Pieces between runs of blanks. Tabs are not separators: a user who lines columns up with tabs
// gets a line with the wrong number of fields, which is skipped, rather than a guess.
std::vector<std::string> splitAtBlanks(std::string_view s) {
    std::vector<std::string> pieces;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && s[i] == ' ') ++i;
        std::size_t j = i;
        while (j < s.size() && s[j] != ' ') ++j;
        if (j > i) pieces.emplace_back(s.substr(i, j - i));
        i = j;
    }
    return pieces;
}

int spaceGroupNumber(const Sample& sample) {
    return roundToInt32(leadingNumber(sample.fields[0]));
}

// A sample line's name and fields, or none when the line is a comment, has no ":", or does not
// hold eight usable fields after it.
std::optional<Sample> sampleOfLine(std::string_view rawLine) {
    const std::string line = trim(rawLine);
    if (startsWith(line, "'")) return std::nullopt;
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) return std::nullopt;

    const std::vector<std::string> fields = splitAtBlanks(std::string_view(line).substr(colon + 1));
    if (fields.size() != 8) return std::nullopt;
    Sample sample;
    sample.name = trim(std::string_view(line).substr(0, colon));
    for (std::size_t i = 0; i < 8; ++i) {
        // A tab inside a field would split it in two when the sample is applied.
        if (contains(fields[i], "\t")) return std::nullopt;
        sample.fields[i] = fields[i];
    }
    // The menu could not select a group outside the window's list of 230.
    const int number = spaceGroupNumber(sample);
    if (number < 1 || number > kSpaceGroupCount) return std::nullopt;
    return sample;
}

enum class PathState { Missing, Present, Unknown };

PathState pathState(const std::string& path, std::string& error) {
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    if (ec) {
        error = ec.message();
        return PathState::Unknown;
    }
    return exists ? PathState::Present : PathState::Missing;
}

} // namespace

std::string Sample::cellText() const {
    std::string text;
    for (const std::string& field : fields) {
        if (!text.empty()) text += ' ';
        text += field;
    }
    return text;
}

SampleList SampleList::builtIn() {
    return parse(kFullDefaultCellMenu);
}

// Line rules, on each line stripped of blanks at both ends: "'" starts a comment; a line without
// ":" is ignored; otherwise the name is the text before the first ":" and the rest must split
// into exactly eight blank-separated fields whose space-group number lies in 1..230. Reading
// stops at the 30th sample.
SampleList SampleList::parse(std::string_view content) {
    SampleList list;
    for (const std::string& line : splitLines(std::string(content))) {
        if (std::optional<Sample> sample = sampleOfLine(line))
            list.samples_.push_back(std::move(*sample));
        if (list.samples_.size() == kMaxSamples) break;
    }
    return list;
}

std::vector<std::string> SampleList::names() const {
    std::vector<std::string> names;
    for (const Sample& s : samples_) names.push_back(s.name);
    return names;
}

std::optional<Sample> SampleList::sample(std::size_t index) const {
    if (index >= samples_.size()) return std::nullopt;
    return samples_[index];
}

std::string_view fullDefaultCellMenu() {
    return kFullDefaultCellMenu;
}

std::string_view shortDefaultCellMenu() {
    static const std::string text = [] {
        const std::string_view full = kFullDefaultCellMenu;
        const std::size_t first = full.find("\r\n\r\n") + 4;
        std::size_t end = first;
        for (int i = 0; i < kShortSampleCount; ++i) end = full.find("\r\n", end) + 2;
        return std::string(kShortHead) + std::string(full.substr(first, end - first)) +
               std::string(kShortTail);
    }();
    return text;
}

std::string cellMenuPath(const std::string& programFolder) {
    return joinPath(joinPath(programFolder, "lib"), "cellmenu.txt");
}

SampleListLoad loadSampleList(const std::string& path) {
    SampleListLoad load;
    switch (pathState(path, load.error)) {
    case PathState::Unknown:
        load.list = SampleList::builtIn();
        load.source = SampleListLoad::Source::BuiltInUnreadable;
        return load;
    case PathState::Missing: {
        load.list = SampleList::builtIn();
        const Outcome written = writeFileAtomically(path, std::string(kFullDefaultCellMenu));
        load.source = written ? SampleListLoad::Source::BuiltInCreated
                              : SampleListLoad::Source::BuiltInNotCreated;
        load.error = written.problem();
        return load;
    }
    case PathState::Present:
        break;
    }
    const Result<std::string> content = readWholeFile(path);
    if (!content) {
        load.error = content.problem();
        load.list = SampleList::builtIn();
        load.source = SampleListLoad::Source::BuiltInUnreadable;
        return load;
    }
    load.list = SampleList::parse(*content);
    load.source = SampleListLoad::Source::File;
    return load;
}

Outcome createCellMenuIfMissing(const std::string& path) {
    std::string error;
    switch (pathState(path, error)) {
    case PathState::Present:
        return {};
    case PathState::Unknown:
        return Problem{error};
    case PathState::Missing:
        break;
    }
    return writeFileAtomically(path, std::string(shortDefaultCellMenu()));
}

SampleFieldValues fieldValuesOf(const Sample& sample) {
    SampleFieldValues values;
    values.title = sample.name;
    // Cell values may be written with a decimal comma; the cell fields read only points.
    for (std::size_t i = 0; i < 6; ++i)
        values.cell[i] = removeChars(replaceAll(sample.fields[i + 2], ",", "."), " ");
    values.spaceGroupListIndex = spaceGroupNumber(sample) - 1;
    values.dMax = "0";
    return values;
}

void putIronSample(DocumentFields& fields) {
    fields.spaceGroupIndex = 228; // group 229, I m -3 m
    fields.settingRow.reset();
    fields.hklMax = {"2", "2", "2"};
    fields.autoLimits = false;
    fields.cell = {"2.866", "2.866", "2.866", "90", "90", "90"};
    fields.wavelength = {"1.9361", "0"};
    fields.d = {"1.0", "0"}; // d-Max follows from the cell
    fields.orientation = "0 0 1";
    fields.orientationType = OrientationType::Reciprocal;
    fields.title = "Iron (Fe)";
}

} // namespace tavrel
