#pragma once
// Orientation maps written as the analysis programs read them: EDAX TSL's .ang (Euler angles in
// radians; MTEX, orix, OIM) and Oxford's .ctf (degrees; MTEX, orix, AZtec/Channel 5).
//
// The Euler angles (Bunge, degrees as orientation/euler_angles.h keeps them) are written as the
// caller gives them: the caller puts them into the specimen frame each format expects (EDAX
// TSL's for .ang, Oxford's CS0, turned 90 degrees about the specimen normal against it, for
// .ctf). Points come in map order, row by row, top row first; x = column x step, y = row x step.
//
// The file is written through the atomic writer in chunks as points arrive, so a large map is
// never held as text, and the previous file stays until every point was written and commit
// succeeded.

#include "common/file_io.h"
#include "crystal/unit_cell.h"
#include "mapfiles/pattern_source.h"
#include "orientation/euler_angles.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavrel {

enum class MapFileFormat { Ang, Ctf };

struct MapPhase {
    std::string name;    // "Nickel"
    std::string formula; // "Ni"
    UnitCell cell;       // angstrom and degrees
    // 1..230; the file takes its Laue class (and the .ctf the number itself).
    int spaceGroupNumber = 0;
};

struct MapFileHeader {
    int columns = 0, rows = 0;
    double stepX = 0, stepY = 0; // micrometres
    // The map row of the file's first row: a piece of a map (rows firstRow .. firstRow + rows
    // - 1) keeps the positions of the whole map, so that pieces join into it.
    int firstRow = 0;
    std::vector<MapPhase> phases;
    // The .ang's x*, y*, z* (EDAX convention); written as 0 0 0 when none is given.
    std::optional<StatedPatternCentre> edaxCentre;
    std::optional<double> workingDistance;      // mm
    std::optional<double> sampleTilt;           // degrees (.ctf)
    std::optional<double> detectorTilt;         // degrees, as the pattern headers count it (.ctf)
    std::optional<double> voltage;              // kV (.ctf)
    std::optional<double> magnification;        // (.ctf)
    std::string operatorName, sampleId, scanId; // .ang; the .ctf takes the scan as project
};

struct MapPoint {
    EulerAngles angles; // degrees
    // 1-based index into the header's phases; 0 for a point not indexed.
    int phase = 0;
    // .ang: image quality, confidence index (-1 is written for a point not indexed), the
    // detector (SEM) signal, and the fit in degrees (180 for a point not indexed).
    double imageQuality = 0, confidenceIndex = 0, semSignal = 0, fit = 0;
    // .ctf: bands, error code (0 success; a point not indexed with 0 is written as 3, "no
    // solution"), mean angular deviation in degrees, band contrast and band slope.
    int bands = 0, error = 0;
    double meanAngularDeviation = 0;
    int bandContrast = 0, bandSlope = 0;
};

class MapFileWriter {
public:
    // Checks the header (a grid within 1..1,000,000 points a side, steps above 0, 1 to 255
    // phases with valid cells) and writes it into the temporary file.
    static Result<std::unique_ptr<MapFileWriter>>
    open(const std::string& path, MapFileFormat format, const MapFileHeader& header);
    ~MapFileWriter();
    MapFileWriter(const MapFileWriter&) = delete;
    MapFileWriter& operator=(const MapFileWriter&) = delete;

    // The next points in map order; more than the grid holds, or a phase beyond the header's,
    // is refused and leaves the writer discarded.
    Outcome write(std::span<const MapPoint> points);
    // Fails unless every point of the grid was written; the target is replaced only then.
    Outcome commit();

private:
    MapFileWriter(std::string path, MapFileFormat format, MapFileHeader header);
    void appendPoint(const MapPoint& point);
    Outcome flush();

    std::string path_;
    MapFileFormat format_;
    MapFileHeader header_;
    AtomicFileWriter file_;
    std::string buffer_;
    std::int64_t written_ = 0;
    bool failed_ = false;
};

// The whole map at once through a MapFileWriter.
Outcome writeMapFile(const std::string& path, MapFileFormat format, const MapFileHeader& header,
                     std::span<const MapPoint> points);

// The symmetry codes the formats use for a space group's Laue class: .ang "43" for m-3m,
// "62" for 6/mmm, ...; .ctf 1..11 from -1 to m-3m.
std::string angSymmetryCode(int spaceGroupNumber);
int ctfLaueNumber(int spaceGroupNumber);

} // namespace tavrel
