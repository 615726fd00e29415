#pragma once
// Kinematic structure factors: how strongly each lattice plane scatters, from the atoms of the
// cell. F(hkl) = sum over the atoms of occupancy * f(s) * exp(-B s^2) * exp(2 pi i (hx + ky + lz))
// with s = sin(theta) / lambda = 1 / (2d).

#include "common/result.h"
#include "crystal/reflections.h"
#include "structure/cell_atoms.h"
#include "structure/scattering_factor.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrel {

// Reflections as parallel arrays, as the reflection list holds them.
struct ReflectionIndices {
    std::span<const std::int16_t> h, k, l;
    std::span<const float> d; // angstrom
};

ReflectionIndices indicesOf(const ReflectionList& list);

struct StructureFactorOptions {
    // Threads that share the reflections; 0 takes one per core. The result is the same to the
    // bit whatever the number.
    unsigned threads = 0;
    // Each atom's phase factors exp(2 pi i n x) for every index n of the list along each axis are
    // worked out once when they take no more memory than this; beyond it (index ranges in the
    // thousands) every phase is computed afresh, which is slower.
    std::size_t phaseTableBytes = std::size_t{64} << 20;
};

// |F|^2 of each reflection (square electrons for X-rays, square angstrom for electrons). A d
// that is not a positive number counts as s = 0, as for (0 0 0). Refused: arrays of different
// lengths, an element the scattering tables do not hold.
Result<std::vector<double>> squaredStructureFactors(const ReflectionIndices& reflections,
                                                    std::span<const CellAtom> atoms,
                                                    Scattering kind,
                                                    const StructureFactorOptions& options = {});

// The values scaled so that the strongest is 100; all 0 when none is above 0.
std::vector<double> relativeIntensities(std::span<const double> squaredMagnitudes);

// A relative intensity with one decimal and "." whatever the locale ("100.0", "0.4").
std::string intensityText(double relative);

} // namespace tavrel
