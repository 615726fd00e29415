#pragma once
// A structure as the program will take it from a CIF: the session's reader gives the cell and
// the setting, the structure layer the sites and the atoms of the cell.

#include "samples/sample_atoms.h"
#include "session/cif_blocks.h"
#include "session/cif_file.h"
#include "spacegroup/settings.h"
#include "spacegroup/space_group.h"
#include "structure/cell_atoms.h"
#include "structure/cif_atoms.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavrel::test {

struct LoadedStructure {
    UnitCell cell;
    std::vector<AtomSite> sites;
    std::vector<CellAtom> atoms;
};

// Fails the calling test when any step refuses the text.
inline LoadedStructure loadCifText(const std::string& text, const std::string& name) {
    LoadedStructure loaded;
    const Result<CifStructure> reading = readCifText(text, name);
    const CifParse parse = parseCifBlocks(text, name, atomSiteItemNames());
    EXPECT_TRUE(reading && parse.blocks) << reading.problem() << parse.problem;
    if (!reading || !parse.blocks) return loaded;
    for (int i = 0; i < 6; ++i) loaded.cell[i] = std::stof(reading->cell[std::size_t(i)]);
    const SpaceGroup group = SpaceGroup::ofRow(reading->settingRow);
    Result<std::vector<AtomSite>> sites =
        atomSitesFromCif(parse.blocks->front().items, loaded.cell);
    EXPECT_TRUE(sites) << sites.problem();
    if (sites) loaded.sites = *sites;
    Result<std::vector<CellAtom>> atoms =
        expandToCell(loaded.sites, group.operations(), loaded.cell);
    EXPECT_TRUE(atoms) << atoms.problem();
    if (atoms) loaded.atoms = *atoms;
    return loaded;
}

// The sites of a built-in sample.
inline std::vector<AtomSite> sitesOf(std::string_view sample) {
    std::vector<AtomSite> sites;
    for (const SampleAtom& a : sampleAtoms(sample))
        sites.push_back(
            {std::string(a.label), std::string(a.element), a.x, a.y, a.z, a.occupancy, a.bIso});
    return sites;
}

inline LoadedStructure loadCifFile(const std::string& name) {
    return loadCifText(
        readFile(std::string(TAVREL_TEST_DATA) + "/structure_factors/" + name + ".cif"),
        name + ".cif");
}

} // namespace tavrel::test
