#include "cli/cli_test_util.h"
#include "common/version.h"

#include <gtest/gtest.h>

namespace tavrel::cli {
namespace {

const std::string kQuartzCell = "_cell_length_a 4.9134(2)\n_cell_length_b 4.9134(2)\n"
                                "_cell_length_c 5.4052(3)\n_cell_angle_alpha 90\n"
                                "_cell_angle_beta 90\n_cell_angle_gamma 120\n";

std::string quartzCif(const std::vector<std::string>& operations) {
    std::string s =
        "data_quartz\n_chemical_name_mineral Quartz\n" + kQuartzCell +
        "_space_group_name_H-M_alt 'P 32 2 1'\nloop_\n_space_group_symop_operation_xyz\n";
    for (const std::string& op : operations) s += "'" + op + "'\n";
    return s;
}

// The quartz structure as the window's fields would hold it typed in, new-document defaults
// elsewhere (limits 2, d from 1.0, d-Max from the cell).
const char* const kQuartzTvr = "VELDTRACE INPUT 1.5\r\nQuartz\r\n153\r\n4.9134\r\n4.9134\r\n"
                               "5.4052\r\n90\r\n90\r\n120\r\n0\r\n2\r\n2\r\n2\r\n1.5418\r\n"
                               "1.5418\r\n0 0 1\r\n0\r\n1.0\r\n0\r\n120\r\n120\r\n300\r\n";

TEST(CifCommands, AQuartzCifListsWhatItsPatternInputFileLists) {
    Scratch scratch;
    const std::string cif =
        scratch.write("quartz.cif", quartzCif({"x,y,z", "-y,x-y,z+2/3", "-x+y,-x,z+1/3", "y,x,-z",
                                               "x-y,-y,-z+1/3", "-x,-x+y,-z+2/3"}));
    const std::string tvr = scratch.write("quartz.tvr", kQuartzTvr);
    const CliResult fromCif = runCli({"reflections", cif});
    ASSERT_EQ(fromCif.status, 0) << fromCif.err;
    EXPECT_EQ(fromCif.err, "");
    EXPECT_GT(lines(fromCif.out).size(), 20u);
    EXPECT_EQ(fromCif.out, runCli({"reflections", tvr}).out);

    // Converted, it is that pattern input file (d-Max as derived from the cell).
    const std::string converted = scratch.file("converted.tvr");
    ASSERT_EQ(runCli({"convert", cif, converted}).status, 0);
    EXPECT_EQ(runCli({"reflections", converted}).out, fromCif.out);

    // The same structure with its origin moved along c matches no tabulated setting.
    const std::string shifted =
        scratch.write("shifted.cif", quartzCif({"x,y,z", "-y,x-y,z+2/3", "-x+y,-x,z+1/3",
                                                "y,x,-z+1/2", "x-y,-y,-z+5/6", "-x,-x+y,-z+1/6"}));
    const CliResult refused = runCli({"reflections", shifted});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "tavrel-cli reflections: \"" + shifted +
                               "\" (data_quartz): its 6 symmetry operations match none of the "
                               "530 space-group settings (an origin or axes other than those "
                               "tabulated)\n");
}

TEST(CifCommands, Version) {
    EXPECT_EQ(runCli({"--version"}).out, "tavrel-cli " + std::string(kVersion) + "\n");
    EXPECT_EQ(runCli({"--version"}).status, 0);
}

} // namespace
} // namespace tavrel::cli
