// Selecting a setting and the systematic-absence test.

#include "common/file_io.h"
#include "common/text.h"
#include "spacegroup/space_group.h"

#include <cmath>

namespace tavrel {

void SpaceGroupEngine::selectSymbol(const std::string& symbol) {
    selectRow(findSettingRow(trim(symbol)));
}

void SpaceGroupEngine::selectRow(int row) {
    if (row < 0 || row >= static_cast<int>(settingsTable.size())) row = 0;
    centringVectors_ = {};
    buildOperations(std::string(settingsTable[static_cast<std::size_t>(row)].hall));
    recordRow(row);
    if (!listingFolder_.empty()) writeListing(joinPath(listingFolder_, "symmetry.txt"));
}

bool SpaceGroupEngine::isExtinct(std::int16_t hh, std::int16_t kk, std::int16_t ll) const {
    if (symOps_.size() < 2) return false;
    const float h = hh;
    const float k = kk;
    const float l = ll;
    for (const PhaseGroup& group : phaseGroups_) {
        const auto& r = group.rotationColumns;
        // (h k l) as a row vector times the rotation; only operations that map it onto itself
        // restrict its phase.
        const float g0 = h * r[0] + k * r[1] + l * r[2];
        if (g0 != h) continue;
        const float g1 = h * r[3] + k * r[4] + l * r[5];
        if (g1 != k) continue;
        const float g2 = h * r[6] + k * r[7] + l * r[8];
        if (g2 != l) continue;
        const std::size_t end = group.firstTranslation + group.translationCount;
        for (std::size_t i = group.firstTranslation; i < end; ++i) {
            const auto& t = phaseTranslations_[i];
            const float p = h * t[0] + k * t[1] + l * t[2];
            // The tolerance absorbs thirds and sixths held as 4-byte floats.
            if (std::fabs(p - std::nearbyint(p)) > 0.0001f) return true;
        }
    }
    return false;
}

CrystalSystem crystalSystemOf(int number) {
    using enum CrystalSystem;
    if (number >= 1 && number <= 2) return Triclinic;
    if (number >= 3 && number <= 15) return Monoclinic;
    if (number >= 16 && number <= 74) return Orthorhombic;
    if (number >= 75 && number <= 142) return Tetragonal;
    if (number >= 143 && number <= 167) return Trigonal;
    if (number >= 168 && number <= 194) return Hexagonal;
    if (number >= 195 && number <= 230) return Cubic;
    return None;
}

std::string crystalSystemName(CrystalSystem system) {
    static constexpr std::array<const char*, 8> kNames = {
        "",           "Triclinic", "Monoclinic", "Orthorhombic",
        "Tetragonal", "Trigonal",  "Hexagonal",  "Cubic"};
    return kNames[static_cast<std::size_t>(system)];
}

std::string spaceGroupListEntry(int position) {
    return padLeft(std::to_string(position + 1), 3) + ": " +
           SpaceGroupEngine::listSymbol(position + 1);
}

} // namespace tavrel
