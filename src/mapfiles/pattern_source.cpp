#include "mapfiles/pattern_source.h"

#include "common/file_io.h"
#include "mapfiles/readers.h"

#include <cmath>
#include <filesystem>
#include <string_view>

namespace tavrel {

using namespace mapfiles_detail;

const char* formatName(PatternFileFormat format) {
    switch (format) {
    case PatternFileFormat::KikuchipyH5:
        return "kikuchipy h5ebsd";
    case PatternFileFormat::EdaxH5:
        return "EDAX h5";
    case PatternFileFormat::BrukerH5:
        return "Bruker h5";
    case PatternFileFormat::OxfordH5oina:
        return "Oxford h5oina";
    case PatternFileFormat::NordifDat:
        return "NORDIF Pattern.dat";
    case PatternFileFormat::EdaxUp:
        return "EDAX up1/up2";
    case PatternFileFormat::OxfordEbsp:
        return "Oxford ebsp";
    }
    return "";
}

const char* conventionName(PatternCentreConvention convention) {
    switch (convention) {
    case PatternCentreConvention::Bruker:
        return "Bruker";
    case PatternCentreConvention::Edax:
        return "EDAX";
    case PatternCentreConvention::Oxford:
        return "Oxford";
    }
    return "";
}

Result<std::vector<std::optional<PatternCentre>>>
PatternSource::readPatternCentres(std::int64_t first, std::int64_t count) {
    if (auto problem = checkRequest(first, count, std::nullopt)) return *problem;
    return std::vector<std::optional<PatternCentre>>(static_cast<std::size_t>(count),
                                                     header().patternCentre);
}

Outcome PatternSource::readRows(int firstRow, int endRow, std::span<float> out) {
    const std::int64_t columns = header().columns;
    return readPatterns(std::int64_t{firstRow} * columns,
                        (std::int64_t{endRow} - firstRow) * columns, out);
}

Outcome PatternSource::readRows(int firstRow, int endRow, std::span<std::uint16_t> out) {
    const std::int64_t columns = header().columns;
    return readPatterns(std::int64_t{firstRow} * columns,
                        (std::int64_t{endRow} - firstRow) * columns, out);
}

std::optional<Problem> PatternSource::checkRequest(std::int64_t first, std::int64_t count,
                                                   std::optional<std::size_t> bufferSize) const {
    const std::int64_t total = header().patternCount();
    if (first < 0 || count < 0 || first > total || count > total - first)
        return Problem{prefix() + "patterns " + std::to_string(first) + " to " +
                       std::to_string(first + count - 1) + " lie outside its " +
                       std::to_string(total) + " patterns"};
    if (bufferSize && *bufferSize != static_cast<std::size_t>(count * header().pixelsPerPattern()))
        return Problem{prefix() + "a buffer of " + std::to_string(*bufferSize) +
                       " values does not hold " + std::to_string(count) + " patterns of " +
                       std::to_string(header().pixelsPerPattern()) + " pixels"};
    return std::nullopt;
}

Result<std::unique_ptr<PatternSource>> openPatternFile(const std::string& path,
                                                       const PatternFileOptions& options) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status))
        return Problem{filePrefix(path) + "cannot be read: " +
                       (error ? error.message() : std::string("No such file or directory"))};
    if (!std::filesystem::is_regular_file(status))
        return Problem{filePrefix(path) + "is not a regular file"};
    const std::string extension = extensionOf(path);
    if (extension == ".up1" || extension == ".up2") return openEdaxUpFile(path);
    if (extension == ".ebsp") return openOxfordEbspFile(path);
    if (extension == ".dat") return openNordifFile(path, options);
    if (looksLikeHdf5(path)) return openHdf5PatternFile(path, options);
    return Problem{filePrefix(path) + "is no pattern file this program reads (HDF5 h5ebsd, "
                                      "h5oina, Pattern.dat, up1, up2, ebsp)",
                   Problem::Kind::WrongKind};
}

namespace mapfiles_detail {

std::string filePrefix(const std::string& path) {
    return "\"" + fileNameOf(path) + "\": ";
}

std::optional<std::int64_t> checkedProduct(std::int64_t a, std::int64_t b) {
    std::int64_t product = 0;
    if (a < 0 || b < 0 || __builtin_mul_overflow(a, b, &product)) return std::nullopt;
    return product;
}

Outcome checkHeader(const PatternFileHeader& header, const std::string& prefix) {
    auto refuse = [&](const std::string& what) { return Outcome(Problem{prefix + what}); };
    if (header.rows < 1 || header.columns < 1 || header.rows > kLargestMapSide ||
        header.columns > kLargestMapSide)
        return refuse("a map of " + std::to_string(header.rows) + " x " +
                      std::to_string(header.columns) + " patterns is not one this program reads");
    if (header.patternCount() > kLargestPatternCount)
        return refuse("a map of " + std::to_string(header.patternCount()) +
                      " patterns is more than this program reads");
    if (header.patternHeight < 1 || header.patternWidth < 1 ||
        header.patternHeight > kLargestPatternSide || header.patternWidth > kLargestPatternSide ||
        header.pixelsPerPattern() > kLargestPatternPixels)
        return refuse("a pattern of " + std::to_string(header.patternWidth) + " x " +
                      std::to_string(header.patternHeight) +
                      " pixels is not one this program reads");
    const std::pair<const char*, const std::optional<double>*> numbers[] = {
        {"step x", &header.stepX},           {"step y", &header.stepY},
        {"sample tilt", &header.sampleTilt}, {"detector tilt", &header.detectorTilt},
        {"voltage", &header.voltage},        {"pixel size", &header.pixelSize}};
    for (const auto& [name, value] : numbers)
        if (*value && !std::isfinite(**value))
            return refuse(std::string("its ") + name + " is not a number");
    if ((header.stepX && *header.stepX < 0) || (header.stepY && *header.stepY < 0))
        return refuse("its step is negative");
    return {};
}

std::optional<PatternCentre> statedCentre(double x, double y, double z) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return std::nullopt;
    if (x == 0 && y == 0 && z == 0) return std::nullopt;
    return PatternCentre{x, y, z};
}

std::uint16_t toUint16(float value) {
    if (!(value > 0)) return 0;
    if (value >= 65535.0f) return 65535;
    return static_cast<std::uint16_t>(std::lround(value));
}

} // namespace mapfiles_detail
} // namespace tavrel
