#include "fit/indexing.h"

#include "common/numeric.h"

#include <algorithm>
#include <cmath>

namespace tavrel::fit {

namespace {

// At most this many proposals, the best-explaining first, are grouped into votes.
constexpr std::size_t kMaxGroupedProposals = 300;
// At most this many of the best-voted groups are looked at on the image.
constexpr std::size_t kScreenedGroups = 10;
// Starts below this fraction of the best start's score are not refined.
constexpr double kRivalFraction = 0.5;
// Solutions scoring at least this fraction of the best one are refined to the finest level too.
constexpr double kCloseRivalFraction = 0.85;

struct CrystalNormal {
    LatticeVector n;
    int family = 0;
    bool representative = false; // the first normal of its family
};

// The plane normals whose angles are matched: the families of the strongest bands (the
// widest-spaced where all weigh the same), each with every normal its symmetry gives, one
// normal per plane (a higher order of a plane already taken adds nothing).
std::vector<CrystalNormal> matchingNormals(const IndexSetup& setup, const IndexOptions& options) {
    std::vector<const Band*> order;
    for (const Band& b : setup.bands) order.push_back(&b);
    std::stable_sort(order.begin(), order.end(), [](const Band* a, const Band* b) {
        if (a->weight != b->weight) return a->weight > b->weight;
        return a->sinTheta < b->sinTheta;
    });
    const double parallel = std::cos(0.1 * kDegToRad);
    auto known = [&](const std::vector<CrystalNormal>& list, const LatticeVector& n) {
        return std::any_of(list.begin(), list.end(), [&](const CrystalNormal& c) {
            return std::fabs(dot(c.n, n)) > parallel;
        });
    };
    std::vector<CrystalNormal> normals;
    int families = 0;
    for (const Band* b : order) {
        if (families >= options.familyCount) break;
        if (known(normals, b->normal)) continue;
        std::vector<CrystalNormal> orbit;
        for (const Mat3d& s : setup.symmetry) {
            const LatticeVector n = normalized(turned(s, b->normal));
            if (!known(orbit, n)) orbit.push_back({n, families, orbit.empty()});
        }
        if (orbit.empty()) orbit.push_back({b->normal, families, true});
        if (families >= 3 &&
            normals.size() + orbit.size() > static_cast<std::size_t>(options.maxNormals))
            break;
        normals.insert(normals.end(), orbit.begin(), orbit.end());
        ++families;
    }
    return normals;
}

template <class F> double foldedAngle(const FrameVector<F>& a, const FrameVector<F>& b) {
    return std::acos(std::min(1.0, std::fabs(dot(a, b))));
}

template <class F> double signedAngle(const FrameVector<F>& a, const FrameVector<F>& b) {
    return std::acos(std::clamp(dot(a, b), -1.0, 1.0));
}

// How many detected bands lie within the tolerance of one of the normals turned by m, and the
// mean of their angles from it (radians); `pairs`, when given, receives the matched normals
// (signed towards their bands) and bands.
struct Explained {
    int count = 0;
    double meanDeviation = 0;
};
Explained explain(const Mat3d& m, const std::vector<LatticeVector>& normals,
                  const std::vector<DetectedBand>& detected, double tolerance,
                  std::vector<std::pair<LatticeVector, ViewVector>>* pairs = nullptr) {
    Explained e;
    const double cosTolerance = std::cos(tolerance);
    std::vector<ViewVector> seen(normals.size());
    for (std::size_t i = 0; i < normals.size(); ++i) seen[i] = toView(m, normals[i]);
    double sum = 0;
    for (const DetectedBand& d : detected) {
        double best = -1;
        std::size_t bestIndex = 0;
        for (std::size_t i = 0; i < seen.size(); ++i) {
            const double c = std::fabs(dot(seen[i], d.normal));
            if (c > best) best = c, bestIndex = i;
        }
        if (best < cosTolerance) continue;
        ++e.count;
        sum += std::acos(std::min(1.0, best));
        if (pairs) {
            const double sign = dot(seen[bestIndex], d.normal) < 0 ? -1.0 : 1.0;
            pairs->push_back({sign * normals[bestIndex], d.normal});
        }
    }
    e.meanDeviation = e.count ? sum / e.count : 0.0;
    return e;
}

struct Proposal {
    Mat3d orientation{};
    Explained explained;
};

// Every orientation that a triplet of detected bands and three crystal normals with the same
// angles between them propose; the first band always takes a family's representative, since
// the symmetry gives every other member of the family anyway.
std::vector<Proposal> propose(const std::vector<DetectedBand>& detected,
                              const std::vector<CrystalNormal>& normals, double tolerance) {
    std::vector<Proposal> proposals;
    const std::size_t nd = detected.size(), nc = normals.size();
    std::vector<double> crystalAngles(nc * nc);
    for (std::size_t p = 0; p < nc; ++p)
        for (std::size_t q = 0; q < nc; ++q)
            crystalAngles[p * nc + q] = foldedAngle(normals[p].n, normals[q].n);
    std::vector<LatticeVector> plain;
    for (const CrystalNormal& c : normals) plain.push_back(c.n);

    for (std::size_t i = 0; i < nd; ++i)
        for (std::size_t j = i + 1; j < nd; ++j) {
            const ViewVector &ni = detected[i].normal, &nj = detected[j].normal;
            const double aij = foldedAngle(ni, nj);
            // Two findings of nearly one line say nothing about the turn between them.
            if (aij < 2 * tolerance) continue;
            for (std::size_t k = j + 1; k < nd; ++k) {
                const ViewVector& nk = detected[k].normal;
                const double aik = foldedAngle(ni, nk), ajk = foldedAngle(nj, nk);
                if (aik < 2 * tolerance || ajk < 2 * tolerance) continue;
                const double sij = signedAngle(ni, nj), sik = signedAngle(ni, nk),
                             sjk = signedAngle(nj, nk);
                for (std::size_t p = 0; p < nc; ++p) {
                    if (!normals[p].representative) continue;
                    for (std::size_t q = 0; q < nc; ++q) {
                        if (q == p || std::fabs(crystalAngles[p * nc + q] - aij) > tolerance)
                            continue;
                        for (std::size_t r = 0; r < nc; ++r) {
                            if (r == p || r == q ||
                                std::fabs(crystalAngles[p * nc + r] - aik) > tolerance ||
                                std::fabs(crystalAngles[q * nc + r] - ajk) > tolerance)
                                continue;
                            // The signs of the three normals that give the signed angles of
                            // the bands. All of them: a plane normal and its opposite are one
                            // plane, but only a crystal with a two-fold axis across it can
                            // turn the one into the other.
                            for (int signs = 0; signs < 8; ++signs) {
                                const double sp = (signs & 4) ? -1.0 : 1.0;
                                const double sq = (signs & 1) ? -1.0 : 1.0;
                                const double sr = (signs & 2) ? -1.0 : 1.0;
                                const LatticeVector cp = sp * normals[p].n;
                                const LatticeVector cq = sq * normals[q].n;
                                const LatticeVector cr = sr * normals[r].n;
                                if (std::fabs(signedAngle(cp, cq) - sij) > tolerance ||
                                    std::fabs(signedAngle(cp, cr) - sik) > tolerance ||
                                    std::fabs(signedAngle(cq, cr) - sjk) > tolerance)
                                    continue;
                                const std::array<LatticeVector, 3> from{cp, cq, cr};
                                const std::array<ViewVector, 3> to{ni, nj, nk};
                                const Mat3d m = bestRotation(from, to);
                                // A mirror image of the triplet fits no rotation.
                                if (signedAngle(toView(m, cp), ni) > tolerance ||
                                    signedAngle(toView(m, cq), nj) > tolerance ||
                                    signedAngle(toView(m, cr), nk) > tolerance)
                                    continue;
                                proposals.push_back({m, explain(m, plain, detected, tolerance)});
                            }
                        }
                    }
                }
            }
        }
    return proposals;
}

struct Vote {
    Proposal best; // the best-explaining proposal of the group
    int votes = 0;
};

// Proposals that are one orientation up to symmetry are votes for it.
std::vector<Vote> groupVotes(std::vector<Proposal> proposals, const std::vector<Mat3d>& symmetry,
                             double distinctDegrees) {
    std::stable_sort(proposals.begin(), proposals.end(), [](const Proposal& a, const Proposal& b) {
        if (a.explained.count != b.explained.count) return a.explained.count > b.explained.count;
        return a.explained.meanDeviation < b.explained.meanDeviation;
    });
    if (proposals.size() > kMaxGroupedProposals) proposals.resize(kMaxGroupedProposals);
    std::vector<Vote> votes;
    for (const Proposal& p : proposals) {
        auto same = std::find_if(votes.begin(), votes.end(), [&](const Vote& v) {
            return misorientationDegrees(p.orientation, v.best.orientation, symmetry) <
                   distinctDegrees;
        });
        if (same != votes.end())
            ++same->votes;
        else
            votes.push_back({p, 1});
    }
    std::stable_sort(votes.begin(), votes.end(), [](const Vote& a, const Vote& b) {
        if (a.votes != b.votes) return a.votes > b.votes;
        return a.best.explained.count > b.best.explained.count;
    });
    return votes;
}

} // namespace

Result<IndexResult> indexPattern(const PatternScorer& scorer, const IndexSetup& setup,
                                 const IndexOptions& options) {
    const Problem nothing{"No orientation found: no orientation of the crystal matches the bands "
                          "of the image"};
    IndexResult result;
    // The scorer's finest level is the prepared image, lightly smoothed: enough for finding
    // lines that are several pixels wide.
    result.detected = detectBands(scorer.level(0), setup.detector, options.detection);
    if (result.detected.size() < 3)
        return Problem{"No orientation found: fewer than three bands stand out in the image"};

    const double tolerance = options.angleToleranceDegrees * kDegToRad;
    const std::vector<CrystalNormal> normals = matchingNormals(setup, options);
    std::vector<LatticeVector> plain;
    for (const CrystalNormal& c : normals) plain.push_back(c.n);
    const std::vector<Vote> votes = groupVotes(propose(result.detected, normals, tolerance),
                                               setup.symmetry, options.distinctDegrees);
    if (votes.empty()) return nothing;

    // Each group's orientation fitted to every band its best proposal explains; the groups
    // whose fitted orientations score best on the coarser image go on. Votes alone mislead:
    // a wrong orientation that lines up a few bands of a zone collects many triplets.
    struct Start {
        Mat3d orientation;
        int votes;
        double score;
    };
    std::vector<Start> starts;
    const int screeningLevel = std::min(1, scorer.levelCount() - 1);
    for (std::size_t v = 0; v < votes.size() && v < kScreenedGroups; ++v) {
        std::vector<std::pair<LatticeVector, ViewVector>> pairs;
        explain(votes[v].best.orientation, plain, result.detected, tolerance, &pairs);
        std::vector<LatticeVector> from;
        std::vector<ViewVector> to;
        for (const auto& [c, d] : pairs) from.push_back(c), to.push_back(d);
        const Mat3d fitted = from.size() >= 2 ? bestRotation(from, to) : votes[v].best.orientation;
        starts.push_back(
            {fitted, votes[v].votes, scorer.score(fitted, setup.detector, screeningLevel).score});
    }
    std::stable_sort(starts.begin(), starts.end(),
                     [](const Start& a, const Start& b) { return a.score > b.score; });

    // The best starts refined on the coarser levels, where each search is cheap.
    std::vector<FoundOrientation> candidates;
    RefineOptions refine;
    refine.refineCentre = options.refineCentre;
    refine.refineDistance = options.refineDistance;
    refine.startStepDegrees = 1.0;
    refine.finestLevel = 1;
    refine.coarsestLevel = 1;
    for (std::size_t i = 0; i < starts.size() && static_cast<int>(i) < options.candidates; ++i) {
        // A start scoring far below the best one is no rival worth a search.
        if (starts[i].score < kRivalFraction * starts.front().score) break;
        FoundOrientation solution;
        solution.fit =
            refineUnchecked(scorer, {starts[i].orientation, setup.detector, 0}, refine).fit;
        solution.votes = starts[i].votes;
        candidates.push_back(solution);
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const FoundOrientation& a, const FoundOrientation& b) {
                         return a.fit.score > b.fit.score;
                     });
    for (const FoundOrientation& c : candidates) {
        if (result.solutions.size() >= 3) break;
        const bool repeated =
            std::any_of(result.solutions.begin(), result.solutions.end(), [&](const auto& s) {
                return misorientationDegrees(c.fit.orientation, s.fit.orientation, setup.symmetry) <
                       options.distinctDegrees;
            });
        if (!repeated) result.solutions.push_back(c);
    }
    if (result.solutions.empty()) return nothing;
    // The winner refined down to the image itself, and so is every rival that scores nearly
    // as well: a crystal of nearly higher symmetry has a twin orientation that only the finest
    // level tells apart.
    refine.finestLevel = 0;
    refine.coarsestLevel = 0;
    refine.startStepDegrees = 0.5;
    refine.tolerancePixels = 0.1;
    const double leading = result.solutions.front().fit.score;
    for (FoundOrientation& solution : result.solutions)
        if (solution.fit.score >= kCloseRivalFraction * leading)
            solution.fit = refineUnchecked(scorer, solution.fit, refine).fit;
    std::stable_sort(result.solutions.begin(), result.solutions.end(),
                     [](const FoundOrientation& a, const FoundOrientation& b) {
                         return a.fit.score > b.fit.score;
                     });
    const FoundOrientation& best = result.solutions.front();
    if (!(best.fit.score >= kMinimumScore)) return nothing;
    for (FoundOrientation& solution : result.solutions) {
        const Explained e = explain(solution.fit.orientation, plain, result.detected, tolerance);
        solution.matchedBands = e.count;
        solution.meanDeviationDegrees = e.meanDeviation / kDegToRad;
    }
    return result;
}

FoundOrientation bandAgreement(const PatternScorer& scorer, const FitState& fit,
                               const IndexSetup& setup, const IndexOptions& options) {
    const std::vector<DetectedBand> detected =
        detectBands(scorer.level(0), fit.detector, options.detection);
    std::vector<LatticeVector> plain;
    for (const CrystalNormal& c : matchingNormals(setup, options)) plain.push_back(c.n);
    const Explained e =
        explain(fit.orientation, plain, detected, options.angleToleranceDegrees * kDegToRad);
    FoundOrientation found;
    found.fit = fit;
    found.matchedBands = e.count;
    found.meanDeviationDegrees = e.meanDeviation / kDegToRad;
    return found;
}

} // namespace tavrel::fit
