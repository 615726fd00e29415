#include "app/controller.h"

#include "app/state_dump.h"
#include "common/numeric.h"
#include "render/colour_table.h"
#include "render/renderer.h"
#include "render/surface.h"
#include "session/orient.h"
#include "session/report.h"

#include <QDir>

#include <algorithm>
#include <cmath>
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

SimulationController::SimulationController(Notifier& notifier, Folders folders, QObject* parent)
    : QObject(parent), folders_(std::move(folders)), sim_(notifier) {
    sim_.engine.setListingFolder(localPath(folders_.work));
    sim_.document.filePath = localPath(QDir(folders_.data).filePath(QStringLiteral("input.tvr")));
    sim_.addListener([this](SimulationChange change) {
        if (change == SimulationChange::Turned) {
            turned_ = true;
            return;
        }
        showNewReflections(pattern_, sim_, change);
        newList_ = change;
    });
}

QString SimulationController::statePath() const {
    return QDir(folders_.work).filePath(QString::fromLatin1(kStateDumpName));
}

template <class Command> auto SimulationController::run(Command&& command) {
    ++depth_;
    struct Finish {
        SimulationController* self;
        ~Finish() {
            if (--self->depth_ == 0) self->finish();
        }
    } finishing{this};
    return command();
}

void SimulationController::finish() {
    const std::optional<SimulationChange> newList = std::exchange(newList_, std::nullopt);
    const bool turned = std::exchange(turned_, false);
    if (newList) {
        threshold_ = {};
        if (*newList != SimulationChange::Cleared) {
            threshold_.maximum = roundToInt32(sim_.document.displayDMax * 10.0);
            threshold_.minimum = roundToInt32(sim_.document.displayDMin * 10.0);
        }
        emit reflectionsReplaced(*newList);
        if (*newList != SimulationChange::Cleared)
            emit statusText(StatusPanel::Count,
                            QStringLiteral("%1 reflections").arg(sim_.reflections.count()));
    }
    emit fieldsChanged();
    if (newList || turned) emit pictureChanged();
}

CancelCheck SimulationController::announcingLoops(const CancelCheck& cancelled) {
    // The loop count is known once the document has been read, which is just before the first
    // question.
    return [this, cancelled, first = true]() mutable {
        if (first) {
            first = false;
            const auto& m = sim_.document.hklMax;
            const long long loops = (2LL * m[0] + 1) * (2LL * m[1] + 1) * (2LL * m[2] + 1);
            emit statusText(StatusPanel::Pole, QStringLiteral("of %1 loops").arg(loops - 1));
        }
        return cancelled ? cancelled() : false;
    };
}

bool SimulationController::start(const CancelCheck& cancelled) {
    if (restoreState()) return true;
    simulateIronSample(cancelled);
    return false;
}

bool SimulationController::restoreState() {
    std::optional<StateRecord> record = readStateDump(statePath());
    if (!record) return false;
    run([&] {
        sim_.fields = std::move(record->fields);
        sim_.document = std::move(record->document);
        sim_.reflections = std::move(record->reflections);
        sim_.points = std::move(record->points);
        pattern_.view = record->view;
        pattern_.colours = record->colours;
        // The table follows from the scheme; the monochrome scheme is the last one there is.
        tavrel::selectColourScheme(pattern_.colours,
                                   std::min<int>(pattern_.colours.schemeIndex, kMonochromeScheme));
        pattern_.selection.reset(static_cast<std::size_t>(sim_.reflections.count()));

        PatternDocument& doc = sim_.document;
        // The engine is set to the restored group, so that its listing names the group shown.
        for (int i = 0; i < 6; ++i) sim_.engine.setCellValue(i, doc.cell[i]);
        sim_.engine.selectRow(sim_.engine.rowForGroup(doc.spaceGroupIndex + 1));
        doc.displayDMin = doc.dMin;
        doc.displayDMax = doc.dMax;
        resetThreshold(doc);
        showDocument(sim_);
        newList_ = SimulationChange::Loaded;
    });
    emit statusText(StatusPanel::Title, fromStd(sim_.document.title));
    return true;
}

void SimulationController::simulateIronSample(const CancelCheck& cancelled) {
    DocumentFields& f = sim_.fields;
    f.spaceGroupIndex = 228; // group 229, I m -3 m
    f.hklMax = {"2", "2", "2"};
    f.autoLimits = false;
    f.cell = {"2.866", "2.866", "2.866", "90", "90", "90"};
    f.wavelength = {"1.9361", "0"};
    f.d = {"1.0", "0"}; // d-Max follows from the cell
    f.orientation = "0 0 1";
    f.orientationType = OrientationType::Reciprocal;
    f.title = "Iron (Fe)";
    performSimulation(cancelled);
}

bool SimulationController::saveState(QString* error) const {
    return writeStateDump(statePath(), stateRecordOf(sim_, pattern_), error);
}

void SimulationController::newDocument() {
    run([&] {
        tavrel::newDocument(sim_,
                            localPath(QDir(folders_.data).filePath(QStringLiteral("input.tvr"))));
    });
    emit statusText(StatusPanel::Count, QString());
    emit statusText(StatusPanel::Pole, QString());
    emit statusText(StatusPanel::Clicked, QString());
    emit statusText(StatusPanel::Title, fromStd(sim_.fields.title));
}

GenerationResult SimulationController::performSimulation(const CancelCheck& cancelled) {
    const GenerationResult result =
        run([&] { return generateReflections(sim_, announcingLoops(cancelled)); });
    emit statusText(StatusPanel::Title, fromStd(sim_.document.title));
    return result;
}

GenerationResult SimulationController::applySample(const Sample& sample,
                                                   const CancelCheck& cancelled) {
    const SampleFieldValues values = fieldValuesOf(sample);
    DocumentFields& f = sim_.fields;
    f.title = values.title;
    f.cell = values.cell;
    f.spaceGroupIndex = values.spaceGroupListIndex;
    // A setting chosen for the previous structure does not belong to this one.
    f.settingRow.reset();
    f.d[1] = values.dMax;
    return performSimulation(cancelled);
}

FileOutcome SimulationController::openFile(const QString& path, InputFormat format,
                                           const CancelCheck& cancelled) {
    const FileOutcome outcome = run(
        [&] { return openInputFile(sim_, localPath(path), format, announcingLoops(cancelled)); });
    if (outcome.ok) emit statusText(StatusPanel::Title, path);
    return outcome;
}

FileOutcome SimulationController::saveFile(const QString& path, InputFormat format,
                                           const CancelCheck& cancelled) {
    const FileOutcome outcome = run(
        [&] { return saveInputFile(sim_, localPath(path), format, announcingLoops(cancelled)); });
    if (format == InputFormat::Tvr) emit statusText(StatusPanel::Title, fromStd(sim_.fields.title));
    return outcome;
}

QString SimulationController::writeReport(QString& error) {
    std::string reason;
    const std::string path = tavrel::writeReport(sim_, localPath(folders_.work), reason);
    error = fromStd(reason);
    return fromStd(path);
}

void SimulationController::applyOrientation() {
    run([&] {
        applyOrientationText(sim_, sim_.fields.orientationType == OrientationType::Direct);
    });
}

void SimulationController::applyPresetOrientation(int position) {
    run([&] { tavrel::applyPresetOrientation(sim_, position); });
}

void SimulationController::readFilmFields() {
    for (std::size_t i = 0; i < 3; ++i)
        sim_.document.film[i] = static_cast<float>(leadingNumber(sim_.fields.film[i]));
    emit pictureChanged();
}

bool SimulationController::viewToggle(ViewToggle toggle) const {
    const ViewState& v = pattern_.view;
    switch (toggle) {
    case ViewToggle::Stereographic:
        return v.viewStereographic;
    case ViewToggle::FilmOutline:
        return v.viewFilmOutline;
    case ViewToggle::Rings:
        return v.viewRings;
    case ViewToggle::Labels:
        return v.viewLabels;
    case ViewToggle::LightBackground:
        return v.lightBackground;
    }
    return false;
}

void SimulationController::setViewToggle(ViewToggle toggle, bool on) {
    ViewState& v = pattern_.view;
    switch (toggle) {
    case ViewToggle::Stereographic:
        v.viewStereographic = on;
        break;
    case ViewToggle::FilmOutline:
        v.viewFilmOutline = on;
        break;
    case ViewToggle::Rings:
        v.viewRings = on;
        break;
    case ViewToggle::Labels:
        v.viewLabels = on;
        break;
    case ViewToggle::LightBackground:
        v.lightBackground = on;
        break;
    }
    emit pictureChanged();
}

void SimulationController::fitToWindow() {
    tavrel::fitToWindow(pattern_, sim_.document);
    emit pictureChanged();
}

void SimulationController::setThresholdPosition(int position) {
    sim_.document.displayDMin = thresholdOf(position);
    emit pictureChanged();
}

void SimulationController::unselectAll() {
    pattern_.selection.clear();
    emit selectionChanged();
    emit pictureChanged();
}

void SimulationController::selectStrongest() {
    const ReflectionList& r = sim_.reflections;
    const float dMax = sim_.document.dMax;
    for (std::size_t i = 0; i < r.d.size(); ++i)
        pattern_.selection.set(i, std::fabs(r.d[i] - dMax) < 0.001f);
    emit selectionChanged();
    emit pictureChanged();
}

void SimulationController::selectionEdited() {
    emit pictureChanged();
}

template <class Turn> void SimulationController::steer(Turn&& turn) {
    if (!hasReflections()) return;
    turn();
    // Turns rewrite no field: the fields stay as typed and only the picture follows.
    turned_ = false;
    emit pictureChanged();
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

void SimulationController::setPatternScale(float scale) {
    if (!hasReflections() || !std::isfinite(scale) || scale <= 0) return;
    pattern_.view.patternScale = scale;
    emit pictureChanged();
}

void SimulationController::switchLinesAndPoints() {
    if (!hasReflections()) return;
    pattern_.view.showLines = !pattern_.view.showLines;
    emit pictureChanged();
}

void SimulationController::setDragging(bool dragging) {
    dragging_ = dragging;
}

void SimulationController::refreshPicture() {
    emit pictureChanged();
}

std::optional<std::int32_t> SimulationController::pickAt(float x, float y) {
    if (!hasReflections()) return std::nullopt;
    const std::optional<std::int32_t> winner =
        renderer_.pick(patternInput(sim_, pattern_), pattern_.width, pattern_.height, x, y);
    if (!winner) return std::nullopt;
    pattern_.selection.toggle(static_cast<std::size_t>(*winner));
    emit statusText(StatusPanel::Clicked, fromStd(clickedText(sim_.reflections, *winner)));
    emit selectionChanged();
    emit reflectionPicked(*winner);
    emit pictureChanged();
    return winner;
}

void SimulationController::selectColourScheme(int scheme) {
    tavrel::selectColourScheme(pattern_.colours, scheme);
    emit pictureChanged();
}

void SimulationController::setBaseColour(int which, Rgb colour) {
    if (which < 0 || which >= static_cast<int>(pattern_.colours.baseColours.size())) return;
    pattern_.colours.baseColours[static_cast<std::size_t>(which)] = colour;
    emit pictureChanged();
}

void SimulationController::resetColours() {
    pattern_.colours.baseColours = ColourTable{}.baseColours;
    tavrel::selectColourScheme(pattern_.colours, 0);
    emit pictureChanged();
}

void SimulationController::setPictureSize(int width, int height) {
    pattern_.width = std::max(1, width);
    pattern_.height = std::max(1, height);
}

std::optional<DrawSummary> SimulationController::draw(DrawingSurface& surface) {
    surface.clear(backgroundColour(pattern_.colours, pattern_.view.lightBackground));
    return renderer_.draw(patternInput(sim_, pattern_, dragging_), surface);
}

} // namespace tavrel::app
