#include "app/pattern_image_commands.h"

#include "app/controller_state.h"
#include "common/numeric.h"
#include "orientation/euler_angles.h"
#include "output/pattern_image.h"
#include "session/field_reader.h"
#include "session/orient.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel::app {

const PatternUnderlay& PatternImageCommands::underlay() const {
    return state_.pattern.underlay;
}

Detector PatternImageCommands::detector() const {
    return detectorOf(state_.sim);
}

std::optional<std::array<int, 2>> PatternImageCommands::imageSize() const {
    if (!underlay().loaded()) return std::nullopt;
    return std::array<int, 2>{underlay().raw.width, underlay().raw.height};
}

Outcome PatternImageCommands::setDetector(const DetectorSetup& setup,
                                          const std::optional<CentreCoordinates>& stated) {
    Simulation trial = state_.sim;
    const bool shown = trial.detector.patternShown;
    trial.detector = setup;
    trial.detector.patternShown = shown;
    if (stated)
        if (const Outcome placed = setStatedCentre(trial, *stated, imageSize()); !placed)
            return placed;
    if (const Outcome usable = checkGeometry(trial); !usable) return usable;
    const bool filmMoved = trial.fields.film[2] != state_.sim.fields.film[2];
    state_.sim.detector = trial.detector;
    state_.sim.fields.film[2] = trial.fields.film[2];
    state_.sim.document.film[2] = trial.document.film[2];
    levels_.reset();
    Changes what = Change::Underlay | Change::Picture | Change::Status;
    if (filmMoved) what |= Change::Fields;
    state_.setStatus(StatusPanel::Clicked, QString::fromStdString(centreOutsideNote(detector())));
    state_.changed(what);
    return {};
}

void PatternImageCommands::setEulerFrame(std::optional<EulerFrame> frame) {
    state_.sim.detector.frame = frame;
    state_.changed(Change::Status | Change::Underlay);
}

Outcome PatternImageCommands::open(const QString& path) {
    const std::string local = QDir::toNativeSeparators(path).toStdString();
    Result<fit::GreyImage> grey = readPatternImage(local);
    if (!grey) return grey.failure();
    PatternUnderlay& underlay = state_.pattern.underlay;
    underlay.raw = std::move(*grey);
    underlay.settings.path = local;
    state_.sim.detector.patternShown = true;
    levels_.reset();
    updateShownPixels(underlay);
    state_.setStatus(StatusPanel::Clicked,
                     QStringLiteral("Pattern image %1").arg(QFileInfo(path).fileName()));
    state_.changed(Change::Underlay | Change::Picture | Change::Status);
    return {};
}

void PatternImageCommands::setSettings(const UnderlaySettings& settings) {
    PatternUnderlay& underlay = state_.pattern.underlay;
    const std::string path = underlay.settings.path;
    underlay.settings = settings;
    underlay.settings.path = path;
    updateShownPixels(underlay);
    state_.changed(Change::Underlay | Change::Picture);
}

void PatternImageCommands::remove() {
    state_.pattern.underlay = PatternUnderlay{};
    state_.sim.detector.centre = {};
    state_.sim.detector.patternShown = false;
    levels_.reset();
    state_.changed(Change::Underlay | Change::Picture | Change::Status);
}

void PatternImageCommands::restore(const UnderlaySettings& settings) {
    state_.pattern.underlay = PatternUnderlay{};
    state_.sim.detector.patternShown = false;
    levels_.reset();
    if (settings.path.empty()) return;
    Result<fit::GreyImage> grey = readPatternImage(settings.path);
    if (!grey) {
        state_.setStatus(StatusPanel::Clicked, QString::fromStdString(grey.problem()));
        return;
    }
    state_.pattern.underlay.raw = std::move(*grey);
    state_.pattern.underlay.settings = settings;
    state_.sim.detector.patternShown = true;
    updateShownPixels(state_.pattern.underlay);
}

Result<const fit::PreparedPattern*> PatternImageCommands::prepared() {
    if (!underlay().loaded()) return Problem{"There is no pattern image to match."};
    if (!state_.hasReflections() || !state_.sim.document.valid)
        return Problem{"There are no lines to match before a simulation."};
    if (const Outcome usable = checkGeometry(state_.sim); !usable) return usable.failure();
    if (!levels_) {
        Result<fit::PreparedPattern> levels = prepareForMatching(underlay().raw);
        if (!levels) return levels.failure();
        levels_ = std::move(*levels);
    }
    return &*levels_;
}

Result<Refinement> PatternImageCommands::refine(bool fitDetector, const CancelCheck& cancelled) {
    const Result<const fit::PreparedPattern*> image = prepared();
    if (!image) return image.failure();
    Simulation& sim = state_.sim;
    RefineRequest request;
    request.start = sim.orientation;
    request.fitDetector = fitDetector;
    // The canvas follows the search.
    request.progress = [this](const fit::RefineProgress& p) {
        setOrientationMatrix(state_.sim, p.best.orientation);
        state_.changed(Change::Picture);
    };
    request.cancelled = cancelled;
    const Result<Refinement> refined = PatternFit(sim).refine(**image, request);
    if (!refined) {
        setOrientationMatrix(sim, request.start);
        state_.changed(Change::Picture);
        return refined.failure();
    }
    const fit::FitState& fit = refined->found.fit;
    setOrientationMatrix(sim, fit.orientation);
    state_.writeOrientationField();
    if (fitDetector) {
        sim.detector.centre = fit.detector.centre;
        // The document holds what its field shows, as after any edit of the field: the film's
        // caption and the next simulation read the same number.
        sim.fields.film[2] = formatNumber(fit.detector.distance, "0.###");
        sim.document.film[2] = fieldValue(sim.fields.film[2]);
    }
    state_.setStatus(StatusPanel::Clicked,
                     QStringLiteral("refined: score %1, moved %2\u00b0")
                         .arg(QString::fromStdString(formatNumber(fit.score, "0.000")),
                              QString::fromStdString(formatNumber(refined->movedDegrees, "0.00"))));
    state_.orientationNote = true;
    state_.changed(Change::Fields | Change::Picture | Change::Status | Change::Underlay);
    return refined;
}

Result<std::vector<fit::FoundOrientation>> PatternImageCommands::index() {
    const Result<const fit::PreparedPattern*> image = prepared();
    if (!image) return image.failure();
    Result<fit::IndexResult> indexed = PatternFit(state_.sim).index(**image);
    if (!indexed) return indexed.failure();
    return std::move(indexed->solutions);
}

void PatternImageCommands::apply(const fit::FoundOrientation& found) {
    Simulation& sim = state_.sim;
    if (!state_.hasReflections() || !sim.document.valid) return;
    // As the angles are reported in the frame shown.
    const OrientationFrame frame = orientationFrameOf(sim);
    setOrientationMatrix(
        sim, orientationFromEulerIn(frame, foundEulerAngles(found, sim.document.matrices, frame),
                                    sim.document.matrices));
    state_.writeOrientationField();
    state_.setStatus(StatusPanel::Clicked,
                     QStringLiteral("indexed: score %1")
                         .arg(QString::fromStdString(formatNumber(found.fit.score, "0.000"))));
    state_.orientationNote = true;
    state_.changed(Change::Fields | Change::Picture | Change::Status);
}

} // namespace tavrel::app
