#include "fit/grey_image.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace tavrel::fit {

namespace {

constexpr int kMinimumSide = 16;

// One box pass down the columns of a width x height image, sums only: prefix sums, then each
// window as a difference. A row at a time, so that the columns add side by side (a prefix sum
// along a line waits on each add).
void boxPassDown(std::vector<double>& values, int width, int height, int radius,
                 std::vector<double>& prefix) {
    const auto w = static_cast<std::size_t>(width);
    prefix.resize((static_cast<std::size_t>(height) + 1) * w);
    std::fill_n(prefix.begin(), w, 0.0);
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        const double* above = prefix.data() + y * w;
        const double* v = values.data() + y * w;
        double* p = prefix.data() + (y + 1) * w;
        for (std::size_t x = 0; x < w; ++x) p[x] = above[x] + v[x];
    }
    for (int y = 0; y < height; ++y) {
        const auto from = static_cast<std::size_t>(std::max(0, y - radius));
        const auto to = static_cast<std::size_t>(std::min(height, y + radius + 1));
        const double* a = prefix.data() + to * w;
        const double* b = prefix.data() + from * w;
        double* v = values.data() + static_cast<std::size_t>(y) * w;
        for (std::size_t x = 0; x < w; ++x) v[x] = a[x] - b[x];
    }
}

void transposeInto(const std::vector<double>& from, int width, int height,
                   std::vector<double>& to) {
    const auto w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
    to.resize(from.size());
    for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x) to[x * h + y] = from[y * w + x];
}

// Passes along the rows (down the columns of the transposed image), then down the columns.
void boxPasses(std::vector<double>& values, int width, int height, int radius, int passes) {
    std::vector<double> prefix, transposed;
    for (int p = 0; p < passes; ++p) {
        transposeInto(values, width, height, transposed);
        boxPassDown(transposed, height, width, radius, prefix);
        transposeInto(transposed, height, width, values);
        boxPassDown(values, width, height, radius, prefix);
    }
}

} // namespace

Result<GreyImage> greyImageFrom16Bit(std::span<const std::uint16_t> pixels, int width, int height,
                                     int stride) {
    if (width < kMinimumSide || height < kMinimumSide)
        return Problem{"The image is too small to fit: " + std::to_string(width) + " x " +
                       std::to_string(height) + " pixels"};
    if (stride == 0) stride = width;
    const auto needed = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height - 1) +
                        static_cast<std::size_t>(width);
    if (stride < width || pixels.size() < needed)
        return Problem{"The image's pixel buffer is smaller than its size"};
    GreyImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        for (int x = 0; x < width; ++x)
            image.pixels[image.index(x, y)] =
                static_cast<float>(pixels[row + static_cast<std::size_t>(x)]);
    }
    return image;
}

std::size_t GreyImage::validCount() const {
    if (valid.empty()) return pixels.size();
    return static_cast<std::size_t>(std::count(valid.begin(), valid.end(), std::uint8_t{1}));
}

GreyImage boxBlurred(const GreyImage& image, int radius, int passes) {
    GreyImage out = image;
    if (image.empty() || radius <= 0 || passes <= 0) return out;
    const std::size_t n = image.pixels.size();
    // Sums of the valid values over sums of the valid weights: the mean of what each window
    // reaches, however much of it lies outside the image or the valid region.
    std::vector<double> sums(n), weights(n);
    const bool allValid =
        std::all_of(image.valid.begin(), image.valid.end(), [](std::uint8_t v) { return v == 1; });
    for (std::size_t i = 0; i < n; ++i) {
        const double w = allValid ? 1.0 : image.valid[i];
        sums[i] = w * image.pixels[i];
        weights[i] = w;
    }
    boxPasses(sums, image.width, image.height, radius, passes);
    if (allValid) {
        // The weights of a whole image are the window's counts along a row times those down a
        // column: whole numbers, the same as the passes over the image give.
        std::vector<double> across(static_cast<std::size_t>(image.width), 1.0);
        std::vector<double> down(static_cast<std::size_t>(image.height), 1.0);
        boxPasses(across, image.width, 1, radius, passes);
        boxPasses(down, image.height, 1, radius, passes);
        for (std::size_t y = 0; y < down.size(); ++y)
            for (std::size_t x = 0; x < across.size(); ++x)
                weights[y * across.size() + x] = across[x] * down[y];
    } else {
        boxPasses(weights, image.width, image.height, radius, passes);
    }
    for (std::size_t i = 0; i < n; ++i)
        out.pixels[i] = weights[i] > 0 ? static_cast<float>(sums[i] / weights[i]) : 0.0f;
    return out;
}

GreyImage gaussianBlurred(const GreyImage& image, double sigma) {
    if (!(sigma > 0.3)) return image;
    // Three passes of half-width r have the variance of a Gaussian of r (r + 1).
    const int radius =
        std::max(1, static_cast<int>(std::lround((std::sqrt(1 + 4 * sigma * sigma) - 1) / 2)));
    return boxBlurred(image, radius, 3);
}

GreyImage flattenedBackground(const GreyImage& image, double blurFraction) {
    const double side = std::min(image.width, image.height);
    const GreyImage background = gaussianBlurred(image, std::max(2.0, blurFraction * side));
    GreyImage out = image;
    if (out.valid.empty()) out.valid.assign(out.pixels.size(), 1);
    bool allValid = true;
    for (std::size_t i = 0; i < out.pixels.size(); ++i) {
        const float b = background.pixels[i];
        if (out.valid[i] && b > 0 && std::isfinite(b)) {
            out.pixels[i] = image.pixels[i] / b - 1.0f;
        } else {
            out.valid[i] = 0;
            out.pixels[i] = 0;
            allValid = false;
        }
    }
    if (allValid) out.valid.clear();
    return out;
}

bool normalise(GreyImage& image) {
    double sum = 0, squares = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        if (!image.valid.empty() && !image.valid[i]) continue;
        sum += image.pixels[i];
        ++count;
    }
    const double mean = count ? sum / static_cast<double>(count) : 0.0;
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        if (!image.valid.empty() && !image.valid[i]) continue;
        const double d = image.pixels[i] - mean;
        squares += d * d;
    }
    const double deviation = count ? std::sqrt(squares / static_cast<double>(count)) : 0.0;
    // Rounding noise of a flat image is no contrast.
    const bool contrast = deviation > 1e-6 * std::max(1.0, std::fabs(mean));
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const bool valid = image.valid.empty() || image.valid[i];
        image.pixels[i] =
            valid && contrast ? static_cast<float>((image.pixels[i] - mean) / deviation) : 0.0f;
    }
    return contrast;
}

GreyImage downsampled(const GreyImage& image, int factor) {
    if (factor <= 1) return image;
    GreyImage out;
    out.width = image.width / factor;
    out.height = image.height / factor;
    out.pixels.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height),
                      0);
    if (!image.valid.empty()) out.valid.assign(out.pixels.size(), 0);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            double sum = 0;
            int count = 0;
            for (int j = 0; j < factor; ++j)
                for (int i = 0; i < factor; ++i) {
                    const int sx = x * factor + i, sy = y * factor + j;
                    if (!image.isValid(sx, sy)) continue;
                    sum += image.at(sx, sy);
                    ++count;
                }
            const std::size_t o = out.index(x, y);
            out.pixels[o] = count ? static_cast<float>(sum / count) : 0.0f;
            if (!out.valid.empty()) out.valid[o] = 2 * count >= factor * factor ? 1 : 0;
        }
    }
    return out;
}

namespace {

// The input cells [i, i + 1) that each output cell of an axis overlaps: the first one and the
// overlaps.
struct AxisWeights {
    std::vector<int> first;
    std::vector<std::vector<double>> weights;
};
AxisWeights axisWeights(int inSize, int outSize) {
    AxisWeights a;
    const double step = static_cast<double>(inSize) / outSize;
    for (int o = 0; o < outSize; ++o) {
        const double from = o * step, to = (o + 1) * step;
        const int i0 = static_cast<int>(std::floor(from));
        const int i1 = std::min(inSize, static_cast<int>(std::ceil(to)));
        std::vector<double> w;
        for (int i = i0; i < i1; ++i)
            w.push_back(std::min<double>(to, i + 1) - std::max<double>(from, i));
        a.first.push_back(i0);
        a.weights.push_back(std::move(w));
    }
    return a;
}

} // namespace

GreyImage resampled(const GreyImage& image, int width, int height) {
    if (width == image.width && height == image.height) return image;
    const AxisWeights ax = axisWeights(image.width, width), ay = axisWeights(image.height, height);
    GreyImage out;
    out.width = width;
    out.height = height;
    out.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0.0f);
    const bool masked = !image.valid.empty();
    if (masked) out.valid.assign(out.pixels.size(), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto& wy = ay.weights[static_cast<std::size_t>(y)];
            const auto& wx = ax.weights[static_cast<std::size_t>(x)];
            double sum = 0, weight = 0, area = 0;
            for (std::size_t j = 0; j < wy.size(); ++j)
                for (std::size_t i = 0; i < wx.size(); ++i) {
                    const int sx = ax.first[static_cast<std::size_t>(x)] + static_cast<int>(i);
                    const int sy = ay.first[static_cast<std::size_t>(y)] + static_cast<int>(j);
                    const double w = wx[i] * wy[j];
                    area += w;
                    if (!image.isValid(sx, sy)) continue;
                    sum += w * image.at(sx, sy);
                    weight += w;
                }
            const std::size_t o = out.index(x, y);
            out.pixels[o] = weight > 0 ? static_cast<float>(sum / weight) : 0.0f;
            if (masked) out.valid[o] = 2 * weight >= area ? 1 : 0;
        }
    return out;
}

} // namespace tavrel::fit
