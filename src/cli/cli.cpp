#include "cli/cli.h"

#include "cli/args.h"
#include "cli/commands.h"
#include "common/version.h"

#include <array>
#include <ostream>

namespace tavrel::cli {

namespace {

const std::array<const Command*, 13> kCommands = {
    &spacegroupCommand,  &reflectionsCommand, &reportCommand, &convertCommand, &renderCommand,
    &orientationCommand, &tiltCommand,        &indexCommand,  &refineCommand,  &indexMapCommand,
    &wavelengthCommand,  &angleCommand,       &samplesCommand};

const Command* findCommand(const std::string& name) {
    for (const Command* c : kCommands)
        if (c->name == name) return c;
    return nullptr;
}

void printUsage(std::ostream& os) {
    os << "usage: tavrel-cli COMMAND [ARGS...]\n"
       << "       tavrel-cli --help | --version | COMMAND --help\n\ncommands:\n";
    for (const Command* c : kCommands) {
        std::string name(c->name);
        name.resize(14, ' ');
        os << "  " << name << c->summary << "\n";
    }
}

// "--help" anywhere before "--"; "-h" only right after the command, where it cannot be the
// value of an option ("--listing -h" names a file).
bool wantsHelp(const std::vector<std::string>& args) {
    if (!args.empty() && args[0] == "-h") return true;
    for (const std::string& a : args) {
        if (a == "--") return false;
        if (a == "--help") return true;
    }
    return false;
}

} // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << "tavrel-cli: error: no command given\n";
        printUsage(err);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        out << "tavrel-cli: diffraction-cone patterns of crystals from the command line.\n\n";
        printUsage(out);
        return 0;
    }
    if (args[0] == "--version") {
        out << "tavrel-cli " << kVersion << "\n";
        return 0;
    }
    const Command* command = findCommand(args[0]);
    if (!command) {
        err << "tavrel-cli: error: unknown command '" << args[0] << "'\n";
        printUsage(err);
        return 2;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (wantsHelp(rest)) {
        out << "usage: " << command->usage << "\n\n" << command->help;
        return 0;
    }
    try {
        return command->run(rest, out, err);
    } catch (const UsageError& e) {
        err << "tavrel-cli " << command->name << ": error: " << e.what() << "\n"
            << "usage: " << command->usage << "\n";
        return 2;
    }
}

} // namespace tavrel::cli
