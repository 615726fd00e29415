#include "common/text.h"
#include "spacegroup/operation_set.h"
#include "spacegroup/settings.h"
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

// gemmi's table and Hall interpreter were made apart from ours. Some rows spell the Hall symbol
// differently ("A -2yac" for "A -2yab"), equal up to the centring.
TEST(OperationSet, EverySettingAgreesWithGemmisTable) {
    for (std::size_t row = 0; row < kSettingsRowCount; ++row) {
        const gemmi::SpaceGroup& theirs = gemmi::spacegroup_tables::main[row];
        const std::string_view hall = settingsTable[row].hall;
        EXPECT_EQ(theirs.number, groupNumberOfRow(static_cast<int>(row))) << row;

        const gemmi::GroupOps ops = theirs.operations();
        const OperationSet expected = operationsOf(ops);
        const std::string ourHall = replaceAll(hall, "''", "\""); // gemmi's double prime
        EXPECT_EQ(operationsOf(gemmi::symops_from_hall(ourHall.c_str())), expected) << row;
        EXPECT_EQ(SpaceGroup::ofRow(static_cast<int>(row)).operationCount(), ops.order())
            << row << " " << hall;
        EXPECT_EQ(settingOperations(row), expected) << row << " " << hall;

        // One operation per centring coset plus the lattice's centring gives the set back.
        std::vector<GridOperation> cosets;
        for (const gemmi::Op& op : ops.sym_ops) cosets.push_back(fromGemmi(op));
        const std::optional<OperationSet> closed = closeOperations(cosets);
        ASSERT_TRUE(closed) << row;
        EXPECT_EQ(withCentring(*closed, trim(removeChars(hall, "-"))[0]), expected)
            << row << " " << hall;
        const std::vector<int> rows = rowsWithOperations(expected);
        EXPECT_NE(std::find(rows.begin(), rows.end(), static_cast<int>(row)), rows.end()) << row;
    }
}

TEST(OperationSet, ClosingGenerators) {
    // Whole-cell shifts fall away; a shear generates no finite group.
    EXPECT_EQ(closeOperations({GridOperation{{1, 0, 0, 0, 1, 0, 0, 0, 1}, {24, -24, 48}}}),
              OperationSet{GridOperation{}});
    EXPECT_FALSE(closeOperations({GridOperation{{1, 1, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}}}));
}

} // namespace
} // namespace tavrel
