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

Outcome PatternImageCommands::open(const QString& path) {
    const std::string local = QDir::toNativeSeparators(path).toStdString();
    Result<fit::GreyImage> grey = readPatternImage(local);
    if (!grey) return grey.failure();
    PatternUnderlay& underlay = c_.pattern_.underlay;
    underlay.raw = std::move(*grey);
    underlay.settings.path = local;
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

void PatternImageCommands::setPatternCentre(const PatternCentre& centre) {
    c_.sim_.patternCentre = clampedPatternCentre(centre);
    emit c_.changed(Change::Underlay | Change::Picture);
}

void PatternImageCommands::remove() {
    c_.pattern_.underlay = PatternUnderlay{};
    c_.sim_.patternCentre = {};
    levels_.reset();
    emit c_.changed(Change::Underlay | Change::Picture);
}

void PatternImageCommands::restore(const UnderlaySettings& settings, const PatternCentre& centre) {
    c_.pattern_.underlay = PatternUnderlay{};
    c_.sim_.patternCentre = {};
    levels_.reset();
    if (settings.path.empty()) return;
    Result<fit::GreyImage> grey = readPatternImage(settings.path);
    if (!grey) {
        c_.setStatus(StatusPanel::Clicked, QString::fromStdString(grey.problem()));
        return;
    }
    c_.pattern_.underlay.raw = std::move(*grey);
    c_.pattern_.underlay.settings = settings;
    c_.sim_.patternCentre = clampedPatternCentre(centre);
    updateShownPixels(c_.pattern_.underlay);
}

Result<const fit::PreparedPattern*> PatternImageCommands::prepared() {
    if (!underlay().loaded()) return Problem{"There is no pattern image to match."};
    if (!c_.hasReflections() || !c_.sim_.document.valid)
        return Problem{"There are no lines to match before a simulation."};
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
        sim.patternCentre = fit.detector.centre;
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
    const Result<const fit::PreparedPattern*> image = prepared();
    if (!image) return image.failure();
    Result<fit::IndexResult> indexed = PatternFit(c_.sim_).index(**image);
    if (!indexed) return indexed.failure();
    return std::move(indexed->solutions);
}

void PatternImageCommands::apply(const fit::FoundOrientation& found) {
    Simulation& sim = c_.sim_;
    if (!c_.hasReflections() || !sim.document.valid) return;
    setOrientationMatrix(sim,
                         orientationFromEulerAngles(foundEulerAngles(found, sim.document.matrices),
                                                    sim.document.matrices));
    c_.setStatus(StatusPanel::Clicked,
                 QStringLiteral("indexed: score %1")
                     .arg(QString::fromStdString(formatNumber(found.fit.score, "0.000"))));
    emit c_.changed(Change::Picture | Change::Status);
}

} // namespace tavrel::app
