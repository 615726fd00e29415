// The descriptions of index and refine; the picture module does their work, since reading a
// pattern image needs Qt's GUI libraries.

#include "cli/commands.h"
#include "cli/image_options.h"
#include "cli/orientation_options.h"
#include "cli/picture_module.h"

#include <ostream>
#include <string>
#include <vector>

namespace tavrel::cli {

namespace {

int runIndexModule(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runInPictureModule("tavrelIndexCommand", "index", args, out, err);
}

int runRefineModule(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runInPictureModule("tavrelRefineCommand", "refine", args, out, err);
}

#define TAVREL_PATTERN_IMAGE_HELP                                                                  \
    "The image spans the film of FILE (width x height in mm, at the film distance), the\n"         \
    "viewing axis through the pattern centre; an image in other proportions than the film\n"       \
    "is refused. Electron patterns (wavelength 1 a microscope voltage) are matched as\n"           \
    "Kikuchi bands after their background is corrected, X-ray patterns as bright cone\n"           \
    "lines. The score is the correlation (0 to 1, the same at any image size and for any\n"        \
    "crystal) of the corrected image with the crystal's bands, each of its Bragg width and\n"      \
    "as strong as |F|^2 makes it; below 0.14, or with fewer than 2 bands, no orientation\n"        \
    "is taken. bands counts the bands found in the image that lie within 2.5 degrees of\n"         \
    "a crystal plane, deviation their mean angle from it; index also prints its\n"                 \
    "confidence (how far the best leads the next other orientation) and the pattern\n"             \
    "quality (how far the bands stand out).\n"                                                     \
    "Euler angles are printed (and --euler taken) in the frame of --frame, by default the\n"       \
    "specimen frame of EDAX TSL and kikuchipy, placed by the specimen and detector tilts.\n\n"

#define TAVREL_BACKGROUND_OPTIONS_HELP                                                             \
    "  --static-background FILE|mean  the detector's picture without a pattern, subtracted\n"      \
    "                      from each image (mean: the mean of the images given, with index)\n"     \
    "  --dynamic-background divide|subtract|none  each image's own slow intensity (a strong\n"     \
    "                      blur of it) divided out (the default), subtracted or kept\n"

} // namespace

const Command indexCommand{
    "index", "find the orientation of a recorded pattern image with no starting guess",
    "tavrel-cli index FILE [FILE2]... --image IMG [--image IMG2 | --image FOLDER]... [--pc \"x y "
    "[z]\"] "
    "[--pc-convention C] [--specimen-tilt DEG] [--detector-tilt DEG] [--pixel-size UM] "
    "[--binning N] [--frame F] [--static-background FILE|mean] [--dynamic-background M] [--json]",
    "Loads FILE (.tvr, .hkl or .cif), finds the bands of the pattern image IMG (PNG, JPEG,\n"
    "BMP or TIFF; grey or colour), matches the angles between them with those between the\n"
    "crystal's planes and prints the best orientations (at most three, best first): Euler\n"
    "angles phi1 Phi phi2, score, bands and deviation. Several images (or folders of them)\n"
    "are indexed on every core, one line per image with its best orientation.\n"
    "With several FILEs (each a phase) each image is indexed as each, and the phase whose\n"
    "best orientation scores highest is taken and named (\"phase\" in JSON).\n"
    "No orientation found is exit status 1 with a message.\n\n" TAVREL_PATTERN_IMAGE_HELP
    "options:\n"
    "  --image IMG         the pattern image, or a folder of them "
    "(repeatable)\n" TAVREL_GEOMETRY_OPTIONS_HELP TAVREL_FRAME_OPTION_HELP
        TAVREL_BACKGROUND_OPTIONS_HELP
    "  --json              {\"solutions\": [{\"euler\", \"score\", \"bands\", \"deviation\"}, "
    "...],\n"
    "                      \"confidence\", \"quality\", \"geometry\"}, with no solutions and a\n"
    "                      \"problem\" when none is found; for several images {\"images\": "
    "[{\"image\",\n"
    "                      \"solutions\"}, ...], \"geometry\"}; geometry is {\"frame\",\n"
    "                      \"specimenTilt\", \"detectorTilt\", \"pc\" (Bruker x y z),\n"
    "                      \"pcConvention\"}\n",
    runIndexModule};

const Command refineCommand{
    "refine", "refine an orientation against a recorded pattern image",
    "tavrel-cli refine FILE --image IMG [--euler \"p1 P p2\" | --orient \"h k l\" [--uvw]] "
    "[--rotate AXIS:DEG]... [--pc \"x y [z]\"] [--pc-convention C] [--specimen-tilt DEG] "
    "[--detector-tilt DEG] [--pixel-size UM] [--binning N] [--frame F] "
    "[--static-background FILE] [--dynamic-background M] [--fit-pc] [--json]",
    "Loads FILE (.tvr, .hkl or .cif), sets the orientation as the options say (else the\n"
    "file's own) and turns it until the lines agree best with the pattern image IMG; prints\n"
    "the Euler angles, the score, bands, deviation and how far the orientation moved.\n"
    "No orientation found (the lines match nothing in the image) is exit status "
    "1.\n\n" TAVREL_PATTERN_IMAGE_HELP "options:\n"
    "  --image IMG         the pattern image\n" TAVREL_GEOMETRY_OPTIONS_HELP
        TAVREL_BACKGROUND_OPTIONS_HELP
    "  --fit-pc            refine the pattern centre and the distance "
    "too\n" TAVREL_ORIENTATION_OPTIONS_HELP TAVREL_FRAME_OPTION_HELP
    "  --json              {\"euler\", \"score\", \"bands\", \"deviation\", \"moved\",\n"
    "                      \"geometry\"} (with --fit-pc also \"pc\" and \"distance\"); none "
    "found:\n"
    "                      {\"solutions\": [], \"problem\", \"geometry\"}\n",
    runRefineModule};

} // namespace tavrel::cli
