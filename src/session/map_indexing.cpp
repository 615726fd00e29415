#include "session/map_indexing.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace tavrel {

namespace {

// Patterns read at a time: a whole row where it fits in about 4 MB of floats.
std::int64_t chunkPatterns(const PatternFileHeader& header) {
    const std::int64_t bytes = header.pixelsPerPattern() * static_cast<std::int64_t>(sizeof(float));
    return std::clamp<std::int64_t>((std::int64_t{1} << 22) / std::max<std::int64_t>(bytes, 1), 1,
                                    header.columns);
}

// Two neighbours whose orientations lie this close (quaternion dot product: 1 degree apart)
// are one candidate.
constexpr double kSameOrientation = 0.99996192;

double quaternionDot(const MapPointResult& a, const MapPointResult& b) {
    double d = 0;
    for (std::size_t i = 0; i < 4; ++i) d += double{a.rotation[i]} * double{b.rotation[i]};
    return std::fabs(d);
}

// What the threads of one run share.
class MapRun {
public:
    MapRun(MapPatternSource& source, const MapGeometry& geometry, const MapRunOptions& options,
           int firstRow, int endRow)
        : source_(source), geometry_(geometry), options_(options), header_(source.header()),
          firstRow_(firstRow), endRow_(endRow), nextBand_(firstRow / kMapBandRows),
          endBand_((endRow + kMapBandRows - 1) / kMapBandRows), nextRow_(firstRow) {}

    int bandCount() const { return endBand_ - nextBand_.load(); }
    // Before the threads start: how many will work.
    void expect(int threads) { running_ = threads; }

    // One thread's work: the next band not taken, until none is left or the run stops.
    void work(PointMatcher& matcher, int window) {
        for (;;) {
            const int band = nextBand_++;
            if (band >= endBand_) break;
            {
                // No band runs far ahead of the row being handed on, so few rows wait.
                std::unique_lock lock(mutex_);
                handedOn_.wait(lock,
                               [&] { return stop_ || band < nextRow_ / kMapBandRows + window; });
                if (stop_) break;
            }
            if (!matchBand(matcher, band)) break;
        }
        const std::lock_guard lock(mutex_);
        --running_;
        finished_.notify_all();
    }

    // The calling thread's work: rows handed on in order as they are finished.
    MapRunSummary handOn(const MapSink& sink) {
        MapRunSummary summary;
        const std::int64_t total = std::int64_t{endRow_ - firstRow_} * header_.columns;
        double scoreSum = 0;
        std::unique_lock lock(mutex_);
        // With the lock held; asks without it.
        const auto askCancelled = [&] {
            if (stop_ || !options_.cancelled) return;
            lock.unlock();
            const bool cancel = options_.cancelled();
            lock.lock();
            if (cancel && !stop_) {
                stop_ = true;
                summary.cancelled = true;
                handedOn_.notify_all();
            }
        };
        for (;;) {
            const auto due = [&] { return running_ == 0 || (!stop_ && rows_.contains(nextRow_)); };
            if (options_.cancelled)
                finished_.wait_for(lock, std::chrono::milliseconds(50), due);
            else
                finished_.wait(lock, due);
            for (auto it = rows_.find(nextRow_); !stop_ && it != rows_.end();
                 it = rows_.find(nextRow_)) {
                std::vector<MapPointResult> row = std::move(it->second);
                rows_.erase(it);
                lock.unlock();
                for (const MapPointResult& p : row) {
                    if (!p.indexed()) continue;
                    ++summary.indexed;
                    summary.fromScratch += p.origin == MapPointOrigin::Indexed;
                    scoreSum += p.score;
                }
                Outcome taken = sink(std::int64_t{nextRow_} * header_.columns, row);
                lock.lock();
                if (!taken) {
                    fail(nextRow_, taken.failure());
                    break;
                }
                summary.points += header_.columns;
                ++nextRow_;
                handedOn_.notify_all();
                if (options_.progress) {
                    lock.unlock();
                    options_.progress(summary.points, total);
                    lock.lock();
                }
                askCancelled();
            }
            if (running_ == 0) break;
            askCancelled();
        }
        if (problem_) summary.problem = problem_->second;
        summary.meanScore = summary.indexed ? scoreSum / static_cast<double>(summary.indexed) : 0;
        return summary;
    }

private:
    // Rows of the band, each point matched from its neighbours in the band; false when the run
    // stopped.
    bool matchBand(PointMatcher& matcher, int band) {
        const int columns = header_.columns;
        const std::int64_t chunk = chunkPatterns(header_);
        const auto pixels = static_cast<std::size_t>(header_.pixelsPerPattern());
        std::vector<float> buffer(static_cast<std::size_t>(chunk) * pixels);
        std::vector<std::optional<StatedPatternCentre>> centres;
        fit::GreyImage image;
        image.width = header_.patternWidth;
        image.height = header_.patternHeight;
        std::vector<MapPointResult> above, row;
        const int endRow = std::min((band + 1) * kMapBandRows, endRow_);
        for (int r = band * kMapBandRows; r < endRow; ++r) {
            row.assign(static_cast<std::size_t>(columns), MapPointResult{});
            for (std::int64_t c0 = 0; c0 < columns; c0 += chunk) {
                const std::int64_t count = std::min<std::int64_t>(chunk, columns - c0);
                const std::int64_t first = std::int64_t{r} * columns + c0;
                if (!read(r, first, count, buffer, centres)) return false;
                for (std::int64_t i = 0; i < count; ++i) {
                    if (stopped()) return false;
                    const auto at = static_cast<std::size_t>(i) * pixels;
                    image.pixels.assign(buffer.begin() + static_cast<std::ptrdiff_t>(at),
                                        buffer.begin() + static_cast<std::ptrdiff_t>(at + pixels));
                    const auto c = static_cast<std::size_t>(c0 + i);
                    const Detector detector = geometry_.detectorAt(
                        first + i,
                        centres.empty() ? std::nullopt : centres[static_cast<std::size_t>(i)]);
                    row[c] = matchPoint(matcher, image, detector, row, above, c);
                }
            }
            if (r >= firstRow_) {
                const std::lock_guard lock(mutex_);
                rows_.emplace(r, row);
                finished_.notify_all();
            }
            above.swap(row);
        }
        return true;
    }

    bool read(int row, std::int64_t first, std::int64_t count, std::vector<float>& buffer,
              std::vector<std::optional<StatedPatternCentre>>& centres) {
        const std::lock_guard lock(sourceMutex_);
        const std::span<float> into(buffer.data(),
                                    static_cast<std::size_t>(count * header_.pixelsPerPattern()));
        Outcome read = source_.readPatterns(first, count, into);
        if (read && geometry_.readsFileCentres) {
            auto stated = source_.readPatternCentres(first, count);
            if (stated)
                centres = std::move(*stated);
            else
                read = stated.failure();
        }
        if (!read) {
            const std::lock_guard state(mutex_);
            fail(row, read.failure());
        }
        return read.ok();
    }

    MapPointResult matchPoint(PointMatcher& matcher, const fit::GreyImage& image,
                              const Detector& detector, const std::vector<MapPointResult>& row,
                              const std::vector<MapPointResult>& above, std::size_t c) const {
        MapPointResult result;
        const Result<double> quality = matcher.take(image, detector);
        if (!quality) return result;
        result.quality = static_cast<float>(*quality);
        if (!options_.indexing) return result;

        // The neighbours already matched: left, above, above left, above right.
        std::array<const MapPointResult*, 4> candidates{};
        std::size_t n = 0;
        auto consider = [&](const MapPointResult& p) {
            if (!p.indexed()) return;
            for (std::size_t k = 0; k < n; ++k)
                if (candidates[k]->phase == p.phase &&
                    quaternionDot(*candidates[k], p) > kSameOrientation)
                    return;
            candidates[n++] = &p;
        };
        if (c > 0) consider(row[c - 1]);
        if (!above.empty()) {
            consider(above[c]);
            if (c > 0) consider(above[c - 1]);
            if (c + 1 < above.size()) consider(above[c + 1]);
        }
        const MapPointResult* best = nullptr;
        double bestScore = 0;
        for (std::size_t k = 0; k < n; ++k) {
            const MapPointResult& p = *candidates[k];
            const double s = matcher.score(p.phase - 1, p.orientation());
            if (s >= options_.acceptFraction * p.reference && (!best || s > bestScore)) {
                best = &p;
                bestScore = s;
            }
        }
        MapSolution found;
        if (best) {
            found = matcher.refine({best->orientation(), best->phase - 1, bestScore, best->bands,
                                    best->deviation, best->confidence});
            result.origin = MapPointOrigin::Neighbour;
            result.reference = best->reference;
        } else {
            const Result<MapSolution> indexed = matcher.index();
            if (!indexed) return result;
            found = *indexed;
            result.origin = MapPointOrigin::Indexed;
            result.reference = static_cast<float>(found.score);
        }
        result.setOrientation(found.orientation);
        result.phase = static_cast<std::uint8_t>(std::clamp(found.phase + 1, 1, 255));
        result.score = static_cast<float>(found.score);
        result.bands = static_cast<std::uint8_t>(std::clamp(found.bands, 0, 255));
        result.deviation = static_cast<float>(found.deviation);
        result.confidence = static_cast<float>(found.confidence);
        return result;
    }

    // With the state's lock held: keeps the problem of the earliest row.
    void fail(int row, const Problem& problem) {
        if (!problem_ || row < problem_->first) problem_ = std::pair{row, problem};
        stop_ = true;
        handedOn_.notify_all();
    }

    bool stopped() const { return stop_; }

    MapPatternSource& source_;
    const MapGeometry& geometry_;
    const MapRunOptions& options_;
    const PatternFileHeader& header_;
    const int firstRow_, endRow_;
    std::atomic<int> nextBand_;
    const int endBand_;

    std::mutex sourceMutex_; // one read at a time, whichever thread asks
    std::mutex mutex_;       // everything below
    std::condition_variable finished_, handedOn_;
    std::map<int, std::vector<MapPointResult>> rows_; // finished, waiting to be handed on
    int nextRow_;
    int running_ = 0;
    // Set with the lock held (the waits see it), read without it between points.
    std::atomic<bool> stop_ = false;
    std::optional<std::pair<int, Problem>> problem_;
};

} // namespace

Mat3d MapPointResult::orientation() const {
    double w = rotation[0], x = rotation[1], y = rotation[2], z = rotation[3];
    const double n = std::sqrt(w * w + x * x + y * y + z * z);
    if (!(n > 0)) return kIdentity3d;
    w /= n, x /= n, y /= n, z /= n;
    return Mat3d{{{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
                  {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
                  {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}}};
}

void MapPointResult::setOrientation(const Mat3d& m) {
    // Shepperd: from the largest of w, x, y, z, whose square is never small.
    const double trace = m[0][0] + m[1][1] + m[2][2];
    std::array<double, 4> q{};
    if (trace >= m[0][0] && trace >= m[1][1] && trace >= m[2][2]) {
        const double s = 2 * std::sqrt(std::max(0.0, 1 + trace));
        q = {s / 4, (m[2][1] - m[1][2]) / s, (m[0][2] - m[2][0]) / s, (m[1][0] - m[0][1]) / s};
    } else if (m[0][0] >= m[1][1] && m[0][0] >= m[2][2]) {
        const double s = 2 * std::sqrt(std::max(0.0, 1 + m[0][0] - m[1][1] - m[2][2]));
        q = {(m[2][1] - m[1][2]) / s, s / 4, (m[0][1] + m[1][0]) / s, (m[0][2] + m[2][0]) / s};
    } else if (m[1][1] >= m[2][2]) {
        const double s = 2 * std::sqrt(std::max(0.0, 1 + m[1][1] - m[0][0] - m[2][2]));
        q = {(m[0][2] - m[2][0]) / s, (m[0][1] + m[1][0]) / s, s / 4, (m[1][2] + m[2][1]) / s};
    } else {
        const double s = 2 * std::sqrt(std::max(0.0, 1 + m[2][2] - m[0][0] - m[1][1]));
        q = {(m[1][0] - m[0][1]) / s, (m[0][2] + m[2][0]) / s, (m[1][2] + m[2][1]) / s, s / 4};
    }
    // One sign for one rotation, so that equal orientations are equal numbers.
    const double sign = q[0] < 0 ? -1.0 : 1.0;
    for (std::size_t i = 0; i < 4; ++i) rotation[i] = static_cast<float>(sign * q[i]);
}

MapRunSummary indexMap(MapPatternSource& source, const MapGeometry& geometry,
                       const PointMatcherFactory& matchers, const MapSink& sink,
                       const MapRunOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    const PatternFileHeader& header = source.header();
    const int endRow = options.endRow < 0 ? header.rows : options.endRow;
    if (options.firstRow < 0 || options.firstRow >= endRow || endRow > header.rows) {
        MapRunSummary refused;
        refused.problem = Problem{"rows " + std::to_string(options.firstRow) + " to " +
                                  std::to_string(endRow - 1) + " are not rows of a map of " +
                                  std::to_string(header.rows) + " rows"};
        return refused;
    }
    MapRun run(source, geometry, options, options.firstRow, endRow);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const int threads = std::clamp(options.threads > 0 ? options.threads : static_cast<int>(cores),
                                   1, run.bandCount());
    std::vector<std::unique_ptr<PointMatcher>> perThread;
    for (int t = 0; t < threads; ++t) perThread.push_back(matchers());
    MapRunSummary summary;
    run.expect(threads);
    {
        std::vector<std::jthread> pool;
        for (int t = 0; t < threads; ++t)
            pool.emplace_back(
                [&, t] { run.work(*perThread[static_cast<std::size_t>(t)], 2 * threads); });
        summary = run.handOn(sink);
    }
    summary.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return summary;
}

Result<std::vector<float>> meanPattern(MapPatternSource& source, const CancelCheck& cancelled) {
    const PatternFileHeader& header = source.header();
    const auto pixels = static_cast<std::size_t>(header.pixelsPerPattern());
    const std::int64_t chunk = chunkPatterns(header);
    std::vector<double> sums(pixels, 0.0);
    std::vector<float> buffer(static_cast<std::size_t>(chunk) * pixels);
    const std::int64_t total = header.patternCount();
    for (std::int64_t first = 0; first < total; first += chunk) {
        if (cancelled && cancelled()) return std::vector<float>{};
        const std::int64_t count = std::min(chunk, total - first);
        const std::span<float> into(buffer.data(), static_cast<std::size_t>(count) * pixels);
        if (Outcome read = source.readPatterns(first, count, into); !read) return read.failure();
        for (std::size_t k = 0; k < into.size(); ++k) sums[k % pixels] += into[k];
    }
    std::vector<float> mean(pixels);
    for (std::size_t p = 0; p < pixels; ++p)
        mean[p] = static_cast<float>(sums[p] / static_cast<double>(total));
    return mean;
}

Result<MapPointPattern> readMapPoint(MapPatternSource& source, const MapGeometry& geometry,
                                     std::int64_t point) {
    const PatternFileHeader& header = source.header();
    MapPointPattern read;
    read.pattern.width = header.patternWidth;
    read.pattern.height = header.patternHeight;
    read.pattern.pixels.resize(static_cast<std::size_t>(header.pixelsPerPattern()));
    if (Outcome got = source.readPatterns(point, 1, read.pattern.pixels); !got)
        return got.failure();
    std::optional<StatedPatternCentre> stated;
    if (geometry.readsFileCentres) {
        auto centres = source.readPatternCentres(point, 1);
        if (!centres) return centres.failure();
        stated = centres->front();
    }
    read.detector = geometry.detectorAt(point, stated);
    return read;
}

MapSink MapResults::sink() {
    return [this](std::int64_t first, std::span<const MapPointResult> given) -> Outcome {
        if (first < 0 || static_cast<std::size_t>(first) + given.size() > points.size())
            return Problem{"a result beyond the map"};
        std::copy(given.begin(), given.end(), points.begin() + first);
        return {};
    };
}

} // namespace tavrel
