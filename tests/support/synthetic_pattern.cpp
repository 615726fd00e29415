#include "support/synthetic_pattern.h"

#include "common/numeric.h"
#include "detector/film_mapping.h"
#include "fit/rotation_math.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>

namespace tavrel::test {

namespace {

// Uniform numbers in (0, 1) and Gaussian ones from the Mersenne twister's raw output, which
// the standard fixes bit for bit, unlike its distributions.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : engine_(seed) {}
    double uniform() { return (static_cast<double>(engine_() >> 8) + 0.5) / 16777216.0; }
    double gaussian() {
        if (spare_) {
            spare_ = false;
            return spareValue_;
        }
        const double r = std::sqrt(-2 * std::log(uniform())), a = 2 * kPi * uniform();
        spareValue_ = r * std::sin(a);
        spare_ = true;
        return r * std::cos(a);
    }

private:
    std::mt19937 engine_;
    bool spare_ = false;
    double spareValue_ = 0;
};

GreyImage blank(int width, int height) {
    GreyImage image;
    std::tie(image.width, image.height) = std::pair(width, height);
    image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    return image;
}

} // namespace

GreyImage syntheticPattern(const std::vector<Band>& bands, const Mat3d& orientation,
                           const SyntheticPatternOptions& o) {
    GreyImage image = blank(o.width, o.height);
    const FilmMapping mapping(o.detector, o.width, o.height);
    const double pixelAngle = mapping.pixelAngle();

    struct Drawn {
        ViewVector n;
        double inner, outer, lineLow, lineHigh, amount;
    };
    double heaviest = 0;
    for (const Band& b : bands) heaviest = std::max(heaviest, b.weight);
    std::vector<Drawn> drawn;
    for (const Band& b : bands) {
        const double theta = std::asin(b.sinTheta);
        const double edge = std::max(0.3 * theta, 1.2 * pixelAngle);
        const double halfLine = 0.6 * pixelAngle;
        drawn.push_back({toView(orientation, b.normal), b.sinTheta, std::sin(theta + edge),
                         std::sin(std::max(0.0, theta - halfLine)), std::sin(theta + halfLine),
                         heaviest > 0 ? b.weight / heaviest : 0});
    }

    // The pattern: bands between their cone lines with dark edges, or the thin lines alone.
    for (int y = 0; y < o.height; ++y) {
        for (int x = 0; x < o.width; ++x) {
            const ViewVector r = mapping.directionAt(x + 0.5, y + 0.5);
            double v = 0;
            for (const Drawn& d : drawn) {
                const double s = std::fabs(dot(r, d.n));
                if (o.profile == LineProfile::KikuchiBand)
                    v += s < d.inner ? d.amount : s < d.outer ? -o.edgeDarkening * d.amount : 0;
                else if (s >= d.lineLow && s < d.lineHigh)
                    v += d.amount;
            }
            image.pixels[image.index(x, y)] = static_cast<float>(v);
        }
    }
    image = fit::gaussianBlurred(image, o.blurPixels);

    // A bright patch off the centre on a tilted floor, as the back-scattered electrons leave
    // it on a detector; the pattern modulates it; then the detector's noise.
    Noise noise(o.seed);
    const double bx = o.width * (0.35 + 0.3 * noise.uniform());
    const double by = o.height * (0.3 + 0.3 * noise.uniform());
    const double spread = 0.45 * std::max(o.width, o.height);
    const double tilt = 0.3 * (noise.uniform() - 0.5);
    double mean = 0;
    std::vector<double> background(image.pixels.size());
    for (int y = 0; y < o.height; ++y)
        for (int x = 0; x < o.width; ++x) {
            const double dx = x - bx, dy = y - by;
            const double b =
                1 + tilt * (x - o.width / 2.0) / o.width +
                o.backgroundVariation * std::exp(-(dx * dx + dy * dy) / (2 * spread * spread));
            background[image.index(x, y)] = b;
            mean += b;
        }
    mean /= static_cast<double>(background.size());
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const double b = background[i] / mean;
        const double v = b * (1 + o.contrast * image.pixels[i]) + o.noise * noise.gaussian();
        image.pixels[i] = static_cast<float>(std::max(0.0, v));
    }
    return image;
}

Mat3d randomOrientation(std::uint32_t seed) {
    Noise noise(seed);
    // A uniform unit quaternion from three uniform numbers (Shoemake).
    const double u1 = noise.uniform(), u2 = noise.uniform(), u3 = noise.uniform();
    const double a = std::sqrt(1 - u1), b = std::sqrt(u1);
    const double w = a * std::sin(2 * kPi * u2), x = a * std::cos(2 * kPi * u2);
    const double y = b * std::sin(2 * kPi * u3), z = b * std::cos(2 * kPi * u3);
    return fit::orthonormalised(
        Mat3d{{{w * w + x * x - y * y - z * z, 2 * (x * y - w * z), 2 * (x * z + w * y)},
               {2 * (x * y + w * z), w * w - x * x + y * y - z * z, 2 * (y * z - w * x)},
               {2 * (x * z - w * y), 2 * (y * z + w * x), w * w - x * x - y * y + z * z}}});
}

GreyImage noiseImage(int width, int height, std::uint32_t seed) {
    GreyImage image = blank(width, height);
    Noise noise(seed);
    for (float& p : image.pixels) p = static_cast<float>(1 + 0.2 * noise.gaussian());
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
    GreyImage image = blank(width, height);
    image.pixels.assign(bytes.begin(), bytes.end());
    return image;
}

} // namespace tavrel::test
