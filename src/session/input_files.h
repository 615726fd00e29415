#pragma once
// The two file formats that carry a simulation: the pattern input file (".tvr", every input of
// the document) and the reflection file (".hkl", a cell, a space group and explicit
// reflections). Lines are written with CR LF; reading accepts CR LF or LF. A crystallographic
// information file (".cif", see cif_file.h) is a third format that is only read.

#include "session/simulation.h"

#include <cstdint>
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
// (no extinction test, no d range, file order), announced as Loaded. The whole file is checked
// first; a file that cannot be used leaves the simulation as it was, and the error names the
// file, the line and the problem: a cell that gives no lattice, a count that is not a whole
// number from 0 to kMaxReflections, a file ending early, an index that is not a whole number
// in -32768..32767, (0 0 0), or a reflection without a finite positive spacing in the cell.
FileOutcome openHkl(Simulation& sim, const std::string& path);
FileOutcome openInputFile(Simulation& sim, const std::string& path, InputFormat format,
                          const CancelCheck& cancelled = {});

// The 22 lines of the pattern input file (generating the reflections first when they are not).
std::string tvrText(Simulation& sim, const CancelCheck& cancelled = {});
// The reflection file of the reflections above the drawn d threshold (those with a finite,
// positive spacing; no other spacing can be read back).
std::string hklText(const Simulation& sim);

// h, k and l right-aligned in 4 characters each, as the reflection file and the report show
// them. An index that fills its column (-100, 1000) gets a blank before it, so that the
// numbers never run together.
std::string indexColumns(std::int16_t h, std::int16_t k, std::int16_t l);

FileOutcome saveTvr(Simulation& sim, const std::string& path, const CancelCheck& cancelled = {});
FileOutcome saveHkl(const Simulation& sim, const std::string& path);
FileOutcome saveInputFile(Simulation& sim, const std::string& path, InputFormat format,
                          const CancelCheck& cancelled = {});

} // namespace tavrel
