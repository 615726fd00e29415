#include "crystal/document.h"

#include <cmath>

namespace tavrel {

void DocumentFields::resetForNewDocument() {
    title = "Untitled";
    spaceGroupIndex = kDefaultSpaceGroupIndex;
    settingRow.reset();
    cell = {"5", "5", "5", "90", "90", "90"};
    autoLimits = false;
    hklMax = {"2", "2", "2"};
    orientation = "0 0 1";
    d = {"1.0", "20"};
}

bool capTitle(std::string& title) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < title.size(); ++i) {
        // A character starts at every byte that is not a UTF-8 continuation byte.
        if ((static_cast<unsigned char>(title[i]) & 0xC0u) == 0x80u) continue;
        if (++characters > kLongestTitle) {
            title.resize(i);
            return true;
        }
    }
    return false;
}

std::string titleCutWarning(const std::string& where) {
    return where + ": its title is longer than " + std::to_string(kLongestTitle) +
           " characters; only the first " + std::to_string(kLongestTitle) + " were kept";
}

double electronWavelength(double kilovolts) {
    // h / sqrt(2 m0 e V (1 + e V / 2 m0 c^2)) in angstrom, V in volts: 12.2643 / sqrt(V +
    // 0.97848e-6 V^2).
    return 12.2643 / std::sqrt(1000.0 * kilovolts + 0.97848 * kilovolts * kilovolts);
}

} // namespace tavrel
