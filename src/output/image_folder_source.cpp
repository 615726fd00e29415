#include "output/image_folder_source.h"

#include "common/file_io.h"
#include "common/text.h"
#include "output/pattern_image.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace tavrel {

namespace {

namespace fs = std::filesystem;

// Names compared with their runs of digits as numbers.
bool naturallyBefore(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
        const bool db = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
        if (da && db) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
            const std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            const std::size_t za = na.find_first_not_of('0'), zb = nb.find_first_not_of('0');
            const std::string sa = za == std::string::npos ? "" : na.substr(za);
            const std::string sb = zb == std::string::npos ? "" : nb.substr(zb);
            if (sa.size() != sb.size()) return sa.size() < sb.size();
            if (sa != sb) return sa < sb;
            i = ei, j = ej;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i, ++j;
    }
    return a.size() - i < b.size() - j;
}

// "p_%05d.png" as the text before and after the number and its width.
struct NamePattern {
    std::string before, after;
    std::size_t width = 0;
    std::string name(std::int64_t number) const {
        std::string digits = std::to_string(number);
        if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
        return before + digits + after;
    }
};

Result<NamePattern> parseNamePattern(const std::string& text) {
    NamePattern pattern;
    std::string* part = &pattern.before;
    bool numbered = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            *part += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '%') {
            *part += '%';
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
        if (numbered || end >= text.size() || text[end] != 'd' || end - i > 4)
            return Problem{inQuotes(text) + " must number its files with one %d or %0Nd"};
        pattern.width = end > i + 1 ? std::stoul(text.substr(i + 1, end - i - 1)) : 0;
        numbered = true;
        part = &pattern.after;
        i = end;
    }
    if (!numbered) return Problem{inQuotes(text) + " must number its files with one %d or %0Nd"};
    return pattern;
}

class ImageFolderSource final : public MapPatternSource {
public:
    ImageFolderSource(std::string prefix, std::vector<std::string> files, PatternFileHeader header)
        : prefix_(std::move(prefix)), files_(std::move(files)), header_(std::move(header)) {}

    const PatternFileHeader& header() const override { return header_; }

    Outcome readPatterns(std::int64_t first, std::int64_t count, std::span<float> out) override {
        if (auto problem = checkRequest(first, count, out.size())) return *problem;
        const auto pixels = static_cast<std::size_t>(header_.pixelsPerPattern());
        for (std::int64_t k = 0; k < count; ++k) {
            auto image = read(first + k);
            if (!image) return image.failure();
            std::copy(image->pixels.begin(), image->pixels.end(),
                      out.begin() +
                          static_cast<std::ptrdiff_t>(static_cast<std::size_t>(k) * pixels));
        }
        return {};
    }

    Outcome readPatterns(std::int64_t first, std::int64_t count,
                         std::span<std::uint16_t> out) override {
        std::vector<float> values(out.size());
        if (auto read = readPatterns(first, count, values); !read) return read;
        std::transform(values.begin(), values.end(), out.begin(), [](float v) {
            return static_cast<std::uint16_t>(std::clamp(std::lround(v), 0L, 65535L));
        });
        return {};
    }

protected:
    std::string prefix() const override { return prefix_; }

private:
    Result<fit::GreyImage> read(std::int64_t k) const {
        const std::string& path = files_[static_cast<std::size_t>(k)];
        Result<fit::GreyImage> image = readPatternImage(path);
        if (image &&
            (image->width != header_.patternWidth || image->height != header_.patternHeight))
            return Problem{inQuotes(path) + " is " + std::to_string(image->width) + " x " +
                           std::to_string(image->height) + " pixels, the map's first pattern " +
                           std::to_string(header_.patternWidth) + " x " +
                           std::to_string(header_.patternHeight)};
        return image;
    }

    std::string prefix_;
    std::vector<std::string> files_;
    PatternFileHeader header_;
};

// The pattern images of a folder in map order.
Result<std::vector<std::string>> folderImages(const std::string& path) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(path, error))
        if (entry.is_regular_file(error) && isPatternImageName(entry.path().string()))
            files.push_back(entry.path().string());
    if (error) return Problem{inQuotes(path) + ": cannot be listed: " + error.message()};
    std::sort(files.begin(), files.end(), naturallyBefore);
    return files;
}

} // namespace

Result<std::int64_t> countFolderImages(const std::string& path) {
    Result<std::vector<std::string>> listed = folderImages(path);
    if (!listed) return listed.failure();
    return static_cast<std::int64_t>(listed->size());
}

bool namesPatternImages(const std::string& path) {
    std::error_code error;
    return path.find('%') != std::string::npos || fs::is_directory(path, error);
}

Result<std::unique_ptr<MapPatternSource>> openImageFolder(const std::string& path, int rows,
                                                          int columns) {
    const std::string prefix = inQuotes(path) + ": ";
    if (rows < 1 || columns < 1 || rows > kLargestMapSide || columns > kLargestMapSide ||
        std::int64_t{rows} * columns > kLargestPatternCount)
        return Problem{prefix + "a map of " + std::to_string(rows) + " x " +
                       std::to_string(columns) + " images is not one this program reads"};
    const std::int64_t count = std::int64_t{rows} * columns;
    std::vector<std::string> files;
    std::error_code error;
    if (fs::is_directory(path, error)) {
        Result<std::vector<std::string>> listed = folderImages(path);
        if (!listed) return listed.failure();
        files = std::move(*listed);
        if (static_cast<std::int64_t>(files.size()) != count)
            return Problem{prefix + "holds " + std::to_string(files.size()) +
                           " pattern images, a map of " + std::to_string(rows) + " x " +
                           std::to_string(columns) + " needs " + std::to_string(count)};
    } else {
        const auto pattern = parseNamePattern(path);
        if (!pattern) return pattern.failure();
        const std::int64_t start = fs::exists(pattern->name(0), error) ? 0 : 1;
        for (std::int64_t k = 0; k < count; ++k) {
            std::string name = pattern->name(start + k);
            if (!fs::is_regular_file(name, error))
                return Problem{prefix + "a map of " + std::to_string(rows) + " x " +
                               std::to_string(columns) + " needs " + inQuotes(name) +
                               ", which is no file"};
            files.push_back(std::move(name));
        }
    }
    const Result<fit::GreyImage> first = readPatternImage(files.front());
    if (!first) return first.failure();
    PatternFileHeader header;
    header.rows = rows;
    header.columns = columns;
    header.patternWidth = first->width;
    header.patternHeight = first->height;
    header.bitDepth = 16;
    header.scanNames = {""};
    header.format = PatternFileFormat::Images;
    return std::unique_ptr<MapPatternSource>(
        std::make_unique<ImageFolderSource>(prefix, std::move(files), std::move(header)));
}

} // namespace tavrel
