#include "crystal/reflections.h"

namespace tavrel {

void ReflectionList::clear() {
    h.clear(), k.clear(), l.clear(), d.clear(), gx.clear(), gy.clear(), gz.clear();
    generated = false;
    gMin = {999, 999, 999};
    gMax = {0, 0, 0};
}

void ReflectionList::reserve(std::size_t n) {
    h.reserve(n), k.reserve(n), l.reserve(n), d.reserve(n);
    gx.reserve(n), gy.reserve(n), gz.reserve(n);
}

void ReflectionList::append(std::int16_t hh, std::int16_t kk, std::int16_t ll, float dd,
                            const std::array<float, 3>& g) {
    h.push_back(hh), k.push_back(kk), l.push_back(ll), d.push_back(dd);
    gx.push_back(g[0]), gy.push_back(g[1]), gz.push_back(g[2]);
}

void ReflectionList::trackComponents(const std::array<float, 3>& g) {
    for (std::size_t i = 0; i < 3; ++i) {
        if (g[i] < gMin[i]) gMin[i] = g[i];
        if (g[i] > gMax[i]) gMax[i] = g[i];
    }
}

} // namespace tavrel
