#pragma once
// tavrel-cli: the engine of the window program, driven from the command line.

#include <iosfwd>
#include <string>
#include <vector>

namespace tavrel::cli {

// Runs one command line (without the program name). Returns the exit status: 0 on success
// (warnings included), 1 when a file cannot be read or written or the input is refused, 2 for
// an unknown command or a bad argument. Every message on stderr starts with "tavrel-cli" and
// the command's name.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tavrel::cli
