#pragma once
// The pattern document: the texts of the input fields exactly as the user typed them, and the
// validated values read from them.

#include "crystal/unit_cell.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tavrel {

// Group 225, F m 3 m.
inline constexpr int kDefaultSpaceGroupIndex = 224;

// What the orientation text names: a reciprocal-lattice vector (hkl), a direct-lattice vector
// [uvw], or Bunge's Euler angles (phi1 Phi phi2, degrees); the values are the positions in the
// window's list.
enum class OrientationType : std::int16_t { Reciprocal = 0, Direct = 1, Euler = 2 };
inline constexpr int kOrientationTypeCount = 3;

// Which scattering factors weigh the lines of a structure: electrons' when the first wavelength
// came from a microscope voltage, else X-rays', or the one chosen.
enum class ScatteringChoice : std::int16_t { ByWavelength = 0, XRay = 1, Electron = 2 };

// The texts of every input field, the two list positions and the "Auto" box: what the window
// binds its widgets to. The initial values are those of the form before any state is restored.
struct DocumentFields {
    std::string title = "Untitled";                // "Description"
    int spaceGroupIndex = kDefaultSpaceGroupIndex; // list position, group = index + 1
    std::array<std::string, 6> cell{"", "", "", "90", "90", "90"};
    bool autoLimits = false;
    std::array<std::string, 3> hklMax{"", "", ""};
    std::array<std::string, 2> wavelength{"1.5418", "1.5418"};
    std::string orientation = "0 0 1";
    OrientationType orientationType = OrientationType::Reciprocal;
    std::array<std::string, 2> d{"", "20"};               // d-Min, d-Max
    std::array<std::string, 3> film{"120", "120", "300"}; // width, height, distance (mm)
    // Lines of a structure weaker than this per cent of the strongest are not drawn.
    std::string minIntensity = "0.5";
    ScatteringChoice scattering = ScatteringChoice::ByWavelength;
    // The radiation is electrons: wavelength 1 was typed as a microscope voltage, which reading
    // rewrote into its wavelength. It stays so through the next readings, the dump and the
    // files that keep it, until a wavelength of 5 angstrom or less is typed in its place.
    bool electronBeam = false;
    // A settings row (0..529) of the listed group that a file chose, such as another axis or
    // origin choice; it replaces the list's own row for that group. The window clears it when
    // the user picks a list position.
    std::optional<int> settingRow;

    // The fields of "New": a 5 angstrom cell in group 225 in its own setting, limits 2, d from 1
    // to 20, the orientation c*. Wavelengths, orientation type and film stay as they are.
    void resetForNewDocument();

    friend bool operator==(const DocumentFields&, const DocumentFields&) = default;
};

// The positions of the d slider that sets the line threshold: whole numbers, one step = 0.1
// angstrom.
struct ThresholdRange {
    int minimum = 0;
    int maximum = 0;
    friend bool operator==(const ThresholdRange&, const ThresholdRange&) = default;
};

// The values read from the fields, and what reading and generation derive from them.
struct PatternDocument {
    std::string title;
    std::string filePath;
    std::int16_t spaceGroupIndex = kDefaultSpaceGroupIndex;
    std::string spaceGroupText; // the list entry, "229: I m 3 m"
    UnitCell cell;
    bool autoLimits = false;
    std::array<std::int16_t, 3> hklMax{};
    std::array<float, 2> wavelength{}; // angstrom; 0 = unused
    std::string orientationText;
    OrientationType orientationType = OrientationType::Reciprocal;
    float dMin = 0.0f;
    float dMax = 0.0f;
    std::array<float, 3> film{}; // width, height, distance (mm)
    // Wavelength 1 was typed as a microscope voltage (above 5, in kV), now or before
    // (DocumentFields::electronBeam).
    bool wavelengthFromVoltage = false;
    // Lines of a structure below this relative intensity (per cent) are not drawn.
    float minIntensity = 0.5f;

    // The d range drawn: lines only for reflections with d above displayDMin (the threshold
    // of the d slider).
    float displayDMin = 0.0f;
    float displayDMax = 99.0f;
    // The slider's range over the drawn d range of the current list.
    ThresholdRange threshold;
    LatticeMatrices matrices;
    // The last reading found a cell that closes and no number that cannot be used (one beyond
    // the range of a 4-byte float); nothing is simulated from a document without.
    bool valid = false;
};

// The longest title a file gives a document, in characters: a title is one line of the
// pattern input file and of the status bar, and a file may hold megabytes in its place.
inline constexpr std::size_t kLongestTitle = 1000;
// Cuts a UTF-8 title after kLongestTitle characters (never inside one); true when it did.
bool capTitle(std::string& title);
// What the user is told of a cut title; `where` names the file it came from.
std::string titleCutWarning(const std::string& where);

// Electron wavelength in angstrom for an accelerating voltage in kV (relativistic).
double electronWavelength(double kilovolts);

} // namespace tavrel
