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
    for (const Args& args :
         {Args{"spacegroup", "P21/C"}, {"spacegroup", " p21/c "}, {"spacegroup", "--row", "80"}}) {
        const CliResult r = runCli(args);
        EXPECT_EQ(std::tuple(r.status, r.out, r.err), std::tuple(0, kP21cHeader + kP21cListing, ""))
            << args[1];
    }
    // The gamma of the cell chooses the axes of a rhombohedral symbol; rhombohedral by default;
    // each operation's line is followed by its matrix rows.
    const std::pair<Args, std::string> printed[] = {
        {{"R-3M", "--gamma", "120"}, "Symbol: R -3 m = 166:H\n"},
        {{"R-3M"}, "Symbol: R -3 m = 166:R\n"},
        {{"P21/C", "--matrices"},
         " 2                 -X,   Y+1/2,    -Z+1/2\n-1 0 0 0 0 1 0 0.5 0 0 -1 0.5\n 3 "},
        {{"P31", "--matrices"}, " 0 0 1 0.3333333\n"}};
    for (const auto& [args, text] : printed) {
        Args full{"spacegroup"};
        full.insert(full.end(), args.begin(), args.end());
        EXPECT_TRUE(contains(runCli(full).out, text)) << text;
    }
    // Absent reflections with h, k, l each running from the limit down.
    EXPECT_EQ(runCli({"spacegroup", "P21/C", "--absent", "2"}).out,
              kP21cHeader + "2 0 1\n2 0 -1\n1 0 1\n1 0 -1\n0 1 0\n0 0 1\n0 0 -1\n"
                            "0 -1 0\n-1 0 1\n-1 0 -1\n-2 0 1\n-2 0 -1\n");
    const CliResult none = runCli({"spacegroup", "R3:X"});
    EXPECT_EQ(std::tuple(none.status, none.out, none.err),
              std::tuple(1, "", "tavrel-cli spacegroup: no space group matches 'R3:X'\n"));
}

// The listing file has CR LF line ends; one that cannot be written is named, and the command
// still prints what it would have written.
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
    EXPECT_EQ(std::tuple(failed.status, failed.out, lines(failed.err).size()),
              std::tuple(1, kP21cHeader + kP21cListing, 1u));
    EXPECT_TRUE(contains(failed.err, unwritable)) << failed.err;
}

} // namespace
} // namespace tavrel::cli
