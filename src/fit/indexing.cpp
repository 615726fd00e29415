#include "fit/indexing.h"

#include "common/numeric.h"
#include "detector/film_mapping.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tavrel::fit {

namespace {

// After the smoothed stages, starts scoring below this fraction of the best are not refined
// further.
constexpr double kCloseRival = 0.8;
// Below this a solution may be a wrong crystal's at any orientation.
constexpr double kDoubtfulScore = 0.2;

struct FamilyNormal {
    Vec3d n{};
    bool representative = false; // the first normal of its family
};

bool knownNormal(const std::vector<FamilyNormal>& list, const Vec3d& n) {
    const double parallel = std::cos(0.1 * kDegToRad);
    return std::any_of(list.begin(), list.end(),
                       [&](const FamilyNormal& f) { return std::fabs(dot(f.n, n)) > parallel; });
}

// The unit normals of the strongest families, one per plane (a higher order of a plane already
// taken adds nothing), each family's first marked.
std::vector<FamilyNormal> familyNormals(const IndexSetup& setup, const IndexOptions& options) {
    std::vector<std::size_t> order(setup.bands.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const Band &p = setup.bands[a], &q = setup.bands[b];
        if (p.weight != q.weight) return p.weight > q.weight;
        return p.sinTheta < q.sinTheta;
    });
    std::vector<FamilyNormal> normals;
    int families = 0;
    for (const std::size_t index : order) {
        if (families >= options.maxFamilies ||
            (families >= options.minFamilies &&
             static_cast<int>(normals.size()) >= options.minNormals))
            break;
        const Vec3d& normal = setup.bands[index].normal.v;
        if (knownNormal(normals, normal)) continue;
        std::vector<FamilyNormal> orbit;
        for (const Mat3d& s : setup.symmetry) {
            const Vec3d n = normalized(s * normal);
            if (!knownNormal(orbit, n)) orbit.push_back({n, orbit.empty()});
        }
        if (orbit.empty()) orbit.push_back({normal, true});
        normals.insert(normals.end(), orbit.begin(), orbit.end());
        ++families;
    }
    return normals;
}

// The rotation carrying a onto p and, as near as it goes, b onto q (the triad method).
Mat3d triad(const Vec3d& a, const Vec3d& b, const Vec3d& p, const Vec3d& q) {
    const Vec3d a2 = normalized(cross(a, b)), p2 = normalized(cross(p, q));
    const Vec3d a3 = cross(a, a2), p3 = cross(p, p2);
    Mat3d r{};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) r[i][j] = p[i] * a[j] + p2[i] * a2[j] + p3[i] * a3[j];
    return r;
}

struct Explained {
    int count = 0;
    double deviation = 0; // mean, radians
};

// How many detected bands lie within the tolerance of a turned normal, their mean angle from
// it, and (when asked) the pairs for a fitted rotation.
Explained explain(const Mat3d& m, std::span<const Vec3d> normals,
                  const std::vector<DetectedBand>& detected, double tolerance,
                  std::vector<LatticeVector>* from = nullptr,
                  std::vector<ViewVector>* to = nullptr) {
    Explained e;
    const double cosTolerance = std::cos(tolerance);
    double sum = 0;
    // Proposals are explained by the thousand: each normal is turned once, not once per band.
    std::vector<Vec3d> turned(normals.size());
    for (std::size_t i = 0; i < normals.size(); ++i) turned[i] = m * normals[i];
    for (const DetectedBand& d : detected) {
        double best = -1, sign = 1;
        const Vec3d* match = nullptr;
        for (std::size_t i = 0; i < normals.size(); ++i) {
            const double c = dot(turned[i], d.normal.v);
            if (std::fabs(c) > best)
                best = std::fabs(c), sign = c < 0 ? -1 : 1, match = &normals[i];
        }
        if (best < cosTolerance || !match) continue;
        ++e.count;
        sum += std::acos(std::min(1.0, best));
        if (from) from->push_back(LatticeVector(sign * *match)), to->push_back(d.normal);
    }
    e.deviation = e.count ? sum / e.count : 0;
    return e;
}

std::vector<Vec3d> plainNormals(const std::vector<FamilyNormal>& normals) {
    std::vector<Vec3d> plain;
    for (const FamilyNormal& f : normals) plain.push_back(f.n);
    return plain;
}

std::vector<Vec3d> bandNormals(const IndexSetup& setup) {
    std::vector<Vec3d> normals;
    for (const Band& b : setup.bands) normals.push_back(b.normal.v);
    return normals;
}

bool repeats(const std::vector<FoundOrientation>& list, const Mat3d& m, const IndexSetup& setup,
             double distinct) {
    return std::any_of(list.begin(), list.end(), [&](const FoundOrientation& f) {
        return misorientationDegrees(m, f.fit.orientation, setup.symmetry) < distinct;
    });
}

// Each rival scored at each solution's orientation, and refined there where it comes near the
// best solution's score: a wrong crystal's solutions include the orientation where its bands lie
// on the pattern's, where the pattern's own lattice explains it better.
void checkRivals(const PreparedPattern& pattern, const IndexSetup& setup,
                 const IndexOptions& options, ScorerCache& scorers, IndexResult& out) {
    const double best = out.score();
    if (!(best > 0)) return;
    // A solution that scores little may be a wrong crystal's anywhere: each rival is then
    // indexed as a crystal of its own.
    if (options.indexRivals && best < kDoubtfulScore) {
        IndexOptions quick = options;
        quick.finalStage = false;
        for (const Rival& rival : setup.rivals) {
            IndexSetup r = setup;
            r.bands = rival.bands;
            r.rivals.clear();
            const IndexResult indexed = indexPattern(pattern, r, quick);
            out.evaluations += indexed.evaluations;
            if (indexed.score() > best + options.rivalMargin && indexed.score() > out.rivalScore) {
                out.betterRival = rival.name;
                out.rivalScore = indexed.score();
            }
        }
    }
    ScoreOptions so;
    so.profile.kind = setup.profile;
    so.highPassFraction = pattern.highPassFraction;
    RefineOptions near;
    near.stagesDegrees = {0.7, 0.0};
    near.startStepDegrees = 0.7;
    near.maxEvaluationsPerStage = 20;
    near.tolerance = 0.1;
    near.extraStartsDegrees = 0;
    near.fineStage = false;
    near.profile.kind = setup.profile;
    near.scorers = &scorers;
    for (const Rival& rival : setup.rivals) {
        const PatternScorer& scorer =
            scorers.scorer(pattern.working, setup.detector, rival.bands, so);
        for (const FoundOrientation& s : out.solutions) {
            double score = scorer.score(s.fit.orientation);
            ++out.evaluations;
            if (score < kCloseRival * best) continue;
            const RefineResult r = refineOrientation(pattern, rival.bands, s.fit, near);
            out.evaluations += r.evaluations;
            score = std::max(score, r.fit.score);
            if (score > best + options.rivalMargin && score > out.rivalScore) {
                out.betterRival = rival.name;
                out.rivalScore = score;
            }
        }
    }
}

} // namespace

IndexResult indexPattern(const PreparedPattern& pattern, const IndexSetup& setup,
                         const IndexOptions& options) {
    IndexResult out;
    out.detected = detectBands(pattern.working, setup.detector, options.detection);
    for (const DetectedBand& d : out.detected) out.quality += d.strength;
    if (!out.detected.empty()) out.quality /= static_cast<double>(out.detected.size());
    if (out.detected.size() < 3 || setup.bands.empty()) return out;

    const std::vector<FamilyNormal> families = familyNormals(setup, options);
    const std::vector<Vec3d> normals = plainNormals(families);
    const double tolerance = options.toleranceDegrees * kDegToRad;
    struct Proposal {
        Mat3d orientation{};
        Explained explained;
    };
    std::vector<Proposal> proposals;
    const std::size_t nd = out.detected.size();
    for (std::size_t i = 0; i < nd; ++i)
        for (std::size_t j = i + 1; j < nd; ++j) {
            const Vec3d &ni = out.detected[i].normal.v, &nj = out.detected[j].normal.v;
            const double angle = std::acos(std::clamp(dot(ni, nj), -1.0, 1.0));
            const double folded = std::min(angle, kPi - angle);
            // Two findings of nearly one line say nothing about the turn between them.
            if (folded < 2 * tolerance) continue;
            for (const FamilyNormal& p : families) {
                if (!p.representative) continue;
                for (const FamilyNormal& q : families) {
                    const double c = dot(p.n, q.n);
                    const double a = std::acos(std::min(1.0, std::fabs(c)));
                    if (std::fabs(a - folded) > tolerance) continue;
                    // q's sign that gives the detected pair's signed angle.
                    const double sign = (c < 0) == (angle < kPi / 2) ? -1.0 : 1.0;
                    // The detected normals' signs mean nothing: both pairings, which differ by
                    // a half turn about the normal of the pair's plane.
                    for (const double s : {1.0, -1.0}) {
                        const Mat3d m = triad(p.n, sign * q.n, s * ni, s * nj);
                        const Explained e = explain(m, normals, out.detected, tolerance);
                        if (e.count >= options.minimumExplained) proposals.push_back({m, e});
                    }
                }
            }
        }
    std::stable_sort(proposals.begin(), proposals.end(), [](const Proposal& a, const Proposal& b) {
        if (a.explained.count != b.explained.count) return a.explained.count > b.explained.count;
        return a.explained.deviation < b.explained.deviation;
    });

    // The best distinct proposals, each fitted to every band it explains.
    std::vector<FoundOrientation> starts;
    for (const Proposal& p : proposals) {
        if (static_cast<int>(starts.size()) >= options.candidates) break;
        if (repeats(starts, p.orientation, setup, options.distinctDegrees)) continue;
        std::vector<LatticeVector> from;
        std::vector<ViewVector> to;
        explain(p.orientation, normals, out.detected, tolerance, &from, &to);
        FoundOrientation c;
        c.fit.orientation = from.size() >= 2 ? bestRotation(from, to) : p.orientation;
        c.fit.detector = setup.detector;
        starts.push_back(c);
    }
    if (starts.empty()) return out;

    // The candidates' refinements share their scorers, and the rivals theirs.
    ScorerCache scorers;
    // Screening: each start scored once on the score smoothed as the refinement's first stage.
    {
        ScoreOptions so;
        so.highPassFraction = pattern.highPassFraction;
        so.profile.kind = setup.profile;
        so.smoothingDegrees =
            options.refine.stagesDegrees.empty() ? 0.0 : options.refine.stagesDegrees.front();
        const PatternScorer& screen =
            scorers.scorer(pattern.working, setup.detector, setup.bands, so);
        for (FoundOrientation& c : starts) c.fit.score = screen.correlation(c.fit.orientation);
        out.evaluations += static_cast<int>(starts.size());
        std::stable_sort(starts.begin(), starts.end(),
                         [](const FoundOrientation& a, const FoundOrientation& b) {
                             return a.fit.score > b.fit.score;
                         });
        starts.resize(
            std::min(starts.size(), static_cast<std::size_t>(std::max(1, options.refined))));
    }
    const double workingPixelDegrees =
        FilmMapping(setup.detector, pattern.working.width, pattern.working.height).pixelAngle() /
        kDegToRad;
    RefineOptions refine = options.refine;
    refine.profile.kind = setup.profile;
    refine.cancelled = options.cancelled;
    refine.scorers = &scorers;
    if (options.refined == 0) {
        starts.front().fit.score =
            calibratedScore(pattern, setup.detector, setup.bands, starts.front().fit.orientation,
                            setup.profile, scorers);
    } else {
        // All but the last stage for every start; the last one only for those that come close to
        // the best, which a rival that far behind could not overtake.
        RefineOptions first = refine, last = refine;
        const std::size_t stages = refine.stagesDegrees.size();
        if (stages > 1) {
            first.stagesDegrees.pop_back();
            last.stagesDegrees = {refine.stagesDegrees.back()};
            const double pixel = workingPixelDegrees;
            last.startStepDegrees = std::max(refine.stagesDegrees[stages - 2] / 3, 0.2 * pixel);
            last.extraStartsDegrees = 0;
        }
        for (FoundOrientation& c : starts) {
            const RefineResult r = refineOrientation(pattern, setup.bands, c.fit, first);
            c.fit = r.fit;
            out.evaluations += r.evaluations;
            out.cancelled = out.cancelled || r.cancelled;
        }
        if (stages > 1) {
            double leading = 0;
            for (const FoundOrientation& c : starts) leading = std::max(leading, c.fit.score);
            const auto close = [&](const FoundOrientation& c) {
                return c.fit.score >= kCloseRival * leading;
            };
            // With no rival close, the last stage would only repeat on the leader what the final
            // stage does on the same image (where the pattern is no finer than the working
            // size; on a finer one the cheap last stage saves the final stage evaluations).
            const bool finalOnly = options.finalStage && pattern.fine.empty() &&
                                   std::count_if(starts.begin(), starts.end(), close) == 1;
            for (FoundOrientation& c : starts) {
                if (finalOnly || !close(c) || out.cancelled) continue;
                const RefineResult r = refineOrientation(pattern, setup.bands, c.fit, last);
                c.fit = r.fit;
                out.evaluations += r.evaluations;
                out.cancelled = out.cancelled || r.cancelled;
            }
        }
    }
    std::stable_sort(starts.begin(), starts.end(),
                     [](const FoundOrientation& a, const FoundOrientation& b) {
                         return a.fit.score > b.fit.score;
                     });
    for (const FoundOrientation& c : starts)
        if (!repeats(out.solutions, c.fit.orientation, setup, options.distinctDegrees))
            out.solutions.push_back(c);

    // The best solution once more on the pattern at its finest, with the band profile the
    // pattern's bands have.
    if (options.finalStage && options.refined > 0 && !out.cancelled) {
        RefineOptions final = refine;
        if (options.fitProfile) {
            const PreparedPattern* one[] = {&pattern};
            final.profile = fitProfile(one, {&setup.detector, 1}, setup.bands,
                                       {&out.solutions.front().fit.orientation, 1}, refine.profile);
        }
        final.stagesDegrees.clear();
        if (pattern.fine.empty()) final.stagesDegrees.push_back(0.0);
        final.fineStage = true;
        final.extraStartsDegrees = 0;
        final.startStepDegrees = 0.2 * workingPixelDegrees;
        final.maxEvaluationsPerStage = options.finalEvaluations;
        final.tolerance = 0.05;
        const RefineResult r =
            refineOrientation(pattern, setup.bands, out.solutions.front().fit, final);
        out.solutions.front().fit = r.fit;
        out.evaluations += r.evaluations;
        std::stable_sort(out.solutions.begin(), out.solutions.end(),
                         [](const FoundOrientation& a, const FoundOrientation& b) {
                             return a.fit.score > b.fit.score;
                         });
    }
    for (FoundOrientation& s : out.solutions)
        s = bandAgreement(out.detected, s.fit, setup, options);
    const double best = out.score();
    const double second =
        out.solutions.size() > 1 ? std::max(0.0, out.solutions[1].fit.score) : 0.0;
    out.confidence = best > 0 ? (best - second) / best : 0;
    if (!out.cancelled) checkRivals(pattern, setup, options, scorers, out);
    return out;
}

std::vector<Mat3d> orientationGrid(std::span<const Mat3d> symmetry, double stepDegrees) {
    const double step = stepDegrees * kDegToRad;
    // The orientations fill 8 pi^2 (the volume of SO(3)); a cell of the cover is step^3.
    const auto total = static_cast<std::size_t>(std::ceil(8 * kPi * kPi / (step * step * step)));
    // Halton numbers in bases 2, 3 and 5 through Shoemake's uniform unit quaternion.
    const auto halton = [](std::size_t i, std::size_t base) {
        double f = 1, r = 0;
        for (; i > 0; i /= base) {
            f /= static_cast<double>(base);
            r += f * static_cast<double>(i % base);
        }
        return r;
    };
    std::vector<Mat3d> grid;
    for (std::size_t i = 1; i <= total; ++i) {
        const double u1 = halton(i, 2), u2 = halton(i, 3), u3 = halton(i, 5);
        const double a = std::sqrt(1 - u1), b = std::sqrt(u1);
        const double w = a * std::sin(2 * kPi * u2), x = a * std::cos(2 * kPi * u2);
        const double y = b * std::sin(2 * kPi * u3), z = b * std::cos(2 * kPi * u3);
        const Mat3d m{{{w * w + x * x - y * y - z * z, 2 * (x * y - w * z), 2 * (x * z + w * y)},
                       {2 * (x * y + w * z), w * w - x * x + y * y - z * z, 2 * (y * z - w * x)},
                       {2 * (x * z - w * y), 2 * (y * z + w * x), w * w - x * x - y * y + z * z}}};
        // In the fundamental zone: no equivalent orientation lies nearer the identity.
        const double trace = m[0][0] + m[1][1] + m[2][2];
        bool nearest = true;
        for (const Mat3d& s : symmetry) {
            const Mat3d e = m * s;
            if (e[0][0] + e[1][1] + e[2][2] > trace + 1e-12) {
                nearest = false;
                break;
            }
        }
        if (nearest) grid.push_back(m);
    }
    return grid;
}

FoundOrientation bandAgreement(const std::vector<DetectedBand>& detected, const FitState& fit,
                               const IndexSetup& setup, const IndexOptions& options) {
    const Explained e = explain(fit.orientation, bandNormals(setup), detected,
                                options.toleranceDegrees * kDegToRad);
    FoundOrientation found;
    found.fit = fit;
    found.matchedBands = e.count;
    found.meanDeviationDegrees = e.deviation / kDegToRad;
    return found;
}

PhaseChoice choosePhase(std::span<const IndexResult> results) {
    PhaseChoice choice;
    if (results.empty()) return choice;
    std::vector<std::size_t> order(results.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return results[a].score() > results[b].score();
    });
    choice.phase = order.front();
    choice.margin =
        results.size() > 1 ? results[order[0]].score() - results[order[1]].score() : 1.0;
    return choice;
}

} // namespace tavrel::fit
