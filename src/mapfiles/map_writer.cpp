#include "mapfiles/map_writer.h"

#include "mapfiles/ipf_colours.h"

#include <charconv>
#include <cmath>
#include <numbers>

namespace tavrel {
namespace {

// Fixed decimals with "." whatever the locale, and no "-0".
std::string fixed(double value, int decimals) {
    if (!std::isfinite(value)) value = 0;
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    std::string result(text, end);
    if (result.front() == '-' && result.find_first_not_of("-0.") == std::string::npos)
        result.erase(0, 1);
    return result;
}

std::string padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// Names go into one field of a line: no line ends, and no tabs where tabs part the fields.
std::string oneField(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return text;
}

constexpr double kDegree = std::numbers::pi / 180.0;
constexpr std::size_t kFlushBytes = 1 << 16;

std::string angHeader(const MapFileHeader& h) {
    const StatedPatternCentre pc = h.edaxCentre.value_or(StatedPatternCentre{});
    std::string text;
    auto line = [&](const std::string& s) { text += "# " + s + "\n"; };
    line("TEM_PIXperUM          1.000000");
    line("x-star                " + fixed(pc.x, 6));
    line("y-star                " + fixed(pc.y, 6));
    line("z-star                " + fixed(pc.z, 6));
    line("WorkingDistance       " + fixed(h.workingDistance.value_or(0), 6));
    text += "#\n";
    // OIM lists the phases from the last to the first.
    for (std::size_t i = h.phases.size(); i-- > 0;) {
        const MapPhase& p = h.phases[i];
        line("Phase " + std::to_string(i + 1));
        line("MaterialName  \t" + oneField(p.name));
        line("Formula     \t" + oneField(p.formula.empty() ? p.name : p.formula));
        line("Info          \t");
        line("Symmetry              " + angSymmetryCode(p.spaceGroupNumber));
        std::string constants;
        for (int k = 0; k < 6; ++k) constants += (k ? " " : "") + fixed(p.cell[k], 3);
        line("LatticeConstants      " + constants);
        line("NumberFamilies        0");
        text += "#\n";
    }
    line("GRID: SqrGrid");
    line("XSTEP: " + fixed(h.stepX, 6));
    line("YSTEP: " + fixed(h.stepY, 6));
    line("NCOLS_ODD: " + std::to_string(h.columns));
    line("NCOLS_EVEN: " + std::to_string(h.columns));
    line("NROWS: " + std::to_string(h.rows));
    text += "#\n";
    line("OPERATOR: " + oneField(h.operatorName));
    text += "#\n";
    line("SAMPLEID: " + oneField(h.sampleId));
    text += "#\n";
    line("SCANID: " + oneField(h.scanId));
    text += "#\n";
    line("Euler angles (Bunge, radians) as the writing program gave them, meant in EDAX TSL's "
         "specimen frame");
    line("Column names: phi1, Phi, phi2, x, y, image_quality, confidence_index, phase_id, "
         "detector_signal, pattern_fit");
    return text;
}

std::string ctfHeader(const MapFileHeader& h) {
    std::string text;
    auto line = [&](const std::string& s) { text += s + "\r\n"; };
    line("Channel Text File");
    line("Prj\t" + oneField(h.scanId.empty() ? std::string("tavrel") : h.scanId));
    line("Author\t" + oneField(h.operatorName.empty() ? std::string("[Unknown]") : h.operatorName));
    line("JobMode\tGrid");
    line("XCells\t" + std::to_string(h.columns));
    line("YCells\t" + std::to_string(h.rows));
    line("XStep\t" + fixed(h.stepX, 4));
    line("YStep\t" + fixed(h.stepY, 4));
    line("AcqE1\t0.0000");
    line("AcqE2\t0.0000");
    line("AcqE3\t0.0000");
    // The detector's second Euler angle is 90 degrees for an upright screen.
    line("Euler angles refer to Sample Coordinate system (CS0)!\tMag\t" +
         fixed(h.magnification.value_or(0), 4) + "\tCoverage\t100\tDevice\t0\tKV\t" +
         fixed(h.voltage.value_or(0), 4) + "\tTiltAngle\t" + fixed(h.sampleTilt.value_or(0), 4) +
         "\tTiltAxis\t0\tDetectorOrientationE1\t0.0000\tDetectorOrientationE2\t" +
         fixed(90.0 + h.detectorTilt.value_or(0), 4) +
         "\tDetectorOrientationE3\t0.0000\tWorkingDistance\t" +
         fixed(h.workingDistance.value_or(0), 4) + "\tInsertionDistance\t0.0000");
    line("Phases\t" + std::to_string(h.phases.size()));
    for (const MapPhase& p : h.phases) {
        const UnitCell& c = p.cell;
        line(fixed(c[0], 3) + ";" + fixed(c[1], 3) + ";" + fixed(c[2], 3) + "\t" + fixed(c[3], 3) +
             ";" + fixed(c[4], 3) + ";" + fixed(c[5], 3) + "\t" + oneField(p.name) + "\t" +
             std::to_string(ctfLaueNumber(p.spaceGroupNumber)) + "\t" +
             std::to_string(p.spaceGroupNumber) + "\t\t\tWritten by tavrel");
    }
    line("Phase\tX\tY\tBands\tError\tEuler1\tEuler2\tEuler3\tMAD\tBC\tBS");
    return text;
}

Outcome checkHeader(const MapFileHeader& h, const std::string& prefix) {
    auto refuse = [&](const std::string& what) { return Outcome(Problem{prefix + what}); };
    if (h.columns < 1 || h.rows < 1 || h.columns > kLargestMapSide || h.rows > kLargestMapSide)
        return refuse("a map of " + std::to_string(h.rows) + " x " + std::to_string(h.columns) +
                      " points cannot be written");
    if (h.firstRow < 0 || h.firstRow > kLargestMapSide - h.rows)
        return refuse("a map cannot start at row " + std::to_string(h.firstRow));
    if (!std::isfinite(h.stepX) || !std::isfinite(h.stepY) || h.stepX <= 0 || h.stepY <= 0)
        return refuse("the map's step must be above 0");
    if (h.phases.empty() || h.phases.size() > 255)
        return refuse("a map needs 1 to 255 phases, not " + std::to_string(h.phases.size()));
    for (std::size_t i = 0; i < h.phases.size(); ++i)
        if (checkCell(h.phases[i].cell) != LatticeStatus::Ok)
            return refuse("phase " + std::to_string(i + 1) + " has an invalid unit cell");
    return {};
}

} // namespace

std::string angSymmetryCode(int spaceGroupNumber) {
    static const char* codes[] = {"1", "2", "22", "4", "42", "3", "32", "6", "62", "23", "43"};
    return codes[static_cast<int>(laueClassOf(spaceGroupNumber))];
}

int ctfLaueNumber(int spaceGroupNumber) {
    return static_cast<int>(laueClassOf(spaceGroupNumber)) + 1;
}

MapFileWriter::MapFileWriter(std::string path, MapFileFormat format, MapFileHeader header)
    : path_(std::move(path)), format_(format), header_(std::move(header)) {}

MapFileWriter::~MapFileWriter() = default;

Result<std::unique_ptr<MapFileWriter>>
MapFileWriter::open(const std::string& path, MapFileFormat format, const MapFileHeader& header) {
    const std::string prefix = "\"" + fileNameOf(path) + "\": ";
    if (auto checked = checkHeader(header, prefix); !checked) return checked.failure();
    std::unique_ptr<MapFileWriter> writer(new MapFileWriter(path, format, header));
    if (auto opened = writer->file_.open(path); !opened)
        return Problem{prefix + "cannot be written: " + opened.problem()};
    writer->buffer_ = format == MapFileFormat::Ang ? angHeader(header) : ctfHeader(header);
    return writer;
}

void MapFileWriter::appendPoint(const MapPoint& p) {
    const std::int64_t row = header_.firstRow + written_ / header_.columns;
    const std::int64_t column = written_ % header_.columns;
    const double x = static_cast<double>(column) * header_.stepX;
    const double y = static_cast<double>(row) * header_.stepY;
    const bool indexed = p.phase > 0;
    if (format_ == MapFileFormat::Ang) {
        // OIM marks a point it did not index with angles of 4 pi, a CI of -1 and phase 0.
        const double none = 4 * std::numbers::pi;
        const EulerAngles& a = p.angles;
        std::string& b = buffer_;
        for (const double angle : {a.phi1, a.phi, a.phi2})
            b += padded(fixed(indexed ? angle * kDegree : none, 5), 9) + " ";
        b += padded(fixed(x, 5), 12) + " " + padded(fixed(y, 5), 12) + " ";
        b += padded(fixed(p.imageQuality, 3), 10) + " ";
        b += padded(fixed(indexed ? p.confidenceIndex : -1.0, 3), 6) + " ";
        b += padded(std::to_string(std::max(p.phase, 0)), 2) + " ";
        b += padded(fixed(p.semSignal, 1), 7) + " ";
        b += padded(fixed(indexed ? p.fit : 180.0, 3), 7) + "\n";
    } else {
        const EulerAngles a = indexed ? p.angles : EulerAngles{};
        buffer_ += std::to_string(std::max(p.phase, 0)) + "\t" + fixed(x, 4) + "\t" + fixed(y, 4) +
                   "\t" + std::to_string(indexed ? p.bands : 0) + "\t" +
                   std::to_string(indexed || p.error != 0 ? p.error : 3) + "\t" + fixed(a.phi1, 4) +
                   "\t" + fixed(a.phi, 4) + "\t" + fixed(a.phi2, 4) + "\t" +
                   fixed(indexed ? p.meanAngularDeviation : 0.0, 4) + "\t" +
                   std::to_string(p.bandContrast) + "\t" + std::to_string(p.bandSlope) + "\r\n";
    }
    ++written_;
}

Outcome MapFileWriter::flush() {
    auto wrote = file_.write(buffer_);
    buffer_.clear();
    if (!wrote) {
        failed_ = true;
        return Problem{"\"" + fileNameOf(path_) + "\" cannot be written: " + wrote.problem()};
    }
    return {};
}

Outcome MapFileWriter::write(std::span<const MapPoint> points) {
    const std::string prefix = "\"" + fileNameOf(path_) + "\": ";
    if (failed_ || !file_.isOpen()) return Problem{prefix + "the writer was closed"};
    const std::int64_t total = std::int64_t{header_.rows} * header_.columns;
    for (const MapPoint& p : points) {
        std::optional<std::string> wrong;
        if (written_ >= total)
            wrong = "more points than its " + std::to_string(total);
        else if (p.phase < 0 || p.phase > static_cast<int>(header_.phases.size()))
            wrong = "point " + std::to_string(written_) + " names phase " +
                    std::to_string(p.phase) + " of " + std::to_string(header_.phases.size());
        if (wrong) {
            failed_ = true;
            file_.discard();
            return Problem{prefix + *wrong};
        }
        appendPoint(p);
        if (buffer_.size() >= kFlushBytes)
            if (auto flushed = flush(); !flushed) return flushed;
    }
    return {};
}

Outcome MapFileWriter::commit() {
    const std::string prefix = "\"" + fileNameOf(path_) + "\": ";
    if (failed_ || !file_.isOpen()) return Problem{prefix + "the writer was closed"};
    const std::int64_t total = std::int64_t{header_.rows} * header_.columns;
    if (written_ != total) {
        file_.discard();
        failed_ = true;
        return Problem{prefix + "only " + std::to_string(written_) + " of its " +
                       std::to_string(total) + " points were given; the file was not written"};
    }
    if (auto flushed = flush(); !flushed) return flushed;
    if (auto committed = file_.commit(); !committed)
        return Problem{prefix + "cannot be written: " + committed.problem()};
    return {};
}

Outcome writeMapFile(const std::string& path, MapFileFormat format, const MapFileHeader& header,
                     std::span<const MapPoint> points) {
    auto writer = MapFileWriter::open(path, format, header);
    if (!writer) return writer.failure();
    if (auto wrote = (*writer)->write(points); !wrote) return wrote;
    return (*writer)->commit();
}

} // namespace tavrel
