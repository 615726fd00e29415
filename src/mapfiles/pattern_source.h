#pragma once
// Recorded EBSD pattern maps as the detectors' programs write them: a header with what the file
// says about the map and the detector, and the patterns read in runs into the caller's buffer,
// so that a map of any size is streamed in chunks and never held whole.
//
// Threading: a source is used by one thread at a time. Debian's libhdf5 is the serial build,
// which is not thread-safe across the whole process: all HDF5 sources of a program are to be read
// by one thread at a time (one lock around every read), never by two at once.

#include "common/result.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tavrel {

enum class PatternFileFormat {
    KikuchipyH5,  // kikuchipy's h5ebsd
    EdaxH5,       // EDAX OIM .h5 / .oh5
    BrukerH5,     // Bruker Esprit .h5
    OxfordH5oina, // Oxford AZtec .h5oina
    NordifDat,    // NORDIF Pattern.dat with its Setting.txt
    EdaxUp,       // EDAX .up1 (8 bit) / .up2 (16 bit)
    OxfordEbsp,   // Oxford AZtec .ebsp
    Images,       // a folder of pattern images (the output layer reads them)
};
// "kikuchipy h5ebsd", "EDAX h5", ... as a message names the format.
const char* formatName(PatternFileFormat format);

// Whose definition the three numbers of a pattern centre follow. Bruker: PCx and PCy as
// fractions of the pattern width and height from its top left corner, PCz the detector distance
// over the pattern height (kikuchipy's own files use it too). EDAX: x*, y* from the bottom left
// corner, z* over the width. Oxford: AZtec's PCx, PCy, DD.
enum class PatternCentreConvention { Bruker, Edax, Oxford };
const char* conventionName(PatternCentreConvention convention);

struct StatedPatternCentre {
    double x = 0, y = 0, z = 0;
    friend bool operator==(const StatedPatternCentre&, const StatedPatternCentre&) = default;
};

// What a pattern file says. Optional fields are empty where the file does not say (a pattern
// centre of 0 0 0 counts as not said: vendors write it when none was calibrated).
struct PatternFileHeader {
    PatternFileFormat format = PatternFileFormat::KikuchipyH5;
    // The scans the file holds (HDF5 files may hold several; the others one, named "") and the
    // one this header describes.
    std::vector<std::string> scanNames;
    int scan = 0;

    int rows = 0, columns = 0;               // of the map
    int patternHeight = 0, patternWidth = 0; // pixels
    int bitDepth = 8;                        // as stored: 8, 16 or 32 (float)
    std::optional<double> stepX, stepY;      // micrometres

    PatternCentreConvention centreConvention = PatternCentreConvention::Bruker;
    // One centre for the map, or none when the file keeps one per pattern
    // (readPatternCentres) or none at all.
    std::optional<StatedPatternCentre> patternCentre;
    bool centrePerPattern = false;

    // Degrees. The detector tilt is counted as kikuchipy's detector model counts it (0 for a
    // vertical screen, positive towards the beam), converted from each vendor's angle.
    std::optional<double> sampleTilt, detectorTilt, detectorAzimuth;
    std::optional<double> voltage;   // kV
    std::optional<double> pixelSize; // micrometres on the screen, one binned pixel
    std::optional<int> binning;

    // Row-major, top row first, patternHeight x patternWidth; empty when the file holds none.
    std::vector<float> staticBackground;
    // What the file lacked or held oddly, read past: "the step comes from beam positions".
    std::vector<std::string> warnings;

    std::int64_t patternCount() const { return std::int64_t{rows} * columns; }
    std::int64_t pixelsPerPattern() const { return std::int64_t{patternHeight} * patternWidth; }
};

// A map of patterns, read in runs. Pattern k is the one at row k / columns, column k % columns.
// Every pattern comes row-major, top row first, as the detector recorded it. Implemented by the
// file readers here; a folder of images (decoded by the Qt output layer) can implement it too.
class MapPatternSource {
public:
    virtual ~MapPatternSource() = default;
    virtual const PatternFileHeader& header() const = 0;

    // Patterns [first, first + count) into `out`, which holds exactly count x pixelsPerPattern
    // values. A range beyond the map, a buffer of another size or a read that fails is a
    // problem naming the file; what `out` holds after a failure is unspecified.
    virtual Outcome readPatterns(std::int64_t first, std::int64_t count, std::span<float> out) = 0;
    // As stored where the file holds 8 or 16 bits; float patterns are rounded and clamped to
    // 0..65535.
    virtual Outcome readPatterns(std::int64_t first, std::int64_t count,
                                 std::span<std::uint16_t> out) = 0;
    // The centres of patterns [first, first + count), each empty where the file says 0 0 0;
    // every entry the map's centre when the file keeps one for the map.
    virtual Result<std::vector<std::optional<StatedPatternCentre>>>
    readPatternCentres(std::int64_t first, std::int64_t count);

    // The patterns of map rows [firstRow, endRow).
    Outcome readRows(int firstRow, int endRow, std::span<float> out);
    Outcome readRows(int firstRow, int endRow, std::span<std::uint16_t> out);

protected:
    // The problem for a range, or a buffer (none for a request without one), that does not
    // fit; none when both do.
    std::optional<Problem> checkRequest(std::int64_t first, std::int64_t count,
                                        std::optional<std::size_t> bufferSize) const;
    // Names the file in a message: "\"map.h5\": ".
    virtual std::string prefix() const = 0;
};

struct PatternFileOptions {
    // Which scan of a file holding several (0 = the first).
    int scan = 0;
    // For NORDIF: the settings file when it is not Setting.txt beside the data file.
    std::string settingsPath;
    // The map's shape where the file states none (an early up1, patterns in one row) or the
    // user knows better: rows x columns, which must hold exactly the file's patterns.
    std::optional<std::pair<int, int>> shape;
};

// The largest map and pattern the readers take: anything claiming more is refused before
// anything is allocated for it.
inline constexpr int kLargestPatternSide = 8192;
inline constexpr std::int64_t kLargestPatternPixels = 4096 * 4096;
inline constexpr int kLargestMapSide = 1'000'000;
inline constexpr std::int64_t kLargestPatternCount = 1'000'000'000;

} // namespace tavrel
