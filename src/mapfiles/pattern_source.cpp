#include "mapfiles/pattern_source.h"

#include <string>

namespace tavrel {

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
    case PatternFileFormat::Images:
        return "pattern images";
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

Result<std::vector<std::optional<StatedPatternCentre>>>
MapPatternSource::readPatternCentres(std::int64_t first, std::int64_t count) {
    if (auto problem = checkRequest(first, count, std::nullopt)) return *problem;
    return std::vector<std::optional<StatedPatternCentre>>(static_cast<std::size_t>(count),
                                                           header().patternCentre);
}

Outcome MapPatternSource::readRows(int firstRow, int endRow, std::span<float> out) {
    const std::int64_t columns = header().columns;
    return readPatterns(std::int64_t{firstRow} * columns,
                        (std::int64_t{endRow} - firstRow) * columns, out);
}

Outcome MapPatternSource::readRows(int firstRow, int endRow, std::span<std::uint16_t> out) {
    const std::int64_t columns = header().columns;
    return readPatterns(std::int64_t{firstRow} * columns,
                        (std::int64_t{endRow} - firstRow) * columns, out);
}

std::optional<Problem> MapPatternSource::checkRequest(std::int64_t first, std::int64_t count,
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

} // namespace tavrel
