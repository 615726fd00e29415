#include "spacegroup/setting_identification.h"
#include "spacegroup/written_symbols.h"

#include "common/text.h"
#include "spacegroup/operation_set.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

namespace tavrel {
namespace {

constexpr RGroupAxes kHex = RGroupAxes::Hexagonal;

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

        const Result<int> named = settingRowOfWrittenSymbol(symbol, kHex);
        ASSERT_TRUE(named) << symbol;
        EXPECT_EQ(settingOperations(static_cast<std::size_t>(*named)), expected) << symbol;
        for (const SymmetryDescription& description :
             {SymmetryDescription{texts(expected), "", "", ""},
              SymmetryDescription{texts(cosets), std::string(settingsTable[row].hall), "", ""},
              SymmetryDescription{texts(cosets), "", symbol, ""}}) {
            const Result<IdentifiedSetting> found = identifySetting(description, kHex);
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
        const Result<IdentifiedSetting> found = identifySetting(description, kHex);
        std::string outcome = found ? extendedSymbolOfRow(found->row) : found.problem();
        if (found)
            for (const std::string& warning : found->warnings) outcome += "|" + warning;
        EXPECT_EQ(outcome, expected);
    }
}

} // namespace
} // namespace tavrel
