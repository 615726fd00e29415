#pragma once
// A recorded pattern read from a picture file (PNG, JPEG, BMP, TIFF; 8- or 16-bit grey or
// colour, taken as grey) for matching against the lines.

#include "common/result.h"
#include "fit/grey_image.h"

#include <string>

namespace tavrel {

// The grey image of the file; a problem names the file and says why it cannot be used (not a
// regular file, not a picture Qt can read, smaller than 16 x 16 pixels).
Result<fit::GreyImage> readPatternImage(const std::string& path);

// Whether the file name ends like one of the pictures readPatternImage takes.
bool isPatternImageName(const std::string& path);

} // namespace tavrel
