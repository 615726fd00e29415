#pragma once
// The two file formats that carry a simulation: the pattern input file (".tvr", every input of
// the document) and the reflection file (".hkl", a cell, a space group and explicit
// reflections). Lines are written with CR LF; reading accepts CR LF or LF. A crystallographic
// information file (".cif", see cif_file.h) is a third format that is only read.

#include "session/simulation.h"

#include <optional>
#include <string>

namespace tavrel {

enum class InputFormat { Tvr, Hkl, Cif };

inline constexpr const char* kTvrHeader = "VELDTRACE INPUT 1.5";

// The format of a path by its extension (".tvr", ".hkl" or ".cif", any case).
std::optional<InputFormat> inputFormatOf(const std::string& path);

struct FileOutcome {
    bool ok = true;
    std::string error; // names the file and the problem
};

// Loads a pattern input file and generates its reflections (announced as Generated). A first
// line without "VELDTRACE INPUT 1." beeps; that and every other failure (unreadable file, a
// file that ends early) leaves the simulation as it was.
FileOutcome openTvr(Simulation& sim, const std::string& path, const CancelCheck& cancelled = {});
// Loads a reflection file: the cell and group into the fields, the reflections as they stand
// (no extinction test, no d range, file order), announced as Loaded. A file announcing more
// reflections than a file may hold, or ending early, leaves the simulation as it was.
FileOutcome openHkl(Simulation& sim, const std::string& path);
FileOutcome openInputFile(Simulation& sim, const std::string& path, InputFormat format,
                          const CancelCheck& cancelled = {});

// The 22 lines of the pattern input file (generating the reflections first when they are not).
std::string tvrText(Simulation& sim, const CancelCheck& cancelled = {});
// The reflection file of the reflections above the drawn d threshold.
std::string hklText(const Simulation& sim);

FileOutcome saveTvr(Simulation& sim, const std::string& path, const CancelCheck& cancelled = {});
FileOutcome saveHkl(const Simulation& sim, const std::string& path);
FileOutcome saveInputFile(Simulation& sim, const std::string& path, InputFormat format,
                          const CancelCheck& cancelled = {});

} // namespace tavrel
