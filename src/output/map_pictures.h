#pragma once
// The pictures of an orientation map, as PNG files: the inverse-pole-figure colour of each point
// with the colour key of each phase beside the map, and maps of one value a point (pattern
// quality, score) in grey with their scale beneath. A point is one pixel, or a square of a few
// for a small map (the longer side at least 256 pixels, a point at most 8); a point without a
// colour or value is black. Written through the picture writer, so a failed write keeps the
// previous file.

#include "common/result.h"
#include "mapfiles/ipf_colours.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrel {

struct IpfKeyLegend {
    LaueClass laue = LaueClass::Cubic;
    std::string title;                     // "silicon, IPF Z"
    std::vector<std::string> cornerLabels; // one per corner of ipfKeyImage(laue, ...)
};

// `rgb`: 3 bytes a point, row by row; `indexed`: one a point, 0 for black.
Outcome writeIpfMapPicture(const std::string& path, int rows, int columns,
                           std::span<const std::uint8_t> rgb, std::span<const std::uint8_t> indexed,
                           const std::vector<IpfKeyLegend>& keys);

// Grey from the lowest to the highest finite value; NaN for a point without one.
Outcome writeValueMapPicture(const std::string& path, int rows, int columns,
                             std::span<const float> values, const std::string& title);

} // namespace tavrel
