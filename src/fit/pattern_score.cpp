#include "fit/pattern_score.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace tavrel::fit {

namespace {

// Steps along a band, in pixels at the pattern centre: samples a little apart, since the
// bilinear samples of neighbouring steps overlap anyway.
constexpr double kStepPixels = 2.0;
// The coarsest level of the scorer is no smaller than this many pixels on its shorter side.
constexpr int kCoarsestSide = 48;

// At most this many samples across a band: the offsets from the plane (radians) and their
// weights, which add up to 0.
struct Profile {
    std::array<double, 6> cosOffset{}, sinOffset{}, weight{};
    std::size_t count = 0;
    void add(double offset, double w) {
        cosOffset[count] = std::cos(offset);
        sinOffset[count] = std::sin(offset);
        weight[count] = w;
        ++count;
    }
};

Profile profileFor(LineProfile kind, double theta, double pixelAngle) {
    Profile p;
    if (kind == LineProfile::KikuchiBand) {
        // Three samples inside, one beyond each edge, where recorded bands show their dark
        // edge lines; the outer ones stay clear of the edge by at least 1.5 pixels, so that a
        // narrow band still has an outside the smoothing has not reached.
        const double outside = theta + std::max(0.5 * theta, 1.5 * pixelAngle);
        p.add(0, 1.0 / 3);
        p.add(0.5 * theta, 1.0 / 3);
        p.add(-0.5 * theta, 1.0 / 3);
        p.add(outside, -0.5);
        p.add(-outside, -0.5);
    } else {
        const double beside = std::max(0.3 * theta, 2.0 * pixelAngle);
        p.add(theta, 0.5);
        p.add(-theta, 0.5);
        p.add(theta + beside, -0.25);
        p.add(theta - beside, -0.25);
        p.add(-theta + beside, -0.25);
        p.add(-theta - beside, -0.25);
    }
    return p;
}

// The part [from, to] of the line p + s d (s unbounded) inside the rectangle; false when it
// misses the rectangle.
bool clipLine(const std::array<double, 2>& p, const std::array<double, 2>& d,
              const std::array<double, 4>& box, double& from, double& to) {
    from = -1e300;
    to = 1e300;
    for (std::size_t axis = 0; axis < 2; ++axis) {
        const double lo = box[2 * axis], hi = box[2 * axis + 1];
        if (std::fabs(d[axis]) < 1e-15) {
            if (p[axis] < lo || p[axis] > hi) return false;
            continue;
        }
        double s0 = (lo - p[axis]) / d[axis], s1 = (hi - p[axis]) / d[axis];
        if (s0 > s1) std::swap(s0, s1);
        from = std::max(from, s0);
        to = std::min(to, s1);
    }
    return from < to;
}

} // namespace

std::vector<Band> bandsOf(const ReflectionList& reflections, double lambda, double dThreshold,
                          std::span<const float> weights) {
    std::vector<Band> bands;
    // A band per pair: (h k l) and its opposite share the key of the one whose first non-zero
    // index is positive.
    std::map<std::tuple<int, int, int>, std::size_t> byKey;
    std::vector<int> members;
    for (std::int32_t i = 0; i < reflections.count(); ++i) {
        const auto u = static_cast<std::size_t>(i);
        const double d = reflections.d[u];
        const double sine = lambda / (2 * d);
        const double w = weights.empty() ? 1.0 : (u < weights.size() ? weights[u] : 0.0);
        if (!(d > dThreshold) || !(sine > 0 && sine < 1) || !(w > 0)) continue;
        int h = reflections.h[u], k = reflections.k[u], l = reflections.l[u];
        const int first = h != 0 ? h : (k != 0 ? k : l);
        if (first < 0) h = -h, k = -k, l = -l;
        const auto key = std::make_tuple(h, k, l);
        const auto found = byKey.find(key);
        if (found != byKey.end()) {
            Band& band = bands[found->second];
            const int n = members[found->second]++;
            band.weight = (band.weight * n + w) / (n + 1);
            continue;
        }
        const Vec3d g{reflections.gx[u], reflections.gy[u], reflections.gz[u]};
        if (!(norm(g) > 0)) continue;
        byKey.emplace(key, bands.size());
        members.push_back(1);
        bands.push_back({LatticeVector(normalized(g)), sine, w, i});
    }
    return bands;
}

ScoreLevels::ScoreLevels(const GreyImage& prepared) {
    levels_.push_back(gaussianBlurred(prepared, 0.8));
    int factor = 2;
    while (std::min(prepared.width, prepared.height) / factor >= kCoarsestSide) {
        levels_.push_back(gaussianBlurred(downsampled(prepared, factor), 0.8));
        factor *= 2;
    }
}

PatternScorer::PatternScorer(const ScoreLevels& levels, std::span<const Band> bands,
                             LineProfile profile)
    : levels_(&levels), bands_(bands), profile_(profile) {}

ScoreDetail PatternScorer::score(const Mat3d& orientation, const Detector& detector,
                                 int level) const {
    ScoreDetail detail;
    const GreyImage& image = levels_->level(std::clamp(level, 0, levelCount() - 1));
    const FilmMapping mapping(detector, image.width, image.height);
    const double pixelAngle = mapping.pixelAngle();
    const double step = kStepPixels * pixelAngle;
    // The image in the gnomonic plane: a from its right to its left edge, b top to bottom.
    const auto topLeft = mapping.gnomonicOfPixel(0, 0);
    const auto bottomRight = mapping.gnomonicOfPixel(image.width, image.height);
    const std::array<double, 4> box{bottomRight[0], topLeft[0], topLeft[1], bottomRight[1]};
    const double w = image.width, h = image.height;
    const bool masked = !image.valid.empty();

    double total = 0, totalWeight = 0;
    for (const Band& band : bands_) {
        const ViewVector n = toView(orientation, band.normal);
        // The trace of the plane: a is its direction nearest the viewing axis, c its direction
        // across, with no component along the viewing axis; the trace's directions
        // a cos t + c sin t run along the gnomonic line (a + tan t c) / a_x.
        ViewVector a{1 - n[0] * n[0], -n[0] * n[1], -n[0] * n[2]};
        const double length = norm(a);
        if (length < 1e-6) continue; // the plane faces the film: its trace lies at infinity
        a = {a[0] / length, a[1] / length, a[2] / length};
        const ViewVector c = cross(n, a);
        const std::array<double, 2> p0{a[1] / a[0], a[2] / a[0]};
        const std::array<double, 2> dir{c[1] / a[0], c[2] / a[0]};
        double from = 0, to = 0;
        if (!clipLine(p0, dir, box, from, to)) continue;
        const double t0 = std::atan(from), t1 = std::atan(to);
        const int steps = static_cast<int>((t1 - t0) / step) + 1;
        const double dt = (t1 - t0) / steps;
        const Profile profile = profileFor(profile_, std::asin(band.sinTheta), pixelAngle);

        double sum = 0;
        int used = 0;
        // cos and sin of t by turning a unit vector, step by step.
        double ct = std::cos(t0 + 0.5 * dt), st = std::sin(t0 + 0.5 * dt);
        const double cd = std::cos(dt), sd = std::sin(dt);
        for (int s = 0; s < steps; ++s) {
            const ViewVector r0{a[0] * ct + c[0] * st, a[1] * ct + c[1] * st,
                                a[2] * ct + c[2] * st};
            const double nextCt = ct * cd - st * sd;
            st = st * cd + ct * sd;
            ct = nextCt;
            double value = 0;
            bool complete = true;
            for (std::size_t k = 0; k < profile.count && complete; ++k) {
                const double co = profile.cosOffset[k], so = profile.sinOffset[k];
                const double rx = r0[0] * co + n[0] * so;
                const double ry = r0[1] * co + n[1] * so;
                const double rz = r0[2] * co + n[2] * so;
                if (!(rx > 0)) {
                    complete = false;
                    break;
                }
                const auto [x, y] = mapping.pixelOfGnomonic(ry / rx, rz / rx);
                if (!(x >= 0 && y >= 0 && x < w && y < h)) {
                    complete = false;
                    break;
                }
                if (masked && !image.isValid(static_cast<int>(x), static_cast<int>(y))) {
                    complete = false;
                    break;
                }
                value += profile.weight[k] * sampleBilinear(image, x, y);
            }
            if (!complete) continue;
            sum += value;
            ++used;
        }
        if (used == 0) continue;
        ++detail.visibleBands;
        total += band.weight * sum;
        totalWeight += band.weight * used;
    }
    detail.score = totalWeight > 0 ? total / totalWeight : 0.0;
    return detail;
}

} // namespace tavrel::fit
