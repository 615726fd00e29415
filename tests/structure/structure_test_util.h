#pragma once
// A structure as the program will take it from a CIF: the session's reader gives the cell and
// the setting, the structure layer the sites.

#include "crystal/unit_cell.h"
#include "session/cif_document.h"
#include "session/cif_file.h"
#include "spacegroup/space_group.h"
#include "structure/cell_atoms.h"
#include "structure/cif_atoms.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrel::test {

struct LoadedStructure {
    UnitCell cell;
    int settingRow = 0;
    std::vector<SymOp> operations;
    std::vector<AtomSite> sites;
    std::vector<CellAtom> atoms;
};

inline UnitCell cellOf(const std::array<std::string, 6>& texts) {
    UnitCell cell;
    for (int i = 0; i < 6; ++i) cell[i] = std::stof(texts[static_cast<std::size_t>(i)]);
    return cell;
}

// The operations of settings row `row`, on hexagonal axes for a rhombohedral group.
inline std::vector<SymOp> operationsOfRow(int row) {
    SpaceGroupEngine engine;
    engine.selectRow(row);
    return engine.symOps();
}

// Fails the calling test (and returns an empty structure) when any step refuses the text.
inline LoadedStructure loadCifText(const std::string& text, const std::string& name) {
    LoadedStructure loaded;
    const CifReading reading = readCifText(text, name);
    EXPECT_TRUE(reading.structure) << reading.error;
    if (!reading.structure) return loaded;
    loaded.cell = cellOf(reading.structure->cell);
    loaded.settingRow = reading.structure->settingRow;
    loaded.operations = operationsOfRow(loaded.settingRow);

    const CifParse parse = parseCifBlocks(text, name, atomSiteItemNames());
    EXPECT_TRUE(parse.blocks && !parse.blocks->empty()) << parse.problem;
    if (!parse.blocks || parse.blocks->empty()) return loaded;
    Result<std::vector<AtomSite>> sites =
        atomSitesFromCif(parse.blocks->front().items, loaded.cell);
    EXPECT_TRUE(sites) << sites.problem();
    if (!sites) return loaded;
    loaded.sites = *sites;
    Result<std::vector<CellAtom>> atoms =
        expandToCell(loaded.sites, loaded.operations, loaded.cell);
    EXPECT_TRUE(atoms) << atoms.problem();
    if (atoms) loaded.atoms = *atoms;
    return loaded;
}

inline std::string structureFile(const std::string& name) {
    return std::string(TAVREL_TEST_DATA) + "/structure_factors/" + name + ".cif";
}

inline LoadedStructure loadCifFile(const std::string& name) {
    return loadCifText(readFile(structureFile(name)), name + ".cif");
}

} // namespace tavrel::test
