#include "fit/band_detection.h"

#include "common/numeric.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavrel::fit {

namespace {

constexpr float kNothing = std::numeric_limits<float>::quiet_NaN();

// The transform across rho smoothed and with its slow part taken away: each value less the
// mean of the values `reach` bins to either side, so that a band's centre line stands out
// from the intensity of its surroundings. NaN where a neighbour is missing.
std::vector<float> topHat(const RadonTransform& radon, int reach) {
    const int na = radon.angleCount, nr = radon.rhoCount;
    std::vector<float> smooth(radon.values.size(), kNothing), out(radon.values.size(), kNothing);
    auto index = [nr](int a, int r) {
        return static_cast<std::size_t>(a) * static_cast<std::size_t>(nr) +
               static_cast<std::size_t>(r);
    };
    for (int a = 0; a < na; ++a)
        for (int r = 1; r + 1 < nr; ++r) {
            const float v = radon.at(a, r);
            const float before = radon.at(a, r - 1), after = radon.at(a, r + 1);
            if (std::isnan(v)) continue;
            smooth[index(a, r)] =
                std::isnan(before) || std::isnan(after) ? v : 0.5f * v + 0.25f * (before + after);
        }
    for (int a = 0; a < na; ++a)
        for (int r = reach; r + reach < nr; ++r) {
            const float v = smooth[index(a, r)];
            const float lo = smooth[index(a, r - reach)], hi = smooth[index(a, r + reach)];
            if (std::isnan(v) || std::isnan(lo) || std::isnan(hi)) continue;
            out[index(a, r)] = v - 0.5f * (lo + hi);
        }
    return out;
}

// The value at angle a (any whole number: past the half turn, phi + pi is the same line with
// rho reversed) and rho bin r.
float wrappedAt(const std::vector<float>& values, int angleCount, int rhoCount, int a, int r) {
    if (a < 0 || a >= angleCount) {
        a = (a % angleCount + angleCount) % angleCount;
        r = rhoCount - 1 - r;
    }
    if (r < 0 || r >= rhoCount) return kNothing;
    return values[static_cast<std::size_t>(a) * static_cast<std::size_t>(rhoCount) +
                  static_cast<std::size_t>(r)];
}

// The offset of a parabola's top through three equally spaced values, within half a step.
double parabolaTop(double before, double at, double after) {
    const double curvature = before - 2 * at + after;
    if (!(curvature < 0)) return 0;
    return std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5);
}

} // namespace

RadonTransform radonTransform(const GreyImage& image, int angleCount, double minimumLength) {
    RadonTransform t;
    t.angleCount = angleCount;
    const double cx = image.width / 2.0, cy = image.height / 2.0;
    t.rhoMax = std::ceil(std::hypot(cx, cy)) + 1;
    t.rhoCount = static_cast<int>(2 * t.rhoMax) + 1;
    t.values.assign(static_cast<std::size_t>(angleCount) * static_cast<std::size_t>(t.rhoCount),
                    kNothing);
    const auto nr = static_cast<std::size_t>(t.rhoCount);
    // The valid pixels once, for every angle: the transform is the dearest step of finding bands.
    struct Pixel {
        int x, y;
        double value;
    };
    std::vector<Pixel> valid;
    valid.reserve(image.pixels.size());
    for (int y = 0; y < image.height; ++y) {
        const float* row = image.pixels.data() + image.index(0, y);
        for (int x = 0; x < image.width; ++x)
            if (image.isValid(x, y)) valid.push_back({x, y, row[x]});
    }
    // Each rho bin's sum and weight side by side.
    std::vector<double> bins(2 * nr + 2);
    std::vector<double> xTerm(static_cast<std::size_t>(image.width));
    std::vector<double> yTerm(static_cast<std::size_t>(image.height));
    for (int a = 0; a < angleCount; ++a) {
        const double phi = a * kPi / angleCount;
        const double c = std::cos(phi), s = std::sin(phi);
        std::fill(bins.begin(), bins.end(), 0.0);
        for (int x = 0; x < image.width; ++x)
            xTerm[static_cast<std::size_t>(x)] = (x + 0.5 - cx) * c + t.rhoMax;
        for (int y = 0; y < image.height; ++y)
            yTerm[static_cast<std::size_t>(y)] = (y + 0.5 - cy) * s;
        for (const Pixel& p : valid) {
            // Each pixel shares itself between the two nearest rho bins.
            const double rho =
                xTerm[static_cast<std::size_t>(p.x)] + yTerm[static_cast<std::size_t>(p.y)];
            const auto bin = static_cast<std::size_t>(rho);
            const double f = rho - static_cast<double>(bin);
            double* at = bins.data() + 2 * bin;
            at[0] += (1 - f) * p.value;
            at[1] += 1 - f;
            at[2] += f * p.value;
            at[3] += f;
        }
        for (std::size_t r = 0; r < nr; ++r)
            if (bins[2 * r + 1] >= minimumLength)
                t.values[static_cast<std::size_t>(a) * nr + r] =
                    static_cast<float>(bins[2 * r] / bins[2 * r + 1]);
    }
    return t;
}

std::vector<DetectedBand> detectBands(const GreyImage& prepared, const Detector& detector,
                                      const BandDetectionOptions& options) {
    const int side = std::min(prepared.width, prepared.height);
    const int factor =
        std::max(1, static_cast<int>(std::lround(static_cast<double>(side) / options.workingSide)));
    const GreyImage work = gaussianBlurred(downsampled(prepared, factor), options.blurPixels);
    const int workSide = std::min(work.width, work.height);
    const RadonTransform radon = radonTransform(work, options.angleCount, 0.4 * workSide);
    // Bands are a few working pixels wide; the top-hat compares with 3 % of the image away.
    const int reach = std::max(2, static_cast<int>(std::lround(0.03 * workSide)));
    const std::vector<float> peaks = topHat(radon, reach);
    const int na = radon.angleCount, nr = radon.rhoCount;

    // Separate maxima: the largest value within a few degrees and a few bins.
    const int angleWindow = std::max(2, na / 45), rhoWindow = reach;
    struct Peak {
        float value;
        int a, r;
    };
    std::vector<Peak> found;
    for (int a = 0; a < na; ++a)
        for (int r = 0; r < nr; ++r) {
            const float v = peaks[static_cast<std::size_t>(a) * static_cast<std::size_t>(nr) +
                                  static_cast<std::size_t>(r)];
            if (!(v > 0)) continue;
            bool highest = true;
            for (int da = -angleWindow; da <= angleWindow && highest; ++da)
                for (int dr = -rhoWindow; dr <= rhoWindow && highest; ++dr) {
                    if (da == 0 && dr == 0) continue;
                    const float w = wrappedAt(peaks, na, nr, a + da, r + dr);
                    // Ties go to the first in scan order.
                    if (w > v || (w == v && (da < 0 || (da == 0 && dr < 0)))) highest = false;
                }
            if (highest) found.push_back({v, a, r});
        }
    std::sort(found.begin(), found.end(), [](const Peak& p, const Peak& q) {
        if (p.value != q.value) return p.value > q.value;
        return p.a != q.a ? p.a < q.a : p.r < q.r;
    });

    std::vector<DetectedBand> bands;
    const FilmMapping mapping(detector, prepared.width, prepared.height);
    for (const Peak& p : found) {
        if (static_cast<int>(bands.size()) >= options.maxBands) break;
        if (p.value < options.relativeThreshold * found.front().value) break;
        auto value = [&](int a, int r) {
            const float v = wrappedAt(peaks, na, nr, a, r);
            return std::isnan(v) ? 0.0 : static_cast<double>(v);
        };
        const double da = parabolaTop(value(p.a - 1, p.r), p.value, value(p.a + 1, p.r));
        const double dr = parabolaTop(value(p.a, p.r - 1), p.value, value(p.a, p.r + 1));
        const double phi = (p.a + da) * kPi / na;
        const double rho = p.r + dr - radon.rhoMax;
        // Two points of the line in the prepared image's pixels, far apart, and the plane
        // through their directions.
        const double c = std::cos(phi), s = std::sin(phi);
        const double mx = work.width / 2.0 + rho * c, my = work.height / 2.0 + rho * s;
        const double half = 0.5 * workSide;
        const ViewVector r1 =
            mapping.directionAt((mx - half * s) * factor, (my + half * c) * factor);
        const ViewVector r2 =
            mapping.directionAt((mx + half * s) * factor, (my - half * c) * factor);
        DetectedBand band;
        band.normal = normalized(cross(r1, r2));
        band.strength = p.value;
        band.phi = phi;
        band.rho = rho * factor;
        bands.push_back(band);
    }
    return bands;
}

} // namespace tavrel::fit
