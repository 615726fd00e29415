#pragma once
// What the commands that load a simulation share: a simulation whose messages go to stderr,
// the picture it is shown in, and loading a file as the window's Open command does.

#include "common/notifier.h"
#include "session/pattern_view.h"
#include "session/simulation.h"

#include <iosfwd>
#include <string>

namespace tavrel::cli {

// Messages of the engine ("Invalid unit cell parameters", ...) as lines on stderr, each
// starting with "tavrel-cli: "; beeps are silent (the failure they stand for is reported by the
// command itself).
class StderrNotifier : public Notifier {
public:
    explicit StderrNotifier(std::ostream& err) : err_(err) {}
    void error(std::string_view text) override;
    void message(std::string_view text) override;
    void beep() override {}

private:
    std::ostream& err_;
};

// A simulation whose fields start as those of a new document, so that what a reflection file
// does not hold (hkl limits, d range, film, orientation) has the values of "New".
struct CliSession {
    explicit CliSession(std::ostream& err);
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;
    // Loads a ".tvr" or ".cif" (and generates its reflections) or a ".hkl" file into the simulation
    // and shows it in the picture. On failure prints one line naming the file and the problem and
    // returns false. A path with another extension is a bad argument (UsageError).
    bool load(const std::string& path, const std::string& commandName);

    std::ostream& err;
    StderrNotifier notifier;
    Simulation simulation;
    PatternView pattern;
};

} // namespace tavrel::cli
