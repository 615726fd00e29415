#pragma once
// Atomic scattering factors as sums of Gaussians in s = sin(theta) / lambda, from the fits the
// International Tables for Crystallography publish:
// - X-rays: the 4-Gaussian fit plus a constant of Vol. C, Table 6.1.1.4 (electrons, e);
// - electrons: the 5-Gaussian fit of Vol. C, Table 4.3.2.2 (angstrom), for s up to 2 / angstrom.
// Both tables come from gemmi and hold neutral atoms only, H to Cf. An ion takes the factor of
// its neutral atom: the charge moves only the few reflections nearest the origin for X-rays,
// and for electrons the ion's factor (which diverges as s -> 0) has no agreed fit.

#include "common/result.h"
#include "structure/atom_site.h"

#include <array>
#include <cmath>

namespace tavrel {

enum class Scattering { XRay, Electron };

// "X-ray" or "electron".
const char* scatteringName(Scattering kind);

class ScatteringFactor {
public:
    // The fit for an element, or a problem naming an element the tables do not hold.
    static Result<ScatteringFactor> of(const Species& species, Scattering kind);

    // f at s^2 = (sin(theta) / lambda)^2 in 1/angstrom^2.
    double atSquared(double sSquared) const {
        double f = constant_;
        for (std::size_t i = 0; i < terms_; ++i) f += a_[i] * std::exp(-b_[i] * sSquared);
        return f;
    }

private:
    std::array<double, 5> a_{}, b_{};
    double constant_ = 0;
    std::size_t terms_ = 0;
};

} // namespace tavrel
