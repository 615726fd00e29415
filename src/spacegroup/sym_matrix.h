#pragma once
// Square float matrices of the interpreter. Every product term is rounded to a 4-byte float as
// it is accumulated: the operations (and so the absences) must come out the same on every
// machine, whatever the compiler would do with wider intermediates.

#include <array>
#include <cmath>
#include <cstddef>

namespace tavrel::sym {

template <std::size_t N> using Matrix = std::array<std::array<float, N>, N>;

template <std::size_t N> Matrix<N> identity() {
    Matrix<N> m{};
    for (std::size_t i = 0; i < N; ++i) m[i][i] = 1.0f;
    return m;
}

template <std::size_t N> Matrix<N> multiply(const Matrix<N>& a, const Matrix<N>& b) {
    Matrix<N> r{};
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = 0; j < N; ++j) {
            float acc = 0.0f;
            for (std::size_t k = 0; k < N; ++k) {
                const float term = a[i][k] * b[k][j];
                acc = acc + term;
            }
            r[i][j] = acc;
        }
    }
    return r;
}

// Equal when no element of the leading `rows` x `cols` block differs by more than 1e-5.
template <std::size_t N>
bool nearlyEqual(const Matrix<N>& a, const Matrix<N>& b, std::size_t rows = N,
                 std::size_t cols = N) {
    for (std::size_t i = 0; i < rows; ++i)
        for (std::size_t j = 0; j < cols; ++j)
            if (std::fabs(a[i][j] - b[i][j]) > 0.00001f) return false;
    return true;
}

} // namespace tavrel::sym
