#include "mapfiles/pattern_files.h"

#include "common/file_io.h"
#include "mapfiles/readers.h"

#include <filesystem>
#include <system_error>

namespace tavrel {

using namespace mapfiles_detail;

namespace {

// The patterns of another source as a map of another shape: the same patterns in the same
// order, pattern k at row k / columns of the new shape.
class ReshapedSource final : public MapPatternSource {
public:
    ReshapedSource(std::unique_ptr<MapPatternSource> inner, PatternFileHeader header,
                   std::string prefix)
        : inner_(std::move(inner)), header_(std::move(header)), prefix_(std::move(prefix)) {}
    const PatternFileHeader& header() const override { return header_; }
    Outcome readPatterns(std::int64_t first, std::int64_t count, std::span<float> out) override {
        return inner_->readPatterns(first, count, out);
    }
    Outcome readPatterns(std::int64_t first, std::int64_t count,
                         std::span<std::uint16_t> out) override {
        return inner_->readPatterns(first, count, out);
    }
    Result<std::vector<std::optional<StatedPatternCentre>>>
    readPatternCentres(std::int64_t first, std::int64_t count) override {
        return inner_->readPatternCentres(first, count);
    }

protected:
    std::string prefix() const override { return prefix_; }

private:
    std::unique_ptr<MapPatternSource> inner_;
    PatternFileHeader header_;
    std::string prefix_;
};

Result<std::unique_ptr<MapPatternSource>> openByKind(const std::string& path,
                                                     const PatternFileOptions& options) {
    const std::string extension = extensionOf(path);
    if (extension == ".up1" || extension == ".up2") return openEdaxUpFile(path);
    if (extension == ".ebsp") return openOxfordEbspFile(path);
    if (extension == ".dat") return openNordifFile(path, options);
    if (looksLikeHdf5(path)) return openHdf5PatternFile(path, options);
    return Problem{filePrefix(path) + "is no pattern file this program reads (HDF5 h5ebsd, "
                                      "h5oina, Pattern.dat, up1, up2, ebsp)",
                   Problem::Kind::WrongKind};
}

} // namespace

Result<std::unique_ptr<MapPatternSource>> openPatternFile(const std::string& path,
                                                          const PatternFileOptions& options) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status))
        return Problem{filePrefix(path) + "cannot be read: " +
                       (error ? error.message() : std::string("No such file or directory"))};
    if (!std::filesystem::is_regular_file(status))
        return Problem{filePrefix(path) + "is not a regular file"};
    auto source = openByKind(path, options);
    if (!source || !options.shape) return source;
    return reshapedMap(std::move(*source), options.shape->first, options.shape->second,
                       filePrefix(path));
}

Result<std::unique_ptr<MapPatternSource>> reshapedMap(std::unique_ptr<MapPatternSource> source,
                                                      int rows, int columns,
                                                      const std::string& prefix) {
    PatternFileHeader header = source->header();
    const auto count = checkedProduct(rows, columns);
    if (rows < 1 || columns < 1 || !count || *count != header.patternCount())
        return Problem{prefix + "holds " + std::to_string(header.patternCount()) +
                       " patterns, not a map of " + std::to_string(rows) + " x " +
                       std::to_string(columns)};
    if (header.rows == rows && header.columns == columns) return source;
    header.rows = rows;
    header.columns = columns;
    std::erase_if(header.warnings,
                  [](const std::string& w) { return w.find("map shape") != std::string::npos; });
    if (auto checked = checkHeader(header, prefix); !checked) return checked.failure();
    return std::unique_ptr<MapPatternSource>(
        std::make_unique<ReshapedSource>(std::move(source), std::move(header), prefix));
}

} // namespace tavrel
