// The description of index-map; the picture module does its work, since pattern images and the
// map's pictures need Qt's GUI libraries.

#include "cli/commands.h"
#include "cli/picture_module.h"

namespace tavrel::cli {

namespace {

int runIndexMapModule(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runInPictureModule("tavrelIndexMapCommand", "index-map", args, out, err);
}

} // namespace

const Command indexMapCommand{
    "index-map", "index a whole EBSD map and write it as an .ang or .ctf",
    "tavrel-cli index-map FILE... --map PATTERNS -o OUT.ang|OUT.ctf [--scan N] "
    "[--map-shape ROWSxCOLUMNS] [--rows A:B] [--pc \"x y [z]\"] [--pc-model map|file|plane] "
    "[--static-background IMG|mean|none] [--dynamic-background divide|subtract|none] "
    "[--voltage KV] [--step \"X [Y]\"] [--threads N] "
    "[--no-refine] [--ipf PNG] [--quality-map PNG] [--score-map PNG] [--json]",
    "Loads each FILE (.tvr or .cif, one per phase the map may show), reads the patterns of\n"
    "the map PATTERNS point by point, finds each one's orientation and writes the map as an\n"
    "EDAX .ang or an Oxford .ctf. PATTERNS is a map file (kikuchipy h5ebsd, EDAX .h5/.oh5,\n"
    "Bruker .h5, Oxford .h5oina or .ebsp, NORDIF Pattern.dat, EDAX .up1/.up2), a folder of\n"
    "pattern images or a name pattern numbering them (\"scan/p_%05d.png\"); what the file\n"
    "states (map shape and step, pattern centres, tilts, voltage, static background) is taken,\n"
    "and the options override it. A point inside a grain first tries the orientations its\n"
    "neighbours found and is indexed with no guess only where none fits. Prints the summary:\n"
    "points indexed, how many from scratch, the mean score, the time and patterns per second.\n"
    "A file that cannot be read, or a map with no point indexed, is exit status 1.\n\n"
    "options:\n"
    "  --map PATTERNS      the patterns of the map\n"
    "  -o, --output OUT    the orientation map: .ang (EDAX) or .ctf (Oxford)\n"
    "  --scan N            the scan of a file holding several, from 1 (default 1)\n"
    "  --map-shape RxC     the map's rows and columns, where the file does not state them\n"
    "                      (folders of images, early .up1) or states them wrongly\n"
    "  --rows A:B          only rows A to B - 1 (from 0); positions stay those of the whole\n"
    "                      map, so the pieces of a map indexed apart join into it\n"
    "  --pc \"x y [z]\"      one pattern centre for the whole map in Bruker's convention: x, y in\n"
    "                      fractions of the pattern width and height from its top left corner,\n"
    "                      z the distance over the pattern height (default FILE's distance)\n"
    "  --pc-model MODEL    map: one centre (given, stated for the map, or the middle of the\n"
    "                      file's); file: each pattern's own from the file (the default where\n"
    "                      the file keeps them); plane: a plane fitted over the file's own\n"
    "  --static-background IMG|mean|none\n"
    "                      subtract from every pattern a picture of the screen's background,\n"
    "                      the mean of all the map's patterns, or nothing (default: the\n"
    "                      file's own when it holds one)\n"
    "  --dynamic-background divide|subtract|none\n"
    "                      each pattern's own slow intensity (a strong blur of it) divided\n"
    "                      out (the default), subtracted or kept\n"
    "  --voltage KV        the microscope's voltage (default the file's, else FILE's)\n"
    "  --step \"X [Y]\"      the step between points in micrometres (default the file's, or 1)\n"
    "  --threads N         match on N threads (default one per core)\n"
    "  --no-refine         take a neighbour's orientation as it is (faster), not refined on\n"
    "                      the point's own pattern\n"
    "  --ipf PNG           the inverse-pole-figure colours along the specimen normal, with\n"
    "                      each phase's colour key\n"
    "  --quality-map PNG   the pattern quality of every point\n"
    "  --score-map PNG     the score of every point indexed\n"
    "  --json              the summary as {\"points\", \"indexed\", \"fraction\", "
    "\"fromScratch\",\n"
    "                      \"meanScore\", \"seconds\", \"patternsPerSecond\"}\n",
    runIndexMapModule};

} // namespace tavrel::cli
