#include "mapfiles/readers.h"

#include "common/file_io.h"

#include <cmath>
#include <utility>

namespace tavrel {

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

std::optional<StatedPatternCentre> statedCentre(double x, double y, double z) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return std::nullopt;
    if (x == 0 && y == 0 && z == 0) return std::nullopt;
    return StatedPatternCentre{x, y, z};
}

std::uint16_t toUint16(float value) {
    if (!(value > 0)) return 0;
    if (value >= 65535.0f) return 65535;
    return static_cast<std::uint16_t>(std::lround(value));
}

} // namespace mapfiles_detail
} // namespace tavrel
