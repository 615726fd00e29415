#include "cli/cli_session.h"

#include "cli/args.h"
#include "session/generation.h"
#include "session/input_files.h"

#include <ostream>

namespace tavrel::cli {

CliSession::CliSession(std::ostream& errors, std::string name)
    : err(errors), commandName(std::move(name)), notifier(errors, commandName),
      simulation(notifier) {
    newDocument(simulation, "input.tvr");
    simulation.addListener([this](SimulationChange change) {
        if (change != SimulationChange::Turned) showNewReflections(pattern, simulation, change);
    });
}

void StderrNotifier::error(std::string_view text) {
    ++errors_;
    err_ << "tavrel-cli " << commandName_ << ": " << text << "\n";
}
void StderrNotifier::message(std::string_view text) {
    err_ << "tavrel-cli " << commandName_ << ": " << text << "\n";
}

bool CliSession::load(const std::string& path) {
    const std::optional<InputFormat> format = inputFormatOf(path);
    if (!format) throw UsageError("'" + path + "' is neither a .tvr, a .hkl nor a .cif file");
    const int errorsBefore = notifier.errorCount();
    const FileOutcome outcome = openInputFile(simulation, path, *format);
    if (!outcome.ok) {
        err << "tavrel-cli " << commandName << ": " << outcome.error << "\n";
        return false;
    }
    return notifier.errorCount() == errorsBefore;
}

} // namespace tavrel::cli
