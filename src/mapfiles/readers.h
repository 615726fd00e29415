#pragma once
// What the pattern readers share, not for callers: the openers of each family of formats, the
// checks every header passes, and sizes multiplied with overflow checks.

#include "mapfiles/pattern_source.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tavrel::mapfiles_detail {

// "\"map.h5\": " for a path.
std::string filePrefix(const std::string& path);

// a * b, or none when it overflows 64 bits or either is negative.
std::optional<std::int64_t> checkedProduct(std::int64_t a, std::int64_t b);

// The map and pattern sizes within the readers' limits, and the optional numbers finite; the
// first field that is not, as a problem after `prefix`.
Outcome checkHeader(const PatternFileHeader& header, const std::string& prefix);

// A pattern centre as a file states it: none for 0 0 0 or a number that is not finite.
std::optional<StatedPatternCentre> statedCentre(double x, double y, double z);

Result<std::unique_ptr<MapPatternSource>> openHdf5PatternFile(const std::string& path,
                                                              const PatternFileOptions& options);
bool looksLikeHdf5(const std::string& path);

Result<std::unique_ptr<MapPatternSource>> openNordifFile(const std::string& path,
                                                         const PatternFileOptions& options);
Result<std::unique_ptr<MapPatternSource>> openEdaxUpFile(const std::string& path);
Result<std::unique_ptr<MapPatternSource>> openOxfordEbspFile(const std::string& path);

// Float pixels to 16 bits, rounded and clamped; NaN becomes 0.
std::uint16_t toUint16(float value);

} // namespace tavrel::mapfiles_detail
