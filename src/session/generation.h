#pragma once
// Reading the document from its fields and turning it into the reflection list.

#include "session/simulation.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tavrel {

// Empties the reflection list and the point table and resets the drawn d range.
void resetReflections(Simulation& sim);

// Reads and validates every field into the document and writes normalised texts back into the
// fields: "," in a number read as ".", crystal-system constraints on the cell, the space group
// handed to the engine, lattice matrices, voltages turned into wavelengths, defaults, automatic
// hkl limits. Never stops half-way. An impossible cell ("Invalid unit cell parameters") or a
// number that cannot be used ("Wavelength 1 is not a usable number: 1e39") is reported through
// the notifier, the first problem only, and makes the document invalid: the result and
// document.valid are then false, and generation lists nothing.
bool readDocument(Simulation& sim);

// Puts the cell constraints of the selected crystal system into the cell fields and selects the
// group of the list position in the engine: in the fields' setting row when it belongs to that
// group (which clears it otherwise), else in the list's own row.
void applySpaceGroup(Simulation& sim);

// Writes the document back into the fields.
void showDocument(Simulation& sim);

// "New": the fields of a new document (`filePath` its file), no reflections.
void newDocument(Simulation& sim, const std::string& filePath);

struct GenerationResult {
    long long loopCount = 0; // hkl triples the limits span, (0 0 0) included
    bool limitsRefused = false;
    bool truncated = false; // stopped at the largest list the indices allow
};

// Generates and sorts the reflection list, applies the orientation and announces Generated.
// `cancelled` is asked after every hkl triple (the window wires it to Escape); when it answers
// true the loops end and the reflections found so far form a normal list. An invalid document
// or refused limits give an empty list.
GenerationResult generateReflections(Simulation& sim, const CancelCheck& cancelled = {});

// What follows every new reflection list, generated or read from a file: the point table in
// the document's orientation, the list entry of the group, the line threshold below every
// spacing.
void completeNewReflections(Simulation& sim);

// The d slider: whole-number positions, one step = 0.1 angstrom.
struct ThresholdRange {
    int minimum = 0;
    int maximum = 0;
};
// The slider spans the drawn d range, and the threshold goes to its minimum, just below the
// smallest spacing, so that every reflection gets a line.
ThresholdRange resetThreshold(PatternDocument& document);
// The threshold of a slider position.
float thresholdOf(int sliderValue);

// The texts of the list's five columns for reflection i: "#", "hkl", "d", "Th (1)", "Th (2)".
std::array<std::string, 5> reflectionListTexts(const ReflectionList& reflections,
                                               const std::array<float, 2>& wavelength,
                                               std::int32_t i);

// The point table of the unrotated reflection vectors (point i = (gx, gy, gz) of reflection i).
void buildPointTable(Simulation& sim);

// The drawing scale a generated list starts from: the spread of its vectors over the width of
// the picture. None for a list without spread.
std::optional<float> initialPatternScale(const ReflectionList& reflections, int width);

} // namespace tavrel
