#include "support/synthetic_pattern.h"

#include "common/numeric.h"
#include "detector/film_mapping.h"
#include "fit/rotation_math.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace tavrel::test {

namespace {

// Uniform, Gaussian and Poisson numbers from the Mersenne twister's raw output, which the
// standard fixes bit for bit, unlike its distributions.
class Random {
public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}
    double uniform() { return (static_cast<double>(engine_() >> 8) + 0.5) / 16777216.0; }
    double gaussian() {
        const double r = std::sqrt(-2 * std::log(uniform()));
        return r * std::cos(2 * kPi * uniform());
    }
    double poisson(double mean) {
        if (mean > 40) return std::max(0.0, std::round(mean + std::sqrt(mean) * gaussian()));
        const double limit = std::exp(-mean);
        double p = uniform();
        int k = 0;
        while (p > limit) p *= uniform(), ++k;
        return k;
    }

private:
    std::mt19937 engine_;
};

// A band's profile as a function of s = |r . n|, tabulated over [0, reach).
struct ProfileTable {
    static constexpr int kEntries = 256;
    double reach = 0, scale = 0, height = 0;
    std::array<double, kEntries + 1> values{};
    double at(double s) const {
        if (s >= reach) return 0;
        const double u = s * scale;
        const auto e = std::min(static_cast<int>(u), kEntries - 1);
        const auto i = static_cast<std::size_t>(e);
        return values[i] + (u - e) * (values[i + 1] - values[i]);
    }
};

ProfileTable profileOf(const Band& band, LineProfile kind, double sigma, double darkening,
                       double height) {
    ProfileTable t;
    const double theta = std::asin(band.sinTheta);
    const double root2 = std::sqrt(2.0) * sigma;
    const double reachAngle = theta + (kind == LineProfile::ConeLines ? 3 : 4) * sigma;
    t.reach = std::sin(std::min(reachAngle, 1.5));
    t.scale = ProfileTable::kEntries / t.reach;
    t.height = height;
    for (int e = 0; e <= ProfileTable::kEntries; ++e) {
        const double angle = std::asin(std::min(1.0, e / t.scale));
        double v = 0;
        if (kind == LineProfile::ConeLines) {
            const double u = (angle - theta) / sigma;
            v = std::exp(-0.5 * u * u);
        } else {
            // A top-hat of 2 theta blurred, and a dip just outside each edge.
            v = 0.5 * (std::erf((theta - angle) / root2) + std::erf((theta + angle) / root2));
            const double u = (angle - theta - 1.5 * sigma) / sigma;
            v -= darkening * std::exp(-0.5 * u * u);
        }
        t.values[static_cast<std::size_t>(e)] = e == ProfileTable::kEntries ? 0.0 : v;
    }
    return t;
}

struct Blemish {
    double x, y, radius, depth; // fractions of the picture and of the light
};

std::vector<Blemish> blemishesOf(int count) {
    std::vector<Blemish> spots;
    Random random(977);
    for (int i = 0; i < count; ++i) {
        const double a = 2 * kPi * random.uniform(), r = 0.4 * std::sqrt(random.uniform());
        spots.push_back({0.5 + r * std::cos(a), 0.5 + r * std::sin(a),
                         0.006 + 0.012 * random.uniform(), 0.05 + 0.2 * random.uniform()});
    }
    return spots;
}

// The static background at fine pixel (x, y) of a w x h picture: a bright patch above the
// middle on a floor, dimming towards the edge of a round screen, with the screen's spots.
double staticAt(double x, double y, double w, double h, double radius,
                const std::vector<Blemish>& spots) {
    const double side = std::min(w, h);
    const double u = (x - 0.45 * w) / side, v = (y - 0.42 * h) / side;
    double light = 0.45 + std::exp(-(u * u + v * v) / (2 * 0.28 * 0.28));
    for (const Blemish& b : spots) {
        const double dx = (x - b.x * w) / side, dy = (y - b.y * h) / side;
        light *= 1 - b.depth * std::exp(-(dx * dx + dy * dy) / (2 * b.radius * b.radius));
    }
    if (!(radius > 0)) return light;
    const double r = std::hypot((x - 0.5 * w) / side, (y - 0.5 * h) / side);
    const double screen = 1 / (1 + std::exp((r - radius) / 0.025));
    return light * (0.08 + 0.92 * screen);
}

// The bands at every fine pixel: each band visits the pixels of each row within its reach.
std::vector<double> renderBands(std::span<const Band> bands, const Mat3d& orientation,
                                const SyntheticPatternOptions& o, int w, int h) {
    std::vector<double> out(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0.0);
    const FilmMapping mapping(o.detector, w, h);
    const double sigma = 0.5 * mapping.pixelAngle();
    std::vector<ViewVector> directions;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) directions.push_back(mapping.directionAt(x + 0.5, y + 0.5));
    double heaviest = 0;
    for (const Band& b : bands) heaviest = std::max(heaviest, b.weight);
    for (const Band& b : bands) {
        const double height = heaviest > 0 ? std::pow(b.weight / heaviest, o.strengthExponent) : 0;
        if (!(height > 0)) continue;
        const ProfileTable t = profileOf(b, o.profile, sigma, o.edgeDarkening, height);
        const ViewVector n = toView(orientation, b.normal);
        // Along a row the gnomonic line n . (1, a, b) = 0 is crossed once; the pixels within
        // the reach lie about it (the row's pixels all when the band runs along it).
        for (int y = 0; y < h; ++y) {
            const auto g0 = mapping.gnomonicOfPixel(0.5, y + 0.5);
            const auto g1 = mapping.gnomonicOfPixel(w - 0.5, y + 0.5);
            const double f0 = n[0] + n[1] * g0[0] + n[2] * g0[1];
            const double f1 = n[0] + n[1] * g1[0] + n[2] * g1[1];
            const double rowReach =
                t.reach * std::sqrt(1 + std::max(g0[0] * g0[0], g1[0] * g1[0]) + g0[1] * g0[1]);
            int from = 0, to = w - 1;
            if (std::fabs(f1 - f0) > 1e-12) {
                const double df = (f1 - f0) / (w - 1);
                double lo = (-rowReach - f0) / df, hi = (rowReach - f0) / df;
                if (lo > hi) std::swap(lo, hi);
                // Clamped before the conversion: a band nearly along the row puts lo and hi
                // far beyond any int.
                from = static_cast<int>(std::clamp(std::floor(lo) - 1, 0.0, 1.0 * w));
                to = static_cast<int>(std::clamp(std::ceil(hi) + 1, -1.0, w - 1.0));
            } else if (std::fabs(f0) > rowReach) {
                continue;
            }
            for (int x = from; x <= to; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                                      static_cast<std::size_t>(x);
                out[i] += t.height * t.at(std::fabs(dot(n, directions[i])));
            }
        }
    }
    return out;
}

} // namespace

GreyImage syntheticBackground(const SyntheticPatternOptions& o) {
    GreyImage b;
    b.width = o.width;
    b.height = o.height;
    const double fw = o.width * o.binning, fh = o.height * o.binning;
    const std::vector<Blemish> spots = blemishesOf(o.blemishes);
    for (int y = 0; y < o.height; ++y)
        for (int x = 0; x < o.width; ++x)
            b.pixels.push_back(static_cast<float>(
                o.countsPerPixel * staticAt((x + 0.5) * o.binning, (y + 0.5) * o.binning, fw, fh,
                                            o.screenRadius, spots)));
    return b;
}

GreyImage syntheticCounts(std::span<const Band> bands, const Mat3d& orientation,
                          const SyntheticPatternOptions& o) {
    const int w = o.width * o.binning, h = o.height * o.binning;
    GreyImage image;
    image.width = w;
    image.height = h;
    for (const double v : renderBands(bands, orientation, o, w, h))
        image.pixels.push_back(static_cast<float>(v));
    image = fit::gaussianBlurred(image, o.blurPixels);

    Random random(o.seed);
    // The background changes a little from pattern to pattern: a tilt and a level.
    const double gx = o.variation * (random.uniform() - 0.5),
                 gy = o.variation * (random.uniform() - 0.5);
    const double level = 1 + o.variation * (random.uniform() - 0.5);
    const double perFine = o.countsPerPixel / (o.binning * o.binning);
    const std::vector<Blemish> spots = blemishesOf(o.blemishes);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double u = x / static_cast<double>(w) - 0.5, v = y / static_cast<double>(h) - 0.5;
            const double b = staticAt(x + 0.5, y + 0.5, w, h, o.screenRadius, spots) * level *
                             (1 + gx * u + gy * v);
            float& p = image.pixels[image.index(x, y)];
            p = static_cast<float>(
                random.poisson(std::max(0.0, perFine * b * (1 + o.contrast * p))));
        }
    return image;
}

GreyImage binnedCounts(const GreyImage& fine, int factor, bool eightBit) {
    GreyImage binned = fit::downsampled(fine, factor);
    double highest = 0;
    for (float& v : binned.pixels) {
        v *= static_cast<float>(factor * factor);
        highest = std::max(highest, static_cast<double>(v));
    }
    if (eightBit && highest > 0) {
        // The camera's gain puts the brightest pixels near the top of its range.
        const double gain = 250 / highest;
        for (float& v : binned.pixels)
            v = static_cast<float>(std::min(255.0, std::round(v * gain)));
    }
    return binned;
}

GreyImage syntheticPattern(std::span<const Band> bands, const Mat3d& orientation,
                           const SyntheticPatternOptions& o) {
    return binnedCounts(syntheticCounts(bands, orientation, o), o.binning, o.eightBit);
}

Mat3d randomOrientation(std::uint32_t seed) {
    Random random(seed);
    // A uniform unit quaternion from three uniform numbers (Shoemake).
    const double u1 = random.uniform(), u2 = random.uniform(), u3 = random.uniform();
    const double a = std::sqrt(1 - u1), b = std::sqrt(u1);
    const double w = a * std::sin(2 * kPi * u2), x = a * std::cos(2 * kPi * u2);
    const double y = b * std::sin(2 * kPi * u3), z = b * std::cos(2 * kPi * u3);
    return fit::orthonormalised(
        Mat3d{{{w * w + x * x - y * y - z * z, 2 * (x * y - w * z), 2 * (x * z + w * y)},
               {2 * (x * y + w * z), w * w - x * x + y * y - z * z, 2 * (y * z - w * x)},
               {2 * (x * z - w * y), 2 * (y * z + w * x), w * w - x * x - y * y + z * z}}});
}

Mat3d turnedAway(const Mat3d& orientation, double degrees, std::uint32_t seed) {
    const Vec3d axis = normalized(randomOrientation(seed) * Vec3d{1, 0, 0});
    return fit::rotationFromVector(degrees * kDegToRad * axis) * orientation;
}

GreyImage noiseImage(int width, int height, std::uint32_t seed) {
    GreyImage image;
    image.width = width;
    image.height = height;
    Random random(seed);
    for (int i = 0; i < width * height; ++i)
        image.pixels.push_back(static_cast<float>(1 + 0.2 * random.gaussian()));
    return image;
}

std::vector<std::uint8_t> toBytes(const GreyImage& image, float low, float high) {
    std::vector<std::uint8_t> out(image.pixels.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double v = std::clamp((image.pixels[i] - low) / (high - low) * 255.0, 0.0, 255.0);
        out[i] = static_cast<std::uint8_t>(std::lround(v));
    }
    return out;
}

GreyImage fromBytes(std::span<const std::uint8_t> bytes, int width, int height) {
    GreyImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(bytes.begin(), bytes.end());
    return image;
}

} // namespace tavrel::test
