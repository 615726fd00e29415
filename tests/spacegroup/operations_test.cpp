#include "spacegroup/operation_set.h"
#include "spacegroup/setting_identification.h"
#include "spacegroup/settings.h"
#include "spacegroup/space_group.h"
#include "spacegroup/written_symbols.h"

#include "common/text.h"

#include <gemmi/symmetry.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

namespace tavrel {
namespace {

// r00 r01 r02 r10 r11 r12 r20 r21 r22 t0 t1 t2, the translation in 24ths (0..23).
using Op = std::array<int, 12>;

// The published operations of every setting, sorted, one list per row.
std::vector<std::vector<Op>> published() {
    std::vector<std::vector<Op>> rows;
    std::ifstream in(std::string(TAVREL_TEST_DATA) + "/spacegroup_operations.txt");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::size_t row = 0, count = 0;
        fields >> row >> count;
        std::vector<Op>& ops = rows.emplace_back(count);
        for (Op& op : ops)
            for (int& v : op) fields >> v;
        if (!fields || row + 1 != rows.size()) return {};
        std::sort(ops.begin(), ops.end());
    }
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
    const std::vector<std::vector<Op>> reference = published();
    ASSERT_EQ(reference.size(), kSettingsRowCount);
    for (int row = 0; row < static_cast<int>(kSettingsRowCount); ++row) {
        const std::string_view hall = settingsTable[static_cast<std::size_t>(row)].hall;
        const SpaceGroup group = SpaceGroup::ofRow(row);
        const std::vector<Op>& listed = reference[static_cast<std::size_t>(row)];
        EXPECT_EQ(ours(group), listed) << "row " << row << " " << hall;
        OperationSet expected, cosets;
        for (const Op& op : listed) {
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
            for (const Op& r : listed)
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
    const SpaceGroup none; // no operations: nothing absent
    EXPECT_EQ(std::tuple(none.number(), none.isAbsent(1, 0, 0), none.crystalSystem()),
              std::tuple(0, false, ""));
    EXPECT_EQ(SpaceGroup::ofRow(findSettingRow("P21/C", RGroupAxes::Hexagonal)).crystalSystem(),
              "Monoclinic");
    const int second = settingRowOfWrittenSymbol("P n -3 n:2", RGroupAxes::Hexagonal).value();
    EXPECT_EQ(SpaceGroup::ofRow(second).originChoice(), 2);
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

// Operations as a file writes them, translations as decimals with two digits ("z+0.67").
std::vector<std::string> texts(const std::vector<GridOperation>& operations) {
    std::vector<std::string> out;
    for (const GridOperation& op : operations) {
        std::string text;
        for (std::size_t i = 0; i < 3; ++i) {
            text += i ? "," : "";
            for (std::size_t j = 0; j < 3; ++j)
                if (const int e = op.rotation[3 * i + j]) text += {e > 0 ? '+' : '-', "xyz"[j]};
            char decimal[16];
            std::snprintf(decimal, sizeof decimal, "+%.2f", op.translation[i] / 24.0);
            if (op.translation[i]) text += decimal;
        }
        out.push_back(text);
    }
    return out;
}

// Every setting: its operations with two-decimal translations, one operation per centring coset
// beside its Hall symbol or its most explicit written symbol, and that symbol alone all name
// exactly its operations (rows that repeat a setting under another symbol share them).
TEST(SettingIdentification, EverySettingAsFilesWriteIt) {
    for (std::size_t row = 0; row < settingsTable.size(); ++row) {
        const OperationSet& expected = settingOperations(row);
        std::map<std::array<int, 9>, GridOperation> perRotation;
        for (const GridOperation& op : expected) perRotation.emplace(op.rotation, op);
        std::vector<GridOperation> cosets;
        for (const auto& entry : perRotation) cosets.push_back(entry.second);
        const std::string forms = replaceAll(settingsTable[row].ita, "_", " ");
        std::string symbol =
            forms.substr(forms.rfind('=') == std::string::npos ? 0 : forms.rfind('=') + 2);
        if (!settingsTable[row].qualifier.empty())
            symbol += ":" + std::string(settingsTable[row].qualifier);

        const Result<int> named = settingRowOfWrittenSymbol(symbol, RGroupAxes::Hexagonal);
        ASSERT_TRUE(named) << symbol;
        EXPECT_EQ(settingOperations(static_cast<std::size_t>(*named)), expected) << symbol;
        for (const SymmetryDescription& description :
             {SymmetryDescription{texts(expected), "", "", ""},
              SymmetryDescription{texts(cosets), std::string(settingsTable[row].hall), "", ""},
              SymmetryDescription{texts(cosets), "", symbol, ""}}) {
            const Result<IdentifiedSetting> found =
                identifySetting(description, RGroupAxes::Hexagonal);
            ASSERT_TRUE(found) << symbol << ": " << found.problem();
            EXPECT_EQ(settingOperations(static_cast<std::size_t>(found->row)), expected) << symbol;
            EXPECT_TRUE(found->warnings.empty()) << symbol;
        }
    }
}

// The datum that decides must be readable; one read beside it that cannot be is named in a
// warning. Expected: the problem, or the setting taken and (after "|") its warning.
TEST(SettingIdentification, UnreadableDataRefuseWhereTheyDecide) {
    const std::vector<std::string> p21c{"x,y,z", "-x,y+1/2,-z+1/2", "-x,-y,-z", "x,-y+1/2,z+1/2"};
    const std::string p21cName = "P 21/c = P 1 21/c 1 = 14:b1";
    const std::pair<SymmetryDescription, std::string> cases[] = {
        {{{"x,y,z", "-a,-b,c"}, "", "", ""},
         "its symmetry operation \"-a,-b,c\" cannot be read: a symmetry operation is written in "
         "x, y and z"},
        {{{"h,k,l"}, "", "", ""},
         "its symmetry operation \"h,k,l\" cannot be read: a symmetry operation is written in x, y "
         "and z"},
        // Numbers that would overflow integer arithmetic, and rotations of no lattice.
        {{{"x,y,z", "x+99999999999/2,y,z"}, "", "", ""},
         "its symmetry operation \"x+99999999999/2,y,z\" cannot be read: it holds a number too "
         "long for a symmetry operation"},
        {{{"x,y,z", "2*x,y,z"}, "", "", ""},
         "its symmetry operation \"2*x,y,z\" cannot be read: it is no symmetry operation of a "
         "lattice"},
        {{{}, "P 2 (99999999 0 0)", "", ""},
         "its Hall symbol \"P 2 (99999999 0 0)\" cannot be read"},
        {{{}, "nonsense", "P 21/c", ""}, "its Hall symbol \"nonsense\" cannot be read"},
        {{{}, "", "P -3 c", "165"},
         "its space-group symbol \"P -3 c\" cannot be read as a Hermann-Mauguin symbol"},
        {{{"x,y,z"}, "", "C 1 2/c 1", ""},
         "its 1 symmetry operations with the centring of lattice C match none of the 530 "
         "space-group settings (an origin or axes other than those tabulated)"},
        {{p21c, "-P 2ybc (", "", ""},
         p21cName + "|its Hall symbol \"-P 2ybc (\" cannot be read; its symmetry operations "
                    "decided the setting"},
        {{{}, "", "P 21/c", "231"},
         p21cName + "|its space-group number \"231\" is not 1 to 230; its symbol decided the "
                    "setting"}};
    for (const auto& [description, expected] : cases) {
        const Result<IdentifiedSetting> found = identifySetting(description, RGroupAxes::Hexagonal);
        std::string outcome = found ? extendedSymbolOfRow(found->row) : found.problem();
        if (found)
            for (const std::string& warning : found->warnings) outcome += "|" + warning;
        EXPECT_EQ(outcome, expected);
    }
}

} // namespace
} // namespace tavrel
