#include "common/frames.h"

#include "common/numeric.h"

#include <cmath>

namespace tavrel {

Mat3d sampleFromSpecimen(const Tilts& tilts) {
    const double a = (90 - tilts.specimen + tilts.detector) * kDegToRad;
    const double c = std::cos(a), s = std::sin(a);
    // Rx(a) Rz(90), both passive: Rz(90) = [[0, 1, 0], [-1, 0, 0], [0, 0, 1]].
    return Mat3d{{{0, 1, 0}, {-c, 0, s}, {s, 0, c}}};
}

} // namespace tavrel
