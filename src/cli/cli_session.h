#pragma once
// What the commands that load a simulation share: a simulation whose messages go to stderr,
// the picture it is shown in, and loading a file as the window's Open command does.

#include "common/notifier.h"
#include "session/pattern_view.h"
#include "session/simulation.h"

#include <iosfwd>
#include <string>

namespace tavrel::cli {

// Messages of the engine, of reading and of generation ("Invalid unit cell parameters", ...) as
// lines on stderr, each starting with "tavrel-cli COMMAND: "; beeps are silent (the failure they
// stand for is reported by the command itself). Errors are counted: a command whose input was
// refused must not go on as if it had been simulated. Messages are warnings and only shown.
class StderrNotifier : public Notifier {
public:
    StderrNotifier(std::ostream& err, std::string commandName)
        : err_(err), commandName_(std::move(commandName)) {}
    void error(std::string_view text) override;
    void message(std::string_view text) override;
    void beep() override {}

    int errorCount() const { return errors_; }

private:
    std::ostream& err_;
    std::string commandName_;
    int errors_ = 0;
};

// A simulation whose fields start as those of a new document, so that what a reflection file
// does not hold (hkl limits, d range, film, orientation) has the values of "New".
struct CliSession {
    CliSession(std::ostream& err, std::string commandName);
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;
    // Loads a ".tvr" or ".cif" (and generates its reflections) or a ".hkl" file into the
    // simulation and shows it in the picture. False when the file cannot be read (one line on
    // stderr names the file and the problem) or when its input was refused (an invalid cell, a
    // number that cannot be used, refused hkl limits: the notifier has said so). A path with
    // another extension is a bad argument (UsageError).
    bool load(const std::string& path);

    std::ostream& err;
    std::string commandName;
    StderrNotifier notifier;
    Simulation simulation;
    PatternView pattern;
};

} // namespace tavrel::cli
