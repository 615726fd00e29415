// The render command's description; the picture module does its work.

#include "cli/commands.h"
#include "cli/image_options.h"
#include "cli/orientation_options.h"
#include "cli/picture_module.h"

#include <ostream>
#include <string>
#include <vector>

namespace tavrel::cli {

namespace {

int runRenderModule(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runInPictureModule("tavrelRenderCommand", "render", args, out, err);
}

} // namespace

const Command renderCommand{
    "render", "draw the pattern of a simulation file into a picture file",
    "tavrel-cli render FILE -o OUT [options]",
    "Loads FILE (.tvr, .hkl or .cif) as the window's Open command does, draws the pattern\n"
    "exactly as the window shows it on a picture of the given size, writes OUT in the format\n"
    "of its extension (.png, .bmp, .svg or .pdf) and prints the first two status texts (the\n"
    "reflection count and the pole nearest to the centre).\n\n"
    "options:\n"
    "  -o, --output OUT    the picture file to write\n"
    "  --size WxH          picture size in pixels, each from 60 to 16000 (default 850x620)\n"
    "  --stereographic     stereographic projection (default gnomonic)\n"
    "  --labels            hkl labels at the lines\n"
    "  --rings             the stereographic rings (10 to 90 degrees)\n"
    "  --no-film-outline   leave out the film outline\n"
    "  --light             light background\n"
    "  --points            reciprocal-lattice points instead of cone lines\n"
    "  --scheme N          colour scheme 0..6, or 7 for monochrome (default 0, "
    "grey)\n" TAVREL_ORIENTATION_OPTIONS_HELP
    "  --zone-axes         mark the zone axes [uvw] with a label\n"
    "  --zone-axis-index N the largest |u|, |v|, |w| of the marked zone axes, 1..6 (default 3)\n"
    "  --image IMG         draw the recorded pattern image IMG (PNG, JPEG, BMP, TIFF) under\n"
    "                      the lines, spanning the film (gnomonic projection only)\n"
    "  (its detector; the film outline lies around its pattern "
    "centre)\n" TAVREL_GEOMETRY_OPTIONS_HELP
    "  --opacity F         its opacity, 0..1 (default 0.7)\n"
    "  --no-flatten        show it as recorded, without dividing by its blurred background\n"
    "  --orientations LIST one picture per line of LIST, each three Euler angles \"p1 P p2\";\n"
    "                      OUT holds %d or %0Nd, replaced by the line number\n"
    "                      (\"si_%04d.png\"); lines that are not three numbers are reported\n"
    "                      and skipped, blank lines and lines starting with # ignored; the\n"
    "                      angles (and --euler) are in the frame of "
    "--frame\n" TAVREL_FRAME_OPTION_HELP
    "  --threshold D       lines only for reflections with d above D (angstrom)\n"
    "  --select \"h k l\"    draw the lines of this reflection highlighted (repeatable)\n"
    "A structure with atoms (from a CIF) weighs its lines by their structure factors:\n"
    "  --min-intensity P   no line for reflections weaker than P per cent of the strongest\n"
    "                      (default: the file's, else 0.5)\n"
    "  --colour-by KIND    the colour table runs over the relative intensity (intensity, the\n"
    "                      default) or over d (d); without atoms always over d\n"
    "  --scattering KIND   xray or electron (default: electron when wavelength 1 is a\n"
    "                      microscope voltage, else xray)\n",
    runRenderModule};

} // namespace tavrel::cli
