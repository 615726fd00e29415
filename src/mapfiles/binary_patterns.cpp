// The binary pattern files: NORDIF's Pattern.dat (8-bit patterns one after the other, the map
// described by Setting.txt beside it), EDAX's .up1/.up2 (a small header, then 8- or 16-bit
// patterns) and Oxford's .ebsp (a table of each map position's file offset, then patterns that
// each carry a header and the beam position). Every offset and size a file states is checked
// against the file's length before it is used.

#include "common/file_io.h"
#include "common/text.h"
#include "mapfiles/readers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::mapfiles_detail {
namespace {

// A regular file read at offsets; a FIFO or device is refused without waiting on it.
class BinaryFile {
public:
    BinaryFile() = default;
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;
    BinaryFile(BinaryFile&& other) noexcept
        : prefix_(std::move(other.prefix_)), descriptor_(std::exchange(other.descriptor_, -1)),
          size_(other.size_) {}
    ~BinaryFile() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }

    static Result<BinaryFile> open(const std::string& path) {
        BinaryFile file;
        file.prefix_ = filePrefix(path);
        file.descriptor_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (file.descriptor_ < 0)
            return Problem{file.prefix_ + "cannot be read: " + std::strerror(errno)};
        struct stat status {};
        if (::fstat(file.descriptor_, &status) != 0 || !S_ISREG(status.st_mode))
            return Problem{file.prefix_ + "is not a regular file"};
        file.size_ = static_cast<std::int64_t>(status.st_size);
        return file;
    }

    std::int64_t size() const { return size_; }
    const std::string& prefix() const { return prefix_; }

    Outcome readAt(std::int64_t offset, void* into, std::int64_t length) const {
        if (offset < 0 || length < 0 || offset > size_ || length > size_ - offset)
            return Problem{prefix_ + "ends at byte " + std::to_string(size_) + ", before the " +
                           std::to_string(length) + " bytes at byte " + std::to_string(offset)};
        auto* bytes = static_cast<char*>(into);
        while (length > 0) {
            const ssize_t got = ::pread(descriptor_, bytes, static_cast<std::size_t>(length),
                                        static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0)
                return Problem{prefix_ + "cannot be read: " +
                               (got < 0 ? std::strerror(errno) : "it ended early")};
            bytes += got;
            offset += got;
            length -= got;
        }
        return {};
    }

private:
    std::string prefix_;
    int descriptor_ = -1;
    std::int64_t size_ = 0;
};

template <class T> T littleEndian(const unsigned char* bytes) {
    std::array<unsigned char, sizeof(T)> value{};
    std::memcpy(value.data(), bytes, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) std::reverse(value.begin(), value.end());
    return std::bit_cast<T>(value);
}

// Where each pattern's pixels start: one after the other from a first byte, or (the .ebsp
// files) behind a 16-byte pattern header at an offset a table in the file gives.
struct Layout {
    std::int64_t dataOffset = 0;
    std::int64_t tableOffset = -1; // the .ebsp offset table, or -1
    std::int64_t recordBytes = 0;  // from one pattern's first byte to the next one's
    int bytesPerPixel = 1;
};

class BinaryPatternSource final : public MapPatternSource {
public:
    BinaryPatternSource(BinaryFile file, PatternFileHeader header, Layout layout)
        : file_(std::move(file)), header_(std::move(header)), layout_(layout) {}

    const PatternFileHeader& header() const override { return header_; }

    Outcome readPatterns(std::int64_t first, std::int64_t count, std::span<float> out) override {
        return readAs(first, count, out);
    }
    Outcome readPatterns(std::int64_t first, std::int64_t count,
                         std::span<std::uint16_t> out) override {
        return readAs(first, count, out);
    }

protected:
    std::string prefix() const override { return file_.prefix(); }

private:
    template <class T> Outcome readAs(std::int64_t first, std::int64_t count, std::span<T> out) {
        if (auto problem = checkRequest(first, count, out.size())) return *problem;
        const std::int64_t pixels = header_.pixelsPerPattern();
        const std::int64_t patternBytes = pixels * layout_.bytesPerPixel;
        // Runs of at most about 4 MB, so the bytes in flight stay small whatever the request.
        const std::int64_t perRun =
            layout_.tableOffset >= 0 ? 1 : std::max<std::int64_t>(1, (4 << 20) / patternBytes);
        for (std::int64_t done = 0; done < count;) {
            const std::int64_t run = std::min(perRun, count - done);
            const std::int64_t k = first + done;
            if (layout_.tableOffset >= 0) {
                if (auto read = readEbspPattern(k); !read) return read;
            } else {
                bytes_.resize(static_cast<std::size_t>(run * patternBytes));
                if (auto read = file_.readAt(layout_.dataOffset + k * layout_.recordBytes,
                                             bytes_.data(), run * patternBytes);
                    !read)
                    return read;
            }
            T* target = out.data() + done * pixels;
            const std::int64_t values = run * pixels;
            if (layout_.bytesPerPixel == 1) {
                for (std::int64_t i = 0; i < values; ++i)
                    target[i] = static_cast<T>(bytes_[static_cast<std::size_t>(i)]);
            } else {
                for (std::int64_t i = 0; i < values; ++i)
                    target[i] = static_cast<T>(littleEndian<std::uint16_t>(
                        bytes_.data() + static_cast<std::size_t>(2 * i)));
            }
            done += run;
        }
        return {};
    }

    // One pattern of an .ebsp file into bytes_, its own header checked against the first's.
    Outcome readEbspPattern(std::int64_t k) {
        unsigned char entry[8];
        if (auto read = file_.readAt(layout_.tableOffset + 8 * k, entry, 8); !read) return read;
        const auto offset = littleEndian<std::int64_t>(entry);
        const std::int64_t patternBytes = header_.pixelsPerPattern() * layout_.bytesPerPixel;
        bytes_.resize(static_cast<std::size_t>(16 + patternBytes));
        if (auto read = file_.readAt(offset, bytes_.data(), 16 + patternBytes); !read) return read;
        if (littleEndian<std::int32_t>(bytes_.data()) != 0 ||
            littleEndian<std::int32_t>(bytes_.data() + 4) != header_.patternHeight ||
            littleEndian<std::int32_t>(bytes_.data() + 8) != header_.patternWidth ||
            littleEndian<std::int32_t>(bytes_.data() + 12) != patternBytes)
            return Problem{file_.prefix() + "pattern " + std::to_string(k) +
                           " has a header unlike the first pattern's"};
        bytes_.erase(bytes_.begin(), bytes_.begin() + 16);
        return {};
    }

    BinaryFile file_;
    PatternFileHeader header_;
    Layout layout_;
    std::vector<unsigned char> bytes_;
};

std::optional<double> parseNumber(std::string_view typed) {
    const std::string text = trim(typed);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

// "60x60" -> {60, 60}; none unless both are whole numbers.
std::optional<std::pair<std::int64_t, std::int64_t>> parsePair(std::string_view text) {
    const auto cross = text.find('x');
    if (cross == std::string_view::npos) return std::nullopt;
    const auto a = parseNumber(text.substr(0, cross));
    const auto b = parseNumber(text.substr(cross + 1));
    if (!a || !b || *a != std::floor(*a) || *b != std::floor(*b) || std::abs(*a) > 1e12 ||
        std::abs(*b) > 1e12)
        return std::nullopt;
    return std::pair{static_cast<std::int64_t>(*a), static_cast<std::int64_t>(*b)};
}

// The "key<TAB>value<TAB>unit" lines of Setting.txt, found by section and key rather than by
// line number, so that a file of another program version with lines added still reads.
class NordifSettings {
public:
    explicit NordifSettings(const std::string& content) : lines_(splitLines(content, 100000)) {}

    std::optional<std::string> value(std::string_view section, std::string_view key) const {
        bool inSection = false;
        for (const auto& line : lines_) {
            const std::string text = trim(line);
            if (!text.empty() && text.front() == '[') {
                inSection = std::string_view(text).substr(0, text.find(']') + 1) == section;
                continue;
            }
            if (!inSection) continue;
            const auto tab = line.find('\t');
            if (tab == std::string::npos || trim(std::string_view(line).substr(0, tab)) != key)
                continue;
            const std::string_view rest = std::string_view(line).substr(tab + 1);
            return std::string(trim(rest.substr(0, rest.find('\t'))));
        }
        return std::nullopt;
    }

    std::optional<double> number(std::string_view section, std::string_view key) const {
        const auto text = value(section, key);
        return text ? parseNumber(*text) : std::nullopt;
    }

private:
    std::vector<std::string> lines_;
};

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

} // namespace

Result<std::unique_ptr<MapPatternSource>> openNordifFile(const std::string& path,
                                                         const PatternFileOptions& options) {
    auto file = BinaryFile::open(path);
    if (!file) return file.failure();
    const std::string settingsPath = options.settingsPath.empty()
                                         ? joinPath(folderOf(path), "Setting.txt")
                                         : options.settingsPath;
    const auto content = readWholeFile(settingsPath);
    if (!content)
        return Problem{file->prefix() + "needs its settings file: \"" + fileNameOf(settingsPath) +
                       "\" " + content.problem()};
    const NordifSettings settings(*content);
    const std::string settingsPrefix = filePrefix(settingsPath);

    // Number of samples is rows x columns, the resolution width x height.
    const auto samples = settings.value("[Area]", "Number of samples");
    const auto resolution = settings.value("[Acquisition settings]", "Resolution");
    const auto map = samples ? parsePair(*samples) : std::nullopt;
    const auto size = resolution ? parsePair(*resolution) : std::nullopt;
    if (!map) return Problem{settingsPrefix + "names no number of samples (rows x columns)"};
    if (!size) return Problem{settingsPrefix + "names no pattern resolution (width x height)"};
    PatternFileHeader header;
    header.format = PatternFileFormat::NordifDat;
    header.scanNames = {""};
    const auto clampInt = [](std::int64_t v) {
        return static_cast<int>(std::clamp<std::int64_t>(v, -(1 << 30), 1 << 30));
    };
    header.rows = clampInt(map->first);
    header.columns = clampInt(map->second);
    header.patternWidth = clampInt(size->first);
    header.patternHeight = clampInt(size->second);
    if (auto checked = checkHeader(header, settingsPrefix); !checked) return checked.failure();
    header.stepX = header.stepY = settings.number("[Area]", "Step size");
    header.voltage = settings.number("[Microscope]", "Accelerating voltage");
    header.sampleTilt = settings.number("[Microscope]", "Tilt angle");
    // NORDIF's elevation counts the other way round from the detector tilt.
    if (auto elevation = settings.number("[Detector angles]", "Elevation"))
        header.detectorTilt = *elevation == 0 ? 0.0 : -*elevation;
    header.detectorAzimuth = settings.number("[Detector angles]", "Azimuthal");
    header.warnings.push_back("the static background of a NORDIF map is an image beside it, "
                              "not read here");
    if (auto checked = checkHeader(header, settingsPrefix); !checked) return checked.failure();

    const std::int64_t bytes = header.patternCount() * header.pixelsPerPattern();
    if (file->size() < bytes)
        return Problem{file->prefix() + "holds " + std::to_string(file->size()) +
                       " bytes, fewer than the " + std::to_string(bytes) + " of " +
                       std::to_string(header.rows) + " x " + std::to_string(header.columns) +
                       " patterns of " + std::to_string(header.patternWidth) + " x " +
                       std::to_string(header.patternHeight) + " pixels its settings name"};
    Layout layout;
    layout.recordBytes = header.pixelsPerPattern();
    return std::unique_ptr<MapPatternSource>(
        new BinaryPatternSource(std::move(file.value()), std::move(header), layout));
}

Result<std::unique_ptr<MapPatternSource>> openEdaxUpFile(const std::string& path) {
    auto file = BinaryFile::open(path);
    if (!file) return file.failure();
    const std::string& prefix = file->prefix();
    unsigned char head[42] = {};
    if (auto read = file->readAt(0, head, std::min<std::int64_t>(42, file->size())); !read)
        return read.failure();
    if (file->size() < 16) return Problem{prefix + "is too short for an up1/up2 header"};
    const auto version = littleEndian<std::uint32_t>(head);
    if (version == 2 || version == 0 || version > 100)
        return Problem{prefix + "has an up1/up2 header of version " + std::to_string(version) +
                       ", which this program does not read (it reads 1 and 3 and later)"};
    const std::int64_t headerBytes = version == 1 ? 16 : 42;
    if (file->size() < headerBytes) return Problem{prefix + "is too short for its header"};

    PatternFileHeader header;
    header.format = PatternFileFormat::EdaxUp;
    header.scanNames = {""};
    header.centreConvention = PatternCentreConvention::Edax;
    Layout layout;
    layout.bytesPerPixel = extensionOf(path) == ".up2" ? 2 : 1;
    header.bitDepth = 8 * layout.bytesPerPixel;
    const auto width = littleEndian<std::uint32_t>(head + 4);
    const auto height = littleEndian<std::uint32_t>(head + 8);
    layout.dataOffset = littleEndian<std::uint32_t>(head + 12);
    header.patternWidth = static_cast<int>(std::min<std::uint32_t>(width, 1u << 30));
    header.patternHeight = static_cast<int>(std::min<std::uint32_t>(height, 1u << 30));
    if (layout.dataOffset < headerBytes || layout.dataOffset > file->size())
        return Problem{prefix + "says its patterns start at byte " +
                       std::to_string(layout.dataOffset) + ", outside its " +
                       std::to_string(file->size()) + " bytes after the header"};
    header.rows = header.columns = 1;
    if (auto checked = checkHeader(header, prefix); !checked) return checked.failure();
    layout.recordBytes = header.pixelsPerPattern() * layout.bytesPerPixel;
    const std::int64_t available = (file->size() - layout.dataOffset) / layout.recordBytes;

    if (version == 1) {
        // No map shape: the patterns form one row.
        header.columns = static_cast<int>(std::min<std::int64_t>(available, kLargestMapSide + 1));
        header.warnings.push_back("the file names no map shape: its patterns form one row");
    } else {
        const auto columns = littleEndian<std::uint32_t>(head + 17);
        const auto rows = littleEndian<std::uint32_t>(head + 21);
        if (head[25] != 0)
            return Problem{prefix + "holds a hexagonal grid, which this program does not read"};
        header.columns = static_cast<int>(std::min<std::uint32_t>(columns, 1u << 30));
        header.rows = static_cast<int>(std::min<std::uint32_t>(rows, 1u << 30));
        header.stepX = littleEndian<double>(head + 26);
        header.stepY = littleEndian<double>(head + 34);
    }
    if (auto checked = checkHeader(header, prefix); !checked) return checked.failure();
    if (available < header.patternCount())
        return Problem{prefix + "holds " + std::to_string(available) + " patterns of " +
                       std::to_string(header.patternWidth) + " x " +
                       std::to_string(header.patternHeight) + " pixels, its header says " +
                       std::to_string(header.rows) + " x " + std::to_string(header.columns)};
    return std::unique_ptr<MapPatternSource>(
        new BinaryPatternSource(std::move(file.value()), std::move(header), layout));
}

Result<std::unique_ptr<MapPatternSource>> openOxfordEbspFile(const std::string& path) {
    auto opened = BinaryFile::open(path);
    if (!opened) return opened.failure();
    const BinaryFile& file = *opened;
    const std::string& prefix = file.prefix();
    unsigned char word[8];
    if (auto read = file.readAt(0, word, 8); !read) return read.failure();
    // The first version stored no version number: its file starts with the offset table.
    const auto first = littleEndian<std::int64_t>(word);
    const std::int64_t version = first < 0 ? -first : 0;
    const std::int64_t tableOffset = version == 0 ? 0 : version > 3 ? 9 : 8;

    // The table has one entry per map position; it ends where the first pattern starts, which
    // is the smallest offset in it.
    std::int64_t entries = 0, smallest = file.size();
    bool allPresent = true;
    std::vector<unsigned char> block(8 * 8192);
    while (tableOffset + 8 * entries < smallest) {
        const std::int64_t at = tableOffset + 8 * entries;
        const std::int64_t take = std::min<std::int64_t>(8192, (smallest - at) / 8);
        if (take == 0 || !file.readAt(at, block.data(), 8 * take))
            return Problem{prefix + "has an offset table that runs past its end"};
        for (std::int64_t i = 0; i < take && tableOffset + 8 * entries < smallest; ++i) {
            const auto offset = littleEndian<std::int64_t>(block.data() + 8 * i);
            ++entries;
            if (offset == 0) {
                allPresent = false;
                continue;
            }
            if (offset < tableOffset + 8 * entries || offset >= file.size())
                return Problem{prefix + "names byte " + std::to_string(offset) + " for pattern " +
                               std::to_string(entries - 1) + ", outside its " +
                               std::to_string(file.size()) + " bytes of patterns"};
            smallest = std::min(smallest, offset);
        }
    }
    if (entries == 0 || smallest == file.size()) return Problem{prefix + "holds no patterns"};
    if (!allPresent)
        return Problem{prefix + "holds only some of its map's patterns (the non-indexed ones), "
                                "which this program does not read"};
    if (entries > kLargestPatternCount) return Problem{prefix + "names too many patterns"};

    auto offsetOf = [&](std::int64_t k) -> Result<std::int64_t> {
        if (auto read = file.readAt(tableOffset + 8 * k, word, 8); !read) return read.failure();
        return littleEndian<std::int64_t>(word);
    };
    auto firstOffset = offsetOf(0);
    if (!firstOffset) return firstOffset.failure();
    unsigned char head[16];
    if (auto read = file.readAt(*firstOffset, head, 16); !read) return read.failure();
    if (littleEndian<std::int32_t>(head) != 0)
        return Problem{prefix + "holds compressed patterns, which this program does not read"};
    PatternFileHeader header;
    header.format = PatternFileFormat::OxfordEbsp;
    header.scanNames = {""};
    header.centreConvention = PatternCentreConvention::Oxford;
    header.patternHeight = std::max(0, littleEndian<std::int32_t>(head + 4));
    header.patternWidth = std::max(0, littleEndian<std::int32_t>(head + 8));
    header.rows = 1;
    header.columns = 1;
    if (auto checked = checkHeader(header, prefix); !checked) return checked.failure();
    const std::int64_t bytes = littleEndian<std::int32_t>(head + 12);
    Layout layout;
    layout.tableOffset = tableOffset;
    if (bytes == header.pixelsPerPattern())
        layout.bytesPerPixel = 1;
    else if (bytes == 2 * header.pixelsPerPattern())
        layout.bytesPerPixel = 2;
    else
        return Problem{prefix + "has patterns of " + std::to_string(bytes) + " bytes, which is " +
                       "neither 8 nor 16 bits for " + std::to_string(header.patternWidth) + " x " +
                       std::to_string(header.patternHeight) + " pixels"};
    header.bitDepth = 8 * layout.bytesPerPixel;

    // Each pattern is followed by the beam position, from which the map's shape and step come.
    struct Beam {
        std::optional<double> x, y;
    };
    auto beamOf = [&](std::int64_t k) -> Result<Beam> {
        auto offset = offsetOf(k);
        if (!offset) return offset.failure();
        const std::int64_t footer = *offset + 16 + bytes;
        unsigned char f[18] = {};
        Beam beam;
        if (version == 1) {
            if (auto read = file.readAt(footer, f, 16); !read) return read.failure();
            beam.x = littleEndian<double>(f);
            beam.y = littleEndian<double>(f + 8);
        } else if (version >= 2) {
            if (auto read = file.readAt(footer, f, 1); !read) return read.failure();
            std::int64_t at = footer + 1;
            if (f[0] != 0) {
                if (auto read = file.readAt(at, f + 1, 8); !read) return read.failure();
                beam.x = littleEndian<double>(f + 1);
                at += 8;
            }
            if (auto read = file.readAt(at, f + 9, 1); !read) return read.failure();
            if (f[9] != 0) {
                if (auto read = file.readAt(at + 1, f + 10, 8); !read) return read.failure();
                beam.y = littleEndian<double>(f + 10);
            }
        }
        return beam;
    };
    header.columns = static_cast<int>(std::min<std::int64_t>(entries, kLargestMapSide + 1));
    bool shaped = false;
    if (entries >= 2 && version >= 1) {
        auto b0 = beamOf(0), b1 = beamOf(1), bl = beamOf(entries - 1);
        if (!b0) return b0.failure();
        if (!b1) return b1.failure();
        if (!bl) return bl.failure();
        if (b0->x && b0->y && b1->x && bl->x && bl->y) {
            const double step = *b1->x - *b0->x;
            if (std::isfinite(step) && step > 1e-9) {
                const double columns = std::round(std::abs(*bl->x - *b0->x) / step) + 1;
                const double rows = std::round(std::abs(*bl->y - *b0->y) / step) + 1;
                if (std::isfinite(columns) && std::isfinite(rows) &&
                    columns * rows == static_cast<double>(entries)) {
                    header.columns = static_cast<int>(columns);
                    header.rows = static_cast<int>(rows);
                    header.stepX = header.stepY = step;
                    shaped = true;
                }
            }
        }
    }
    if (!shaped)
        header.warnings.push_back("the beam positions give no map shape: the patterns form one "
                                  "row");
    if (auto checked = checkHeader(header, prefix); !checked) return checked.failure();
    return std::unique_ptr<MapPatternSource>(
        new BinaryPatternSource(std::move(opened.value()), std::move(header), layout));
}

} // namespace tavrel::mapfiles_detail
