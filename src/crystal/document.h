#pragma once
// The pattern document: the texts of the input fields exactly as the user typed them, and the
// validated values read from them.

#include "crystal/unit_cell.h"

#include <array>
#include <cstdint>
#include <string>

namespace tavrel {

class SpaceGroupEngine;

// The texts of every input field, the two list positions and the "Auto" box: what the window
// binds its widgets to. The initial values are those of the form before any state is restored.
struct DocumentFields {
    std::string title = "Untitled"; // "Description"
    int spaceGroupIndex = 224;      // list position, group = index + 1
    std::array<std::string, 6> cell{"", "", "", "90", "90", "90"};
    bool autoLimits = false;
    std::array<std::string, 3> hklMax{"", "", ""};
    std::array<std::string, 2> wavelength{"1.5418", "1.5418"};
    std::string orientation = "0 0 1";
    int orientationType = 0;                              // 0 "hkl", 1 "uvw"
    std::array<std::string, 2> d{"", "20"};               // d-Min, d-Max
    std::array<std::string, 3> film{"120", "120", "300"}; // width, height, distance (mm)
};

struct PatternDocument {
    std::string title = "Untitled";
    std::string filePath;
    std::int16_t spaceGroupIndex = 224;
    std::string spaceGroupText;
    UnitCell cell;
    bool autoLimits = false;
    std::array<std::int16_t, 3> hklMax{};
    std::array<float, 2> wavelength{}; // angstrom; 0 = unused
    std::string orientationText = "0 0 1";
    std::int16_t orientationType = 0;
    float dMin = 0.0f;
    float dMax = 0.0f;
    std::array<float, 3> film{120, 120, 300};

    // Derived by reading and generation.
    float displayDMin = 0.0f; // the d threshold of line drawing
    float displayDMax = 99.0f;
    std::array<float, 2> thetaWindow{0, 180};
    LatticeMatrices matrices;
};

inline constexpr int kSpaceGroupCount = 230;
inline constexpr int kDefaultSpaceGroupIndex = 224;
inline constexpr int kOrientationHkl = 0;
inline constexpr int kOrientationUvw = 1;

// Entry i (0..229) of the space-group list: the number right-aligned in 3 characters, ": ",
// then the short symbol ("225: F m 3 m").
std::string spaceGroupListEntry(const SpaceGroupEngine& engine, int index);

// Electron wavelength in angstrom for an accelerating voltage in kV (relativistic).
double electronWavelength(double kilovolts);

// The caption of the "Auto" box for its state.
std::string autoLimitsCaption(bool on);

} // namespace tavrel
