#include "app/controller.h"

#include "app/state_dump.h"
#include "common/file_io.h"
#include "common/text.h"
#include "orientation/direction_names.h"
#include "orientation/euler_angles.h"
#include "orientation/miller_indices.h"
#include "orientation/orientation_fit.h"
#include "render/colour_table.h"
#include "render/surface.h"
#include "samples/sample_atoms.h"
#include "samples/sample_list.h"
#include "session/document_reading.h"
#include "session/field_reader.h"
#include "session/geometry.h"
#include "session/line_strengths.h"
#include "session/report.h"
#include "session/threshold.h"

#include <QDir>

#include <algorithm>
#include <utility>

namespace tavrel::app {

namespace {

std::string localPath(const QString& path) {
    return QDir::toNativeSeparators(path).toStdString();
}

QString fromStd(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

SimulationController::SimulationController(Folders folders, QObject* parent)
    : QObject(parent), folders_(std::move(folders)) {
    state_.announce = [this](Changes what) { emit changed(what); };
    // First of all who listen: the field's Euler angles follow the readout's frame, which a
    // detector edit, an image or the radiation may change, before anyone shows them.
    connect(this, &SimulationController::changed, this, [this] {
        if (!savingFile_ && reframeEulerField(sim_, orientationFrameOf(sim_)))
            emit changed(Change::Fields);
    });
    sim_.document.filePath = localPath(QDir(folders_.data).filePath(QStringLiteral("input.tvr")));
}

QString SimulationController::statePath() const {
    return QDir(folders_.work).filePath(QString::fromLatin1(kStateDumpName));
}

QString SimulationController::statusText(StatusPanel panel) const {
    if (panel == StatusPanel::Orientation) {
        // Read from the orientation itself, so that it follows every turn.
        if (!hasReflections() || !sim_.document.valid) return {};
        const OrientationFrame frame = orientationFrameOf(sim_);
        return fromStd(eulerReadoutText(
            eulerAnglesIn(frame, sim_.orientation, sim_.document.matrices), frame.frame));
    }
    return state_.status[static_cast<std::size_t>(panel) - 1];
}

std::array<double, 6> SimulationController::cellOfFields() const {
    std::array<double, 6> cell{};
    for (std::size_t i = 0; i < 6; ++i) cell[i] = fieldNumber(sim_.fields.cell[i]);
    return cell;
}

void SimulationController::showNewList(NewList origin) {
    listOrigin_ = origin;
    picked_.reset();
    // A click named a line of the old list.
    setStatus(StatusPanel::Clicked, {});
    state_.orientationNote = false;
    showNewReflections(pattern_, sim_, origin);
    if (origin != NewList::Cleared)
        setStatus(StatusPanel::Count,
                  QStringLiteral("%1 reflections").arg(sim_.reflections.count()));
}

void SimulationController::takeFile(const QString& path) {
    currentFile_ = path;
    fileFields_ = sim_.fields;
}

Result<NewListReport> SimulationController::finishNewList(Result<NewListReport> report) {
    if (report) listFields_ = sim_.fields;
    showNewList(report ? report->origin : NewList::Generated);
    emit changed(Change::List | Change::Fields | Change::Picture | Change::Selection |
                 Change::Status | Change::Strengths);
    return report;
}

CancelCheck SimulationController::announcingLoops(const CancelCheck& cancelled) {
    return [this, cancelled, first = true]() mutable {
        if (first) {
            first = false;
            const auto& m = sim_.document.hklMax;
            const long long loops = (2LL * m[0] + 1) * (2LL * m[1] + 1) * (2LL * m[2] + 1);
            setStatus(StatusPanel::Pole, QStringLiteral("of %1 loops").arg(loops - 1));
            emit changed(Change::Status);
        }
        return cancelled ? cancelled() : false;
    };
}

bool SimulationController::start(const CancelCheck& cancelled) {
    if (restoreState()) return true;
    putIronSample(sim_.fields);
    // The iron sample cannot be refused.
    (void)performSimulation(cancelled);
    return false;
}

bool SimulationController::restoreState() {
    std::optional<StateRecord> record = readStateDump(statePath());
    if (!record) return false;
    sim_.fields = std::move(record->fields);
    sim_.eulerFieldFrame = {};
    sim_.document = std::move(record->document);
    sim_.reflections = std::move(record->reflections);
    sim_.points = std::move(record->points);
    pattern_.view = record->view;
    pattern_.colours = record->colours;
    // The table follows from the scheme; the monochrome scheme is the last one there is.
    tavrel::selectColourScheme(pattern_.colours,
                               std::min<int>(pattern_.colours.schemeIndex, kMonochromeScheme));
    pattern_.selection.reset(static_cast<std::size_t>(sim_.reflections.count()));

    sim_.atoms = std::move(record->atoms);
    listFields_ = sim_.fields;
    // The dump keeps the points as they were turned; the orientation is the rotation they show.
    sim_.orientation = fitOrientation(sim_.points, sim_.reflections).value_or(kIdentity3d);
    PatternDocument& doc = sim_.document;
    // The group of the list position, as the dump keeps it. The dump does not keep whether
    // the document was usable; without that the orientation of the restored picture could not
    // be described or steered to a zone axis until the next simulation.
    const DocumentReading reading = readDocument(sim_.fields, doc);
    sim_.group = reading.group;
    doc.valid = reading.document.valid;
    // Nor whether the wavelength came from a voltage, which makes the work EBSD work: the
    // Euler frame and the scattering factors would otherwise change with a restart.
    doc.wavelengthFromVoltage = reading.document.wavelengthFromVoltage;
    readMinIntensity(sim_.fields, doc);
    doc.displayDMin = doc.dMin;
    doc.displayDMax = doc.dMax;
    resetThreshold(doc);
    showDocument(sim_);
    (void)computeLineStrengths(sim_);
    listOrigin_ = NewList::Loaded;
    picked_.reset();
    setStatus(StatusPanel::Count, QStringLiteral("%1 reflections").arg(sim_.reflections.count()));
    setStatus(StatusPanel::Title, fromStd(doc.title));
    sim_.detector = record->detector;
    patternImage_.restore(record->underlay);
    emit changed(Change::List | Change::Fields | Change::Picture | Change::Selection |
                 Change::Status | Change::Strengths | Change::Underlay);
    return true;
}

Outcome SimulationController::saveState() const {
    StateRecord record = stateRecordOf(sim_, pattern_);
    record.fields.orientation = pictureFrameOrientationText(sim_);
    return writeStateDump(statePath(), record);
}

void SimulationController::setFieldText(TextField field, std::size_t index, const QString& text) {
    DocumentFields& f = sim_.fields;
    std::string value = text.toStdString();
    auto at = [&](auto& row) -> std::string* { return index < row.size() ? &row[index] : nullptr; };
    std::string* target = nullptr;
    switch (field) {
    case TextField::Title:
        target = &f.title;
        break;
    case TextField::Cell:
        target = at(f.cell);
        break;
    case TextField::Limit:
        target = at(f.hklMax);
        break;
    case TextField::Wavelength:
        typeWavelength(f, index, std::move(value));
        return;
    case TextField::D:
        target = at(f.d);
        break;
    case TextField::Film:
        target = at(f.film);
        break;
    case TextField::Orientation:
        target = &f.orientation;
        break;
    case TextField::MinIntensity:
        target = &f.minIntensity;
        break;
    }
    if (!target) return;
    *target = std::move(value);
    if (field == TextField::Film) {
        // The film outline follows what is typed at once.
        for (std::size_t i = 0; i < 3; ++i) sim_.document.film[i] = fieldValue(f.film[i]);
        emit changed(Change::Picture);
    } else if (field == TextField::MinIntensity) {
        // So do the lines a structure leaves out.
        tavrel::setMinIntensity(sim_, f.minIntensity);
        emit changed(Change::Picture);
    }
}

Outcome SimulationController::setAtomSites(std::vector<AtomSite> sites) {
    const bool hadAtoms = hasAtoms();
    const Outcome taken = tavrel::setAtomSites(sim_, std::move(sites));
    if (!taken && sim_.atoms.empty() == !hadAtoms) return taken;
    // The first atoms colour the lines by their strength.
    if (!hadAtoms && hasAtoms()) pattern_.view.colourByIntensity = true;
    emit changed(strengthsChanged());
    return taken;
}

void SimulationController::setElectronScattering(bool on) {
    sim_.fields.scattering = on ? ScatteringChoice::Electron : ScatteringChoice::ByWavelength;
    // Unticked: X-rays, whatever the wavelength came from.
    if (!on) sim_.fields.electronBeam = false;
    (void)computeLineStrengths(sim_);
    emit changed(strengthsChanged());
}

Changes SimulationController::strengthsChanged() {
    if (!picked_) return Change::Strengths | Change::Picture;
    // The clicked line's intensity is what the atoms now give.
    showPicked();
    return Change::Strengths | Change::Picture | Change::Status;
}

void SimulationController::setSpaceGroupPosition(int position) {
    sim_.fields.spaceGroupIndex = position;
    // A setting chosen by a file belongs to the group it came with.
    sim_.fields.settingRow.reset();
}

void SimulationController::setAutoLimits(bool on) {
    sim_.fields.autoLimits = on;
}

void SimulationController::setOrientationType(OrientationType type) {
    sim_.fields.orientationType = type;
    // Angles to start from: those of the picture.
    if (type == OrientationType::Euler && state_.writeOrientationField())
        emit changed(Change::Fields);
}

void SimulationController::newDocument() {
    tavrel::newDocument(sim_, localPath(QDir(folders_.data).filePath(QStringLiteral("input.tvr"))));
    sim_.eulerFieldFrame = {};
    showNewList(NewList::Cleared);
    takeFile({});
    listFields_ = sim_.fields;
    setStatus(StatusPanel::Count, {});
    setStatus(StatusPanel::Pole, {});
    setStatus(StatusPanel::Clicked, {});
    setStatus(StatusPanel::Title, fromStd(sim_.fields.title));
    emit changed(Change::List | Change::Fields | Change::Picture | Change::Selection |
                 Change::Status | Change::Strengths);
}

Result<NewListReport> SimulationController::performSimulation(const CancelCheck& cancelled) {
    Result<NewListReport> report = generateReflections(sim_, announcingLoops(cancelled));
    setStatus(StatusPanel::Title, fromStd(sim_.document.title));
    return finishNewList(std::move(report));
}

Result<NewListReport> SimulationController::applySample(const Sample& sample,
                                                        const CancelCheck& cancelled) {
    const SampleFieldValues values = fieldValuesOf(sample);
    DocumentFields& f = sim_.fields;
    sim_.eulerFieldFrame = {};
    f.title = values.title;
    f.cell = values.cell;
    f.spaceGroupIndex = values.spaceGroupListIndex;
    // A setting chosen for the previous structure does not belong to this one.
    f.settingRow.reset();
    f.d[1] = values.dMax;
    const bool hadAtoms = hasAtoms();
    sim_.atoms = sampleSites(sample);
    if (!hadAtoms && hasAtoms()) pattern_.view.colourByIntensity = true;
    takeFile({});
    return performSimulation(cancelled);
}

Result<NewListReport> SimulationController::openFile(const QString& path, InputFormat format,
                                                     const CancelCheck& cancelled,
                                                     bool keepGeometry) {
    Result<InputFile> file = readInputFile(localPath(path), format, sim_.fields);
    if (!file) return file.failure();
    if (keepGeometry) keepGeometryOf(sim_, *file);
    sim_.eulerFieldFrame = {};
    Result<NewListReport> report = takeInputFile(sim_, *file, announcingLoops(cancelled));
    setStatus(StatusPanel::Title, path);
    takeFile(path);
    return finishNewList(std::move(report));
}

Result<std::vector<std::string>> SimulationController::saveFile(const QString& path,
                                                                InputFormat format,
                                                                const CancelCheck& cancelled) {
    const bool listBefore = sim_.reflections.generated;
    // Written in the picture frame, as files keep Euler angles; the field stays as typed.
    const std::string typed = sim_.fields.orientation;
    const OrientationFrame typedFrame = sim_.eulerFieldFrame;
    (void)reframeEulerField(sim_, {});
    savingFile_ = true;
    Result<std::vector<std::string>> saved =
        saveInputFile(sim_, localPath(path), format, announcingLoops(cancelled));
    savingFile_ = false;
    sim_.fields.orientation = typed;
    sim_.eulerFieldFrame = typedFrame;
    Changes what = Change::Fields;
    if (saved) takeFile(path);
    // A pattern input file takes the title, which the status shows; the others name the file
    // written, as opening one does, and never the file left behind.
    if (format == InputFormat::Tvr) {
        setStatus(StatusPanel::Title, fromStd(sim_.fields.title));
        what |= Change::Status;
    } else if (saved) {
        setStatus(StatusPanel::Title, path);
        what |= Change::Status;
    }
    // Saving a document that was not yet simulated simulates it first.
    if (!listBefore && sim_.reflections.generated) {
        showNewList(NewList::Generated);
        what |= Change::List | Change::Picture | Change::Selection | Change::Status;
    }
    emit changed(what);
    return saved;
}

Result<QString> SimulationController::writeReport() {
    const Result<std::string> path =
        tavrel::writeReport(sim_, localPath(folders_.work), showsFourIndices());
    if (!path) return path.failure();
    return fromStd(*path);
}

Result<QString> SimulationController::writeSymmetryListing() const {
    const QString path = QDir(folders_.work).filePath(QStringLiteral("symmetry.txt"));
    const Outcome written = writeFileAtomically(localPath(path), listingText(sim_.group));
    if (!written)
        return Problem{inQuotes(localPath(path)) + " cannot be written: " + written.problem()};
    return path;
}

Outcome SimulationController::applyOrientation() {
    const Outcome applied = applyOrientationText(sim_);
    if (applied) state_.clearOrientationNote();
    emit changed(Change::Fields | Change::Picture | Change::Status);
    return applied;
}

void SimulationController::applyPresetOrientation(int position) {
    tavrel::applyPresetOrientation(sim_, position);
    state_.clearOrientationNote();
    emit changed(Change::Fields | Change::Picture | Change::Status);
}

OrientationPoint SimulationController::orientationPoint() const {
    return {sim_.orientation, sim_.fields.orientation, sim_.fields.orientationType};
}

void SimulationController::restoreOrientation(const OrientationPoint& point, bool withField) {
    if (!hasReflections()) return;
    setOrientationMatrix(sim_, point.matrix);
    Changes what = Change::Picture;
    if (state_.clearOrientationNote()) what |= Change::Status;
    if (withField) {
        sim_.fields.orientation = point.text;
        sim_.fields.orientationType = point.type;
        what |= Change::Fields;
    }
    emit changed(what);
}

Result<NewListReport> SimulationController::resimulate(const DocumentFields& fields,
                                                       const Mat3d& orientation,
                                                       const CancelCheck& cancelled) {
    sim_.fields = fields;
    Result<NewListReport> report = performSimulation(cancelled);
    if (report && hasReflections()) {
        setOrientationMatrix(sim_, orientation);
        emit changed(Change::Picture);
    }
    return report;
}

bool SimulationController::takeFilmDistance() {
    const float distance = sim_.document.film[2];
    if (!(distance > 0) || !std::isfinite(distance)) return false;
    emit changed(Change::Underlay | Change::Status);
    return true;
}

DetectorPoint SimulationController::detectorPoint() const {
    return {sim_.fields.film[2], sim_.document.film[2], sim_.detector};
}

void SimulationController::restoreDetector(const DetectorPoint& point) {
    DetectorSetup setup = point.setup;
    setup.patternShown = sim_.detector.patternShown;
    setup.frame = sim_.detector.frame;
    sim_.detector = setup;
    sim_.fields.film[2] = point.distanceText;
    sim_.document.film[2] = point.distance;
    emit changed(Change::Fields | Change::Underlay | Change::Picture | Change::Status);
}

bool SimulationController::showsFourIndices() const {
    return state_.showsFourIndices();
}

bool SimulationController::hexagonalCell() const {
    return isHexagonalCell(sim_.document.cell);
}

Result<OrientationSummary> SimulationController::orientationSummary() const {
    if (!hasReflections() || !sim_.document.valid)
        return Problem{"There is no orientation before a simulation."};
    return summarizeOrientation(sim_.orientation, sim_.document.matrices,
                                pattern_.view.zoneAxisIndex);
}

Result<ZoneAxis> SimulationController::turnToNearestZoneAxis() {
    if (!hasReflections() || !sim_.document.valid)
        return Problem{"There is no orientation before a simulation."};
    const Result<ZoneAxisTurn> turn =
        nearestZoneAxis(sim_.orientation, sim_.document.matrices, pattern_.view.zoneAxisIndex);
    if (!turn) return turn.failure();
    setOrientationMatrix(sim_, turn->orientation);
    state_.writeOrientationField();
    state_.showZone(turn->axis.indices);
    emit changed(Change::Fields | Change::Picture | Change::Status);
    return turn->axis;
}

Result<HolderTilts> SimulationController::holderTiltsTo(const QString& direction) const {
    const Result<Vec3d> uvw = parseDirectionText(direction.toStdString(), hexagonalCell());
    if (!uvw) return uvw.failure();
    if (!hasReflections() || !sim_.document.valid)
        return Problem{"There is no orientation before a simulation."};
    return holderTiltsOnto(sim_.orientation, sim_.document.matrices, *uvw);
}

void SimulationController::applyHolderTilts(const HolderTilts& tilts) {
    if (!hasReflections()) return;
    setOrientationMatrix(sim_, tavrel::applyHolderTilts(sim_.orientation, tilts));
    state_.writeOrientationField();
    // The zone axis the tilts brought onto the beam, as the user typed it (not its opposite).
    state_.clearOrientationNote();
    const std::optional<SampleFrameNames> names =
        sampleFrameNames(sim_.orientation, sim_.document.matrices);
    if (names && names->z.direction.close) {
        IndexTriple axis = names->z.direction.indices;
        if (tilts.opposite)
            for (auto& index : axis) index = -index;
        state_.showZone(axis);
    }
    emit changed(Change::Fields | Change::Picture | Change::Status);
}

void SimulationController::unselectAll() {
    pattern_.selection.clear();
    picked_.reset();
    emit changed(Change::Selection | Change::Picture);
}

void SimulationController::selectStrongest() {
    tavrel::selectStrongest(pattern_, sim_);
    picked_.reset();
    emit changed(Change::Selection | Change::Picture);
}

void SimulationController::changeSelection(const QItemSelection& selected,
                                           const QItemSelection& deselected) {
    const auto mark = [this](const QItemSelection& rows, bool on) {
        for (const QItemSelectionRange& range : rows)
            for (int row = range.top(); row <= range.bottom(); ++row)
                if (row >= 0) pattern_.selection.set(static_cast<std::size_t>(row), on);
    };
    mark(deselected, false);
    mark(selected, true);
    picked_.reset();
    // The list shows the selection already; only the picture follows.
    emit changed(Change::Picture);
}

template <class Turn> void SimulationController::steer(Turn&& turn) {
    if (!hasReflections()) return;
    turn();
    // Turns rewrite no field: the fields stay as typed and only the picture follows, and what
    // the status said of the orientation before.
    emit changed(state_.clearOrientationNote() ? Change::Picture | Change::Status
                                               : Change::Picture);
}

void SimulationController::turnByDrag(float aboutVertical, float aboutHorizontal) {
    steer([&] {
        rotateAboutViewAxis(sim_, ViewAxis::Vertical, aboutVertical);
        rotateAboutViewAxis(sim_, ViewAxis::Horizontal, aboutHorizontal);
    });
}

void SimulationController::turnAboutViewingAxis(float degrees) {
    steer([&] { rotateAboutViewAxis(sim_, ViewAxis::Viewing, degrees); });
}

void SimulationController::turnByArrowKey(ArrowKey key) {
    steer([&] { tavrel::turnByArrowKey(sim_, key); });
}

std::optional<std::int32_t> SimulationController::pickAt(float x, float y) {
    if (!hasReflections()) return std::nullopt;
    const PatternInput input = patternInput(sim_, pattern_);
    if (const auto zone = renderer_.pickZoneAxis(input, pattern_.width, pattern_.height, x, y)) {
        setStatus(StatusPanel::Clicked, fromStd(zoneAxisText(*zone, showsFourIndices())));
        // Its angle from the centre changes with every turn.
        state_.orientationNote = true;
        emit changed(Change::Status);
        return std::nullopt;
    }
    const std::optional<std::int32_t> winner =
        renderer_.pick(input, pattern_.width, pattern_.height, x, y);
    if (!winner) return std::nullopt;
    pattern_.selection.toggle(static_cast<std::size_t>(*winner));
    picked_ = winner;
    state_.orientationNote = false;
    showPicked();
    emit changed(Change::Selection | Change::Picture | Change::Status);
    return winner;
}

std::optional<DrawSummary> SimulationController::draw(DrawingSurface& surface) {
    surface.clear(backgroundColour(pattern_.colours, pattern_.view.lightBackground));
    std::optional<DrawSummary> summary =
        renderer_.draw(patternInput(sim_, pattern_, view_.dragging()), surface);
    // The picture's counts replace the simulation's, so that a status change without a new
    // picture (a click on a zone axis) does not bring back the texts of the last simulation.
    if (summary) {
        setStatus(StatusPanel::Count, fromStd(summary->countText));
        // No pole is near when nothing is drawn (an empty list after a refused cell).
        setStatus(StatusPanel::Pole,
                  summary->nearestPole ? fromStd(summary->nearestPoleText) : QString());
    }
    return summary;
}

} // namespace tavrel::app
