#include "cli/cli_session.h"

#include "cli/args.h"
#include "session/input_files.h"
#include "session/simulation.h"

#include <ostream>

namespace tavrel::cli {

CliSession::CliSession(std::ostream& err, std::string_view command)
    : notifier(err, command), session(notifier) {
    newDocument(session);
}

void StderrNotifier::error(std::string_view text) {
    err_ << "tavrel-cli: " << text << "\n";
}
void StderrNotifier::message(std::string_view text) {
    err_ << "tavrel-cli: " << text << "\n";
}

bool loadSimulation(Session& s, const std::string& path, const std::string& commandName,
                    std::ostream& err) {
    const std::optional<InputFormat> format = inputFormatOf(path);
    if (!format) throw UsageError("'" + path + "' is neither a .tvr nor a .hkl file");
    const FileOutcome outcome = openInputFile(s, path, *format);
    if (!outcome.ok) {
        err << "tavrel-cli " << commandName << ": " << outcome.error << "\n";
        return false;
    }
    return true;
}

} // namespace tavrel::cli
