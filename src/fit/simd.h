#pragma once
// Four floats at a time for the score's inner loops, with the vector extensions GCC and clang
// share: the loops are plain arithmetic on whole vectors, which both compile to SSE without
// relying on either compiler's loop vectoriser (GCC's -O2 leaves loops of unknown length
// scalar), and the sums come out the same in every build. Buffers are padded to whole vectors
// (kLanes floats).

#include <cstddef>
#include <cstring>

#if defined(__SSE__)
#include <immintrin.h>
#endif

namespace tavrel::fit::simd {

inline constexpr int kLanes = 4;
typedef float Floats __attribute__((vector_size(kLanes * sizeof(float))));

// n rounded up to whole vectors.
inline constexpr int padded(int n) {
    return (n + kLanes - 1) / kLanes * kLanes;
}

inline Floats load(const float* p) {
    Floats v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void store(float* p, Floats v) {
    std::memcpy(p, &v, sizeof v);
}
inline Floats splat(float x) {
    return Floats{x, x, x, x};
}
inline Floats clamp01(Floats v) {
#if defined(__SSE__)
    return _mm_max_ps(_mm_min_ps(v, splat(1.0f)), Floats{});
#else
    v = v < 0.0f ? Floats{} : v;
    return v > 1.0f ? splat(1.0f) : v;
#endif
}
inline Floats absolute(Floats v) {
#if defined(__SSE__)
    return _mm_andnot_ps(splat(-0.0f), v);
#else
    return v < 0.0f ? -v : v;
#endif
}
// Four vectors as the rows of a 4 x 4 block, transposed in place.
inline void transpose(Floats (&rows)[kLanes]) {
#if defined(__SSE__)
    __m128 a = rows[0], b = rows[1], c = rows[2], d = rows[3];
    _MM_TRANSPOSE4_PS(a, b, c, d);
    rows[0] = a, rows[1] = b, rows[2] = c, rows[3] = d;
#else
    for (int r = 0; r < kLanes; ++r)
        for (int c = r + 1; c < kLanes; ++c) {
            const float t = rows[r][c];
            rows[r][c] = rows[c][r];
            rows[c][r] = t;
        }
#endif
}

inline double sum(Floats v) {
    double s = 0;
    for (int i = 0; i < kLanes; ++i) s += v[i];
    return s;
}

// The sum of a[i] * b[i] over n floats (n a multiple of kLanes).
inline double dotProduct(const float* a, const float* b, std::size_t n) {
    Floats s0{}, s1{};
    std::size_t i = 0;
    for (; i + 2 * kLanes <= n; i += 2 * kLanes) {
        s0 += load(a + i) * load(b + i);
        s1 += load(a + i + kLanes) * load(b + i + kLanes);
    }
    for (; i < n; i += kLanes) s0 += load(a + i) * load(b + i);
    return sum(s0 + s1);
}

} // namespace tavrel::fit::simd
