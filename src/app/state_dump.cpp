#include "app/state_dump.h"

#include "common/file_io.h"
#include "common/text.h"
#include "session/pattern_view.h"
#include "session/simulation.h"
#include "spacegroup/settings.h"

#include <QDataStream>
#include <QDir>

#include <cmath>
#include <string>

namespace tavrel::app {

namespace {

// The largest dump read back, and so the largest written: that of the file reader. A dump of
// the largest list is below 1.5 MB; the rest is room for what texts the fields hold.
constexpr std::size_t kLargestDump = kLargestReadableFile;

// Writes each field of the record in turn.
class Writer {
public:
    explicit Writer(QDataStream& out) : out_(out) {}
    void real(float v) { out_ << v; }
    void int16(std::int16_t v) { out_ << static_cast<qint16>(v); }
    void int32(std::int32_t v) { out_ << static_cast<qint32>(v); }
    void flag(bool v) { out_ << static_cast<quint8>(v ? 1 : 0); }
    void byte(std::uint8_t v) { out_ << static_cast<quint8>(v); }
    void text(const std::string& s) {
        out_ << static_cast<quint32>(s.size());
        out_.writeRawData(s.data(), static_cast<int>(s.size()));
    }
    // The element count of an array; `count` is already the array's size.
    bool count(std::int32_t& count) {
        int32(count);
        return true;
    }
    bool ok() const { return out_.status() == QDataStream::Ok; }

private:
    QDataStream& out_;
};

// Reads each field of the record in turn, and notes the first value out of range.
class Reader {
public:
    explicit Reader(QDataStream& in) : in_(in) {}
    void real(float& v) {
        in_ >> v;
        if (std::isnan(v)) failed_ = true;
    }
    void int16(std::int16_t& v) {
        qint16 x = 0;
        in_ >> x;
        v = x;
    }
    void int32(std::int32_t& v) {
        qint32 x = 0;
        in_ >> x;
        v = x;
    }
    void flag(bool& v) {
        quint8 x = 0;
        in_ >> x;
        if (x > 1) failed_ = true;
        v = x != 0;
    }
    void byte(std::uint8_t& v) {
        quint8 x = 0;
        in_ >> x;
        v = x;
    }
    void text(std::string& s) {
        quint32 size = 0;
        in_ >> size;
        // Any length the writer wrote fits in the bytes that follow; a longer one is damage.
        if (in_.status() != QDataStream::Ok || size > in_.device()->bytesAvailable()) {
            failed_ = true;
            s.clear();
            return;
        }
        s.assign(size, '\0');
        if (size > 0 && in_.readRawData(s.data(), static_cast<int>(size)) != static_cast<int>(size))
            failed_ = true;
    }
    // An array's element count: refused outside 0..kMaxReflections.
    bool count(std::int32_t& count) {
        int32(count);
        if (in_.status() != QDataStream::Ok || count < 0 || count > kMaxReflections) {
            failed_ = true;
            count = 0;
            return false;
        }
        return true;
    }
    bool ok() const { return !failed_ && in_.status() == QDataStream::Ok; }

private:
    QDataStream& in_;
    bool failed_ = false;
};

template <class T> void resizeTo(std::vector<T>& v, std::int32_t n) {
    v.resize(static_cast<std::size_t>(n));
}

// The record's fields in dump order; the same code writes and reads, so the two can never
// disagree.
template <class IO, class Record> bool visitRecord(IO& io, Record& r) {
    auto& doc = r.document;
    for (auto& v : doc.cell.values) io.real(v);
    float spareFloat = 0;
    io.real(spareFloat);
    for (auto& v : doc.hklMax) io.int16(v);
    std::int16_t spareInt = 0;
    for (int i = 0; i < 3; ++i) io.int16(spareInt);
    for (auto& v : doc.wavelength) io.real(v);
    for (int i = 0; i < 8; ++i) io.real(spareFloat);
    for (auto& row : doc.matrices.inverse)
        for (auto& v : row) io.real(v);
    for (auto& row : doc.matrices.lattice)
        for (auto& v : row) io.real(v);
    io.text(doc.spaceGroupText);
    io.int16(doc.spaceGroupIndex);
    io.flag(doc.autoLimits);

    auto& view = r.view;
    io.flag(view.lightBackground);
    io.flag(view.viewStereographic);
    io.flag(view.viewFilmOutline);
    io.flag(view.viewRings);
    io.flag(view.viewLabels);
    io.flag(view.showLines);

    auto& refl = r.reflections;
    io.flag(refl.generated);
    std::int32_t n = refl.count();
    if (!io.count(n)) return false;
    resizeTo(refl.h, n);
    resizeTo(refl.k, n);
    resizeTo(refl.l, n);
    resizeTo(refl.d, n);
    resizeTo(refl.gx, n);
    resizeTo(refl.gy, n);
    resizeTo(refl.gz, n);
    for (auto& v : refl.h) io.int16(v);
    for (auto& v : refl.k) io.int16(v);
    for (auto& v : refl.l) io.int16(v);
    for (auto& v : refl.d) io.real(v);
    for (auto& v : refl.gx) io.real(v);
    for (auto& v : refl.gy) io.real(v);
    for (auto& v : refl.gz) io.real(v);

    io.real(doc.displayDMin);
    io.real(doc.displayDMax);
    io.real(doc.dMin);
    io.real(doc.dMax);
    io.real(view.patternScale);
    io.int16(r.colours.schemeIndex);
    for (auto& v : refl.gMin) io.real(v);
    for (auto& v : refl.gMax) io.real(v);
    for (auto& c : r.colours.colourLUT) {
        io.byte(c.r);
        io.byte(c.g);
        io.byte(c.b);
    }
    for (auto& c : r.colours.baseColours) {
        io.byte(c.r);
        io.byte(c.g);
        io.byte(c.b);
    }
    io.text(doc.title);
    for (auto& v : doc.film) io.real(v);

    io.text(doc.filePath);
    io.text(doc.orientationText);
    auto orientationType = static_cast<std::int16_t>(doc.orientationType);
    io.int16(orientationType);
    doc.orientationType = static_cast<OrientationType>(orientationType);

    // The points as shown, arrow-key turns included: the picture comes back as it was left.
    std::int32_t pointCount = static_cast<std::int32_t>(r.points.size());
    if (!io.count(pointCount)) return false;
    resizeTo(r.points.rows, pointCount);
    for (auto& p : r.points.rows) {
        io.real(p.x);
        io.real(p.y);
        io.real(p.z);
        io.int32(p.reflection);
    }

    auto& f = r.fields;
    io.text(f.title);
    std::int32_t fieldGroup = f.spaceGroupIndex;
    io.int32(fieldGroup);
    f.spaceGroupIndex = fieldGroup;
    for (auto& s : f.cell) io.text(s);
    io.flag(f.autoLimits);
    for (auto& s : f.hklMax) io.text(s);
    for (auto& s : f.wavelength) io.text(s);
    io.text(f.orientation);
    auto fieldOrientationType = static_cast<std::int16_t>(f.orientationType);
    io.int16(fieldOrientationType);
    f.orientationType = static_cast<OrientationType>(fieldOrientationType);
    for (auto& s : f.d) io.text(s);
    for (auto& s : f.film) io.text(s);
    return io.ok();
}

bool validOrientationType(OrientationType t) {
    return t == OrientationType::Reciprocal || t == OrientationType::Direct ||
           t == OrientationType::Euler;
}

// What the stream checks cannot see: values that would put the program into a state no run
// can produce.
bool consistent(const StateRecord& r) {
    const auto count = static_cast<std::size_t>(r.reflections.count());
    if (r.points.size() != count) return false;
    for (const RotatedPoint& p : r.points.rows)
        if (p.reflection < 0 || static_cast<std::size_t>(p.reflection) >= count) return false;
    if (r.document.spaceGroupIndex < 0 || r.document.spaceGroupIndex >= kSpaceGroupCount)
        return false;
    if (r.fields.spaceGroupIndex < 0 || r.fields.spaceGroupIndex >= kSpaceGroupCount) return false;
    if (!validOrientationType(r.document.orientationType) ||
        !validOrientationType(r.fields.orientationType))
        return false;
    const float scale = r.view.patternScale;
    return std::isfinite(scale) && scale > 0;
}

void prepare(QDataStream& stream) {
    stream.setVersion(QDataStream::Qt_6_0);
    stream.setByteOrder(QDataStream::BigEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
}

// One part of the record after the first version's body.
struct Section {
    std::string tag;
    QByteArray bytes;
};
// Far more than the program will ever write; a larger count is damage.
constexpr quint32 kMostSections = 64;

constexpr const char* kSettingSection = "setting";
constexpr const char* kStructureSection = "structure";
constexpr const char* kZoneAxesSection = "zone axes";
constexpr const char* kPatternImageSection = "pattern image";
constexpr const char* kDetectorSection = "detector";
// No structure a user types or a file gives comes near this many sites.
constexpr quint32 kMostAtomSites = 100000;

// The setting row a file chose (another origin or axis choice than the list's), or -1.
QByteArray settingBytes(const DocumentFields& fields) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    prepare(out);
    out << static_cast<qint32>(fields.settingRow.value_or(-1));
    return bytes;
}

bool takeSetting(const QByteArray& bytes, DocumentFields& fields) {
    QDataStream in(bytes);
    prepare(in);
    qint32 row = -1;
    in >> row;
    if (in.status() != QDataStream::Ok || !in.atEnd()) return false;
    if (row == -1) {
        fields.settingRow.reset();
        return true;
    }
    // The row must belong to the group of the list position it goes with.
    if (groupNumberOfRow(row) != fields.spaceGroupIndex + 1) return false;
    fields.settingRow = row;
    return true;
}

// The atom sites, the scattering chosen, the minimum intensity and whether the lines are
// coloured by it.
QByteArray structureBytes(const StateRecord& record) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    prepare(out);
    out.setFloatingPointPrecision(QDataStream::DoublePrecision);
    Writer writer(out);
    writer.int16(static_cast<std::int16_t>(record.fields.scattering));
    writer.text(record.fields.minIntensity);
    writer.flag(record.view.colourByIntensity);
    out << static_cast<quint32>(record.atoms.size());
    for (const AtomSite& site : record.atoms) {
        writer.text(site.label);
        writer.text(site.typeSymbol);
        out << site.x << site.y << site.z << site.occupancy << site.bIso;
    }
    return bytes;
}

bool takeStructure(const QByteArray& bytes, StateRecord& record) {
    QDataStream in(bytes);
    prepare(in);
    in.setFloatingPointPrecision(QDataStream::DoublePrecision);
    Reader reader(in);
    std::int16_t scattering = 0;
    reader.int16(scattering);
    if (scattering < 0 || scattering > static_cast<std::int16_t>(ScatteringChoice::Electron))
        return false;
    record.fields.scattering = static_cast<ScatteringChoice>(scattering);
    reader.text(record.fields.minIntensity);
    reader.flag(record.view.colourByIntensity);
    quint32 count = 0;
    in >> count;
    if (!reader.ok() || count > kMostAtomSites) return false;
    record.atoms.resize(count);
    for (AtomSite& site : record.atoms) {
        reader.text(site.label);
        reader.text(site.typeSymbol);
        in >> site.x >> site.y >> site.z >> site.occupancy >> site.bIso;
        for (double v : {site.x, site.y, site.z, site.occupancy, site.bIso})
            if (!std::isfinite(v)) return false;
    }
    return reader.ok() && in.atEnd();
}

// Zone axes marked, their largest index, four indices for a hexagonal cell.
QByteArray zoneAxesBytes(const ViewState& view) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    prepare(out);
    Writer writer(out);
    writer.flag(view.showZoneAxes);
    writer.int32(view.zoneAxisIndex);
    writer.flag(view.fourIndex);
    return bytes;
}

bool takeZoneAxes(const QByteArray& bytes, ViewState& view) {
    QDataStream in(bytes);
    prepare(in);
    Reader reader(in);
    std::int32_t largest = 0;
    reader.flag(view.showZoneAxes);
    reader.int32(largest);
    reader.flag(view.fourIndex);
    if (!reader.ok() || !in.atEnd() || largest < 1 || largest > 6) return false;
    view.zoneAxisIndex = largest;
    return true;
}

// The pattern image's file and how it is shown, with the pattern centre it lies under the lines
// with; then the static background's file, the dynamic correction and the further phases'
// files, which a dump of an older program lacks.
QByteArray patternImageBytes(const StateRecord& record) {
    const UnderlaySettings& s = record.underlay;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    prepare(out);
    out.setFloatingPointPrecision(QDataStream::DoublePrecision);
    Writer writer(out);
    writer.text(s.path);
    out << static_cast<double>(s.opacity) << static_cast<double>(s.contrast)
        << static_cast<double>(s.brightness) << record.detector.centre.x
        << record.detector.centre.y;
    writer.flag(s.showCorrected);
    writer.text(s.staticBackground);
    writer.int16(static_cast<std::int16_t>(s.dynamic));
    writer.int32(static_cast<std::int32_t>(s.phases.size()));
    for (const std::string& phase : s.phases) writer.text(phase);
    return bytes;
}

bool takePatternImage(const QByteArray& bytes, StateRecord& record) {
    UnderlaySettings& s = record.underlay;
    PatternCentre& centre = record.detector.centre;
    QDataStream in(bytes);
    prepare(in);
    in.setFloatingPointPrecision(QDataStream::DoublePrecision);
    Reader reader(in);
    reader.text(s.path);
    double opacity = 0, contrast = 0, brightness = 0;
    in >> opacity >> contrast >> brightness >> centre.x >> centre.y;
    reader.flag(s.showCorrected);
    if (!in.atEnd()) {
        std::int16_t dynamic = 0;
        std::int32_t phases = 0;
        reader.text(s.staticBackground);
        reader.int16(dynamic);
        reader.int32(phases);
        if (dynamic < 0 || dynamic > static_cast<std::int16_t>(fit::DynamicCorrection::Subtract) ||
            phases < 0 || phases > 64)
            return false;
        s.dynamic = static_cast<fit::DynamicCorrection>(dynamic);
        s.phases.resize(static_cast<std::size_t>(phases));
        for (std::string& phase : s.phases) reader.text(phase);
    }
    for (double v : {opacity, contrast, brightness, centre.x, centre.y})
        if (!std::isfinite(v)) return false;
    s.opacity = static_cast<float>(opacity);
    s.contrast = static_cast<float>(contrast);
    s.brightness = static_cast<float>(brightness);
    s = clampedUnderlaySettings(s);
    centre = clampedPatternCentre(centre);
    return reader.ok() && in.atEnd();
}

// The detector beside the film, and whether the radiation is electrons from a typed voltage.
// An unset specimen tilt or frame is written as -1000 and -1.
QByteArray detectorBytes(const StateRecord& record) {
    const DetectorSetup& d = record.detector;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    prepare(out);
    out.setFloatingPointPrecision(QDataStream::DoublePrecision);
    Writer writer(out);
    out << d.centre.x << d.centre.y << d.specimenTilt.value_or(-1000) << d.detectorTilt
        << d.pixelSize;
    std::int32_t binning = d.binning;
    writer.int32(binning);
    std::int16_t convention = static_cast<std::int16_t>(d.convention);
    std::int16_t frame = d.frame ? static_cast<std::int16_t>(*d.frame) : std::int16_t{-1};
    writer.int16(convention);
    writer.int16(frame);
    bool beam = record.fields.electronBeam;
    writer.flag(beam);
    return bytes;
}

bool takeDetector(const QByteArray& bytes, StateRecord& record) {
    DetectorSetup& d = record.detector;
    QDataStream in(bytes);
    prepare(in);
    in.setFloatingPointPrecision(QDataStream::DoublePrecision);
    Reader reader(in);
    double specimen = 0;
    in >> d.centre.x >> d.centre.y >> specimen >> d.detectorTilt >> d.pixelSize;
    std::int32_t binning = 1;
    std::int16_t convention = 0, frame = 0;
    reader.int32(binning);
    reader.int16(convention);
    reader.int16(frame);
    reader.flag(record.fields.electronBeam);
    for (double v : {d.centre.x, d.centre.y, specimen, d.detectorTilt, d.pixelSize})
        if (!std::isfinite(v)) return false;
    const bool tiltSet = specimen != -1000;
    if ((tiltSet && std::abs(specimen) > 90) || std::abs(d.detectorTilt) > 90 || d.pixelSize < 0 ||
        binning < 1 || convention < 0 || convention >= kCentreConventionCount || frame < -1 ||
        frame >= kEulerFrameCount)
        return false;
    d.specimenTilt = tiltSet ? std::optional<double>(specimen) : std::nullopt;
    d.binning = binning;
    d.convention = static_cast<CentreConvention>(convention);
    d.frame = frame < 0 ? std::nullopt : std::optional<EulerFrame>(static_cast<EulerFrame>(frame));
    d.centre = clampedPatternCentre(d.centre);
    return reader.ok() && in.atEnd();
}

std::vector<Section> sectionsOf(const StateRecord& record) {
    std::vector<Section> sections = {{kSettingSection, settingBytes(record.fields)},
                                     {kStructureSection, structureBytes(record)},
                                     {kZoneAxesSection, zoneAxesBytes(record.view)},
                                     {kDetectorSection, detectorBytes(record)}};
    if (!record.underlay.path.empty() || !record.underlay.phases.empty())
        sections.push_back({kPatternImageSection, patternImageBytes(record)});
    return sections;
}

// False for a known section whose bytes are damaged; an unknown one is skipped.
bool takeSection(const Section& section, StateRecord& record) {
    if (section.tag == kSettingSection) return takeSetting(section.bytes, record.fields);
    if (section.tag == kStructureSection) return takeStructure(section.bytes, record);
    if (section.tag == kZoneAxesSection) return takeZoneAxes(section.bytes, record.view);
    if (section.tag == kPatternImageSection) return takePatternImage(section.bytes, record);
    if (section.tag == kDetectorSection) return takeDetector(section.bytes, record);
    return true;
}

} // namespace

StateRecord stateRecordOf(const Simulation& sim, const PatternView& pattern) {
    StateRecord record{sim.fields, sim.document, sim.reflections,
                       sim.points, pattern.view, pattern.colours,
                       sim.atoms,  {},           sim.detector};
    record.detector.patternShown = false;
    if (pattern.underlay.loaded())
        record.underlay = pattern.underlay.settings;
    else
        record.underlay.phases = pattern.underlay.settings.phases;
    return record;
}

QByteArray encodeStateDump(const StateRecord& record) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    prepare(out);
    out << static_cast<quint32>(kStateDumpMagic) << static_cast<quint32>(kStateDumpVersion);
    Writer writer(out);
    StateRecord copy = record; // the visitor reads and writes through the same references
    visitRecord(writer, copy);
    const std::vector<Section> sections = sectionsOf(record);
    out << static_cast<quint32>(sections.size());
    for (const Section& section : sections) {
        writer.text(section.tag);
        out << section.bytes;
    }
    return bytes;
}

std::optional<StateRecord> decodeStateDump(const QByteArray& bytes) {
    QDataStream in(bytes);
    prepare(in);
    quint32 magic = 0, version = 0;
    in >> magic >> version;
    if (in.status() != QDataStream::Ok || magic != kStateDumpMagic || version < 1 ||
        version > kStateDumpVersion)
        return std::nullopt;
    StateRecord record;
    Reader reader(in);
    if (!visitRecord(reader, record)) return std::nullopt;
    if (version >= 2) {
        quint32 count = 0;
        in >> count;
        if (in.status() != QDataStream::Ok || count > kMostSections) return std::nullopt;
        for (quint32 i = 0; i < count; ++i) {
            Section section;
            reader.text(section.tag);
            in >> section.bytes;
            if (!reader.ok() || !takeSection(section, record)) return std::nullopt;
        }
    }
    if (!in.atEnd() || !consistent(record)) return std::nullopt;
    return record;
}

Outcome writeStateDump(const QString& path, const StateRecord& record) {
    const QByteArray bytes = encodeStateDump(record);
    const std::string local = QDir::toNativeSeparators(path).toStdString();
    // What the reader would refuse is not written, so the previous dump stays.
    if (static_cast<std::size_t>(bytes.size()) > kLargestDump)
        return Problem{inQuotes(local) + " cannot be written: the state is larger than " +
                       kLargestReadableFileText};
    const Outcome written = writeFileAtomically(
        local, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!written) return Problem{inQuotes(local) + " cannot be written: " + written.problem()};
    return {};
}

std::optional<StateRecord> readStateDump(const QString& path) {
    const Result<std::string> content = readWholeFile(QDir::toNativeSeparators(path).toStdString());
    if (!content || content->empty() || content->size() > kLargestDump) return std::nullopt;
    return decodeStateDump(
        QByteArray::fromRawData(content->data(), static_cast<qsizetype>(content->size())));
}

} // namespace tavrel::app
