#include "session/pattern_fit.h"

#include "common/numeric.h"
#include "session/generation.h"
#include "session/line_strengths.h"
#include "structure/atom_site.h"
#include "structure/scattering_factor.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace tavrel {

namespace {

// The model's bands: reflections with d above this (angstrom) whose |F|^2 is at least this
// fraction of the strongest band's, at most this many of the strongest.
constexpr double kModelDMin = 0.65;
constexpr double kWeakestBand = 0.02;
constexpr std::size_t kMostBands = 160;

// The reflections of a model of the crystal: a list of its own, down to kModelDMin, so that the
// model (and with it the calibrated score) does not change with the d range on show; each
// weighed by |F|^2 relative to the strongest (or, without atoms, as if one iron atom sat at
// each lattice point), 0 below kWeakestBand.
struct ModelList {
    ReflectionList list;
    std::vector<double> weights;
    double lambda = 0;
};

ModelList modelList(Simulation model, const Simulation& sim) {
    ModelList m;
    model.fields.d = {formatNumber(kModelDMin, "0.0#"), "0"};
    model.fields.autoLimits = false;
    for (std::size_t i = 0; i < 3; ++i)
        model.fields.hklMax[i] = std::to_string(
            static_cast<int>(std::ceil(sim.document.cell[static_cast<int>(i)] / kModelDMin)) + 1);
    model.fields.minIntensity = "0";
    if (!generateReflections(model) || model.reflections.empty()) return m;
    m.lambda = model.document.wavelength[0];
    m.list = std::move(model.reflections);
    m.weights.assign(m.list.d.size(), 0.0);
    if (model.strengths.squared.size() == m.list.d.size()) {
        m.weights = model.strengths.squared;
    } else if (const auto iron = ScatteringFactor::of(*speciesOf("Fe"), Scattering::Electron)) {
        for (std::size_t i = 0; i < m.weights.size(); ++i) {
            const double f = iron->atSquared(1 / (4.0 * m.list.d[i] * m.list.d[i]));
            m.weights[i] = f * f;
        }
    }
    const double strongest = *std::max_element(m.weights.begin(), m.weights.end());
    for (double& w : m.weights)
        w = strongest > 0 && w / strongest >= kWeakestBand ? w / strongest : 0.0;
    return m;
}

std::vector<fit::Band> strongestBands(const ModelList& m) {
    std::vector<fit::Band> bands = fit::bandsOf(m.list, m.lambda, kModelDMin, m.weights);
    if (bands.size() > kMostBands) bands.resize(kMostBands);
    return bands;
}

// The Kikuchi bands of the crystal.
std::vector<fit::Band> electronBands(const Simulation& sim) {
    Simulation model;
    model.fields = sim.fields;
    model.atoms = sim.atoms;
    return strongestBands(modelList(std::move(model), sim));
}

// The primitive, body-centred and face-centred lattices of the crystal's cell, each where it
// allows a reflection the crystal's bands lack.
std::vector<fit::Rival> latticeRivals(const Simulation& sim, const std::vector<fit::Band>& bands) {
    Simulation primitive;
    primitive.fields = sim.fields;
    primitive.fields.spaceGroupIndex = 0; // P1: every reflection of the cell
    for (int i = 0; i < 6; ++i)
        primitive.fields.cell[static_cast<std::size_t>(i)] =
            formatNumber(sim.document.cell[i], "0.0#####");
    const ModelList all = modelList(std::move(primitive), sim);
    const auto known = [&](const fit::Band& r) {
        return std::any_of(bands.begin(), bands.end(), [&](const fit::Band& b) {
            return std::fabs(dot(b.normal, r.normal)) > 1 - 1e-9 &&
                   std::fabs(b.sinTheta - r.sinTheta) < 1e-9;
        });
    };
    using Allows = bool (*)(int, int, int);
    const std::pair<const char*, Allows> lattices[] = {
        {"primitive", [](int, int, int) { return true; }},
        {"body-centred", [](int h, int k, int l) { return (h + k + l) % 2 == 0; }},
        {"face-centred", [](int h, int k, int l) { return (h + k) % 2 == 0 && (k + l) % 2 == 0; }}};
    std::vector<fit::Rival> rivals;
    for (const auto& [name, allows] : lattices) {
        ModelList m = all;
        for (std::size_t i = 0; i < m.weights.size(); ++i)
            if (!allows(m.list.h[i], m.list.k[i], m.list.l[i])) m.weights[i] = 0;
        std::vector<fit::Band> rival = strongestBands(m);
        if (std::all_of(rival.begin(), rival.end(), known)) continue;
        rivals.push_back({std::string(name) + " lattice of the cell", std::move(rival)});
    }
    return rivals;
}

} // namespace

Result<fit::PreparedPattern> prepareForMatching(const fit::GreyImage& raw,
                                                const fit::StaticBackground& background,
                                                const fit::BackgroundCorrection& correction) {
    Result<fit::PreparedPattern> prepared = fit::preparePattern(raw, background, correction);
    if (!prepared) return Problem{"No orientation found: " + prepared.problem()};
    return prepared;
}

PatternFit::PatternFit(const Simulation& sim) {
    setup_.detector = detectorOf(sim);
    if (!sim.reflections.generated || !sim.document.valid) return;
    setup_.name = sim.fields.title;
    setup_.symmetry = fit::crystalRotations(sim.group.operations(), sim.document.matrices);
    if (scatteringOf(sim.fields, sim.document) == Scattering::Electron) {
        setup_.profile = fit::LineProfile::KikuchiBand;
        setup_.bands = electronBands(sim);
        setup_.rivals = latticeRivals(sim, setup_.bands);
    } else {
        setup_.profile = fit::LineProfile::ConeLines;
        std::vector<double> weights;
        for (const float r : sim.strengths.relative) weights.push_back(r);
        setup_.bands = fit::bandsOf(sim.reflections, sim.document.wavelength[0],
                                    sim.document.displayDMin, weights);
    }
}

void PatternFit::setBackground(fit::StaticBackground background,
                               const fit::BackgroundCorrection& correction) {
    background_ = std::move(background);
    correction_ = correction;
}

Result<Refinement> PatternFit::refine(const fit::PreparedPattern& image,
                                      const RefineRequest& request) const {
    fit::RefineOptions options;
    options.profile.kind = setup_.profile;
    options.refineCentre = options.refineDistance = request.fitDetector;
    options.progress = request.progress;
    options.cancelled = request.cancelled;
    const fit::RefineResult refined =
        fit::refineOrientation(image, setup_.bands, {request.start, setup_.detector, 0}, options);
    if (!(refined.fit.score >= fit::kAcceptScore))
        return Problem{"No orientation found: the lines match nothing in the image"};
    const fit::IndexOptions agreement;
    const std::vector<fit::DetectedBand> detected =
        fit::detectBands(image.working, refined.fit.detector, agreement.detection);
    return Refinement{fit::bandAgreement(detected, refined.fit, setup_, agreement),
                      refined.movedDegrees, refined.cancelled};
}

Result<fit::IndexResult> PatternFit::index(const fit::PreparedPattern& image,
                                           const CancelCheck& cancelled) const {
    fit::IndexOptions options;
    options.cancelled = cancelled;
    fit::IndexResult indexed = fit::indexPattern(image, setup_, options);
    if (indexed.cancelled)
        return Problem{"Indexing stopped: no orientation was taken", Problem::Kind::Stopped};
    if (indexed.detected.size() < 3)
        return Problem{"No orientation found: fewer than three bands stand out in the image"};
    std::erase_if(indexed.solutions,
                  [](const fit::FoundOrientation& f) { return !fit::acceptable(f); });
    if (indexed.solutions.empty())
        return Problem{"No orientation found: no orientation of the crystal matches the bands "
                       "of the image"};
    if (!indexed.betterRival.empty())
        return Problem{"No orientation found: the pattern is not of this crystal (the " +
                       indexed.betterRival + " explains it better, score " +
                       formatNumber(indexed.rivalScore, "0.000") + " against " +
                       formatNumber(indexed.score(), "0.000") + ")"};
    return indexed;
}

Result<fit::IndexResult> PatternFit::indexRead(const Result<fit::GreyImage>& raw) const {
    if (!raw) return raw.failure();
    const Result<fit::PreparedPattern> image = prepareForMatching(*raw, background_, correction_);
    if (!image) return image.failure();
    return index(*image);
}

BatchSummary PatternFit::indexBatch(const PatternSource& source, const BatchSink& sink,
                                    const BatchOptions& options) const {
    BatchSummary summary;
    const std::size_t total = source.count;
    if (total == 0) return summary;
    std::mutex mutex;
    std::condition_variable finishedOne;
    // Results that wait for those before them.
    std::map<std::size_t, Result<fit::IndexResult>> waiting;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers =
        std::min(total, static_cast<std::size_t>(options.threads > 0 ? options.threads
                                                                     : static_cast<int>(cores)));
    std::size_t running = workers;
    auto work = [&] {
        // Patterns are taken in order, and each one taken is finished, so the results of a
        // stopped batch are those of 0 .. n - 1 with none missing.
        while (!stop) {
            const std::size_t i = next++;
            if (i >= total) break;
            Result<fit::IndexResult> result = indexRead(source.read(i));
            const std::lock_guard lock(mutex);
            waiting.emplace(i, std::move(result));
            finishedOne.notify_one();
        }
        const std::lock_guard lock(mutex);
        --running;
        finishedOne.notify_one();
    };
    std::vector<std::jthread> pool;
    for (std::size_t w = 0; w < workers; ++w) pool.emplace_back(work);

    std::unique_lock lock(mutex);
    for (;;) {
        const auto handOn = [&] { return running == 0 || waiting.contains(summary.indexed); };
        if (options.cancelled)
            finishedOne.wait_for(lock, std::chrono::milliseconds(50), handOn);
        else
            finishedOne.wait(lock, handOn);
        for (auto it = waiting.find(summary.indexed); it != waiting.end();
             it = waiting.find(summary.indexed)) {
            Result<fit::IndexResult> result = std::move(it->second);
            waiting.erase(it);
            lock.unlock();
            sink(summary.indexed, std::move(result));
            ++summary.indexed;
            if (options.progress) options.progress(summary.indexed, total);
            lock.lock();
        }
        // With every worker done, every pattern taken has been handed on.
        if (running == 0) break;
        if (!stop && options.cancelled) {
            lock.unlock();
            if (options.cancelled()) stop = true;
            lock.lock();
        }
    }
    summary.cancelled = summary.indexed < total;
    return summary;
}

EulerAngles foundEulerAngles(const fit::FoundOrientation& found, const LatticeMatrices& matrices,
                             const OrientationFrame& frame) {
    return reportedEulerAngles(eulerAnglesIn(frame, found.fit.orientation, matrices));
}

} // namespace tavrel
