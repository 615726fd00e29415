#include "structure/structure_factor.h"

#include "common/numeric.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>
#include <unordered_map>

namespace tavrel {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Atoms that share an element and a B: f(s) exp(-B s^2) is worked out once per kind and
// reflection, from f(s) once per element and exp(-B s^2) once per B value.
struct ScattererKind {
    std::size_t factor = 0, damping = 0; // indices into Scatterers::factors and bValues
    std::size_t begin = 0, end = 0;      // its atoms in the sorted arrays
};

// The atoms sorted by kind, as separate arrays.
struct Scatterers {
    std::vector<ScatteringFactor> factors;
    std::vector<double> bValues;
    std::vector<ScattererKind> kinds;
    std::vector<double> occupancy;
    std::vector<std::array<double, 3>> position;
};

// The number of a value in order of first appearance; a hash map, so that many distinct values
// (a B for each of 100,000 sites) cost no more than few.
template <class T> class FirstSeen {
public:
    std::size_t operator()(const T& value) {
        return numbers_.try_emplace(value, numbers_.size()).first->second;
    }
    std::size_t size() const { return numbers_.size(); }
    // The values by their numbers.
    std::vector<T> values() const {
        std::vector<T> list(numbers_.size());
        for (const auto& [value, number] : numbers_) list[number] = value;
        return list;
    }

private:
    std::unordered_map<T, std::size_t> numbers_;
};

Result<Scatterers> sortIntoKinds(std::span<const CellAtom> atoms, Scattering kind) {
    Scatterers scatterers;
    FirstSeen<std::string> elements;
    FirstSeen<double> bValues;
    FirstSeen<std::uint64_t> keys; // element, B
    std::vector<std::size_t> kindOfAtom;
    std::vector<std::pair<std::size_t, std::size_t>> keyParts;
    for (const CellAtom& atom : atoms) {
        const std::size_t element = elements(atom.species.element);
        const std::size_t damping = bValues(atom.bIso);
        const std::size_t before = keys.size();
        kindOfAtom.push_back(keys(static_cast<std::uint64_t>(element) << 32 | damping));
        if (keys.size() > before) keyParts.emplace_back(element, damping);
    }
    scatterers.bValues = bValues.values();
    for (const std::string& element : elements.values()) {
        Result<ScatteringFactor> factor = ScatteringFactor::of(Species{element, 0, 0}, kind);
        if (!factor) return Problem{factor.problem()};
        scatterers.factors.push_back(*factor);
    }
    // The atoms of each kind together, each kind's in their order.
    std::vector<std::size_t> start(keyParts.size() + 1, 0);
    for (const std::size_t k : kindOfAtom) ++start[k + 1];
    for (std::size_t k = 0; k < keyParts.size(); ++k) {
        start[k + 1] += start[k];
        scatterers.kinds.push_back({keyParts[k].first, keyParts[k].second, start[k], start[k + 1]});
    }
    scatterers.occupancy.resize(atoms.size());
    scatterers.position.resize(atoms.size());
    for (std::size_t i = 0; i < atoms.size(); ++i) {
        const std::size_t at = start[kindOfAtom[i]]++;
        scatterers.occupancy[at] = atoms[i].occupancy;
        scatterers.position[at] = atoms[i].position;
    }
    return scatterers;
}

double squaredScatteringVector(float d) {
    const double spacing = d;
    if (!(spacing > 0) || !std::isfinite(spacing)) return 0;
    return 1.0 / (4.0 * spacing * spacing);
}

// exp(2 pi i n x) of every atom for n = -maxIndex .. maxIndex, laid out by n and then atom,
// so that the atoms of one index are contiguous; the first axis carries the occupancies.
struct PhaseTable {
    int maxIndex = 0;
    std::vector<double> re, im;

    void build(const Scatterers& scatterers, std::size_t axis, int largestIndex,
               bool withOccupancy) {
        maxIndex = largestIndex;
        const std::size_t atomCount = scatterers.occupancy.size();
        const std::size_t rows = static_cast<std::size_t>(2 * maxIndex + 1);
        re.assign(rows * atomCount, 0.0);
        im.assign(rows * atomCount, 0.0);
        for (std::size_t row = 0; row < rows; ++row) {
            const double n = static_cast<double>(row) - maxIndex;
            for (std::size_t atom = 0; atom < atomCount; ++atom) {
                double turns = n * scatterers.position[atom][axis];
                turns -= std::floor(turns);
                const double weight = withOccupancy ? scatterers.occupancy[atom] : 1.0;
                re[row * atomCount + atom] = weight * std::cos(kTwoPi * turns);
                im[row * atomCount + atom] = weight * std::sin(kTwoPi * turns);
            }
        }
    }
    std::size_t rowOffset(int index, std::size_t atomCount) const {
        return static_cast<std::size_t>(index + maxIndex) * atomCount;
    }
};

int largestMagnitude(std::span<const std::int16_t> indices) {
    int largest = 0;
    for (std::int16_t index : indices) largest = std::max(largest, std::abs(int{index}));
    return largest;
}

class Calculation {
public:
    Calculation(const ReflectionIndices& reflections, const Scatterers& scatterers,
                std::size_t tableBytes)
        : reflections_(reflections), scatterers_(scatterers) {
        const std::size_t atomCount = scatterers.occupancy.size();
        const int maxH = largestMagnitude(reflections.h);
        const int maxK = largestMagnitude(reflections.k);
        const int maxL = largestMagnitude(reflections.l);
        const std::size_t rows = static_cast<std::size_t>(2 * (maxH + maxK + maxL) + 3);
        useTables_ = rows * atomCount * 2 * sizeof(double) <= tableBytes;
        if (useTables_) {
            tables_[0].build(scatterers, 0, maxH, true);
            tables_[1].build(scatterers, 1, maxK, false);
            tables_[2].build(scatterers, 2, maxL, false);
        }
    }

    void run(std::size_t begin, std::size_t end, std::vector<double>& out) const {
        std::vector<double> factors(scatterers_.factors.size());
        std::vector<double> damping(scatterers_.bValues.size());
        for (std::size_t i = begin; i < end; ++i) out[i] = squaredMagnitude(i, factors, damping);
    }

private:
    double squaredMagnitude(std::size_t i, std::vector<double>& factors,
                            std::vector<double>& damping) const {
        const double sSquared = squaredScatteringVector(reflections_.d[i]);
        const int h = reflections_.h[i], k = reflections_.k[i], l = reflections_.l[i];
        for (std::size_t e = 0; e < factors.size(); ++e)
            factors[e] = scatterers_.factors[e].atSquared(sSquared);
        for (std::size_t b = 0; b < damping.size(); ++b)
            damping[b] = std::exp(-scatterers_.bValues[b] * sSquared);
        double re = 0, im = 0;
        for (const ScattererKind& kind : scatterers_.kinds) {
            const double f = factors[kind.factor] * damping[kind.damping];
            const auto [sumRe, sumIm] =
                useTables_ ? tableSum(kind, h, k, l) : directSum(kind, h, k, l);
            re += f * sumRe;
            im += f * sumIm;
        }
        return re * re + im * im;
    }

    // The sum over one kind's atoms of occupancy * exp(2 pi i (hx + ky + lz)) as products of
    // the tabulated factors of each axis; separate running sums for even and odd atoms let
    // consecutive additions overlap (and fix the order of addition whatever the threads).
    std::pair<double, double> tableSum(const ScattererKind& kind, int h, int k, int l) const {
        const std::size_t atomCount = scatterers_.occupancy.size();
        const std::size_t xRow = tables_[0].rowOffset(h, atomCount);
        const std::size_t yRow = tables_[1].rowOffset(k, atomCount);
        const std::size_t zRow = tables_[2].rowOffset(l, atomCount);
        const double* xRe = tables_[0].re.data() + xRow;
        const double* xIm = tables_[0].im.data() + xRow;
        const double* yRe = tables_[1].re.data() + yRow;
        const double* yIm = tables_[1].im.data() + yRow;
        const double* zRe = tables_[2].re.data() + zRow;
        const double* zIm = tables_[2].im.data() + zRow;
        double re[2] = {0, 0}, im[2] = {0, 0};
        for (std::size_t atom = kind.begin; atom < kind.end; ++atom) {
            const double xyRe = xRe[atom] * yRe[atom] - xIm[atom] * yIm[atom];
            const double xyIm = xRe[atom] * yIm[atom] + xIm[atom] * yRe[atom];
            const std::size_t lane = atom & 1u;
            re[lane] += xyRe * zRe[atom] - xyIm * zIm[atom];
            im[lane] += xyRe * zIm[atom] + xyIm * zRe[atom];
        }
        return {re[0] + re[1], im[0] + im[1]};
    }

    std::pair<double, double> directSum(const ScattererKind& kind, int h, int k, int l) const {
        double re = 0, im = 0;
        for (std::size_t atom = kind.begin; atom < kind.end; ++atom) {
            const std::array<double, 3>& p = scatterers_.position[atom];
            double turns = h * p[0] + k * p[1] + l * p[2];
            turns -= std::floor(turns);
            re += scatterers_.occupancy[atom] * std::cos(kTwoPi * turns);
            im += scatterers_.occupancy[atom] * std::sin(kTwoPi * turns);
        }
        return {re, im};
    }

    const ReflectionIndices& reflections_;
    const Scatterers& scatterers_;
    bool useTables_ = false;
    std::array<PhaseTable, 3> tables_;
};

// Fewer reflections than this per thread are not worth a thread.
constexpr std::size_t kReflectionsPerThread = 2048;

unsigned threadCountFor(std::size_t reflections, unsigned wanted) {
    unsigned threads = wanted != 0 ? wanted : std::max(1u, std::thread::hardware_concurrency());
    const std::size_t useful = std::max<std::size_t>(1, reflections / kReflectionsPerThread);
    return static_cast<unsigned>(std::min<std::size_t>(threads, useful));
}

} // namespace

ReflectionIndices indicesOf(const ReflectionList& list) {
    return {list.h, list.k, list.l, list.d};
}

Result<std::vector<double>> squaredStructureFactors(const ReflectionIndices& reflections,
                                                    std::span<const CellAtom> atoms,
                                                    Scattering kind,
                                                    const StructureFactorOptions& options) {
    const std::size_t count = reflections.d.size();
    if (reflections.h.size() != count || reflections.k.size() != count ||
        reflections.l.size() != count)
        return Problem{"The reflection arrays differ in length"};
    Result<Scatterers> scatterers = sortIntoKinds(atoms, kind);
    if (!scatterers) return Problem{scatterers.problem()};

    std::vector<double> squared(count, 0.0);
    if (count == 0 || atoms.empty()) return squared;
    const Calculation calculation(reflections, *scatterers, options.phaseTableBytes);

    const unsigned threads = threadCountFor(count, options.threads);
    const std::size_t share = (count + threads - 1) / threads;
    {
        std::vector<std::jthread> helpers;
        for (unsigned t = 1; t < threads; ++t) {
            const std::size_t begin = std::min(count, t * share);
            const std::size_t end = std::min(count, begin + share);
            try {
                helpers.emplace_back([&, begin, end] { calculation.run(begin, end, squared); });
            } catch (const std::system_error&) {
                // No thread to be had: the share is worked out here, with the same result.
                calculation.run(begin, end, squared);
            }
        }
        calculation.run(0, std::min(count, share), squared);
    }
    return squared;
}

std::vector<double> relativeIntensities(std::span<const double> squaredMagnitudes) {
    double strongest = 0;
    for (double value : squaredMagnitudes) strongest = std::max(strongest, value);
    std::vector<double> relative(squaredMagnitudes.size(), 0.0);
    if (!(strongest > 0)) return relative;
    for (std::size_t i = 0; i < relative.size(); ++i)
        relative[i] = 100.0 * squaredMagnitudes[i] / strongest;
    return relative;
}

std::string intensityText(double relative) {
    return formatNumber(relative, "0.0");
}

} // namespace tavrel
