#include "structure/scattering_factor.h"

#include <gemmi/c4322.hpp>
#include <gemmi/it92.hpp>

namespace tavrel {

const char* scatteringName(Scattering kind) {
    return kind == Scattering::XRay ? "X-ray" : "electron";
}

Result<ScatteringFactor> ScatteringFactor::of(const Species& species, Scattering kind) {
    const gemmi::El element = gemmi::find_element(species.element.c_str());
    // Both tables end at californium (98); their entry 0 is a placeholder, not an element.
    if (element == gemmi::El::X || !gemmi::IT92<double>::has(element))
        return Problem{std::string("The ") + scatteringName(kind) +
                       " scattering factor tables hold no values for " + species.element};
    ScatteringFactor factor;
    if (kind == Scattering::XRay) {
        const auto& coefficients = gemmi::IT92<double>::get(element);
        factor.terms_ = 4;
        for (int i = 0; i < 4; ++i) {
            factor.a_[static_cast<std::size_t>(i)] = coefficients.a(i);
            factor.b_[static_cast<std::size_t>(i)] = coefficients.b(i);
        }
        factor.constant_ = coefficients.c();
    } else {
        const auto& coefficients = gemmi::C4322<double>::get(element);
        factor.terms_ = 5;
        for (int i = 0; i < 5; ++i) {
            factor.a_[static_cast<std::size_t>(i)] = coefficients.a(i);
            factor.b_[static_cast<std::size_t>(i)] = coefficients.b(i);
        }
    }
    return factor;
}

} // namespace tavrel
