#pragma once
// What the commands that load a simulation share: a simulation, the picture it is shown in, and
// loading a file as the window's Open command does, with its messages on stderr.

#include "session/pattern_view.h"
#include "session/simulation.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace tavrel::cli {

// A simulation whose fields start as those of a new document, so that what a reflection file
// does not hold (hkl limits, d range, film, orientation) has the values of "New".
struct CliSession {
    CliSession(std::ostream& err, std::string commandName);
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Loads a ".tvr" or ".cif" (and generates its reflections) or a ".hkl" file into the
    // simulation and shows it in the picture. False when the file cannot be read or its input
    // was refused (an invalid cell, a number that cannot be used, refused hkl limits): one line
    // on stderr names the problem. Warnings (a list stopped at its largest size, a CIF taken
    // with doubts) are printed and the command goes on. A path with another extension is a bad
    // argument (UsageError).
    bool load(const std::string& path);
    // One line on stderr: "tavrel-cli COMMAND: text".
    void say(const std::string& text) const;
    // The scattering the lines of a structure are weighed with: "xray" or "electron" (a bad
    // argument otherwise); without the option, electrons' when wavelength 1 is a voltage.
    void chooseScattering(const std::optional<std::string>& option);

    std::ostream& err;
    std::string commandName;
    Simulation simulation;
    PatternView pattern;
};

} // namespace tavrel::cli
