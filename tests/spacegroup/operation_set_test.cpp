#include "common/text.h"
#include "spacegroup/operation_set.h"
#include "spacegroup/space_group.h"

#include <gemmi/symmetry.hpp>
#include <gtest/gtest.h>

#include <algorithm>

namespace tavrel {
namespace {

GridOperation fromGemmi(const gemmi::Op& op) {
    GridOperation g;
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) g.rotation[3 * i + j] = op.rot[i][j] / gemmi::Op::DEN;
        g.translation[i] = op.tran[i];
    }
    return g;
}

OperationSet operationsOf(const gemmi::GroupOps& ops) {
    OperationSet set;
    for (const gemmi::Op& op : ops) set.push_back(fromGemmi(op));
    std::sort(set.begin(), set.end());
    return set;
}

char latticeLetter(std::string_view hall) {
    return trim(removeChars(hall, "-"))[0];
}

// gemmi's space-group table and Hall-symbol interpreter were made apart from ours, so they
// check the engine independently: every row must hold the same group number, gemmi must read
// our Hall symbol as the operations of its own row (some rows spell the symbol differently,
// "A -2yac" for "A -2yab", equal up to the centring), and the engine must build exactly those
// operations, each once.
TEST(OperationSet, EverySettingAgreesWithGemmisTable) {
    SpaceGroupEngine engine;
    for (std::size_t row = 0; row < kSettingsRowCount; ++row) {
        const gemmi::SpaceGroup& theirs = gemmi::spacegroup_tables::main[row];
        const std::string_view hall = settingsTable[row].hall;
        EXPECT_EQ(theirs.number, engine.rowNumber(row)) << row;

        const gemmi::GroupOps ops = theirs.operations();
        const OperationSet expected = operationsOf(ops);
        const std::string ourHall = replaceAll(hall, "''", "\""); // gemmi's double prime
        EXPECT_EQ(operationsOf(gemmi::symops_from_hall(ourHall.c_str())), expected) << row;
        engine.selectRow(static_cast<int>(row));
        EXPECT_EQ(engine.operationCount(), ops.order()) << row << " " << hall;
        EXPECT_EQ(settingOperations(row), expected) << row << " " << hall;

        // One operation per centring coset, completed with the lattice's centring, gives the
        // whole set back; and the set leads back to its row.
        std::vector<GridOperation> cosets;
        for (const gemmi::Op& op : ops.sym_ops) cosets.push_back(fromGemmi(op));
        const std::optional<OperationSet> closed = closeOperations(cosets);
        ASSERT_TRUE(closed) << row;
        EXPECT_EQ(withCentring(*closed, latticeLetter(hall)), expected) << row << " " << hall;
        const std::vector<int> rows = rowsWithOperations(expected);
        EXPECT_NE(std::find(rows.begin(), rows.end(), static_cast<int>(row)), rows.end()) << row;
    }
}

TEST(OperationSet, ClosingGenerators) {
    const GridOperation fourFold{{0, -1, 0, 1, 0, 0, 0, 0, 1}, {0, 0, 0}};
    const GridOperation inversion{{-1, 0, 0, 0, -1, 0, 0, 0, -1}, {0, 0, 0}};
    const GridOperation shear{{1, 1, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}};
    const GridOperation wholeShift{{1, 0, 0, 0, 1, 0, 0, 0, 1}, {24, -24, 48}};

    EXPECT_EQ(closeOperations({}), OperationSet{GridOperation{}});
    EXPECT_EQ(closeOperations({wholeShift}), OperationSet{GridOperation{}});
    const std::optional<OperationSet> p4m = closeOperations({fourFold, inversion});
    ASSERT_TRUE(p4m);
    EXPECT_EQ(p4m->size(), 8u);
    const std::vector<int> rows = rowsWithOperations(*p4m);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(SpaceGroupEngine().settingEntry(rows[0]).hallSymbol, "-P 4");
    // A shear generates no finite group.
    EXPECT_FALSE(closeOperations({shear}));
}

} // namespace
} // namespace tavrel
