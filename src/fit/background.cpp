#include "fit/background.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace tavrel::fit {

namespace {

std::string sizeText(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

double percentile(std::vector<float> values, double fraction) {
    if (values.empty()) return 0;
    const auto k = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k), values.end());
    return values[k];
}

// The image shrunk so that its shorter side is at least `side` and less than twice it, by a
// whole factor (block means); as it is when it is small enough.
GreyImage binnedTowards(const GreyImage& image, int side) {
    const int factor = std::min(image.width, image.height) / side;
    return factor >= 2 ? downsampled(image, factor) : image;
}

} // namespace

Outcome MeanPattern::add(const GreyImage& pattern) {
    if (count_ == 0) {
        width_ = pattern.width;
        height_ = pattern.height;
        sum_.assign(pattern.pixels.size(), 0.0);
    } else if (pattern.width != width_ || pattern.height != height_) {
        return Problem{"The patterns to average differ in size: " + sizeText(width_, height_) +
                       " and " + sizeText(pattern.width, pattern.height) + " pixels"};
    }
    for (std::size_t i = 0; i < sum_.size(); ++i) sum_[i] += pattern.pixels[i];
    ++count_;
    return {};
}

Result<GreyImage> MeanPattern::mean() const {
    if (count_ == 0) return Problem{"There are no patterns to average"};
    GreyImage mean;
    mean.width = width_;
    mean.height = height_;
    for (const double s : sum_)
        mean.pixels.push_back(static_cast<float>(s / static_cast<double>(count_)));
    return mean;
}

std::vector<std::uint8_t> screenMask(const GreyImage& brightness, double fraction) {
    if (!(fraction > 0) || brightness.empty()) return {};
    const GreyImage smooth =
        gaussianBlurred(brightness, 0.02 * std::min(brightness.width, brightness.height));
    const double high = percentile(smooth.pixels, 0.95);
    std::vector<std::uint8_t> mask(smooth.pixels.size(), 1);
    bool any = false;
    for (std::size_t i = 0; i < mask.size(); ++i)
        if (!(smooth.pixels[i] >= fraction * high) ||
            (!brightness.valid.empty() && !brightness.valid[i]))
            mask[i] = 0, any = true;
    if (!any) mask.clear();
    return mask;
}

Result<StaticBackground> staticBackgroundOf(const GreyImage& image, double maskFraction) {
    StaticBackground b;
    double sum = 0;
    for (const float v : image.pixels) sum += v;
    if (!(sum > 0) || !std::isfinite(sum)) return Problem{"The static background holds no light"};
    b.image = image;
    b.mean = sum / static_cast<double>(image.pixels.size());
    b.mask = screenMask(image, maskFraction);
    return b;
}

GreyImage staticCorrected(const GreyImage& raw, const StaticBackground& background,
                          const BackgroundCorrection& correction) {
    const bool haveStatic = !background.empty() && correction.staticMode != StaticCorrection::None;
    GreyImage image = raw;
    std::vector<std::uint8_t> mask =
        haveStatic ? background.mask : screenMask(raw, correction.maskFraction);
    if (haveStatic) {
        double sum = 0;
        for (const float v : image.pixels) sum += v;
        const double level = sum / static_cast<double>(image.pixels.size());
        const double k = level / background.mean;
        for (std::size_t i = 0; i < image.pixels.size(); ++i) {
            const double b = k * background.image.pixels[i];
            if (correction.staticMode == StaticCorrection::Subtract) {
                // The mean level stays, so that the dynamic background can still divide.
                image.pixels[i] = static_cast<float>(image.pixels[i] - b + level);
            } else if (b > 0) {
                image.pixels[i] = static_cast<float>(image.pixels[i] / b * level);
            } else {
                if (mask.empty()) mask.assign(image.pixels.size(), 1);
                mask[i] = 0;
            }
        }
    }
    if (!mask.empty()) {
        if (image.valid.empty())
            image.valid = mask;
        else
            for (std::size_t i = 0; i < mask.size(); ++i) image.valid[i] &= mask[i];
    }
    return image;
}

namespace {

GreyImage toSide(const GreyImage& image, int side) {
    const int shorter = std::min(image.width, image.height);
    if (side >= shorter) return image;
    const double f = static_cast<double>(side) / shorter;
    return resampled(image, std::max(1, static_cast<int>(std::lround(image.width * f))),
                     std::max(1, static_cast<int>(std::lround(image.height * f))));
}

// The median of the valid pixels within `reach` pixels of each pixel (the pixel itself where
// none is valid).
GreyImage localMedian(const GreyImage& image, int reach) {
    GreyImage out = image;
    std::vector<float> values;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            values.clear();
            for (int v = std::max(0, y - reach); v <= std::min(image.height - 1, y + reach); ++v)
                for (int u = std::max(0, x - reach); u <= std::min(image.width - 1, x + reach); ++u)
                    if (image.isValid(u, v)) values.push_back(image.at(u, v));
            if (values.empty()) continue;
            const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
            std::nth_element(values.begin(), middle, values.end());
            out.pixels[out.index(x, y)] = *middle;
        }
    return out;
}

// A coarse image read bilinearly at the pixel centres of a width x height one spanning the same
// area.
GreyImage interpolated(const GreyImage& coarse, int width, int height) {
    GreyImage out;
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const auto at = [&](double c, int n) {
        const double u = std::clamp(c - 0.5, 0.0, n - 1.0);
        const int i = std::min(static_cast<int>(u), std::max(0, n - 2));
        return std::pair{i, u - i};
    };
    for (int y = 0; y < height; ++y) {
        const auto [j, ty] = at((y + 0.5) * coarse.height / height, coarse.height);
        const int j1 = std::min(j + 1, coarse.height - 1);
        for (int x = 0; x < width; ++x) {
            const auto [i, tx] = at((x + 0.5) * coarse.width / width, coarse.width);
            const int i1 = std::min(i + 1, coarse.width - 1);
            const double top = coarse.at(i, j) + tx * (coarse.at(i1, j) - coarse.at(i, j));
            const double bottom = coarse.at(i, j1) + tx * (coarse.at(i1, j1) - coarse.at(i, j1));
            out.pixels[out.index(x, y)] = static_cast<float>(top + ty * (bottom - top));
        }
    }
    return out;
}

// What the working image tells about every size: its local background (the median, worked out
// at half the size, where it costs a sixteenth) and the spots darker than it.
struct DynamicModel {
    GreyImage background;            // at the working size; empty: none
    std::vector<std::uint8_t> spots; // at the working size; empty: none
};

DynamicModel dynamicModel(const GreyImage& working, const BackgroundCorrection& c) {
    DynamicModel m;
    if (c.dynamicMode == DynamicCorrection::None || !(c.medianFraction > 0)) return m;
    const GreyImage half =
        working.width >= 32 && working.height >= 32 ? downsampled(working, 2) : working;
    const double scale = static_cast<double>(half.width) / working.width;
    const int reach =
        std::max(1, static_cast<int>(std::lround(0.5 * c.medianFraction *
                                                 std::min(working.width, working.height) * scale)));
    m.background = interpolated(localMedian(half, reach), working.width, working.height);
    if (!(c.outlierDeviations > 0)) return m;
    // The residual, lightly smoothed, against its own spread (the median absolute deviation).
    GreyImage residual = working;
    for (std::size_t i = 0; i < residual.pixels.size(); ++i) {
        const float b = m.background.pixels[i];
        residual.pixels[i] = b > 0 ? residual.pixels[i] / b - 1 : 0.0f;
    }
    const GreyImage smooth = gaussianBlurred(residual, 0.6);
    std::vector<float> deviations;
    for (std::size_t i = 0; i < smooth.pixels.size(); ++i)
        if (working.valid.empty() || working.valid[i])
            deviations.push_back(std::fabs(smooth.pixels[i]));
    if (deviations.empty()) return m;
    const double spread = 1.4826 * percentile(deviations, 0.5);
    const double limit = -c.outlierDeviations * spread;
    m.spots.assign(smooth.pixels.size(), 0);
    // Each spot with the pixels about it.
    for (int y = 0; y < smooth.height; ++y)
        for (int x = 0; x < smooth.width; ++x) {
            if (!(smooth.at(x, y) < limit) || !working.isValid(x, y)) continue;
            for (int v = std::max(0, y - 1); v <= std::min(smooth.height - 1, y + 1); ++v)
                for (int u = std::max(0, x - 1); u <= std::min(smooth.width - 1, x + 1); ++u)
                    m.spots[smooth.index(u, v)] = 1;
        }
    return m;
}

// The image (static-corrected, at its size) with the dynamic background taken out and
// normalised.
Result<GreyImage> dynamicCorrected(GreyImage image, const DynamicModel& model,
                                   const BackgroundCorrection& c) {
    const int w = image.width, h = image.height;
    if (image.valid.empty()) image.valid.assign(image.pixels.size(), 1);
    if (!model.spots.empty()) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int u = std::min(model.background.width - 1, x * model.background.width / w);
                const int v =
                    std::min(model.background.height - 1, y * model.background.height / h);
                if (model.spots[model.background.index(u, v)]) image.valid[image.index(x, y)] = 0;
            }
    }
    const bool divide = c.dynamicMode == DynamicCorrection::Divide;
    if (!model.background.empty()) {
        const GreyImage b = model.background.width == w && model.background.height == h
                                ? model.background
                                : interpolated(model.background, w, h);
        double mean = 0, count = 0;
        for (std::size_t i = 0; i < b.pixels.size(); ++i)
            if (image.valid[i]) mean += b.pixels[i], ++count;
        mean = count > 0 ? mean / count : 1.0;
        for (std::size_t i = 0; i < image.pixels.size(); ++i) {
            const double bi = b.pixels[i];
            if (!(bi > 0) || !(mean > 0)) {
                image.valid[i] = 0;
                continue;
            }
            // The residual relative to the background (divided) or to its mean (subtracted),
            // weighed by the counts' noise, about 1.
            double r = (image.pixels[i] - bi) / (divide ? bi : mean);
            if (c.whiten) r *= std::sqrt(bi / mean);
            image.pixels[i] = static_cast<float>(1 + r);
        }
    }
    if (c.dynamicMode != DynamicCorrection::None && c.dynamicSigmaFraction > 0) {
        const GreyImage blurred = gaussianBlurred(image, c.dynamicSigmaFraction * std::min(w, h));
        for (std::size_t i = 0; i < image.pixels.size(); ++i) {
            const float b = blurred.pixels[i];
            if (!divide)
                image.pixels[i] -= b;
            else if (b > 0)
                image.pixels[i] /= b;
            else
                image.valid[i] = 0;
        }
    }
    if (image.validCount() < image.pixels.size() / 10 || !normalise(image))
        return Problem{"The image holds no pattern: it has no contrast"};
    if (image.validCount() == image.pixels.size()) image.valid.clear();
    return image;
}

} // namespace

Result<PreparedPattern> preparePattern(const GreyImage& raw, const StaticBackground& background,
                                       const BackgroundCorrection& correction, bool withFine) {
    PreparedPattern p;
    p.width = raw.width;
    p.height = raw.height;
    p.highPassFraction =
        correction.dynamicMode == DynamicCorrection::None ? 0.0 : correction.dynamicSigmaFraction;
    if (!background.empty() && correction.staticMode != StaticCorrection::None &&
        (background.image.width != raw.width || background.image.height != raw.height))
        return Problem{"The static background is " +
                       sizeText(background.image.width, background.image.height) +
                       " pixels, the pattern " + sizeText(raw.width, raw.height)};
    // A large pattern is binned first: nothing reads more than kFineSide pixels of it.
    const GreyImage binned = binnedTowards(raw, kFineSide);
    StaticBackground binnedBackground;
    const StaticBackground* bg = &background;
    if (!background.empty() && binned.width != raw.width) {
        const Result<StaticBackground> b =
            staticBackgroundOf(binnedTowards(background.image, kFineSide), correction.maskFraction);
        if (!b) return b.failure();
        binnedBackground = *b;
        bg = &binnedBackground;
    }
    const GreyImage flat = staticCorrected(binned, *bg, correction);
    const GreyImage working = toSide(flat, kScoreSide);
    // A static background took the screen's own pattern out already.
    const bool haveStatic = !bg->empty() && correction.staticMode != StaticCorrection::None;
    const DynamicModel model = haveStatic ? DynamicModel{} : dynamicModel(working, correction);
    Result<GreyImage> corrected = dynamicCorrected(working, model, correction);
    if (!corrected) return corrected.failure();
    p.working = std::move(*corrected);
    const int shorter = std::min(flat.width, flat.height);
    if (withFine && shorter > kScoreSide) {
        Result<GreyImage> fine =
            dynamicCorrected(toSide(flat, std::min(shorter, kFineSide)), model, correction);
        if (!fine) return fine.failure();
        p.fine = std::move(*fine);
    }
    return p;
}

} // namespace tavrel::fit
