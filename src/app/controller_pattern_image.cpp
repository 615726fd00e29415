// The controller's commands on a recorded pattern: the image under the lines, refining the
// orientation against it and indexing it.

#include "app/controller.h"

#include "common/numeric.h"
#include "common/text.h"
#include "fit/indexing.h"
#include "orientation/euler_angles.h"
#include "output/pattern_image.h"
#include "session/orient.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel::app {

Outcome SimulationController::openPatternImage(const QString& path) {
    Result<fit::GreyImage> grey = readPatternImage(QDir::toNativeSeparators(path).toStdString());
    if (!grey) return grey.failure();
    pattern_.underlay.raw = std::move(*grey);
    pattern_.underlay.settings.path = QDir::toNativeSeparators(path).toStdString();
    updateShownPixels(pattern_.underlay);
    setStatus(StatusPanel::Clicked,
              QStringLiteral("Pattern image %1").arg(QFileInfo(path).fileName()));
    emit changed(Change::Underlay | Change::Picture | Change::Status);
    return {};
}

void SimulationController::setUnderlaySettings(const UnderlaySettings& settings) {
    const std::string path = pattern_.underlay.settings.path;
    pattern_.underlay.settings = settings;
    pattern_.underlay.settings.path = path; // the file is the one read, whatever the caller held
    updateShownPixels(pattern_.underlay);
    emit changed(Change::Underlay | Change::Picture);
}

void SimulationController::removePatternImage() {
    pattern_.underlay = PatternUnderlay{};
    emit changed(Change::Underlay | Change::Picture);
}

void SimulationController::restorePatternImage(const UnderlaySettings& settings) {
    if (settings.path.empty()) return;
    Result<fit::GreyImage> grey = readPatternImage(settings.path);
    if (!grey) {
        // The session comes back without it; the picture is as good without the image.
        setStatus(StatusPanel::Clicked, QString::fromStdString(grey.problem()));
        return;
    }
    pattern_.underlay.raw = std::move(*grey);
    pattern_.underlay.settings = settings;
    updateShownPixels(pattern_.underlay);
}

Result<fit::GreyImage> SimulationController::preparedImage() const {
    if (!pattern_.underlay.loaded()) return Problem{"There is no pattern image to match."};
    if (!hasReflections() || !sim_.document.valid)
        return Problem{"There are no lines to match before a simulation."};
    Result<fit::GreyImage> prepared = fit::prepareForFitting(pattern_.underlay.raw);
    if (!prepared) return Problem{"No orientation found: " + prepared.problem()};
    return prepared;
}

Result<ImageRefinement> SimulationController::refineToImage(bool fitCentre,
                                                            const CancelCheck& cancelled) {
    const Result<fit::GreyImage> prepared = preparedImage();
    if (!prepared) return prepared.failure();
    const UnderlaySettings& shown = pattern_.underlay.settings;
    const fit::IndexSetup setup = patternFitSetup(sim_, {shown.centreX, shown.centreY});
    const fit::PatternScorer scorer(*prepared, setup.bands, setup.profile);
    const Mat3d start = sim_.orientation;
    fit::RefineOptions options;
    options.refineCentre = options.refineDistance = fitCentre;
    // The canvas follows the search.
    options.progress = [this](const fit::RefineProgress& p) {
        setOrientationMatrix(sim_, p.best.orientation);
        emit changed(Change::Picture);
    };
    options.cancelled = cancelled;
    const Result<fit::RefineResult> refined =
        fit::refineOrientation(scorer, {start, setup.detector, 0}, options);
    if (!refined) {
        setOrientationMatrix(sim_, start);
        emit changed(Change::Picture);
        return refined.failure();
    }
    const fit::FitState& fit = refined->fit;
    setOrientationMatrix(sim_, fit.orientation);
    writeOrientationField();
    if (fitCentre) {
        pattern_.underlay.settings.centreX = fit.detector.centre.x;
        pattern_.underlay.settings.centreY = fit.detector.centre.y;
        sim_.fields.film[2] = formatNumber(fit.detector.distance, "0.###");
        sim_.document.film[2] = static_cast<float>(fit.detector.distance);
    }
    const fit::BandAgreement agreement = fit::bandAgreement(scorer, fit, setup);
    ImageRefinement result{
        foundOrientation(sim_, fit, agreement.matchedBands, agreement.meanDeviationDegrees),
        refined->movedDegrees, refined->cancelled};
    orientationNote_ = true;
    setStatus(StatusPanel::Clicked,
              QStringLiteral("refined: score %1, moved %2\u00b0")
                  .arg(QString::fromStdString(formatNumber(fit.score, "0.000")),
                       QString::fromStdString(formatNumber(refined->movedDegrees, "0.00"))));
    emit changed(Change::Fields | Change::Picture | Change::Status | Change::Underlay);
    return result;
}

Result<std::vector<FoundOrientation>> SimulationController::indexImage() const {
    const Result<fit::GreyImage> prepared = preparedImage();
    if (!prepared) return prepared.failure();
    const UnderlaySettings& shown = pattern_.underlay.settings;
    const fit::IndexSetup setup = patternFitSetup(sim_, {shown.centreX, shown.centreY});
    const Result<fit::IndexResult> indexed = fit::indexPattern(*prepared, setup);
    if (!indexed) return indexed.failure();
    std::vector<FoundOrientation> found;
    for (const fit::IndexedOrientation& s : indexed->solutions)
        found.push_back(foundOrientation(sim_, s.fit, s.matchedBands, s.meanDeviationDegrees));
    return found;
}

void SimulationController::applyFoundOrientation(const FoundOrientation& found) {
    if (!hasReflections() || !sim_.document.valid) return;
    setOrientationMatrix(sim_, orientationFromEulerAngles(found.euler, sim_.document.matrices));
    writeOrientationField();
    orientationNote_ = true;
    setStatus(StatusPanel::Clicked,
              QStringLiteral("indexed: score %1")
                  .arg(QString::fromStdString(formatNumber(found.score, "0.000"))));
    emit changed(Change::Fields | Change::Picture | Change::Status);
}

} // namespace tavrel::app
