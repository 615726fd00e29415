#include "fit/pattern_score.h"

#include "common/numeric.h"
#include "fit/simd.h"

#include <algorithm>
#include <cmath>

namespace tavrel::fit {

namespace {

// A cone line of an X-ray pattern is drawn this many pixels wide.
constexpr double kLinePixels = 1.5;

} // namespace

// The high-pass subtracts the low-pass LP x = N^-1 U B D P x: P keeps the valid pixels, D sums
// blocks of `factor` x `factor` pixels onto a coarse grid, B blurs the coarse grid (a Gaussian,
// zero beyond its edge), U interpolates it back bilinearly, and N = U B D P 1 makes it the mean
// of the valid pixels it reaches. Its image half is applied once: the correlation of the image
// I with the high-passed model, <I, M - LP M>, is <I - LP^T I, M>.
PatternScorer::Axis PatternScorer::axisOf(int pixels, int factor) {
    Axis a;
    a.nodes = (pixels + factor - 1) / factor;
    for (int i = 0; i < pixels; ++i) {
        a.block.push_back(i / factor);
        const double u = (i + 0.5) / factor - 0.5;
        int low = static_cast<int>(std::floor(u));
        double t = u - low;
        if (low < 0) low = 0, t = 0;
        if (low >= a.nodes - 1) low = a.nodes - 1, t = 0;
        a.low.push_back(low);
        a.along.push_back(static_cast<float>(t));
    }
    return a;
}

std::vector<double> PatternScorer::blurredCoarse(std::vector<double> coarse) const {
    const int nx = columns_.nodes, ny = rows_.nodes;
    const int reach = static_cast<int>(kernel_.size()) - 1;
    const double* k = kernel_.data();
    std::vector<double> pass(coarse.size(), 0.0);
    // Along the rows, then along the columns; beyond the grid's edge there is nothing.
    for (int y = 0; y < ny; ++y) {
        const double* in =
            coarse.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(nx);
        double* out = pass.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(nx);
        for (int x = 0; x < nx; ++x) {
            const int from = std::max(-reach, -x), to = std::min(reach, nx - 1 - x);
            double s = 0;
            for (int d = from; d <= to; ++d) s += k[d < 0 ? -d : d] * in[x + d];
            out[x] = s;
        }
    }
    for (int y = 0; y < ny; ++y) {
        const int from = std::max(-reach, -y), to = std::min(reach, ny - 1 - y);
        double* out = coarse.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(nx);
        for (int x = 0; x < nx; ++x) out[x] = 0;
        for (int d = from; d <= to; ++d) {
            const double w = k[d < 0 ? -d : d];
            const double* in =
                pass.data() + static_cast<std::size_t>(y + d) * static_cast<std::size_t>(nx);
            for (int x = 0; x < nx; ++x) out[x] += w * in[x];
        }
    }
    return coarse;
}

// U: the coarse grid interpolated onto the pixels.
void PatternScorer::lowPassUp(const std::vector<double>& coarse, std::vector<float>& fine) const {
    const int w = grid_.width(), h = grid_.height(), nx = columns_.nodes;
    const auto stride = static_cast<std::size_t>(grid_.stride());
    std::vector<double> row(static_cast<std::size_t>(nx));
    fine.assign(grid_.size(), 0.0f);
    for (int j = 0; j < h; ++j) {
        const auto y = static_cast<std::size_t>(j);
        const auto low = static_cast<std::size_t>(rows_.low[y]);
        const double t = rows_.along[y];
        for (std::size_t p = 0; p < row.size(); ++p) {
            const double a = coarse[low * row.size() + p];
            row[p] = t > 0 ? a + t * (coarse[(low + 1) * row.size() + p] - a) : a;
        }
        for (int i = 0; i < w; ++i) {
            const auto x = static_cast<std::size_t>(i);
            const auto p = static_cast<std::size_t>(columns_.low[x]);
            const double t2 = columns_.along[x];
            const double v = t2 > 0 ? row[p] + t2 * (row[p + 1] - row[p]) : row[p];
            fine[y * stride + x] = static_cast<float>(v);
        }
    }
}

PatternScorer::PatternScorer(const GreyImage& corrected, const Detector& detector,
                             std::span<const Band> bands, const ScoreOptions& options)
    : PatternScorer(corrected, PixelGrid(detector, corrected.width, corrected.height), bands,
                    options) {}

PatternScorer::PatternScorer(const GreyImage& corrected, const PixelGrid& grid,
                             std::span<const Band> bands, const ScoreOptions& options)
    : options_(options),
      grid_(grid.width() == corrected.width && grid.height() == corrected.height
                ? grid
                : PixelGrid(grid.detector(), corrected.width, corrected.height)) {
    for (const Band& b : bands) {
        if (!(b.weight > 0)) continue;
        normals_.push_back(b.normal);
        weights_.push_back(b.weight);
        sines_.push_back(std::min(1.0, b.sinTheta));
    }
    smoothing_ = options.smoothingDegrees * kDegToRad / grid_.pixelAngle();
    prepareBands(grid_, bands_, edge_);

    const GreyImage image = smoothing_ > 0.3 ? gaussianBlurred(corrected, smoothing_) : corrected;
    const int w = image.width, h = image.height;
    const auto stride = static_cast<std::size_t>(grid_.stride());
    mask_.assign(grid_.size(), 0.0f);
    image_.assign(grid_.size(), 0.0f);
    double sum = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!image.isValid(x, y)) continue;
            const std::size_t i =
                static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x);
            mask_[i] = 1;
            image_[i] = image.at(x, y);
            sum += image_[i];
            ++validCount_;
        }
    const double mean = validCount_ > 0 ? sum / validCount_ : 0.0;
    for (std::size_t i = 0; i < image_.size(); ++i) {
        image_[i] = mask_[i] * static_cast<float>(image_[i] - mean);
        imageSquares_ += static_cast<double>(image_[i]) * image_[i];
    }
    model_.assign(grid_.size(), 0.0f);
    if (!(options.highPassFraction > 0)) return;

    const double sigma = options.highPassFraction * std::min(w, h);
    const int factor = std::max(1, static_cast<int>(std::lround(sigma)));
    columns_ = axisOf(w, factor);
    rows_ = axisOf(h, factor);
    // The coarse blur's spread, so that with the block sum and the interpolation (variances
    // f^2 / 12 and f^2 / 6) the low-pass spreads as a Gaussian of sigma.
    const double coarseSigma = std::sqrt(std::max(0.25, sigma * sigma / (factor * factor) - 0.25));
    const int reach = static_cast<int>(std::ceil(3 * coarseSigma));
    for (int d = 0; d <= reach; ++d)
        kernel_.push_back(std::exp(-0.5 * d * d / (coarseSigma * coarseSigma)));
    const std::size_t coarseSize =
        static_cast<std::size_t>(columns_.nodes) * static_cast<std::size_t>(rows_.nodes);
    const auto nx = static_cast<std::size_t>(columns_.nodes);

    // N = U B D P 1, and the image's half of the high-pass, I - D^T B U^T N^-1 I.
    std::vector<double> coarse(coarseSize, 0.0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            coarse[static_cast<std::size_t>(rows_.block[static_cast<std::size_t>(y)]) * nx +
                   static_cast<std::size_t>(columns_.block[static_cast<std::size_t>(x)])] +=
                mask_[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)];
    lowPassUp(blurredCoarse(std::move(coarse)), inverseNorm_);
    for (std::size_t i = 0; i < inverseNorm_.size(); ++i)
        inverseNorm_[i] = mask_[i] > 0 && inverseNorm_[i] > 0 ? 1 / inverseNorm_[i] : 0.0f;

    std::vector<double> spread(coarseSize, 0.0); // U^T N^-1 I
    for (int y = 0; y < h; ++y) {
        const auto yy = static_cast<std::size_t>(y);
        const auto q = static_cast<std::size_t>(rows_.low[yy]);
        const double ty = rows_.along[yy];
        for (int x = 0; x < w; ++x) {
            const auto xx = static_cast<std::size_t>(x);
            const std::size_t i = yy * stride + xx;
            const double v = static_cast<double>(inverseNorm_[i]) * image_[i];
            if (v == 0) continue;
            const auto p = static_cast<std::size_t>(columns_.low[xx]);
            const double tx = columns_.along[xx];
            spread[q * nx + p] += (1 - tx) * (1 - ty) * v;
            if (tx > 0) spread[q * nx + p + 1] += tx * (1 - ty) * v;
            if (ty > 0) {
                spread[(q + 1) * nx + p] += (1 - tx) * ty * v;
                if (tx > 0) spread[(q + 1) * nx + p + 1] += tx * ty * v;
            }
        }
    }
    const std::vector<double> back = blurredCoarse(std::move(spread));
    std::vector<float> highPassed(grid_.size(), 0.0f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t i =
                static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x);
            if (mask_[i] == 0) continue;
            const double lp =
                back[static_cast<std::size_t>(rows_.block[static_cast<std::size_t>(y)]) * nx +
                     static_cast<std::size_t>(columns_.block[static_cast<std::size_t>(x)])];
            highPassed[i] = static_cast<float>(image_[i] - lp);
        }
    image_ = std::move(highPassed);
    coarse_.assign(coarseSize, 0.0);
    columnSums_.assign(static_cast<std::size_t>(rows_.nodes) * stride, 0.0f);
    expanded_.assign(static_cast<std::size_t>(rows_.nodes) * stride, 0.0f);
}

void PatternScorer::prepareBands(const PixelGrid& grid, std::vector<ModelBand>& bands,
                                 double& edge) const {
    const BandProfile& p = options_.profile;
    // A ramp of width e spreads like a Gaussian of e / sqrt(12).
    const double soft = p.edgeDegrees * kDegToRad / grid.pixelAngle();
    const double edgePixels =
        std::sqrt(p.edgePixels * p.edgePixels + soft * soft + 12 * smoothing_ * smoothing_);
    const bool lines = p.kind == LineProfile::ConeLines;
    edge = (lines ? std::hypot(kLinePixels, edgePixels) : edgePixels) * grid.pixelAngle();
    bands.clear();
    for (std::size_t i = 0; i < sines_.size(); ++i) {
        const double height = std::pow(weights_[i], p.strengthExponent);
        if (lines)
            bands.push_back({height, sines_[i], 0.5 * edge});
        else
            bands.push_back({height, 0, std::sin(p.widthScale * std::asin(sines_[i]))});
    }
}

double PatternScorer::correlate(const PixelGrid& grid, std::span<const ModelBand> bands,
                                double edge, const Mat3d& orientation) const {
    ++evaluations_;
    if (!(imageSquares_ > 0) || bands.empty()) return 0;
    turned_.resize(normals_.size());
    for (std::size_t i = 0; i < normals_.size(); ++i)
        turned_[i] = toView(orientation, normals_[i]).v;
    std::fill(model_.begin(), model_.end(), 0.0f);
    grid.render(bands, turned_, edge, model_.data(), transposed_);
    const double cross = simd::dotProduct(image_.data(), model_.data(), model_.size());

    const int w = grid.width(), h = grid.height();
    const auto stride = static_cast<std::size_t>(grid.stride());
    double sumX = 0, sumXX = 0;
    if (kernel_.empty()) {
        for (std::size_t i = 0; i < model_.size(); ++i) model_[i] *= mask_[i];
        sumX = simd::dotProduct(mask_.data(), model_.data(), model_.size());
        sumXX = simd::dotProduct(model_.data(), model_.data(), model_.size());
    } else {
        // D P M: block sums of the valid pixels, first down the columns (whole vectors).
        using simd::Floats;
        const auto nx = static_cast<std::size_t>(columns_.nodes);
        const auto ny = static_cast<std::size_t>(rows_.nodes);
        std::fill(columnSums_.begin(), columnSums_.end(), 0.0f);
        for (int y = 0; y < h; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * stride;
            float* c = columnSums_.data() +
                       static_cast<std::size_t>(rows_.block[static_cast<std::size_t>(y)]) * stride;
            for (std::size_t x = 0; x < stride; x += simd::kLanes)
                simd::store(c + x, simd::load(c + x) + simd::load(model_.data() + row + x) *
                                                           simd::load(mask_.data() + row + x));
        }
        std::fill(coarse_.begin(), coarse_.end(), 0.0);
        for (std::size_t q = 0; q < ny; ++q)
            for (int x = 0; x < w; ++x)
                coarse_[q * nx +
                        static_cast<std::size_t>(columns_.block[static_cast<std::size_t>(x)])] +=
                    columnSums_[q * stride + static_cast<std::size_t>(x)];
        blurred_ = blurredCoarse(coarse_);
        // U: along the rows of the coarse grid first, then between its rows (whole vectors).
        for (std::size_t q = 0; q < ny; ++q) {
            const double* c = blurred_.data() + q * nx;
            float* e = expanded_.data() + q * stride;
            for (int x = 0; x < w; ++x) {
                const auto xx = static_cast<std::size_t>(x);
                const auto p = static_cast<std::size_t>(columns_.low[xx]);
                const double t = columns_.along[xx];
                e[xx] = static_cast<float>(t > 0 ? c[p] + t * (c[p + 1] - c[p]) : c[p]);
            }
        }
        // X = P (M - N^-1 U B D P M), summed as it is made.
        Floats sx{}, sxx{};
        for (int y = 0; y < h; ++y) {
            const auto yy = static_cast<std::size_t>(y);
            const std::size_t row = yy * stride;
            const float* lo = expanded_.data() + static_cast<std::size_t>(rows_.low[yy]) * stride;
            const float t = rows_.along[yy];
            const float* hi = t > 0 ? lo + stride : lo;
            const Floats tv = simd::splat(t);
            for (std::size_t x = 0; x < stride; x += simd::kLanes) {
                const Floats a = simd::load(lo + x);
                const Floats up = a + tv * (simd::load(hi + x) - a);
                const Floats v =
                    simd::load(mask_.data() + row + x) * simd::load(model_.data() + row + x) -
                    simd::load(inverseNorm_.data() + row + x) * up;
                sx += v;
                sxx += v * v;
            }
        }
        sumX = simd::sum(sx);
        sumXX = simd::sum(sxx);
    }
    const double variance = sumXX - sumX * sumX / validCount_;
    if (!(variance > 1e-12)) return 0;
    return cross / std::sqrt(variance * imageSquares_);
}

double PatternScorer::correlation(const Mat3d& orientation) const {
    return correlate(grid_, bands_, edge_, orientation);
}

double PatternScorer::correlation(const Mat3d& orientation, const Detector& detector) const {
    if (detector == grid_.detector()) return correlation(orientation);
    if (!(otherGrid_.detector() == detector) || otherGrid_.width() != grid_.width()) {
        otherGrid_ = PixelGrid(detector, grid_.width(), grid_.height());
        prepareBands(otherGrid_, otherBands_, otherEdge_);
    }
    return correlate(otherGrid_, otherBands_, otherEdge_, orientation);
}

void PatternScorer::setProfile(const BandProfile& profile) {
    options_.profile = profile;
    prepareBands(grid_, bands_, edge_);
    otherGrid_ = PixelGrid();
}

double PatternScorer::score(const Mat3d& orientation) const {
    return std::clamp(correlation(orientation), 0.0, 1.0);
}

const PatternScorer& ScorerCache::scorer(const GreyImage& image, const Detector& detector,
                                         std::span<const Band> bands, const ScoreOptions& options) {
    for (const Entry& e : entries_)
        if (e.image == &image && e.bands == bands.data() && e.bandCount == bands.size() &&
            e.options == options && e.detector == detector)
            return *e.scorer;
    auto grid = std::find_if(grids_.begin(), grids_.end(), [&](const PixelGrid& g) {
        return g.width() == image.width && g.height() == image.height && g.detector() == detector;
    });
    if (grid == grids_.end())
        grid = grids_.insert(grids_.end(), PixelGrid(detector, image.width, image.height));
    entries_.push_back({&image, detector, bands.data(), bands.size(), options,
                        std::make_unique<PatternScorer>(image, *grid, bands, options)});
    return *entries_.back().scorer;
}

} // namespace tavrel::fit
