#pragma once
// The files that carry a simulation: the pattern input file (".tvr", every input of the
// document), the reflection file (".hkl", a cell, a space group and explicit reflections) and the
// crystallographic information file (".cif", see cif_file.h, only read). Lines are written with
// CR LF; reading accepts CR LF or LF.
//
// Opening is two steps, so that a caller can tell a refused file (nothing changed) from a file
// whose input the simulation then refuses: readInputFile reads and checks a file and changes
// nothing, takeInputFile puts what was read into the simulation.

#include "common/result.h"
#include "session/generation.h"
#include "session/simulation.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tavrel {

enum class InputFormat { Tvr, Hkl, Cif };

inline constexpr const char* kTvrHeader = "VELDTRACE INPUT 1.5";

// The formats in the order the file dialogs offer them.
inline constexpr std::array<InputFormat, 3> kInputFormats{InputFormat::Tvr, InputFormat::Hkl,
                                                          InputFormat::Cif};

// The format of a path by its extension (".tvr", ".hkl" or ".cif", any case).
std::optional<InputFormat> inputFormatOf(const std::string& path);

// The format a file named in a file dialog is read or written in. A name with a known extension
// keeps its own, whatever the dialog offered: a ".hkl" file holding a pattern input file could
// never be opened again. A name without one takes `offered` and, with `addExtension`, that
// format's extension.
InputFormat chosenFormat(std::string& path, InputFormat offered, bool addExtension);

// What an input file gives a simulation.
struct InputFile {
    InputFormat format = InputFormat::Tvr;
    std::string path;
    // The fields the file sets; those it does not hold keep the values they were read with.
    DocumentFields fields;
    // A reflection file's reflections, as they stand (no extinction test, no d range, file
    // order).
    ReflectionList reflections;
    // A CIF's atom sites; the other files hold none.
    std::vector<AtomSite> atoms;
    // The detector a CIF the program wrote keeps; the other files keep none.
    std::optional<DetectorSetup> detector;
    // For the user when the file is taken all the same (a CIF with several structures, ...).
    std::vector<std::string> warnings;
};

// Reads and checks the file at `path`; `current` are the fields the file's values go into.
// Refused, with a message that names the file and the problem: a file that cannot be read; a
// pattern input file whose first line lacks "VELDTRACE INPUT 1." (Problem::Kind::WrongKind) or
// that ends early; a reflection file with a cell that gives no lattice, a count that is not a
// whole number from 0 to kMaxReflections, a file ending early, an index that is not a whole
// number in -32768..32767, (0 0 0), or a reflection without a finite positive spacing in the
// cell, or whose values (with the fields it leaves as they are) the simulation cannot take; a CIF
// as readCifFile refuses it.
Result<InputFile> readInputFile(const std::string& path, InputFormat format,
                                const DocumentFields& current);

// Puts a file that was read into the simulation: a reflection file's reflections as they stand
// (NewList::Loaded), the reflections of any other generated (NewList::Generated). The file's
// warnings come first among the report's.
Result<NewListReport> takeInputFile(Simulation& sim, const InputFile& file,
                                    const CancelCheck& cancelled = {});

// The 22 lines of the pattern input file of a simulation whose reflections were generated (or
// loaded): the values read at that time, the other fields as they stand.
std::string tvrText(const Simulation& sim);
// The reflection file of the reflections above the drawn d threshold (those with a finite,
// positive spacing; no other spacing can be read back).
std::string hklText(const Simulation& sim);

// Writes the simulation in `format`; a pattern input file or CIF of a document not yet simulated
// is simulated first. The warnings are for the user (a setting or atoms that a pattern input file
// cannot store, input that the simulation refused); a problem names the file and the reason.
Result<std::vector<std::string>> saveInputFile(Simulation& sim, const std::string& path,
                                               InputFormat format,
                                               const CancelCheck& cancelled = {});

} // namespace tavrel
