#include "cli/picture_module.h"

#include "cli/commands.h"

#include <dlfcn.h>

#include <filesystem>
#include <ostream>
#include <system_error>

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

} // namespace

int runInPictureModule(const char* entryName, const char* command,
                       const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string path = pictureModulePath().string();
    // Loaded once for the life of the process: Qt's objects in it must not be unloaded.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    const char* problem = module ? nullptr : dlerror();
    auto entry = module ? reinterpret_cast<Entry>(dlsym(module, entryName)) : nullptr;
    if (!entry) {
        err << "tavrel-cli " << command << ": the picture module cannot be loaded: "
            << (problem ? problem : path + " has no " + command + " command") << "\n";
        return kFailure;
    }
    return entry(args, out, err);
}

} // namespace tavrel::cli
