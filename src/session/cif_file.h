#pragma once
// Crystallographic Information Files (".cif"): the title, unit cell, space-group setting and atom
// sites of the first structure in a file, opened as a new document and simulated like a pattern
// input file. Reading is a separate step that changes nothing, so that a caller can check a file
// (or read it away from the user's thread) before it replaces the document. A document saved as
// a CIF keeps its setting, its atoms and, in items of the program's own ("_tavrel_..."), the
// rest of its inputs, so that it opens again as it was.
//
// The setting is identified by the file's symmetry operations whenever it lists them: a
// structure in a non-standard origin or axis choice must never be simulated with the
// absences of the standard one (see spacegroup/setting_identification.h for the rules).

#include "common/result.h"
#include "crystal/document.h"
#include "session/simulation.h"
#include "structure/atom_site.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavrel {

// What a CIF gives a document.
struct CifStructure {
    std::string blockName; // the data block taken, without "data_"
    std::string title;
    // a b c alpha beta gamma as the file writes them, without their standard uncertainties;
    // an angle the file leaves out is "90".
    std::array<std::string, 6> cell;
    int settingRow = 0; // row of the 530 settings (0..529)
    // The symmetry-independent atom sites; none when the block lists none, or when they cannot
    // be read (a warning then says so).
    std::vector<AtomSite> atoms;
    // The program's own items of a file it wrote: item name -> value ("_tavrel_film" ->
    // "120 120 300"); none in other files.
    std::map<std::string, std::string> simulationItems;
    // For the user when the structure is taken all the same (several structures in the file,
    // no symmetry data, a symbol that contradicts the operations); each names the file.
    std::vector<std::string> warnings;
};

// Reads the text of a CIF; `path` names the file in the messages, which name it first. Never
// throws.
Result<CifStructure> readCifText(const std::string& text, const std::string& path);
// Reads the file at `path`.
Result<CifStructure> readCifFile(const std::string& path);

// The fields of a new document (DocumentFields::resetForNewDocument) with the structure's
// title, cell, group and setting row, d-Max "0" so that it follows from the cell and automatic
// hkl limits; the program's own items of a file it wrote replace these.
void applyCifStructure(DocumentFields& fields, const CifStructure& structure);

// The detector a file the program wrote keeps (its pattern centre, convention, tilts, pixel and
// frame), none for other files.
std::optional<DetectorSetup> detectorSetupOf(const CifStructure& structure);

// The CIF of a simulated document: its title, the cell and group as read at the last simulation,
// the setting with its Hall and Hermann-Mauguin symbols and every operation, the atom sites, and
// the other inputs (wavelengths, d range, hkl limits, film, orientation, scattering, minimum
// intensity) in items of the program's own. Refused when the file could not be read back as
// this document (cifText's refusals).
Result<std::string> cifFileText(const Simulation& sim);

// A pattern input file stores only the group's list position: when the fields use a setting
// other than the list's own for that group, the message that saving them to `path` loses the
// setting; empty otherwise.
std::string settingNotStoredWarning(const DocumentFields& fields, const std::string& path);

} // namespace tavrel
