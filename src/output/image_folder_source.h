#pragma once
// A map recorded as pattern images, one picture a point in map order, read as a map's pattern
// source: every picture of a folder (PNG, JPEG, BMP, TIFF) in the order of their names, numbers
// within names compared as numbers (p_2 before p_10), or the files a name pattern numbers
// ("scan/p_%05d.png": from 0, or from 1 where there is no file 0; "%%" is one "%"). Images
// are decoded as they are read; the first one gives the pattern size, and an image of another
// size, or one that cannot be read, is a problem naming it.

#include "mapfiles/pattern_source.h"

#include <memory>
#include <string>

namespace tavrel {

// Whether a --map argument names images: a folder or a name pattern with "%".
bool namesPatternImages(const std::string& path);

// How many pattern images a folder holds, for asking its map's shape; a problem when it cannot
// be listed.
Result<std::int64_t> countFolderImages(const std::string& path);

// The images as a map of rows x columns, which must be their number.
Result<std::unique_ptr<MapPatternSource>> openImageFolder(const std::string& path, int rows,
                                                          int columns);

} // namespace tavrel
