#pragma once
// The reflection list: every allowed (hkl) of the current simulation with its d-spacing and its
// Cartesian reciprocal-lattice vector, as parallel arrays in list order.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavrel {

// List indices are 16-bit everywhere, so no list ever holds more.
inline constexpr std::int32_t kMaxReflections = 32767;

struct ReflectionList {
    std::vector<std::int16_t> h, k, l;
    std::vector<float> d;          // angstrom
    std::vector<float> gx, gy, gz; // 1/angstrom, Cartesian lattice frame
    bool generated = false;        // reflections generated or loaded since the last reset
    std::array<float, 3> gMin{999, 999, 999}; // component ranges of g over the list
    std::array<float, 3> gMax{0, 0, 0};

    std::int32_t count() const { return static_cast<std::int32_t>(d.size()); }
    bool empty() const { return d.empty(); }
    void clear();
    void reserve(std::size_t count);
    void append(std::int16_t hh, std::int16_t kk, std::int16_t ll, float dd,
                const std::array<float, 3>& g);
    void trackComponents(const std::array<float, 3>& g);
};

} // namespace tavrel
