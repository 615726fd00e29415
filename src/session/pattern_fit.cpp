#include "session/pattern_fit.h"

#include "session/line_strengths.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace tavrel {

Result<fit::ScoreLevels> preparePattern(const fit::GreyImage& raw) {
    const Result<fit::GreyImage> prepared = fit::prepareForFitting(raw);
    if (!prepared) return Problem{"No orientation found: " + prepared.problem()};
    return fit::ScoreLevels(*prepared);
}

PatternFit::PatternFit(const Simulation& sim) {
    setup_.detector = detectorOf(sim);
    if (!sim.reflections.generated || !sim.document.valid) return;
    std::vector<float> weights;
    if (!sim.strengths.empty()) {
        weights = sim.strengths.relative;
    } else {
        for (const float d : sim.reflections.d) weights.push_back(d * d);
    }
    setup_.bands = fit::bandsOf(sim.reflections, sim.document.wavelength[0],
                                sim.document.displayDMin, weights);
    setup_.symmetry = fit::crystalRotations(sim.group.operations(), sim.document.matrices);
    setup_.profile = scatteringOf(sim.fields, sim.document) == Scattering::Electron
                         ? fit::LineProfile::KikuchiBand
                         : fit::LineProfile::ConeLines;
}

Result<Refinement> PatternFit::refine(const fit::ScoreLevels& image,
                                      const RefineRequest& request) const {
    const fit::PatternScorer scorer(image, setup_.bands, setup_.profile);
    fit::RefineOptions options;
    options.refineCentre = options.refineDistance = request.fitDetector;
    options.progress = request.progress;
    options.cancelled = request.cancelled;
    const Result<fit::RefineResult> refined =
        fit::refineOrientation(scorer, {request.start, setup_.detector, 0}, options);
    if (!refined) return refined.failure();
    return Refinement{fit::bandAgreement(scorer, refined->fit, setup_), refined->movedDegrees,
                      refined->cancelled};
}

Result<fit::IndexResult> PatternFit::index(const fit::ScoreLevels& image) const {
    return fit::indexPattern(fit::PatternScorer(image, setup_.bands, setup_.profile), setup_);
}

Result<fit::IndexResult> PatternFit::indexRead(const Result<fit::GreyImage>& raw) const {
    if (!raw) return raw.failure();
    const Result<fit::ScoreLevels> image = preparePattern(*raw);
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
