#include "cli/args.h"
#include "cli/commands.h"

#include "common/text.h"
#include "spacegroup/space_group.h"

#include <ostream>

namespace tavrel::cli {

namespace {

int runSpacegroup(const std::vector<std::string>& argv, std::ostream& out, std::ostream&) {
    const Args args(argv, {}, {"--gamma"});
    args.expectPositional(1, 1);

    clSpaceGroup engine;
    if (const auto gamma = args.value("--gamma"))
        engine.setUC(5, static_cast<float>(parseNumber(*gamma, "--gamma")));

    // The window hands over its symbol upper-cased and trimmed; so does the command line.
    std::string symbol = toUpper(trim(args.positional()[0]));
    const int row = engine.XGRP_findHallEntry(symbol);
    const clSpaceGroup::Entry entry = engine.XGRP_getEntry(row);

    out << "Row: " << row << "\n"
        << "Number: " << entry[0] << "\n"
        << "Hall: " << entry[1] << "\n"
        << "Symbol: " << entry[2] << "\n";
    return 0;
}

} // namespace

const Command spacegroupCommand{
    "spacegroup", "select a space-group setting from a typed symbol or number",
    "tavrel-cli spacegroup SYMBOL [--gamma DEG]",
    "Matches SYMBOL (a Hermann-Mauguin symbol such as P21/c, Fm-3m or R-3m:H, or a space-group\n"
    "number such as 225 or 227:2) to one of the 530 standard settings, the way the space-group\n"
    "field of the window does, and prints the row index (0..529), the space-group number, the\n"
    "Hall symbol and the extended symbol.\n\n"
    "options:\n"
    "  --gamma DEG   the cell angle gamma in degrees; a rhombohedral symbol is taken on\n"
    "                hexagonal axes when gamma is 120 and on rhombohedral axes otherwise\n"
    "                (not given: as right after start, i.e. rhombohedral axes)\n",
    runSpacegroup};

} // namespace tavrel::cli
