#include "cli/cli_test_util.h"

#include <gtest/gtest.h>

namespace tavrel::cli {
namespace {

const std::string kP21cHeader = "Row: 80\nNumber: 14\nHall: -P 2ybc\n"
                                "Symbol: P 21/c = P 1 21/c 1 = 14:b1\n"
                                "Crystal system: Monoclinic\nOrigin choice: 1\nOperations: 4\n";
const std::string kP21cListing = "Hall: -P 2ybc\n"
                                 " 1                  X,       Y,         Z\n"
                                 " 2                 -X,   Y+1/2,    -Z+1/2\n"
                                 " 3                 -X,      -Y,        -Z\n"
                                 " 4                  X,  -Y+1/2,     Z+1/2\n";

TEST(SpacegroupCommand, PrintsTheSelectedRowItsListingMatricesAndAbsences) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"spacegroup", "P21/C"}, {"spacegroup", " p21/c "}, {"spacegroup", "--row", "80"}}) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, kP21cHeader + kP21cListing) << args[1];
        EXPECT_EQ(r.err, "");
    }
    // The gamma of the cell chooses the axes of a rhombohedral symbol; rhombohedral by default.
    EXPECT_NE(runCli({"spacegroup", "R-3M", "--gamma", "120"}).out.find("Symbol: R -3 m = 166:H\n"),
              std::string::npos);
    EXPECT_NE(runCli({"spacegroup", "R-3M"}).out.find("Symbol: R -3 m = 166:R\n"),
              std::string::npos);

    // Each operation's line followed by its matrix rows.
    EXPECT_NE(runCli({"spacegroup", "P21/C", "--matrices"})
                  .out.find(" 2                 -X,   Y+1/2,    -Z+1/2\n"
                            "-1 0 0 0 0 1 0 0.5 0 0 -1 0.5\n"
                            " 3 "),
              std::string::npos);
    EXPECT_NE(runCli({"spacegroup", "P31", "--matrices"}).out.find(" 0 0 1 0.3333333\n"),
              std::string::npos);
    // Absent reflections with h, k, l each running from the limit down.
    EXPECT_EQ(runCli({"spacegroup", "P21/C", "--absent", "2"}).out,
              kP21cHeader + "2 0 1\n2 0 -1\n1 0 1\n1 0 -1\n0 1 0\n0 0 1\n0 0 -1\n"
                            "0 -1 0\n-1 0 1\n-1 0 -1\n-2 0 1\n-2 0 -1\n");
}

TEST(SpacegroupCommand, ListingFile) {
    Scratch scratch;
    const std::string file = scratch.file("ops.txt");
    const CliResult r = runCli({"spacegroup", "P21/C", "--listing", file});
    EXPECT_EQ(std::pair(r.status, r.err), std::pair(0, std::string()));
    std::string crlf;
    for (const std::string& line : lines(kP21cListing)) crlf += line + "\r\n";
    EXPECT_EQ(readFile(file), crlf);

    const std::string unwritable = scratch.file("missing/ops.txt");
    const CliResult failed = runCli({"spacegroup", "P21/C", "--listing", unwritable});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, kP21cHeader + kP21cListing);
    EXPECT_EQ(lines(failed.err).size(), 1u);
    EXPECT_NE(failed.err.find(unwritable), std::string::npos);
}

} // namespace
} // namespace tavrel::cli
