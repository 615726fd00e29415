#pragma once
// Reading the document from its fields and turning it into the reflection list.

#include "session/session.h"

#include <cstdint>
#include <string>

namespace tavrel {

// Empties the reflection list and resets the drawn d range, the Bragg-angle window and the
// line/point mode.
void resetReflections(Session& s);

// Reads and validates every field into the document and writes normalised texts back into the
// fields: crystal-system constraints on the cell, the space group handed to the engine, lattice
// matrices, voltages turned into wavelengths, defaults, automatic hkl limits. Never stops
// half-way.
void readDocument(Session& s);

// Puts the cell constraints of the selected crystal system into the cell fields and selects the
// space group in the engine.
void applySpaceGroup(Session& s);

// Writes the document back into the fields (and the d slider).
void showDocument(Session& s);

// Back to a fresh document ("New").
void newDocument(Session& s);

// The "Auto" box.
void setAutoLimits(Session& s, bool on);

// Generates, sorts and shows the reflection list, then applies the orientation and fits the
// view. `cancelled` is asked after every hkl triple (the window wires it to Escape); when it
// answers true the loops end and the reflections found so far form a normal list.
void generateReflections(Session& s, const CancelCheck& cancelled = {});

// Rebuilds the texts of the reflection list view and unselects every row.
void fillReflectionView(Session& s);
// The texts of one view row for reflection i.
std::array<std::string, 5> reflectionViewRow(const Session& s, std::int32_t i);

// Bragg angle in degrees of reflection i for a wavelength (the list's "Th" columns).
double reflectionTheta(float wavelength, float d);

// Rebuilds the point table from the reflection vectors (unrotated: row i = (gx, gy, gz, i)).
void buildRotatedVectors(Session& s);

// The initial drawing scale from the spread of the reflection vectors.
void setInitialPatternScale(Session& s);

// After new reflections: the d slider spans the list's d range and every reflection gets a line.
void resetThreshold(Session& s);

// Sorts the rows [lo, hi] of a table descending by key(row), with the middle row's key as pivot
// (rows with equal keys end in the order this quicksort gives).
template <typename Row, typename Key> void quicksortDescending(std::vector<Row>& rows, Key key);

} // namespace tavrel

#include "common/quicksort.h"
