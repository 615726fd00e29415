#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::cli {

struct Command {
    std::string_view name;
    std::string_view summary; // one line for the command list
    std::string_view usage;   // "tavrel-cli NAME ARGS..."
    std::string_view help;    // what the command does and what each option means
    int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

// Exit status of a command that could not read or write a file, or whose input was refused (an
// invalid cell, a number that cannot be used, a symbol that names no space group, ...).
inline constexpr int kFailure = 1;

extern const Command spacegroupCommand;
extern const Command reflectionsCommand;
extern const Command reportCommand;
extern const Command convertCommand;
extern const Command renderCommand;
extern const Command wavelengthCommand;
extern const Command angleCommand;
extern const Command samplesCommand;
extern const Command orientationCommand;
extern const Command tiltCommand;
extern const Command indexCommand;
extern const Command refineCommand;
extern const Command indexMapCommand;

} // namespace tavrel::cli
