#pragma once
// The options of the commands that take a recorded pattern image.

#include "cli/args.h"
#include "detector/detector.h"

#include <optional>
#include <string>

namespace tavrel::cli {

// "--pc "x y"": the pattern centre in fractions of the image's width and height from its top
// left corner (default the image centre); a centre far off the image is refused.
PatternCentre parsePatternCentre(const std::optional<std::string>& text);

} // namespace tavrel::cli
