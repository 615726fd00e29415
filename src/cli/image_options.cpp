#include "cli/image_options.h"

#include "common/text.h"

#include <vector>

namespace tavrel::cli {

PatternCentre parsePatternCentre(const std::optional<std::string>& text) {
    if (!text) return {};
    const std::vector<std::string> parts = splitBlanks(replaceAll(*text, ",", " "));
    if (parts.size() != 2)
        throw UsageError("--pc must be two numbers \"x y\", not '" + *text + "'");
    const double x = parseNumber(parts[0], "the x of --pc");
    const double y = parseNumber(parts[1], "the y of --pc");
    if (x < -1 || x > 2 || y < -1 || y > 2)
        throw UsageError("--pc must lie between -1 and 2 (fractions of the image), not '" + *text +
                         "'");
    return {x, y};
}

} // namespace tavrel::cli
