#include "fit/refine.h"

#include "common/numeric.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace tavrel::fit {

namespace {

using Point = std::vector<double>;

// The parameters of one level's search: the turn's vector (radians), then the pattern centre's
// shift (fractions of the image) and the distance's relative change, when they are refined.
struct Parameters {
    bool centre = false, distance = false;
    std::size_t size() const { return 3 + (centre ? 2 : 0) + (distance ? 1 : 0); }
};

FitState apply(const FitState& base, const Parameters& which, const Point& p) {
    FitState s = base;
    s.orientation = orthonormalised(rotationFromVector({p[0], p[1], p[2]}) * base.orientation);
    std::size_t i = 3;
    if (which.centre) {
        s.detector.centre.x += p[i++];
        s.detector.centre.y += p[i++];
    }
    if (which.distance) s.detector.distance *= 1 + p[i];
    return s;
}

class Search {
public:
    Search(const PatternScorer& scorer, const RefineOptions& options, RefineResult& result)
        : scorer_(scorer), options_(options), result_(result) {}

    // One Nelder-Mead search at `level` about `base`; returns the best point found.
    FitState run(const FitState& base, int level, double rotationStep) {
        const GreyImage& image = scorer_.level(level);
        const FilmMapping mapping(base.detector, image.width, image.height);
        const double pixel = mapping.pixelAngle();
        const double stepPixels = rotationStep / pixel;
        const Parameters which{options_.refineCentre, options_.refineDistance};
        const std::size_t n = which.size();
        // Steps of each parameter that move the pattern by about one pixel of this level.
        std::vector<double> unit(n, pixel);
        std::size_t i = 3;
        if (which.centre) {
            unit[i++] = 1.0 / image.width;
            unit[i++] = 1.0 / image.height;
        }
        if (which.distance) unit[i] = 2.0 / std::max(image.width, image.height);

        std::vector<Point> simplex(n + 1, Point(n, 0.0));
        for (std::size_t k = 0; k < n; ++k) simplex[k + 1][k] = stepPixels * unit[k];
        std::vector<double> values(n + 1);
        FitState best = base;
        best.score = -1e300;
        auto evaluate = [&](const Point& p) {
            if (stopped()) return 1e300;
            const FitState s = apply(base, which, p);
            const double score = scorer_.score(s.orientation, s.detector, level).score;
            ++result_.evaluations;
            if (score > best.score) {
                best = s;
                best.score = score;
                if (options_.progress) options_.progress({best, level, result_.evaluations});
            }
            return -score;
        };
        for (std::size_t k = 0; k <= n && !stopped(); ++k) values[k] = evaluate(simplex[k]);

        const double tolerance =
            (level == 0 ? options_.tolerancePixels : std::max(0.1, options_.tolerancePixels));
        int evaluationsHere = static_cast<int>(n + 1);
        std::vector<std::size_t> order(n + 1);
        while (!stopped() && evaluationsHere < options_.maxEvaluationsPerLevel) {
            std::iota(order.begin(), order.end(), std::size_t{0});
            std::sort(order.begin(), order.end(),
                      [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
            const Point& lowest = simplex[order[0]];
            // Converged when every point lies within the tolerance of the best, in pixels.
            double spread = 0;
            for (std::size_t k = 1; k <= n; ++k)
                for (std::size_t j = 0; j < n; ++j)
                    spread =
                        std::max(spread, std::fabs(simplex[order[k]][j] - lowest[j]) / unit[j]);
            if (spread < tolerance) break;

            const std::size_t worst = order[n];
            Point centroid(n, 0.0);
            for (std::size_t k = 0; k < n; ++k)
                for (std::size_t j = 0; j < n; ++j)
                    centroid[j] += simplex[order[k]][j] / static_cast<double>(n);
            auto towards = [&](double factor) {
                Point p(n);
                for (std::size_t j = 0; j < n; ++j)
                    p[j] = centroid[j] + factor * (simplex[worst][j] - centroid[j]);
                return p;
            };
            const Point reflected = towards(-1.0);
            const double fr = evaluate(reflected);
            ++evaluationsHere;
            if (fr < values[order[0]]) {
                const Point expanded = towards(-2.0);
                const double fe = evaluate(expanded);
                ++evaluationsHere;
                if (fe < fr) {
                    simplex[worst] = expanded;
                    values[worst] = fe;
                } else {
                    simplex[worst] = reflected;
                    values[worst] = fr;
                }
            } else if (fr < values[order[n - 1]]) {
                simplex[worst] = reflected;
                values[worst] = fr;
            } else {
                const bool outside = fr < values[worst];
                const Point contracted = towards(outside ? -0.5 : 0.5);
                const double fc = evaluate(contracted);
                ++evaluationsHere;
                if (fc < std::min(fr, values[worst])) {
                    simplex[worst] = contracted;
                    values[worst] = fc;
                } else {
                    for (std::size_t k = 1; k <= n; ++k) {
                        Point& p = simplex[order[k]];
                        for (std::size_t j = 0; j < n; ++j)
                            p[j] = lowest[j] + 0.5 * (p[j] - lowest[j]);
                        values[order[k]] = evaluate(p);
                        ++evaluationsHere;
                    }
                }
            }
        }
        return best.score > -1e300 ? best : base;
    }

    bool stopped() {
        if (!result_.cancelled && options_.cancelled && options_.cancelled())
            result_.cancelled = true;
        return result_.cancelled;
    }

private:
    const PatternScorer& scorer_;
    const RefineOptions& options_;
    RefineResult& result_;
};

} // namespace

RefineResult refineUnchecked(const PatternScorer& scorer, const FitState& start,
                             const RefineOptions& options) {
    RefineResult result;
    Search search(scorer, options, result);
    FitState current = start;
    double step = options.startStepDegrees * kDegToRad;
    const int coarsest = options.coarsestLevel < 0
                             ? scorer.levelCount() - 1
                             : std::min(options.coarsestLevel, scorer.levelCount() - 1);
    const int finest = std::clamp(options.finestLevel, 0, coarsest);
    for (int level = coarsest; level >= finest && !result.cancelled; --level) {
        current = search.run(current, level, step);
        // The next level starts about where this one could still be wrong: a pixel of it.
        const GreyImage& image = scorer.level(level);
        step = 1.5 * FilmMapping(current.detector, image.width, image.height).pixelAngle();
    }
    FitState initial = start;
    initial.score = scorer.score(start.orientation, start.detector, 0).score;
    current.score = scorer.score(current.orientation, current.detector, 0).score;
    result.fit = current.score >= initial.score ? current : initial;
    result.movedDegrees =
        rotationAngle(result.fit.orientation * transpose(start.orientation)) / kDegToRad;
    return result;
}

Result<RefineResult> refineOrientation(const PatternScorer& scorer, const FitState& start,
                                       const RefineOptions& options) {
    RefineResult result = refineUnchecked(scorer, start, options);
    if (!(result.fit.score >= kMinimumScore))
        return Problem{"No orientation found: the lines match nothing in the image"};
    return result;
}

} // namespace tavrel::fit
