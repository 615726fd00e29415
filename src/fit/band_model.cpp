#include "fit/band_model.h"

#include "detector/film_mapping.h"
#include "fit/simd.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace tavrel::fit {

std::vector<Band> bandsOf(const ReflectionList& reflections, double lambda, double dThreshold,
                          std::span<const double> weights) {
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
    std::stable_sort(bands.begin(), bands.end(), [](const Band& a, const Band& b) {
        if (a.weight != b.weight) return a.weight > b.weight;
        return a.sinTheta < b.sinTheta;
    });
    return bands;
}

PixelGrid::Lines PixelGrid::linesOf(int count, int length, double along0, double alongStep,
                                    double across0, double acrossStep) {
    Lines l;
    l.count = count;
    l.length = length;
    l.stride = simd::padded(length);
    l.along0 = along0;
    l.alongStep = alongStep;
    const double alongFar =
        std::max(std::fabs(along0), std::fabs(along0 + (length - 1) * alongStep));
    l.norm.assign(static_cast<std::size_t>(l.stride) * static_cast<std::size_t>(count), 0.0);
    l.inverseNorm.assign(l.norm.size(), 0.0f);
    for (int i = 0; i < count; ++i) {
        const double c = across0 + i * acrossStep;
        l.across.push_back(c);
        l.farNorm.push_back(std::sqrt(1 + alongFar * alongFar + c * c));
        for (int k = 0; k < length; ++k) {
            const double a = along0 + k * alongStep;
            const std::size_t at =
                static_cast<std::size_t>(i) * static_cast<std::size_t>(l.stride) +
                static_cast<std::size_t>(k);
            l.norm[at] = std::sqrt(1 + a * a + c * c);
            l.inverseNorm[at] = static_cast<float>(1 / l.norm[at]);
        }
    }
    return l;
}

PixelGrid::PixelGrid(const Detector& detector, int width, int height)
    : detector_(detector), width_(width), height_(height) {
    pixelAngle_ = FilmMapping(detector, width, height).pixelAngle();
    const double centreX = detector.centre.x * width, centreY = detector.centre.y * height;
    da_ = detector.filmWidth / (detector.distance * width);
    db_ = detector.filmHeight / (detector.distance * height);
    // Pixel column i sees a = aFirst - i da, row j sees b = bTop + j db.
    const double aFirst = (centreX - 0.5) * da_, bTop = (0.5 - centreY) * db_;
    rows_ = std::make_shared<const Lines>(linesOf(height, width, aFirst, -da_, bTop, db_));
    columns_ = std::make_shared<const Lines>(linesOf(width, height, bTop, db_, aFirst, -da_));
}

namespace {

// The lines a band reaches, from a range in line units that lies far beyond any int when the
// band is nearly parallel to the lines: clamped before the conversion.
int firstLine(double u) {
    return static_cast<int>(std::max(0.0, std::floor(u)));
}
int lastLine(double u, int count) {
    return static_cast<int>(std::min(count - 1.0, std::ceil(u)));
}

} // namespace

void PixelGrid::renderBand(const Lines& lines, const ModelBand& band, double nNormal, double nAlong,
                           double nAcross, double edge, double cornerNorm, float* out) const {
    using simd::Floats;
    // s = |n . (1, a, b)| / |(1, a, b)|: the band reaches no further than `reach`.
    const double reach = band.centre + band.halfWidth + 0.5 * edge;
    const int length = lines.length;
    // Along a line n . (1, a, b) = f0 + df k.
    const double df = nAlong * lines.alongStep;
    const double invDf = std::fabs(df) > 1e-15 ? 1 / df : 0.0;
    int l0 = 0, l1 = lines.count - 1;
    if (invDf != 0 && lines.count > 1) {
        // The trace crosses line l at k = crossing0 + l crossingStep; the lines where that lies
        // within reach of the line's pixels.
        const double crossing0 =
            -(nNormal + nAlong * lines.along0 + nAcross * lines.across[0]) * invDf;
        const double crossingStep = -nAcross * (lines.across[1] - lines.across[0]) * invDf;
        const double margin = reach * cornerNorm * std::fabs(invDf);
        if (std::fabs(crossingStep) > 1e-12) {
            double u0 = (-margin - crossing0) / crossingStep;
            double u1 = (length - 1 + margin - crossing0) / crossingStep;
            if (u0 > u1) std::swap(u0, u1);
            if (u1 < 0 || u0 > lines.count - 1) return;
            l0 = firstLine(u0);
            l1 = lastLine(u1, lines.count);
        } else if (crossing0 + margin < 0 || crossing0 - margin > length - 1) {
            return;
        }
    } else {
        // The band runs across the lines: |n0 + nAcross c| < reach |(1, a, b)| somewhere.
        const double alongLast = lines.along0 + (length - 1) * lines.alongStep;
        const double c0 = nNormal + nAlong * 0.5 * (lines.along0 + alongLast);
        const double bound =
            reach * cornerNorm + std::fabs(nAlong) * 0.5 * std::fabs(alongLast - lines.along0);
        if (std::fabs(nAcross) > 1e-12 && lines.count > 1) {
            const double acrossStep = lines.across[1] - lines.across[0];
            double u0 = ((-bound - c0) / nAcross - lines.across[0]) / acrossStep;
            double u1 = ((bound - c0) / nAcross - lines.across[0]) / acrossStep;
            if (u0 > u1) std::swap(u0, u1);
            if (u1 < 0 || u0 > lines.count - 1) return;
            l0 = firstLine(u0);
            l1 = lastLine(u1, lines.count);
        } else if (std::fabs(c0) > bound) {
            return;
        }
    }
    const double inverseEdge = 1 / edge;
    const Floats height = simd::splat(static_cast<float>(band.height));
    const Floats top = simd::splat(static_cast<float>(band.halfWidth * inverseEdge + 0.5));
    const Floats slope = simd::splat(static_cast<float>(inverseEdge));
    const Floats centre = simd::splat(static_cast<float>(band.centre));
    const bool line = band.centre > 0;
    const Floats step = simd::splat(static_cast<float>(df)) * Floats{0, 1, 2, 3};
    const Floats step4 = simd::splat(static_cast<float>(df * simd::kLanes));
    const double halfScale = reach * std::fabs(invDf);
    const double alongStep = std::fabs(lines.alongStep);
    // The run reaches reach |(1, a, b)| / |df| either way of where the trace crosses the line:
    // |(1, a, b)| changes by at most the step of the coordinate along the line per pixel, so
    // the run reaches no further than `widening` times as far as with the value where it
    // crosses (or at the nearer end of the line), and nowhere further than with the largest
    // value of the image.
    const double widening = halfScale * alongStep < 0.5 ? 1 / (1 - halfScale * alongStep) : 1e300;
    const double nearScale = widening * halfScale;
    const double farHalf = halfScale * cornerNorm;
    const auto stride = static_cast<std::size_t>(lines.stride);
    // Whole numbers below and above (for values above -kOffset, without a library call).
    constexpr double kOffset = 1 << 20;
    const auto below = [](double x) { return static_cast<int>(x + kOffset) - (1 << 20); };
    const auto above = [](double x) { return (1 << 20) - static_cast<int>(kOffset - x); };
    const double acrossStep = lines.count > 1 ? lines.across[1] - lines.across[0] : 0.0;
    // At line l: n . (1, a, b) = f0 + df k, crossing 0 at k = -f0 / df.
    double f0 = nNormal + nAlong * lines.along0 + nAcross * (lines.across[0] + l0 * acrossStep);
    const double f0Step = nAcross * acrossStep;
    for (int l = l0; l <= l1; ++l, f0 += f0Step) {
        const auto row = static_cast<std::size_t>(l) * stride;
        int k0 = 0, k1 = length - 1;
        if (invDf != 0) {
            const double crossing = -f0 * invDf;
            if (crossing + farHalf < 0 || crossing - farHalf > length - 1) continue;
            const int at = static_cast<int>(std::clamp(crossing, 0.0, length - 1.0));
            const double reachHalf = std::min(
                farHalf, nearScale * (lines.norm[row + static_cast<std::size_t>(at)] + alongStep));
            k0 = std::max(0, above(crossing - reachHalf));
            k1 = std::min(length - 1, below(crossing + reachHalf));
            if (k0 > k1) continue;
        } else if (std::fabs(f0) >= reach * lines.farNorm[static_cast<std::size_t>(l)]) {
            continue;
        }
        // Whole vectors: the padding and the pixels beside the run take what the profile gives
        // them, which is nothing beyond the reach.
        k0 &= ~(simd::kLanes - 1);
        const float* norms = lines.inverseNorm.data() + row;
        float* o = out + row;
        Floats f = simd::splat(static_cast<float>(f0 + df * k0)) + step;
        if (line) {
            for (int k = k0; k <= k1; k += simd::kLanes) {
                const Floats s = simd::absolute(simd::absolute(f) * simd::load(norms + k) - centre);
                simd::store(o + k, simd::load(o + k) + height * simd::clamp01(top - slope * s));
                f += step4;
            }
        } else {
            for (int k = k0; k <= k1; k += simd::kLanes) {
                const Floats s = simd::absolute(f) * simd::load(norms + k);
                simd::store(o + k, simd::load(o + k) + height * simd::clamp01(top - slope * s));
                f += step4;
            }
        }
    }
}

void PixelGrid::render(std::span<const ModelBand> bands, std::span<const Vec3d> normals,
                       double edge, float* out, std::vector<float>& scratch) const {
    const int w = width_, h = height_;
    const Lines& rows = *rows_;
    const Lines& columns = *columns_;
    double cornerNorm = 0;
    for (const std::size_t r : {std::size_t{0}, static_cast<std::size_t>(h - 1)})
        cornerNorm = std::max(cornerNorm, rows.farNorm[r]);
    const double aFirst = rows.along0, aLast = aFirst + (w - 1) * rows.alongStep;
    const double bTop = columns.along0, bBottom = bTop + (h - 1) * columns.alongStep;
    // Whole 4 x 4 blocks are read back below, so the image's columns are padded to whole vectors
    // here too (the extra columns stay 0 and add nothing).
    scratch.assign(
        static_cast<std::size_t>(columns.stride) * static_cast<std::size_t>(simd::padded(w)), 0.0f);
    bool transposed = false;
    for (std::size_t k = 0; k < bands.size(); ++k) {
        const Vec3d& n = normals[k];
        const double reach = bands[k].centre + bands[k].halfWidth + 0.5 * edge;
        // n . (1, a, b) is linear in a and b: without a change of sign over the image its
        // smallest size is at a corner, and a band clear of every corner misses the image.
        double smallest = 1e300;
        bool positive = false, negative = false;
        for (const double a : {aFirst, aLast})
            for (const double b : {bTop, bBottom}) {
                const double f = n[0] + n[1] * a + n[2] * b;
                positive = positive || f > 0;
                negative = negative || f < 0;
                smallest = std::min(smallest, std::fabs(f));
            }
        if (!(positive && negative) && smallest > reach * cornerNorm) continue;
        // Along the lines it runs along most: the fewest lines, each a longer run.
        if (std::fabs(n[1] * da_) <= std::fabs(n[2] * db_)) {
            renderBand(rows, bands[k], n[0], n[1], n[2], edge, cornerNorm, out);
        } else {
            renderBand(columns, bands[k], n[0], n[2], n[1], edge, cornerNorm, scratch.data());
            transposed = true;
        }
    }
    if (!transposed) return;
    const auto stride = static_cast<std::size_t>(rows.stride);
    const auto strideT = static_cast<std::size_t>(columns.stride);
    // In blocks of 4 x 4 (the padding of both buffers holds whole blocks), the rows past the
    // last whole block one by one.
    const int blockRows = h - h % simd::kLanes;
    for (int j = 0; j < blockRows; j += simd::kLanes)
        for (int i = 0; i < w; i += simd::kLanes) {
            simd::Floats t[simd::kLanes];
            for (int r = 0; r < simd::kLanes; ++r)
                t[r] = simd::load(scratch.data() + static_cast<std::size_t>(i + r) * strideT +
                                  static_cast<std::size_t>(j));
            simd::transpose(t);
            for (int r = 0; r < simd::kLanes; ++r) {
                float* o =
                    out + static_cast<std::size_t>(j + r) * stride + static_cast<std::size_t>(i);
                simd::store(o, simd::load(o) + t[r]);
            }
        }
    for (int j = blockRows; j < h; ++j)
        for (int i = 0; i < w; ++i)
            out[static_cast<std::size_t>(j) * stride + static_cast<std::size_t>(i)] +=
                scratch[static_cast<std::size_t>(i) * strideT + static_cast<std::size_t>(j)];
}

} // namespace tavrel::fit
