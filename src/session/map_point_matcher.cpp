#include "session/map_point_matcher.h"

#include "detector/film_mapping.h"
#include "fit/rotation_math.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>

namespace tavrel {

namespace {

// The parabola's probes lie this many pixels (at the pattern centre) either side.
constexpr double kProbePixels = 0.75;

class FitPointMatcher final : public PointMatcher {
public:
    FitPointMatcher(const std::vector<const PatternFit*>& phases,
                    std::shared_ptr<const PointMatchingOptions> options)
        : options_(std::move(options)) {
        for (const PatternFit* fit : phases) setups_.push_back(fit->setup());
    }

    Result<double> take(const fit::GreyImage& pattern, const Detector& detector) override {
        levels_.reset();
        for (fit::IndexSetup& setup : setups_) setup.detector = detector;
        fit::GreyImage raw = pattern;
        const std::vector<float>& background = options_->staticBackground;
        if (background.size() == raw.pixels.size() && !background.empty()) {
            const double mean = std::accumulate(background.begin(), background.end(), 0.0) /
                                static_cast<double>(background.size());
            for (std::size_t i = 0; i < raw.pixels.size(); ++i)
                raw.pixels[i] = background[i] > 0
                                    ? static_cast<float>(raw.pixels[i] / background[i] * mean)
                                    : 0.0f;
        }
        fit::GreyImage flat = fit::flattenedBackground(raw);
        if (flat.validCount() < flat.pixels.size() / 10 || !fit::normalise(flat))
            return Problem{"the pattern holds no contrast"};
        levels_.emplace(flat);
        return deviationOf(levels_->level(0));
    }

    double score(int phase, const Mat3d& orientation) override {
        const fit::IndexSetup& s = setup(phase);
        return fit::PatternScorer(*levels_, s.bands, s.profile)
            .score(orientation, s.detector)
            .score;
    }

    MapSolution refine(const MapSolution& start) override {
        if (!options_->refineNeighbours) return start;
        const fit::IndexSetup& s = setup(start.phase);
        const fit::PatternScorer scorer(*levels_, s.bands, s.profile);
        const fit::GreyImage& image = levels_->level(0);
        const double delta =
            kProbePixels * FilmMapping(s.detector, image.width, image.height).pixelAngle();
        MapSolution best = start;
        auto probe = [&](const Vec3d& turn) {
            const Mat3d m = fit::orthonormalised(fit::rotationFromVector(turn) * start.orientation);
            const double value = scorer.score(m, s.detector).score;
            if (value > best.score) best.orientation = m, best.score = value;
            return value;
        };
        Vec3d step{};
        for (std::size_t axis = 0; axis < 3; ++axis) {
            Vec3d turn{};
            turn[axis] = delta;
            const double plus = probe(turn);
            turn[axis] = -delta;
            const double minus = probe(turn);
            const double curvature = plus + minus - 2 * start.score;
            if (curvature < 0)
                step[axis] = std::clamp(delta * (minus - plus) / (2 * curvature), -delta, delta);
            else if (std::max(plus, minus) > start.score)
                step[axis] = plus > minus ? delta : -delta;
        }
        if (norm(step) > 0) probe(step);
        return best;
    }

    Result<MapSolution> index() override {
        std::vector<MapSolution> found; // the best two of every phase
        std::optional<Problem> problem;
        for (std::size_t p = 0; p < setups_.size(); ++p) {
            const fit::IndexSetup& s = setups_[p];
            const auto indexed =
                fit::indexPattern(fit::PatternScorer(*levels_, s.bands, s.profile), s);
            if (!indexed) {
                if (!problem) problem = indexed.failure();
                continue;
            }
            for (std::size_t k = 0; k < indexed->solutions.size() && k < 2; ++k) {
                const fit::FoundOrientation& f = indexed->solutions[k];
                found.push_back({f.fit.orientation, static_cast<int>(p), f.fit.score,
                                 f.matchedBands, f.meanDeviationDegrees, 0});
            }
        }
        if (found.empty()) return *problem;
        std::stable_sort(found.begin(), found.end(),
                         [](const auto& a, const auto& b) { return a.score > b.score; });
        MapSolution best = found.front();
        const double next = found.size() > 1 ? std::max(0.0, found[1].score) : 0.0;
        best.confidence = best.score > 0 ? std::clamp(1 - next / best.score, 0.0, 1.0) : 0.0;
        return best;
    }

private:
    const fit::IndexSetup& setup(int phase) const {
        return setups_[static_cast<std::size_t>(
            std::clamp<int>(phase, 0, static_cast<int>(setups_.size()) - 1))];
    }

    static double deviationOf(const fit::GreyImage& image) {
        double sum = 0, squares = 0;
        std::size_t n = 0;
        for (std::size_t i = 0; i < image.pixels.size(); ++i) {
            if (!image.valid.empty() && !image.valid[i]) continue;
            sum += image.pixels[i];
            squares += double{image.pixels[i]} * image.pixels[i];
            ++n;
        }
        if (n == 0) return 0;
        const double mean = sum / static_cast<double>(n);
        return std::clamp(std::sqrt(std::max(0.0, squares / static_cast<double>(n) - mean * mean)),
                          0.0, 1.0);
    }

    std::shared_ptr<const PointMatchingOptions> options_;
    std::vector<fit::IndexSetup> setups_;
    std::optional<fit::ScoreLevels> levels_;
};

} // namespace

PointMatcherFactory fitPointMatchers(std::vector<const PatternFit*> phases,
                                     PointMatchingOptions options) {
    auto shared = std::make_shared<const PointMatchingOptions>(std::move(options));
    return [phases = std::move(phases), shared] {
        return std::unique_ptr<PointMatcher>(std::make_unique<FitPointMatcher>(phases, shared));
    };
}

} // namespace tavrel
