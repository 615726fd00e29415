#include "app/pattern_image_commands.h"

#include "app/controller.h"
#include "common/numeric.h"
#include "orientation/euler_angles.h"
#include "output/pattern_image.h"
#include "session/orient.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel::app {

const PatternUnderlay& PatternImageCommands::underlay() const {
    return c_.pattern_.underlay;
}

Detector PatternImageCommands::detector() const {
    return detectorOf(c_.sim_);
}

std::optional<std::array<int, 2>> PatternImageCommands::imageSize() const {
    if (!underlay().loaded()) return std::nullopt;
    return std::array<int, 2>{underlay().raw.width, underlay().raw.height};
}

Outcome PatternImageCommands::setDetector(const DetectorSetup& setup,
                                          const std::optional<CentreCoordinates>& stated) {
    Simulation trial = c_.sim_;
    const bool shown = trial.detector.patternShown;
    trial.detector = setup;
    trial.detector.patternShown = shown;
    if (stated)
        if (const Outcome placed = setStatedCentre(trial, *stated, imageSize()); !placed)
            return placed;
    if (const Outcome usable = checkGeometry(trial); !usable) return usable;
    const bool filmMoved = trial.fields.film[2] != c_.sim_.fields.film[2];
    c_.sim_.detector = trial.detector;
    c_.sim_.fields.film[2] = trial.fields.film[2];
    c_.sim_.document.film[2] = trial.document.film[2];
    levels_.reset();
    Changes what = Change::Underlay | Change::Picture | Change::Status;
    if (filmMoved) what |= Change::Fields;
    c_.setStatus(StatusPanel::Clicked, QString::fromStdString(centreOutsideNote(detector())));
    emit c_.changed(what);
    return {};
}

void PatternImageCommands::setEulerFrame(std::optional<EulerFrame> frame) {
    c_.sim_.detector.frame = frame;
    emit c_.changed(Change::Status | Change::Underlay);
}

Outcome PatternImageCommands::open(const QString& path) {
    const std::string local = QDir::toNativeSeparators(path).toStdString();
    Result<fit::GreyImage> grey = readPatternImage(local);
    if (!grey) return grey.failure();
    PatternUnderlay& underlay = c_.pattern_.underlay;
    underlay.raw = std::move(*grey);
    underlay.settings.path = local;
    c_.sim_.detector.patternShown = true;
    levels_.reset();
    updateShownPixels(underlay);
    c_.setStatus(StatusPanel::Clicked,
                 QStringLiteral("Pattern image %1").arg(QFileInfo(path).fileName()));
    emit c_.changed(Change::Underlay | Change::Picture | Change::Status);
    return {};
}

void PatternImageCommands::setSettings(const UnderlaySettings& settings) {
    PatternUnderlay& underlay = c_.pattern_.underlay;
    const std::string path = underlay.settings.path;
    underlay.settings = settings;
    underlay.settings.path = path;
    updateShownPixels(underlay);
    emit c_.changed(Change::Underlay | Change::Picture);
}

void PatternImageCommands::remove() {
    c_.pattern_.underlay = PatternUnderlay{};
    c_.sim_.detector.centre = {};
    c_.sim_.detector.patternShown = false;
    levels_.reset();
    emit c_.changed(Change::Underlay | Change::Picture | Change::Status);
}

void PatternImageCommands::restore(const UnderlaySettings& settings) {
    c_.pattern_.underlay = PatternUnderlay{};
    c_.sim_.detector.patternShown = false;
    levels_.reset();
    if (settings.path.empty()) return;
    Result<fit::GreyImage> grey = readPatternImage(settings.path);
    if (!grey) {
        c_.setStatus(StatusPanel::Clicked, QString::fromStdString(grey.problem()));
        return;
    }
    c_.pattern_.underlay.raw = std::move(*grey);
    c_.pattern_.underlay.settings = settings;
    c_.sim_.detector.patternShown = true;
    updateShownPixels(c_.pattern_.underlay);
}

Result<const fit::ScoreLevels*> PatternImageCommands::prepared() {
    if (!underlay().loaded()) return Problem{"There is no pattern image to match."};
    if (!c_.hasReflections() || !c_.sim_.document.valid)
        return Problem{"There are no lines to match before a simulation."};
    if (const Outcome usable = checkGeometry(c_.sim_); !usable) return usable.failure();
    if (!levels_) {
        Result<fit::ScoreLevels> levels = preparePattern(underlay().raw);
        if (!levels) return levels.failure();
        levels_ = std::move(*levels);
    }
    return &*levels_;
}

Result<Refinement> PatternImageCommands::refine(bool fitDetector, const CancelCheck& cancelled) {
    const Result<const fit::ScoreLevels*> image = prepared();
    if (!image) return image.failure();
    Simulation& sim = c_.sim_;
    RefineRequest request;
    request.start = sim.orientation;
    request.fitDetector = fitDetector;
    // The canvas follows the search.
    request.progress = [this](const fit::RefineProgress& p) {
        setOrientationMatrix(c_.sim_, p.best.orientation);
        emit c_.changed(Change::Picture);
    };
    request.cancelled = cancelled;
    const Result<Refinement> refined = PatternFit(sim).refine(**image, request);
    if (!refined) {
        setOrientationMatrix(sim, request.start);
        emit c_.changed(Change::Picture);
        return refined.failure();
    }
    const fit::FitState& fit = refined->found.fit;
    setOrientationMatrix(sim, fit.orientation);
    if (fitDetector) {
        sim.detector.centre = fit.detector.centre;
        sim.fields.film[2] = formatNumber(fit.detector.distance, "0.###");
        sim.document.film[2] = static_cast<float>(fit.detector.distance);
    }
    c_.setStatus(StatusPanel::Clicked,
                 QStringLiteral("refined: score %1, moved %2\u00b0")
                     .arg(QString::fromStdString(formatNumber(fit.score, "0.000")),
                          QString::fromStdString(formatNumber(refined->movedDegrees, "0.00"))));
    Changes what = Change::Picture | Change::Status | Change::Underlay;
    if (fitDetector) what |= Change::Fields;
    emit c_.changed(what);
    return refined;
}

Result<std::vector<fit::FoundOrientation>> PatternImageCommands::index() {
    const Result<const fit::ScoreLevels*> image = prepared();
    if (!image) return image.failure();
    Result<fit::IndexResult> indexed = PatternFit(c_.sim_).index(**image);
    if (!indexed) return indexed.failure();
    return std::move(indexed->solutions);
}

void PatternImageCommands::apply(const fit::FoundOrientation& found) {
    Simulation& sim = c_.sim_;
    if (!c_.hasReflections() || !sim.document.valid) return;
    // As the angles are reported in the frame shown.
    const OrientationFrame frame = orientationFrameOf(sim);
    setOrientationMatrix(
        sim, orientationFromEulerIn(frame, foundEulerAngles(found, sim.document.matrices, frame),
                                    sim.document.matrices));
    c_.setStatus(StatusPanel::Clicked,
                 QStringLiteral("indexed: score %1")
                     .arg(QString::fromStdString(formatNumber(found.fit.score, "0.000"))));
    emit c_.changed(Change::Picture | Change::Status);
}

} // namespace tavrel::app
