#include "spacegroup/operation_set.h"
#include "spacegroup/settings.h"
#include "spacegroup/space_group.h"

#include "common/text.h"

#include <gemmi/symmetry.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace tavrel {
namespace {

// r00 r01 r02 r10 r11 r12 r20 r21 r22 t0 t1 t2, the translation in 24ths (0..23).
using Op = std::array<int, 12>;

// The published operations of every setting, sorted, one list per row.
const std::vector<std::vector<Op>>& reference() {
    static const std::vector<std::vector<Op>> rows = [] {
        std::vector<std::vector<Op>> result;
        std::ifstream in(std::string(TAVREL_TEST_DATA) + "/spacegroup_operations.txt");
        for (std::string line; std::getline(in, line);) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            std::size_t row = 0, count = 0;
            fields >> row >> count;
            std::vector<Op> ops(count);
            for (Op& op : ops)
                for (int& v : op) fields >> v;
            if (!fields || row != result.size()) return std::vector<std::vector<Op>>{};
            std::sort(ops.begin(), ops.end());
            result.push_back(std::move(ops));
        }
        return result;
    }();
    return rows;
}

// Our operations in the same form; a translation outside [0, 1) or off the 24ths grid gives -1.
std::vector<Op> ours(const SpaceGroup& group) {
    std::vector<Op> result;
    for (const SymOp& s : group.operations()) {
        Op op{};
        for (std::size_t i = 0; i < 3; ++i) {
            for (std::size_t j = 0; j < 3; ++j) op[3 * i + j] = static_cast<int>(s.m[i][j]);
            const float t = s.m[i][3];
            const long t24 = std::lround(t * 24.0f);
            const bool onGrid = t >= 0.0f && t < 1.0f && std::fabs(t * 24.0f - t24) < 1e-3f;
            op[9 + i] = onGrid ? static_cast<int>(t24) : -1;
        }
        result.push_back(op);
    }
    std::sort(result.begin(), result.end());
    return result;
}

GridOperation gridOperation(const Op& op) {
    GridOperation g;
    std::copy(op.begin(), op.begin() + 9, g.rotation.begin());
    std::copy(op.begin() + 9, op.end(), g.translation.begin());
    return g;
}

// The operations gemmi's Hall interpreter, which reads the Hall symbols of structure files,
// finds.
OperationSet operationsOfGemmi(std::string_view hall) {
    OperationSet set;
    const std::string doublePrimes = replaceAll(hall, "''", "\"");
    for (const gemmi::Op& op : gemmi::symops_from_hall(doublePrimes.c_str())) {
        GridOperation& g = set.emplace_back();
        for (std::size_t i = 0; i < 9; ++i) g.rotation[i] = op.rot[i / 3][i % 3] / gemmi::Op::DEN;
        for (std::size_t i = 0; i < 3; ++i) g.translation[i] = op.tran[i];
    }
    std::sort(set.begin(), set.end());
    return set;
}

// Operations and absences of every setting; the absences against phases computed in whole
// numbers from the published operations. The exact operation sets the settings of a file are
// matched against are the same, gemmi reads our Hall symbols as we do, and one operation per
// centring coset plus the lattice's centring gives the set back.
TEST(HallInterpreter, EverySettingHasThePublishedOperationsAndAbsences) {
    ASSERT_EQ(reference().size(), kSettingsRowCount);
    for (int row = 0; row < static_cast<int>(kSettingsRowCount); ++row) {
        const std::string_view hall = settingsTable[static_cast<std::size_t>(row)].hall;
        const SpaceGroup group = SpaceGroup::ofRow(row);
        const auto& published = reference()[static_cast<std::size_t>(row)];
        EXPECT_EQ(ours(group), published) << "row " << row << " " << hall;
        OperationSet expected, cosets;
        for (const Op& op : published) {
            expected.push_back(gridOperation(op));
            if (cosets.empty() || cosets.back().rotation != expected.back().rotation)
                cosets.push_back(expected.back());
        }
        EXPECT_EQ(settingOperations(static_cast<std::size_t>(row)), expected) << row;
        EXPECT_EQ(operationsOfGemmi(hall), expected) << row << " " << hall;
        const std::optional<OperationSet> closed = closeOperations(cosets);
        ASSERT_TRUE(closed) << row;
        EXPECT_EQ(withCentring(*closed, trim(removeChars(hall, "-"))[0]), expected) << row;
        const std::vector<int> rows = rowsWithOperations(expected);
        EXPECT_NE(std::find(rows.begin(), rows.end(), row), rows.end()) << row;
        EXPECT_EQ(group.number(), groupNumberOfRow(row)) << row;
        // gemmi's table, made apart from ours, lists the settings in the same order.
        EXPECT_EQ(gemmi::spacegroup_tables::main[row].number, group.number()) << row;
        EXPECT_EQ(group.hallSymbol(), trim(hall.substr(0, hall.find('(')))) << row;
        EXPECT_EQ(group.extendedSymbol(), extendedSymbolOfRow(row)) << row;
        for (int i = 0; i < 729; ++i) {
            const std::int16_t h = std::int16_t(i / 81 - 4), k = std::int16_t(i / 9 % 9 - 4),
                               l = std::int16_t(i % 9 - 4);
            bool absent = false;
            for (const Op& r : published)
                if (h * r[0] + k * r[3] + l * r[6] == h && h * r[1] + k * r[4] + l * r[7] == k &&
                    h * r[2] + k * r[5] + l * r[8] == l)
                    absent = absent || (h * r[9] + k * r[10] + l * r[11]) % 24 != 0;
            ASSERT_EQ(group.isAbsent(h, k, l), absent)
                << "row " << row << " (" << h << " " << k << " " << l << ")";
        }
    }
}

TEST(OperationSet, ClosingGenerators) {
    // Whole-cell shifts fall away; a shear generates no finite group.
    EXPECT_EQ(closeOperations({GridOperation{{1, 0, 0, 0, 1, 0, 0, 0, 1}, {24, -24, 48}}}),
              OperationSet{GridOperation{}});
    EXPECT_FALSE(closeOperations({GridOperation{{1, 1, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}}}));
}

TEST(HallInterpreter, RecordOfTheGroup) {
    const SpaceGroup none;
    EXPECT_EQ(none.number(), 0);
    EXPECT_FALSE(none.isAbsent(1, 0, 0)); // no operations: nothing absent
    EXPECT_EQ(none.crystalSystem(), "");
    EXPECT_EQ(SpaceGroup::ofRow(findSettingRow("P21/C", RGroupAxes::Hexagonal)).crystalSystem(),
              "Monoclinic");
    // P n -3 n in its second origin.
    const auto second = std::find_if(settingsTable.begin(), settingsTable.end(),
                                     [](const SettingsRow& r) { return r.hall == "-P 4a 2bc 3"; });
    EXPECT_EQ(SpaceGroup::ofRow(int(second - settingsTable.begin())).originChoice(), 2);
}

TEST(Listing, Lines) {
    for (const auto& [v, text] : {std::pair{0.0f, ""}, {-0.1f, "-0.1"}, {11.0f / 12.0f, "+11/12"}})
        EXPECT_EQ(fractionText(v), text) << v;
    // A part longer than seven characters loses what lies beyond its field.
    const Matrix4 m = {{{1, -1, 0, 1.0f / 3.0f}, {0, 0, -1, 0}, {1, 1, 1, 5.0f / 12.0f}, {}}};
    EXPECT_EQ(formatOperator(m), " X-Y+1/3,     -Z,  X+Y+Z+5/");

    // 151, whose Hall symbol carries an origin shift
    const std::string shifted =
        listingText(SpaceGroup::ofRow(findSettingRow("P3112", RGroupAxes::Hexagonal)));
    EXPECT_EQ(shifted.substr(0, shifted.find(" 3 ")),
              "Hall: P 31 2c\r\n 1                  X,       Y,         Z\r\n"
              " 2                 -Y,     X-Y,     Z+1/3\r\n");
    const std::string fcc =
        listingText(SpaceGroup::ofRow(findSettingRow("FM-3M", RGroupAxes::Hexagonal)));
    EXPECT_EQ(std::count(fcc.begin(), fcc.end(), '\n'), 193);
}

} // namespace
} // namespace tavrel
