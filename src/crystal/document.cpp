#include "crystal/document.h"

#include "common/text.h"
#include "spacegroup/space_group.h"

#include <cmath>

namespace tavrel {

std::string spaceGroupListEntry(const SpaceGroupEngine& engine, int index) {
    return padLeft(std::to_string(index + 1), 3) + ": " + engine.listSymbol(index + 1);
}

double electronWavelength(double kilovolts) {
    // h / sqrt(2 m0 e V (1 + e V / 2 m0 c^2)) in angstrom, V in volts: 12.2643 / sqrt(V +
    // 0.97848e-6 V^2).
    return 12.2643 / std::sqrt(1000.0 * kilovolts + 0.97848 * kilovolts * kilovolts);
}

std::string autoLimitsCaption(bool on) {
    return on ? "Automatic hkl limits" : "Auto";
}

} // namespace tavrel
