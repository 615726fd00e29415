#pragma once
// The picture module: the commands that need Qt's GUI libraries (drawing pictures, reading
// pattern images) run in a module that is loaded only when one of them is asked for, since
// loading those libraries would cost every other command most of its time.

#include <iosfwd>
#include <string>
#include <vector>

namespace tavrel::cli {

// Loads the module beside the program (PREFIX/lib/tavrel/tavrel-render.so) and runs its entry
// `entryName`; a module that cannot be loaded is reported as `command`'s failure.
int runInPictureModule(const char* entryName, const char* command,
                       const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tavrel::cli
