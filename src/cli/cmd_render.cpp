// The render command's description, and the loading of the picture module that does its work.
// Only drawing needs Qt's GUI libraries, whose loading would cost every other command most of
// its time, so they come with the module when a picture is asked for.

#include "cli/commands.h"
#include "cli/orientation_options.h"

#include <dlfcn.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

namespace tavrel::cli {

namespace {

using Entry = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

// Beside the program as installed and as built: PREFIX/bin/tavrel-cli and
// PREFIX/lib/tavrel/tavrel-render.so.
std::filesystem::path pictureModulePath() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return program.parent_path().parent_path() / "lib" / "tavrel" / "tavrel-render.so";
}

int runInPictureModule(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string path = pictureModulePath().string();
    // Loaded once for the life of the process: Qt's objects in it must not be unloaded.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    const char* problem = module ? nullptr : dlerror();
    auto entry = module ? reinterpret_cast<Entry>(dlsym(module, "tavrelRenderCommand")) : nullptr;
    if (!entry) {
        err << "tavrel-cli render: the picture module cannot be loaded: "
            << (problem ? problem : path + " has no render command") << "\n";
        return kFailure;
    }
    return entry(args, out, err);
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
    "  --orientations LIST one picture per line of LIST, each three Euler angles \"p1 P p2\";\n"
    "                      OUT holds %d or %0Nd, replaced by the line number\n"
    "                      (\"si_%04d.png\"); lines that are not three numbers are reported\n"
    "                      and skipped, blank lines and lines starting with # ignored\n"
    "  --threshold D       lines only for reflections with d above D (angstrom)\n"
    "  --select \"h k l\"    draw the lines of this reflection highlighted (repeatable)\n"
    "A structure with atoms (from a CIF) weighs its lines by their structure factors:\n"
    "  --min-intensity P   no line for reflections weaker than P per cent of the strongest\n"
    "                      (default: the file's, else 0.5)\n"
    "  --colour-by KIND    the colour table runs over the relative intensity (intensity, the\n"
    "                      default) or over d (d); without atoms always over d\n"
    "  --scattering KIND   xray or electron (default: electron when wavelength 1 is a\n"
    "                      microscope voltage, else xray)\n",
    runInPictureModule};

} // namespace tavrel::cli
