#include "session/map_point_matcher.h"

#include "fit/rotation_math.h"
#include "orientation/direction_names.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace tavrel {

namespace {

// The parabola's probes lie this many working pixels (at the pattern centre) either side.
constexpr double kProbePixels = 0.75;

// Indexing from scratch on a map: fewer candidates refined than for a single pattern, since
// most points are taken from their neighbours and the refinement of the best is what counts.
fit::IndexOptions mapIndexOptions() {
    fit::IndexOptions o;
    o.candidates = 6;
    o.refined = 1;
    o.finalStage = false;
    o.fitProfile = false;
    // The other lattices of a seed's cell are tried near it only: indexing each from scratch
    // would double the cost of a map.
    o.indexRivals = false;
    return o;
}

class FitPointMatcher final : public PointMatcher {
public:
    FitPointMatcher(const std::vector<const PatternFit*>& phases,
                    std::shared_ptr<const PointMatchingOptions> options)
        : options_(std::move(options)) {
        // The other lattices of a phase's cell, which refute a wrong crystal offered alone, are
        // checked where a point is indexed from scratch: a point that carries on a neighbour's
        // orientation carries on the verdict on the point it came from.
        for (const PatternFit* fit : phases) setups_.push_back(fit->setup());
        scorers_.resize(setups_.size());
    }

    Result<double> take(const fit::GreyImage& pattern, const Detector& detector) override {
        prepared_.reset();
        for (auto& s : scorers_) s.reset();
        for (fit::IndexSetup& setup : setups_) setup.detector = detector;
        const std::vector<float>& given = options_->staticBackground;
        if (!given.empty() && given.size() == pattern.pixels.size() && background_.empty() &&
            !backgroundRefused_) {
            fit::GreyImage image;
            image.width = pattern.width;
            image.height = pattern.height;
            image.pixels = given;
            auto made = fit::staticBackgroundOf(image, options_->correction.maskFraction);
            if (made) background_ = std::move(*made);
            backgroundRefused_ = !made;
        }
        const bool fits =
            background_.image.width == pattern.width && background_.image.height == pattern.height;
        // Scores, the quality and indexing for a map (without its last stage) read the
        // working size only.
        auto prepared = fit::preparePattern(pattern, fits ? background_ : fit::StaticBackground{},
                                            options_->correction, false);
        if (!prepared) return Problem{"the pattern holds no contrast"};
        prepared_ = std::move(*prepared);
        return qualityOf(prepared_->working, detector);
    }

    double score(int phase, const Mat3d& orientation) override {
        return scorer(phase).score(orientation);
    }

    MapSolution refine(const MapSolution& start) override {
        if (!options_->refineNeighbours) return start;
        const fit::PatternScorer& s = scorer(start.phase);
        const double delta = kProbePixels * s.pixelAngle();
        MapSolution best = start;
        auto probe = [&](const Vec3d& turn) {
            const Mat3d m = fit::orthonormalised(fit::rotationFromVector(turn) * start.orientation);
            const double value = s.score(m);
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
        static const fit::IndexOptions options = mapIndexOptions();
        std::vector<MapSolution> found; // the best two of every phase
        std::optional<Problem> problem;
        for (std::size_t p = 0; p < setups_.size(); ++p) {
            const fit::IndexResult indexed = fit::indexPattern(*prepared_, setups_[p], options);
            if (indexed.detected.size() < 3) {
                problem = Problem{"fewer than three bands stand out in the pattern"};
                continue;
            }
            if (!indexed.betterRival.empty() || indexed.solutions.empty() ||
                !fit::acceptable(indexed.solutions.front())) {
                if (!problem) problem = Problem{"no orientation of a phase fits the pattern"};
                continue;
            }
            for (std::size_t k = 0; k < indexed.solutions.size() && k < 2; ++k) {
                const fit::FoundOrientation& f = indexed.solutions[k];
                found.push_back({f.fit.orientation, static_cast<int>(p), f.fit.score,
                                 f.matchedBands, f.meanDeviationDegrees, 0});
            }
        }
        if (found.empty())
            return problem ? *problem : Problem{"no orientation of a phase fits the pattern"};
        std::stable_sort(found.begin(), found.end(),
                         [](const auto& a, const auto& b) { return a.score > b.score; });
        MapSolution best = found.front();
        const double next = found.size() > 1 ? std::max(0.0, found[1].score) : 0.0;
        best.confidence = best.score > 0 ? std::clamp(1 - next / best.score, 0.0, 1.0) : 0.0;
        return best;
    }

private:
    const fit::PatternScorer& scorer(int phase) {
        const auto p = static_cast<std::size_t>(
            std::clamp<int>(phase, 0, static_cast<int>(setups_.size()) - 1));
        const fit::GreyImage& working = prepared_->working;
        if (!scorers_[p] && !(grid_.detector() == setups_[p].detector &&
                              grid_.width() == working.width && grid_.height() == working.height))
            grid_ = fit::PixelGrid(setups_[p].detector, working.width, working.height);
        if (!scorers_[p])
            scorers_[p].emplace(working, grid_, setups_[p].bands,
                                fit::ScoreOptions{.profile = {},
                                                  .smoothingDegrees = 0,
                                                  .highPassFraction = prepared_->highPassFraction});
        return *scorers_[p];
    }

    // The mean height of the bands that stand out, as indexing measures it (in image
    // deviations), brought into [0, 1).
    static double qualityOf(const fit::GreyImage& image, const Detector& detector) {
        // Half the size and angles indexing reads: the bands' height, not their places.
        static const fit::BandDetectionOptions options{.maxBands = 6,
                                                       .workingSide = fit::kScoreSide / 2,
                                                       .angleCount = 60,
                                                       .relativeThreshold = 0.25,
                                                       .blurPixels = 0.5};
        const std::vector<fit::DetectedBand> bands = fit::detectBands(image, detector, options);
        double strength = 0;
        for (const fit::DetectedBand& b : bands) strength += b.strength;
        if (bands.empty()) return 0;
        strength /= static_cast<double>(bands.size());
        return strength / (1 + strength);
    }

    std::shared_ptr<const PointMatchingOptions> options_;
    std::vector<fit::IndexSetup> setups_;
    fit::StaticBackground background_;
    bool backgroundRefused_ = false;
    std::optional<fit::PreparedPattern> prepared_;
    std::vector<std::optional<fit::PatternScorer>> scorers_;
    fit::PixelGrid grid_; // the pixels of the last detector, while the next points share it
};

} // namespace

PointMatcherFactory fitPointMatchers(std::vector<const PatternFit*> phases,
                                     PointMatchingOptions options) {
    auto shared = std::make_shared<const PointMatchingOptions>(std::move(options));
    return [phases = std::move(phases), shared] {
        return std::unique_ptr<PointMatcher>(std::make_unique<FitPointMatcher>(phases, shared));
    };
}

std::vector<std::string> ipfKeyCornerLabels(LaueClass laue, const Simulation& sim) {
    const LatticeMatrices& m = sim.document.matrices;
    const Mat3d toLattice = transpose(crystalFromLattice(m));
    std::vector<std::string> labels;
    for (const auto& corner : ipfKeyImage(laue, 40).corners) {
        const auto name = nameDirection(toLattice * corner.direction, m, IndexKind::Direction, 6);
        labels.push_back(name ? directionNameText(*name, isHexagonalCell(sim.document.cell)) : "");
    }
    return labels;
}

} // namespace tavrel
