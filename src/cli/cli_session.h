#pragma once
// What the commands that load a simulation share: a session whose messages go to stderr, and
// loading a file as the window's Open command does.

#include "common/notifier.h"
#include "session/session.h"

#include <iosfwd>
#include <memory>
#include <string>

namespace tavrel::cli {

// Messages of the engine ("Invalid unit cell parameters", ...) as lines on stderr, each
// starting with "tavrel-cli COMMAND: "; beeps are silent (the failure they stand for is
// reported by the command itself).
class StderrNotifier : public Notifier {
public:
    StderrNotifier(std::ostream& err, std::string_view command)
        : err_(err), prefix_("tavrel-cli " + std::string(command) + ": ") {}
    void error(std::string_view text) override;
    void message(std::string_view text) override;
    void beep() override {}

private:
    std::ostream& err_;
    std::string prefix_;
};

// A session whose fields start as those of a new document, so that what a reflection file does
// not hold (hkl limits, d range, film, orientation) has the values of "New".
struct CliSession {
    CliSession(std::ostream& err, std::string_view command);
    StderrNotifier notifier;
    Session session;
};

// Loads a ".tvr" (and generates its reflections) or a ".hkl" file. On failure prints one line
// naming the file and the problem and returns false. A path with another extension is a bad
// argument (UsageError).
bool loadSimulation(Session& s, const std::string& path, const std::string& commandName,
                    std::ostream& err);

} // namespace tavrel::cli
