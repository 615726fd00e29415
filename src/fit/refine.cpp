#include "fit/refine.h"

#include "common/numeric.h"
#include "detector/film_mapping.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tavrel::fit {

namespace {

// The smoothing (degrees) at and below which a stage sees the bands as they are.
constexpr double kSharpStageDegrees = 0.7;

Mat3d turned(const Mat3d& base, const std::vector<double>& p) {
    return orthonormalised(rotationFromVector({p[0], p[1], p[2]}) * base);
}

Detector shifted(const Detector& d, const DetectorShift& s) {
    Detector out = d;
    out.centre.x += s.x;
    out.centre.y += s.y;
    out.distance += s.distance;
    return out;
}

} // namespace

std::vector<double> nelderMead(const std::function<double(const std::vector<double>&)>& f,
                               std::vector<double> x0, const std::vector<double>& steps,
                               int maxEvaluations, double tolerance, double& best,
                               const std::function<bool()>& stop) {
    const std::size_t n = x0.size();
    std::vector<std::vector<double>> simplex(n + 1, x0);
    for (std::size_t k = 0; k < n; ++k) simplex[k + 1][k] += steps[k];
    std::vector<double> values(n + 1, 1e300);
    int count = 0;
    const auto halted = [&] { return stop && stop(); };
    auto eval = [&](const std::vector<double>& p) {
        ++count;
        return f(p);
    };
    for (std::size_t k = 0; k <= n && !halted(); ++k) values[k] = eval(simplex[k]);
    std::vector<std::size_t> order(n + 1);
    while (count < maxEvaluations && !halted()) {
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
        const std::vector<double> lowest = simplex[order[0]];
        double spread = 0;
        for (std::size_t k = 1; k <= n; ++k)
            for (std::size_t j = 0; j < n; ++j)
                spread = std::max(spread, std::fabs(simplex[order[k]][j] - lowest[j]) / steps[j]);
        if (spread < tolerance) break;
        const std::size_t worst = order[n];
        std::vector<double> centroid(n, 0.0);
        for (std::size_t k = 0; k < n; ++k)
            for (std::size_t j = 0; j < n; ++j)
                centroid[j] += simplex[order[k]][j] / static_cast<double>(n);
        auto towards = [&](double factor) {
            std::vector<double> p(n);
            for (std::size_t j = 0; j < n; ++j)
                p[j] = centroid[j] + factor * (simplex[worst][j] - centroid[j]);
            return p;
        };
        const std::vector<double> reflected = towards(-1.0);
        const double fr = eval(reflected);
        if (fr < values[order[0]]) {
            const std::vector<double> expanded = towards(-2.0);
            const double fe = eval(expanded);
            simplex[worst] = fe < fr ? expanded : reflected;
            values[worst] = std::min(fe, fr);
        } else if (fr < values[order[n - 1]]) {
            simplex[worst] = reflected;
            values[worst] = fr;
        } else {
            const std::vector<double> contracted = towards(fr < values[worst] ? -0.5 : 0.5);
            const double fc = eval(contracted);
            if (fc < std::min(fr, values[worst])) {
                simplex[worst] = contracted;
                values[worst] = fc;
            } else {
                for (std::size_t k = 1; k <= n && !halted(); ++k) {
                    std::vector<double>& p = simplex[order[k]];
                    for (std::size_t j = 0; j < n; ++j) p[j] = lowest[j] + 0.5 * (p[j] - lowest[j]);
                    values[order[k]] = eval(p);
                }
            }
        }
    }
    const auto at =
        static_cast<std::size_t>(std::min_element(values.begin(), values.end()) - values.begin());
    best = values[at];
    return simplex[at];
}

double calibratedScore(const PreparedPattern& pattern, const Detector& detector,
                       std::span<const Band> bands, const Mat3d& orientation, LineProfile kind) {
    ScorerCache once;
    return calibratedScore(pattern, detector, bands, orientation, kind, once);
}

double calibratedScore(const PreparedPattern& pattern, const Detector& detector,
                       std::span<const Band> bands, const Mat3d& orientation, LineProfile kind,
                       ScorerCache& scorers) {
    ScoreOptions o;
    o.profile.kind = kind;
    o.highPassFraction = pattern.highPassFraction;
    return scorers.scorer(pattern.working, detector, bands, o).score(orientation);
}

RefineResult refineOrientation(const PreparedPattern& pattern, std::span<const Band> bands,
                               const FitState& start, const RefineOptions& options) {
    RefineResult r;
    ScorerCache own;
    ScorerCache& scorers = options.scorers ? *options.scorers : own;
    const auto calibrated = [&](const Detector& d, const Mat3d& m) {
        return calibratedScore(pattern, d, bands, m, options.profile.kind, scorers);
    };
    const auto stopped = [&] {
        if (!r.cancelled && options.cancelled && options.cancelled()) r.cancelled = true;
        return r.cancelled;
    };
    struct Stage {
        const GreyImage* image;
        double smoothing;
    };
    std::vector<Stage> stages;
    for (const double s : options.stagesDegrees) stages.push_back({&pattern.working, s});
    if (options.fineStage && !pattern.fine.empty()) stages.push_back({&pattern.fine, 0.0});

    Mat3d current = start.orientation;
    Detector detector = start.detector;
    double step = options.startStepDegrees * kDegToRad;
    const auto runStages = [&](std::size_t first) {
        for (std::size_t k = first; k < stages.size() && !stopped(); ++k) {
            ScoreOptions so;
            so.highPassFraction = pattern.highPassFraction;
            so.profile = options.profile;
            so.smoothingDegrees = stages[k].smoothing;
            const PatternScorer& scorer = scorers.scorer(*stages[k].image, detector, bands, so);
            std::vector<Mat3d> starts{current};
            if (k == 0 && options.extraStartsDegrees > 0)
                for (std::size_t axis = 0; axis < 3; ++axis)
                    for (const double sign : {-1.0, 1.0}) {
                        Vec3d v{0, 0, 0};
                        v[axis] = sign * options.extraStartsDegrees * kDegToRad;
                        starts.push_back(rotationFromVector(v) * current);
                    }
            double stageBest = -2, bestValue = 1e300;
            Mat3d bestOrientation = current;
            for (const Mat3d& s : starts) {
                if (stopped()) break;
                double value = 0;
                const std::vector<double> p = nelderMead(
                    [&](const std::vector<double>& x) {
                        if (stopped()) return 1e300;
                        const Mat3d m = turned(s, x);
                        const double c = scorer.correlation(m);
                        ++r.evaluations;
                        if (c > stageBest) {
                            stageBest = c;
                            if (options.progress)
                                options.progress(
                                    {{m, detector, c}, static_cast<int>(k), r.evaluations});
                        }
                        return -c;
                    },
                    {0, 0, 0}, {step, step, step}, options.maxEvaluationsPerStage,
                    options.tolerance, value, stopped);
                if (value < bestValue) bestValue = value, bestOrientation = turned(s, p);
            }
            current = bestOrientation;
            // The next stage starts about where this one could still be wrong.
            const double next = k + 1 < stages.size() ? stages[k + 1].smoothing : 0.0;
            const double pixel =
                k + 1 < stages.size()
                    ? FilmMapping(detector, stages[k + 1].image->width, stages[k + 1].image->height)
                          .pixelAngle()
                    : scorer.pixelAngle();
            step = std::max({next * kDegToRad, stages[k].smoothing * kDegToRad / 3, 0.2 * pixel});
        }
    };
    runStages(0);
    double score = calibrated(detector, current);
    // A start already near the answer can be led astray by the smoothed stages where the
    // pattern's bands are weak: refined on the sharp stages alone, it is kept when it scores
    // better.
    std::size_t sharp = 0;
    while (sharp < stages.size() && stages[sharp].smoothing > kSharpStageDegrees) ++sharp;
    if (sharp > 0 && sharp < stages.size() && !r.cancelled) {
        const Mat3d found = current;
        current = start.orientation;
        step = kSharpStageDegrees * kDegToRad;
        runStages(sharp);
        const double near = calibrated(detector, current);
        if (near > score)
            score = near;
        else
            current = found;
    }
    // The centre is fitted from the orientation found on the start's detector: fitted from one
    // the smoothed stages led astray, it wanders off to explain that one.
    if (options.refineCentre && !r.cancelled) {
        CentreFitOptions c;
        c.profile = options.profile;
        c.fitDistance = options.refineDistance;
        c.cancelled = options.cancelled;
        const PreparedPattern* one[] = {&pattern};
        const CentreFit fitted = fitPatternCentre(one, bands, {&current, 1}, detector, {}, c);
        r.evaluations += fitted.evaluations;
        r.cancelled = r.cancelled || fitted.cancelled;
        detector = fitted.detector;
        current = fitted.orientations.front();
        // Once more on the finest image, on the fitted detector.
        if (stages.size() > 1 && !r.cancelled) {
            step =
                0.2 * FilmMapping(detector, stages.back().image->width, stages.back().image->height)
                          .pixelAngle();
            runStages(stages.size() - 1);
        }
        score = calibrated(detector, current);
    }
    r.fit.orientation = current;
    r.fit.detector = detector;
    r.fit.score = score;
    r.movedDegrees = rotationAngle(current * transpose(start.orientation)) / kDegToRad;
    return r;
}

BandProfile fitProfile(std::span<const PreparedPattern* const> patterns,
                       std::span<const Detector> detectors, std::span<const Band> bands,
                       std::span<const Mat3d> orientations, const BandProfile& start) {
    if (patterns.empty()) return start;
    ScoreOptions o;
    o.profile = start;
    o.highPassFraction = patterns.front()->highPassFraction;
    std::vector<PatternScorer> scorers;
    for (std::size_t i = 0; i < patterns.size(); ++i)
        scorers.emplace_back(patterns[i]->working, detectors[i], bands, o);
    const auto mean = [&](const BandProfile& p) {
        double sum = 0;
        for (std::size_t i = 0; i < scorers.size(); ++i) {
            scorers[i].setProfile(p);
            sum += scorers[i].correlation(orientations[i]);
        }
        return sum / static_cast<double>(scorers.size());
    };
    BandProfile best = start;
    double bestMean = mean(best);
    const auto tryProfile = [&](BandProfile p) {
        const double m = mean(p);
        if (m > bestMean) bestMean = m, best = p;
    };
    for (const double width : {0.5, 0.6, 0.7, 0.9, 1.0, 1.2}) {
        BandProfile p = start;
        p.widthScale = width;
        tryProfile(p);
    }
    const BandProfile widest = best;
    for (const double exponent : {0.25, 0.75, 1.0}) {
        BandProfile p = widest;
        p.strengthExponent = exponent;
        tryProfile(p);
    }
    // The bands' own softness shows only where the pixels are finer than it.
    if (patterns.front()->fine.empty()) return best;
    scorers.clear();
    for (std::size_t i = 0; i < patterns.size(); ++i)
        scorers.emplace_back(patterns[i]->finest(), detectors[i], bands, o);
    bestMean = mean(best);
    const BandProfile sharpest = best;
    for (const double soft : {0.15, 0.3, 0.5}) {
        BandProfile p = sharpest;
        p.edgeDegrees = soft;
        tryProfile(p);
    }
    return best;
}

CentreFit fitPatternCentre(std::span<const PreparedPattern* const> patterns,
                           std::span<const Band> bands, std::span<const Mat3d> orientations,
                           const Detector& start, std::span<const DetectorShift> shifts,
                           const CentreFitOptions& options) {
    CentreFit result;
    result.detector = start;
    result.orientations.assign(orientations.begin(), orientations.end());
    if (patterns.empty()) return result;
    const auto stopped = [&] {
        if (!result.cancelled && options.cancelled && options.cancelled()) result.cancelled = true;
        return result.cancelled;
    };
    ScoreOptions so;
    so.profile = options.profile;
    so.highPassFraction = patterns.front()->highPassFraction;
    std::vector<PatternScorer> scorers;
    for (std::size_t i = 0; i < patterns.size(); ++i)
        scorers.emplace_back(patterns[i]->working,
                             shifts.empty() ? start : shifted(start, shifts[i]), bands, so);
    const std::size_t dimensions = options.fitDistance ? 3 : 2;
    for (const double step : options.passSteps) {
        if (stopped()) break;
        const Detector base = result.detector;
        const std::vector<Mat3d> current = result.orientations;
        const auto detectorAt = [&](const std::vector<double>& p) {
            Detector d = base;
            d.centre.x += p[0];
            d.centre.y += p[1];
            if (p.size() > 2) d.distance += p[2] * base.filmHeight;
            return d;
        };
        // For a trial centre, each orientation refined from the last pass's: a centre shift of
        // `step` turns a pattern by about 3 step radians.
        const auto meanAt = [&](const std::vector<double>& p, std::vector<Mat3d>* fitted) {
            const Detector d = detectorAt(p);
            double sum = 0;
            for (std::size_t i = 0; i < scorers.size(); ++i) {
                const Detector di = shifts.empty() ? d : shifted(d, shifts[i]);
                const double turn = 3 * step;
                double value = 0;
                const std::vector<double> q = nelderMead(
                    [&](const std::vector<double>& x) {
                        if (stopped()) return 1e300;
                        ++result.evaluations;
                        return -scorers[i].correlation(turned(current[i], x), di);
                    },
                    {0, 0, 0}, {turn, turn, turn}, options.orientationEvaluations, 0.05, value,
                    stopped);
                sum -= value;
                if (fitted) fitted->push_back(turned(current[i], q));
            }
            return sum / static_cast<double>(scorers.size());
        };
        double value = 0;
        const std::vector<double> p =
            nelderMead([&](const std::vector<double>& x) { return -meanAt(x, nullptr); },
                       std::vector<double>(dimensions, 0.0), std::vector<double>(dimensions, step),
                       options.maxEvaluations, 0.05, value, stopped);
        result.detector = detectorAt(p);
        result.orientations.clear();
        result.meanCorrelation = meanAt(p, &result.orientations);
    }
    return result;
}

} // namespace tavrel::fit
