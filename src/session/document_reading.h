#pragma once
// Reading the document from its input fields, and the commands that set the fields as a whole.

#include "common/result.h"
#include "session/simulation.h"

#include <optional>
#include <string>

namespace tavrel {

// What the fields say, read and checked.
struct DocumentReading {
    // The texts as the document reads them: "," in a number written ".", the cell constraints
    // of the group's crystal system, voltages turned into wavelengths, defaults filled in.
    DocumentFields fields;
    PatternDocument document;
    SpaceGroup group;
    // The first value the simulation cannot take: an impossible cell ("Invalid unit cell
    // parameters") or a number that cannot be used ("Wavelength 1 is not a usable number:
    // 1e39"). The document is then invalid and generation lists nothing.
    std::optional<Problem> problem;
};

// Reads every field; never stops half-way. What the fields do not hold (the file path) and the
// lattice matrices of a cell that cannot be read come from `previous`. The space group is that
// of the list position, in the fields' setting row when it belongs to that group (which is
// cleared otherwise).
DocumentReading readDocument(const DocumentFields& fields, const PatternDocument& previous);

// The "Minimum intensity" field read into the document (0 for a text without a usable number,
// at most 100), with the decimal point; reading it alone changes the picture, not the list.
void readMinIntensity(DocumentFields& fields, PatternDocument& document);

// A wavelength field as typed. Wavelength 1 typed as a wavelength (a number of 5 angstrom or
// less) returns the radiation to X-rays that a voltage had made electrons (the box of electron
// scattering, when ticked, still keeps the electrons' factors).
void typeWavelength(DocumentFields& fields, std::size_t index, std::string text);

// Takes a reading: its fields, document and group replace the simulation's, and the reflections
// are gone until the next list.
void takeReading(Simulation& sim, DocumentReading reading);

// The fields that show a document's values (as a file that holds only values is shown).
void showDocument(Simulation& sim);

// "New": the fields of a new document (`filePath` its file), no reflections.
void newDocument(Simulation& sim, const std::string& filePath);

} // namespace tavrel
