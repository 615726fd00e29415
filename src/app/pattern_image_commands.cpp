#include "app/pattern_image_commands.h"

#include "app/controller_state.h"
#include "common/numeric.h"
#include "common/text.h"
#include "orientation/euler_angles.h"
#include "output/pattern_image.h"
#include "session/field_reader.h"
#include "session/orient.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>

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
    QString note = QStringLiteral("Pattern image %1").arg(QFileInfo(path).fileName());
    // A static background belongs to the camera: it stays for the next pattern of its size.
    if (!underlay.background.empty() && (underlay.background.image.width != underlay.raw.width ||
                                         underlay.background.image.height != underlay.raw.height)) {
        underlay.background = {};
        underlay.settings.staticBackground.clear();
        note += QStringLiteral("; the static background is of another size and was dropped");
    }
    updateShownPixels(underlay);
    state_.setStatus(StatusPanel::Clicked, note);
    state_.changed(Change::Underlay | Change::Picture | Change::Status);
    return {};
}

void PatternImageCommands::setSettings(const UnderlaySettings& settings) {
    PatternUnderlay& underlay = state_.pattern.underlay;
    const UnderlaySettings kept = underlay.settings;
    underlay.settings = settings;
    underlay.settings.path = kept.path;
    underlay.settings.staticBackground = kept.staticBackground;
    underlay.settings.dynamic = kept.dynamic;
    underlay.settings.phases = kept.phases;
    updateShownPixels(underlay);
    state_.changed(Change::Underlay | Change::Picture);
}

namespace {

// The static background in `path` for patterns of the image's size.
Result<fit::StaticBackground> readStaticBackground(const std::string& path,
                                                   const fit::GreyImage& pattern) {
    Result<fit::GreyImage> grey = readPatternImage(path);
    if (!grey) return grey.failure();
    if (grey->width != pattern.width || grey->height != pattern.height)
        return Problem{"The static background '" + path + "' is " + std::to_string(grey->width) +
                       " x " + std::to_string(grey->height) + " pixels, the pattern " +
                       std::to_string(pattern.width) + " x " + std::to_string(pattern.height)};
    Result<fit::StaticBackground> background = fit::staticBackgroundOf(*grey);
    if (!background)
        return Problem{"The static background '" + path + "': " + background.problem()};
    return background;
}

} // namespace

Outcome PatternImageCommands::setBackground(const std::string& staticPath,
                                            fit::DynamicCorrection dynamic) {
    PatternUnderlay& underlay = state_.pattern.underlay;
    fit::StaticBackground background;
    if (!staticPath.empty()) {
        Result<fit::StaticBackground> read = readStaticBackground(staticPath, underlay.raw);
        if (!read) return read.failure();
        background = std::move(*read);
    }
    underlay.background = std::move(background);
    underlay.settings.staticBackground = staticPath;
    underlay.settings.dynamic = dynamic;
    levels_.reset();
    updateShownPixels(underlay);
    state_.changed(Change::Underlay | Change::Picture);
    return {};
}

void PatternImageCommands::remove() {
    // The phases belong to the crystals, not to the image.
    std::vector<std::string> phases = std::move(state_.pattern.underlay.settings.phases);
    state_.pattern.underlay = PatternUnderlay{};
    state_.pattern.underlay.settings.phases = std::move(phases);
    state_.sim.detector.centre = {};
    state_.sim.detector.patternShown = false;
    levels_.reset();
    state_.changed(Change::Underlay | Change::Picture | Change::Status);
}

void PatternImageCommands::restore(const UnderlaySettings& settings) {
    state_.pattern.underlay = PatternUnderlay{};
    state_.pattern.underlay.settings.phases = settings.phases;
    state_.sim.detector.patternShown = false;
    levels_.reset();
    if (settings.path.empty()) return;
    Result<fit::GreyImage> grey = readPatternImage(settings.path);
    if (!grey) {
        state_.setStatus(StatusPanel::Clicked, QString::fromStdString(grey.problem()));
        return;
    }
    PatternUnderlay& underlay = state_.pattern.underlay;
    underlay.raw = std::move(*grey);
    underlay.settings = settings;
    state_.sim.detector.patternShown = true;
    if (!settings.staticBackground.empty()) {
        Result<fit::StaticBackground> background =
            readStaticBackground(settings.staticBackground, underlay.raw);
        if (background) {
            underlay.background = std::move(*background);
        } else {
            underlay.settings.staticBackground.clear();
            state_.setStatus(StatusPanel::Clicked, QString::fromStdString(background.problem()));
        }
    }
    updateShownPixels(underlay);
}

Result<const fit::PreparedPattern*> MatchJob::prepared() {
    if (!prepared_) {
        Result<fit::PreparedPattern> levels = prepareForMatching(raw_, background_, correction_);
        if (!levels) return levels.failure();
        prepared_ = std::move(*levels);
    }
    return &*prepared_;
}

Result<Refinement> MatchJob::refine(RefineRequest request) {
    const Result<const fit::PreparedPattern*> image = prepared();
    if (!image) return image.failure();
    request.start = sim_.orientation;
    return PatternFit(sim_).refine(**image, request);
}

// The pattern is the one under the lines: its radiation and detector, whatever the file was
// made for.
void keepGeometryOf(const Simulation& current, InputFile& file) {
    file.fields.wavelength = current.fields.wavelength;
    file.fields.electronBeam = current.fields.electronBeam;
    file.fields.scattering = current.fields.scattering;
    file.fields.film = current.fields.film;
    file.detector = current.detector;
}

Result<Simulation> phaseSimulation(const Simulation& current, const std::string& path) {
    const std::optional<InputFormat> format = inputFormatOf(path);
    if (!format || *format == InputFormat::Hkl)
        return Problem{inQuotes(path) + " is neither a crystal file (.cif) nor a pattern input "
                                        "file (.tvr)"};
    Result<InputFile> file = readInputFile(path, *format, current.fields);
    if (!file) return file.failure();
    keepGeometryOf(current, *file);
    Simulation sim;
    sim.fields = current.fields;
    const Result<NewListReport> report = takeInputFile(sim, *file);
    if (!report) return Problem{inQuotes(path) + ": " + report.problem()};
    if (!sim.document.valid || !sim.reflections.generated)
        return Problem{inQuotes(path) + " gives no valid cell, so there are no lines to match"};
    sim.detector = current.detector;
    return sim;
}

namespace {

std::string phaseNameOf(const Simulation& sim, const std::string& path) {
    const std::string title = trim(sim.document.title);
    return title.empty() ? std::filesystem::path(path).stem().string() : title;
}

} // namespace

Result<std::vector<IndexAnswer>> MatchJob::index(const CancelCheck& cancelled) {
    const Result<const fit::PreparedPattern*> image = prepared();
    if (!image) return image.failure();
    std::vector<Simulation> sims{sim_};
    std::vector<std::string> names{phaseNameOf(sim_, "crystal")}, paths{""};
    for (const std::string& path : phases_) {
        if (cancelled && cancelled()) break;
        // A phase whose file went since it was added is left out; the others still answer.
        Result<Simulation> phase = phaseSimulation(sim_, path);
        if (!phase) continue;
        names.push_back(phaseNameOf(*phase, path));
        paths.push_back(path);
        sims.push_back(std::move(*phase));
    }
    std::vector<fit::IndexResult> results(sims.size());
    std::optional<Problem> first;
    for (std::size_t p = 0; p < sims.size(); ++p) {
        if (cancelled && cancelled())
            return Problem{"Indexing stopped: no orientation was taken", Problem::Kind::Stopped};
        Result<fit::IndexResult> indexed = PatternFit(sims[p]).index(**image, cancelled);
        if (indexed)
            results[p] = std::move(*indexed);
        else if (indexed.failure().kind == Problem::Kind::Stopped)
            return indexed.failure();
        else if (p == 0)
            first = indexed.failure();
    }
    const fit::PhaseChoice choice = fit::choosePhase(results);
    if (results[choice.phase].solutions.empty()) {
        if (first) return *first;
        return Problem{"No orientation found: no phase matches the bands of the image"};
    }
    std::vector<IndexAnswer> answers;
    for (std::size_t p = 0; p < sims.size(); ++p)
        for (const fit::FoundOrientation& f : results[p].solutions)
            answers.push_back(
                {f, p, names[p], p == 0 ? std::string() : paths[p], sims[p].document.matrices});
    // The chosen phase leads; within it and after it, by score.
    std::stable_sort(answers.begin(), answers.end(),
                     [&](const IndexAnswer& a, const IndexAnswer& b) {
                         const bool ca = a.phase == choice.phase, cb = b.phase == choice.phase;
                         if (ca != cb) return ca;
                         return a.found.fit.score > b.found.fit.score;
                     });
    return answers;
}

Result<MatchJob> PatternImageCommands::matchJob() const {
    if (!underlay().loaded()) return Problem{"There is no pattern image to match."};
    if (!state_.hasReflections() || !state_.sim.document.valid)
        return Problem{"There are no lines to match before a simulation."};
    if (const Outcome usable = checkGeometry(state_.sim); !usable) return usable.failure();
    const fit::GreyImage& raw = underlay().raw;
    if (const Outcome fits = checkImageProportions(detector(), raw.width, raw.height); !fits)
        return Problem{"The pattern image " + inQuotes(underlay().settings.path) + " " +
                       fits.problem() + ": make the film's width and height those of the image"};
    MatchJob job;
    job.sim_ = state_.sim;
    job.phases_ = underlay().settings.phases;
    job.raw_ = underlay().raw;
    job.background_ = underlay().background;
    job.correction_ = correctionOf(underlay().settings);
    job.prepared_ = levels_;
    return job;
}

void PatternImageCommands::keepPrepared(MatchJob& job) {
    if (job.prepared_) levels_ = std::move(job.prepared_);
}

void PatternImageCommands::showTrial(const Mat3d& orientation) {
    setOrientationMatrix(state_.sim, orientation);
    state_.changed(Change::Picture);
}

Result<Refinement> PatternImageCommands::takeRefinement(MatchJob& job, Result<Refinement> refined,
                                                        bool fitDetector, const Mat3d& start) {
    keepPrepared(job);
    Simulation& sim = state_.sim;
    if (!refined) {
        setOrientationMatrix(sim, start);
        state_.changed(Change::Picture);
        return refined;
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
    state_.setStatus(
        StatusPanel::Clicked,
        QStringLiteral("refined: score %1, moved %2\u00b0%3")
            .arg(QString::fromStdString(formatNumber(fit.score, "0.000")),
                 QString::fromStdString(formatNumber(refined->movedDegrees, "0.00")),
                 refined->cancelled ? QStringLiteral(" (stopped: the best so far)") : QString()));
    state_.orientationNote = true;
    state_.changed(Change::Fields | Change::Picture | Change::Status | Change::Underlay);
    return refined;
}

Result<Refinement> PatternImageCommands::refine(bool fitDetector, const CancelCheck& cancelled) {
    Result<MatchJob> job = matchJob();
    if (!job) return job.failure();
    RefineRequest request;
    request.fitDetector = fitDetector;
    request.progress = [this](const fit::RefineProgress& p) { showTrial(p.best.orientation); };
    request.cancelled = cancelled;
    const Mat3d start = state_.sim.orientation;
    Result<Refinement> refined = job->refine(request);
    return takeRefinement(*job, std::move(refined), fitDetector, start);
}

Result<std::vector<IndexAnswer>> PatternImageCommands::index(const CancelCheck& cancelled) {
    Result<MatchJob> job = matchJob();
    if (!job) return job.failure();
    Result<std::vector<IndexAnswer>> found = job->index(cancelled);
    keepPrepared(*job);
    return found;
}

Outcome PatternImageCommands::addPhase(const std::string& path) {
    if (const Result<Simulation> phase = phaseSimulation(state_.sim, path); !phase)
        return phase.failure();
    std::vector<std::string>& phases = state_.pattern.underlay.settings.phases;
    if (std::find(phases.begin(), phases.end(), path) == phases.end()) phases.push_back(path);
    state_.changed(Change::Underlay);
    return {};
}

void PatternImageCommands::removePhase(std::size_t index) {
    std::vector<std::string>& phases = state_.pattern.underlay.settings.phases;
    if (index >= phases.size()) return;
    phases.erase(phases.begin() + static_cast<std::ptrdiff_t>(index));
    state_.changed(Change::Underlay);
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
