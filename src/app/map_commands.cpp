#include "app/map_commands.h"

#include "app/pattern_image_commands.h"
#include "common/file_io.h"
#include "common/numeric.h"
#include "common/text.h"
#include "mapfiles/map_writer.h"
#include "mapfiles/pattern_files.h"
#include "orientation/direction_names.h"
#include "output/image_folder_source.h"
#include "output/map_pictures.h"
#include "session/geometry.h"
#include "session/map_geometry.h"
#include "session/map_point_matcher.h"
#include "session/pattern_fit.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

namespace tavrel::app {

namespace {

constexpr quint32 kMapSessionMagic = 0x54564d50; // "TVMP"
constexpr quint32 kMapSessionVersion = 1;

std::string quoted(const QString& path) {
    return inQuotes(QFileInfo(path).fileName().toStdString()) + ": ";
}

std::uint8_t byteOf(double fraction) {
    return static_cast<std::uint8_t>(std::lround(255 * std::clamp(fraction, 0.0, 1.0)));
}

} // namespace

QString mapRunSummaryText(const MapRunSummary& s, bool indexing) {
    const double perSecond = s.seconds > 0 ? static_cast<double>(s.points) / s.seconds : 0.0;
    std::string text;
    if (s.problem) {
        text = s.problem->message;
    } else {
        text = std::to_string(s.points) + " points";
        if (indexing) {
            const double fraction =
                s.points ? 100.0 * static_cast<double>(s.indexed) / static_cast<double>(s.points)
                         : 0.0;
            text = std::to_string(s.indexed) + " of " + text + " indexed (" +
                   formatNumber(fraction, "0.#") + "%), mean score " +
                   formatNumber(s.meanScore, "0.###");
        } else {
            text += " looked at";
        }
        text += ", " + formatNumber(s.seconds, "0.0#") + " s, " + formatNumber(perSecond, "0") +
                " patterns/s";
        if (s.cancelled) text += " (stopped)";
    }
    return QString::fromStdString(text);
}

MapCommands::MapCommands() = default;
MapCommands::~MapCommands() = default;

const PatternFileHeader& MapCommands::header() const {
    return source_->header();
}

Outcome MapCommands::open(const QString& path, const MapOpenOptions& options) {
    const std::string file = path.toStdString();
    Result<std::unique_ptr<MapPatternSource>> opened =
        namesPatternImages(file)
            ? (options.shape ? openImageFolder(file, options.shape->first, options.shape->second)
                             : Result<std::unique_ptr<MapPatternSource>>(
                                   Problem{quoted(path) + "a map of pattern images needs its "
                                                          "shape (rows and columns)"}))
            : openPatternFile(file,
                              {.scan = options.scan, .settingsPath = {}, .shape = options.shape});
    if (!opened) return opened.failure();
    path_ = path;
    options_ = options;
    source_ = std::move(*opened);
    results_.reset();
    phases_.clear();
    tilts_ = {};
    return {};
}

void MapCommands::close() {
    source_.reset();
    results_.reset();
    phases_.clear();
    path_.clear();
}

MapGeometry MapCommands::geometryFor(const Simulation& sim) const {
    const PatternFileHeader& h = header();
    Detector film = detectorOf(sim);
    film.tilts = mapTilts(h, film.tilts);
    const StatedPatternCentre centre =
        h.patternCentre
            ? brukerCentreOf(*h.patternCentre, h.centreConvention, h.patternWidth, h.patternHeight)
            : StatedPatternCentre{film.centre.x, film.centre.y, 0};
    const Detector detector = detectorOfCentre(centre, film.filmHeight, film.distance,
                                               h.patternWidth, h.patternHeight, film.tilts);
    return h.centrePerPattern ? perPatternGeometry(h, detector) : fixedGeometry(detector);
}

MapRunSummary MapCommands::look(const MapRunOptions& run) {
    MapRunOptions options = run;
    options.indexing = false;
    results_ = std::make_unique<MapResults>(header().rows, header().columns);
    phases_.clear();
    PointMatchingOptions matching;
    matching.staticBackground = header().staticBackground;
    return indexMap(*source_, fixedGeometry({}), fitPointMatchers({}, std::move(matching)),
                    results_->sink(), options);
}

MapRunSummary MapCommands::index(const Simulation& sim, const MapRunOptions& run,
                                 const std::vector<Simulation>& others) {
    MapRunSummary refused;
    if (!sim.document.valid || !sim.reflections.generated || sim.reflections.empty()) {
        refused.problem = Problem{"The crystal has no lines to match: simulate it first"};
        return refused;
    }
    std::vector<const Simulation*> crystals{&sim};
    for (const Simulation& other : others) crystals.push_back(&other);
    std::vector<PatternFit> fits;
    for (const Simulation* crystal : crystals) fits.emplace_back(*crystal);
    std::vector<const PatternFit*> phaseFits;
    for (const PatternFit& fit : fits) phaseFits.push_back(&fit);
    PointMatchingOptions matching;
    matching.staticBackground = header().staticBackground;
    auto results = std::make_unique<MapResults>(header().rows, header().columns);
    const MapGeometry geometry = geometryFor(sim);
    MapRunOptions options = run;
    options.indexing = true;
    const MapRunSummary summary =
        indexMap(*source_, geometry, fitPointMatchers(std::move(phaseFits), std::move(matching)),
                 results->sink(), options);
    // Stopped or refused before a row was done: the map stays as it was.
    if (summary.points == 0) return summary;
    // The quality of points a stopped run never reached stays what the look found.
    if (results_ && summary.points < results->rows * std::int64_t{results->columns})
        for (auto k = static_cast<std::size_t>(summary.points); k < results->points.size(); ++k)
            results->points[k].quality = results_->points[k].quality;
    results_ = std::move(results);
    phases_.clear();
    for (const Simulation* crystal : crystals) {
        const LaueClass laue = laueClassOf(crystal->group);
        const std::string title = trim(crystal->document.title);
        phases_.push_back({title.empty() ? "phase " + std::to_string(phases_.size() + 1) : title,
                           crystal->document.cell, crystal->group.number(),
                           crystal->document.matrices, laue, ipfKeyCornerLabels(laue, *crystal)});
    }
    tilts_ = mapTilts(header(), detectorOf(sim).tilts);
    return summary;
}

QImage MapCommands::picture(MapPicture which) const {
    if (!results_) return {};
    QImage image(results_->columns, results_->rows, QImage::Format_RGB32);
    image.fill(Qt::black);
    float low = std::numeric_limits<float>::max(), high = std::numeric_limits<float>::lowest();
    for (const MapPointResult& p : results_->points) {
        const float v = which == MapPicture::Score ? p.score : p.quality;
        if (which == MapPicture::Score && !p.indexed()) continue;
        low = std::min(low, v), high = std::max(high, v);
    }
    const OrientationFrame frame{EulerFrame::Specimen, tilts_};
    for (int r = 0; r < results_->rows; ++r)
        for (int c = 0; c < results_->columns; ++c) {
            const MapPointResult& p =
                results_->points[static_cast<std::size_t>(r) *
                                     static_cast<std::size_t>(results_->columns) +
                                 static_cast<std::size_t>(c)];
            if (which == MapPicture::Ipf) {
                if (!p.indexed() || phases_.empty()) continue;
                const MapPhaseInfo& phase =
                    phases_[std::min(static_cast<std::size_t>(p.phase - 1), phases_.size() - 1)];
                const RgbColour rgb =
                    ipfColour(eulerMatrixIn(frame, p.orientation(), phase.matrices), phase.laue);
                image.setPixel(c, r, qRgb(byteOf(rgb[0]), byteOf(rgb[1]), byteOf(rgb[2])));
            } else {
                if (which == MapPicture::Score && !p.indexed()) continue;
                const float v = which == MapPicture::Score ? p.score : p.quality;
                const double t = high > low ? (v - low) / (high - low) : 1.0;
                const std::uint8_t grey = byteOf(0.1 + 0.9 * t);
                image.setPixel(c, r, qRgb(grey, grey, grey));
            }
        }
    return image;
}

Outcome MapCommands::showPoint(int row, int column, const Simulation& sim,
                               PatternImageCommands& image, const QString& folder) {
    if (!source_) return Problem{"No map is open"};
    const PatternFileHeader& h = header();
    if (row < 0 || row >= h.rows || column < 0 || column >= h.columns)
        return Problem{"The map has no point at row " + std::to_string(row) + ", column " +
                       std::to_string(column)};
    const std::int64_t k = std::int64_t{row} * h.columns + column;
    const Result<MapPointPattern> point = readMapPoint(*source_, geometryFor(sim), k);
    if (!point) return point.failure();
    const fit::GreyImage& pattern = point->pattern;
    const auto [low, high] = std::minmax_element(pattern.pixels.begin(), pattern.pixels.end());
    QImage picture(pattern.width, pattern.height, QImage::Format_Grayscale16);
    const float spread = *high > *low ? *high - *low : 1.0f;
    for (int y = 0; y < pattern.height; ++y) {
        auto* line = reinterpret_cast<quint16*>(picture.scanLine(y));
        for (int x = 0; x < pattern.width; ++x) {
            const float v =
                pattern
                    .pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(pattern.width) +
                            static_cast<std::size_t>(x)];
            line[x] = static_cast<quint16>(std::lround(65535.0f * (v - *low) / spread));
        }
    }
    // One file for every point: the recorded pattern under the lines is read from a file, and
    // the state dump brings it back by its name.
    const QString file = QDir(folder).filePath(QStringLiteral("map-point.png"));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) return Problem{"The point's pattern could not be encoded"};
    if (Outcome wrote = writeFileAtomically(file.toStdString(), png.toStdString()); !wrote)
        return wrote;
    if (Outcome opened = image.open(file); !opened) return opened;
    DetectorSetup setup = sim.detector;
    setup.convention = CentreConvention::Bruker;
    setup.specimenTilt = point->detector.tilts.specimen;
    setup.detectorTilt = point->detector.tilts.detector;
    const Detector& d = point->detector;
    if (Outcome placed = image.setDetector(
            setup, CentreCoordinates{d.centre.x, d.centre.y, d.distance / d.filmHeight});
        !placed)
        return placed;
    // An indexed point turns the crystal to what the map found there, when the crystal shown is
    // the one the map was indexed against.
    const MapPointResult found =
        results_ ? results_->points[static_cast<std::size_t>(k)] : MapPointResult{};
    if (found.indexed() && phases_.size() == 1 &&
        phases_.front().spaceGroupNumber == sim.group.number() &&
        phases_.front().cell.values == sim.document.cell.values) {
        fit::FoundOrientation turn;
        turn.fit.orientation = found.orientation();
        turn.fit.score = found.score;
        turn.matchedBands = found.bands;
        turn.meanDeviationDegrees = found.deviation;
        image.apply(turn);
    }
    return {};
}

Outcome MapCommands::save(const QString& path, MapPicture which) const {
    if (!results_) return Problem{"No map is open"};
    const std::string file = path.toStdString();
    const std::string extension = toLower(extensionOf(file));
    const int rows = results_->rows, columns = results_->columns;
    const std::size_t count = results_->points.size();
    if (extension == ".png") {
        if (which == MapPicture::Ipf) {
            if (!indexed()) return Problem{"The map is not indexed: it has no IPF colours yet"};
            std::vector<std::uint8_t> rgb(3 * count), shown(count);
            const QImage image = picture(MapPicture::Ipf);
            for (std::size_t k = 0; k < count; ++k) {
                const QRgb c = image.pixel(static_cast<int>(k % static_cast<std::size_t>(columns)),
                                           static_cast<int>(k / static_cast<std::size_t>(columns)));
                rgb[3 * k] = static_cast<std::uint8_t>(qRed(c));
                rgb[3 * k + 1] = static_cast<std::uint8_t>(qGreen(c));
                rgb[3 * k + 2] = static_cast<std::uint8_t>(qBlue(c));
                shown[k] = results_->points[k].indexed() ? 1 : 0;
            }
            std::vector<IpfKeyLegend> keys;
            for (const MapPhaseInfo& p : phases_)
                keys.push_back({p.laue, p.name + ", IPF Z", p.cornerLabels});
            return writeIpfMapPicture(file, rows, columns, rgb, shown, keys);
        }
        std::vector<float> values(count);
        for (std::size_t k = 0; k < count; ++k) {
            const MapPointResult& p = results_->points[k];
            values[k] = which == MapPicture::Quality ? p.quality
                        : p.indexed()                ? p.score
                                                     : std::numeric_limits<float>::quiet_NaN();
        }
        return writeValueMapPicture(file, rows, columns, values,
                                    which == MapPicture::Quality ? "pattern quality" : "score");
    }
    if (extension != ".ang" && extension != ".ctf")
        return Problem{quoted(path) + "a map is saved as .ang, .ctf or .png"};
    if (!indexed()) return Problem{"The map is not indexed yet: Map > Index Map first"};
    const MapFileFormat format = extension == ".ang" ? MapFileFormat::Ang : MapFileFormat::Ctf;
    const PatternFileHeader& h = header();
    MapFileHeader out;
    out.columns = columns;
    out.rows = rows;
    out.stepX = h.stepX.value_or(1.0);
    out.stepY = h.stepY.value_or(out.stepX);
    for (const MapPhaseInfo& p : phases_)
        out.phases.push_back({p.name, "", p.cell, p.spaceGroupNumber});
    if (h.patternCentre)
        out.edaxCentre = edaxCentreOf(
            brukerCentreOf(*h.patternCentre, h.centreConvention, h.patternWidth, h.patternHeight),
            h.patternWidth, h.patternHeight);
    out.sampleTilt = tilts_.specimen;
    out.detectorTilt = tilts_.detector;
    out.voltage = h.voltage;
    out.scanId = QFileInfo(path_).fileName().toStdString();
    const OrientationFrame frame{
        format == MapFileFormat::Ang ? EulerFrame::Specimen : EulerFrame::SpecimenBruker, tilts_};
    std::vector<MapPoint> points;
    points.reserve(count);
    for (const MapPointResult& p : results_->points) {
        MapPoint m;
        m.phase = p.phase;
        m.imageQuality = p.quality;
        m.bandContrast = byteOf(p.quality);
        if (p.indexed()) {
            const MapPhaseInfo& phase = phases_[static_cast<std::size_t>(p.phase - 1)];
            m.angles = eulerAnglesIn(frame, p.orientation(), phase.matrices);
            m.confidenceIndex = p.confidence;
            m.fit = m.meanAngularDeviation = p.deviation;
            m.bands = p.bands;
            m.bandSlope = byteOf(p.score);
        }
        points.push_back(m);
    }
    return writeMapFile(file, format, out, points);
}

Outcome MapCommands::writeSession(const QString& path) const {
    if (!source_) {
        QFile::remove(path);
        return {};
    }
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    const QFileInfo map(path_);
    out << kMapSessionMagic << kMapSessionVersion << path_ << static_cast<qint32>(options_.scan)
        << options_.shape.has_value()
        << static_cast<qint32>(options_.shape ? options_.shape->first : 0)
        << static_cast<qint32>(options_.shape ? options_.shape->second : 0)
        << static_cast<qint64>(map.size()) << map.lastModified().toMSecsSinceEpoch();
    // Beyond what one raw block holds (some 50 million points), the map comes back unindexed.
    const bool keepResults =
        results_ && results_->points.size() * sizeof(MapPointResult) <
                        static_cast<std::size_t>(std::numeric_limits<int>::max());
    out << keepResults;
    if (keepResults) {
        out << static_cast<qint32>(results_->rows) << static_cast<qint32>(results_->columns)
            << tilts_.specimen << tilts_.detector << static_cast<quint32>(phases_.size());
        for (const MapPhaseInfo& p : phases_) {
            out << QString::fromStdString(p.name) << static_cast<qint32>(p.spaceGroupNumber)
                << static_cast<qint32>(p.laue);
            for (const float v : p.cell.values) out << v;
            QStringList labels;
            for (const std::string& l : p.cornerLabels) labels << QString::fromStdString(l);
            out << labels;
        }
        // The points as they lie in memory: the dump is read back by this build's own layout.
        out.writeRawData(reinterpret_cast<const char*>(results_->points.data()),
                         static_cast<int>(results_->points.size() * sizeof(MapPointResult)));
    }
    if (out.status() != QDataStream::Ok) return Problem{quoted(path) + "could not be encoded"};
    return writeFileAtomically(path.toStdString(), bytes.toStdString());
}

Outcome MapCommands::restoreSession(const QString& path) {
    QFile file(path);
    if (!file.exists()) return {};
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return Problem{quoted(path) + "cannot be read: the map of the last session is not shown"};
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, version = 0;
    QString mapPath;
    qint32 scan = 0, rows = 0, columns = 0;
    bool hasShape = false;
    qint64 size = 0, modified = 0;
    in >> magic >> version >> mapPath >> scan >> hasShape >> rows >> columns >> size >> modified;
    if (in.status() != QDataStream::Ok || magic != kMapSessionMagic ||
        version != kMapSessionVersion)
        return Problem{quoted(path) + "is damaged: the map of the last session is not shown"};
    MapOpenOptions options;
    options.scan = std::max(0, scan);
    if (hasShape) options.shape = std::pair{rows, columns};
    const QFileInfo map(mapPath);
    if (!map.exists())
        return Problem{quoted(mapPath) + "is gone: the map of the last session is not shown"};
    if (Outcome opened = open(mapPath, options); !opened) return opened;
    bool keptResults = false;
    in >> keptResults;
    // Results of a file changed since are not its results.
    if (!keptResults || map.size() != size || map.lastModified().toMSecsSinceEpoch() != modified)
        return {};
    qint32 resultRows = 0, resultColumns = 0;
    Tilts tilts;
    quint32 phaseCount = 0;
    in >> resultRows >> resultColumns >> tilts.specimen >> tilts.detector >> phaseCount;
    if (in.status() != QDataStream::Ok || resultRows != header().rows ||
        resultColumns != header().columns || phaseCount > 255)
        return {};
    std::vector<MapPhaseInfo> phases;
    for (quint32 i = 0; i < phaseCount; ++i) {
        QString name;
        qint32 group = 0, laue = 0;
        MapPhaseInfo p;
        in >> name >> group >> laue;
        for (float& v : p.cell.values) in >> v;
        QStringList labels;
        in >> labels;
        const Result<LatticeMatrices> matrices = buildLatticeMatrices(p.cell);
        if (in.status() != QDataStream::Ok || !matrices || group < 1 || group > 230 || laue < 0 ||
            laue > static_cast<int>(LaueClass::Cubic))
            return {};
        p.name = name.toStdString();
        p.spaceGroupNumber = group;
        p.laue = static_cast<LaueClass>(laue);
        p.matrices = *matrices;
        for (const QString& l : labels) p.cornerLabels.push_back(l.toStdString());
        phases.push_back(std::move(p));
    }
    auto results = std::make_unique<MapResults>(resultRows, resultColumns);
    const auto bytes = static_cast<qint64>(results->points.size() * sizeof(MapPointResult));
    if (in.readRawData(reinterpret_cast<char*>(results->points.data()), static_cast<int>(bytes)) !=
            bytes ||
        !in.atEnd())
        return {};
    for (const MapPointResult& p : results->points)
        if (p.phase > phases.size() || static_cast<int>(p.origin) > 2 || !std::isfinite(p.score))
            return {};
    results_ = std::move(results);
    phases_ = std::move(phases);
    tilts_ = tilts;
    return {};
}

} // namespace tavrel::app
