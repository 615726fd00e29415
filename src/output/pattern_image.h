#pragma once
// A recorded pattern read from a picture file (PNG, JPEG, BMP, TIFF; 8- or 16-bit grey or
// colour, taken as grey) for matching against the lines.

#include "common/result.h"
#include "fit/grey_image.h"

#include <string>

namespace tavrel {

// The longest side of an image as it is read: matching needs no more, and a larger picture is
// read scaled down (each pixel the mean of the area it covers, the extent kept), never whole
// when its format can be read in rows.
inline constexpr int kLargestReadSide = 1024;
// The most pixels a pattern image may declare; a larger one is refused before it is decoded.
inline constexpr long long kMostPatternPixels = 100'000'000;
// The most pixels of a picture that must be decoded whole to be scaled down (BMP, and PNG
// stored interlaced); JPEG is decoded scaled, PNG and grey TIFF in rows.
inline constexpr long long kMostWholePixels = 40'000'000;

// The grey image of the file; a problem names the file and says why it cannot be used (not a
// regular file, not a picture that can be read, smaller than 16 x 16 pixels or larger than the
// limits above). PNG and grey TIFF (8 or 16 bits, or 32-bit floats) are decoded with libpng and
// libtiff, the others (and colour PNG and TIFF up to kLargestReadSide) with Qt; the
// libraries' own messages never reach stderr.
Result<fit::GreyImage> readPatternImage(const std::string& path);

// Whether the file name ends like one of the pictures readPatternImage takes.
bool isPatternImageName(const std::string& path);

} // namespace tavrel
