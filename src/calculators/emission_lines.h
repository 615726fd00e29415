#pragma once
// Characteristic X-ray emission lines of the elements Li (Z 3) to Am (Z 95), and the wavelength
// that the "?" button beside a wavelength field fills in from one of them.

#include "common/result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel {

// The lines in the order a table row holds them; the value is the field position in the row
// (field 0 is Z, field 1 the symbol).
enum class EmissionLine : int {
    KAlpha1 = 2,
    KAlpha2,
    KBeta1,
    LAlpha1,
    LAlpha2,
    LBeta1,
    LBeta2,
    LGamma1
};

// "Kα1", "Kβ1", "Lγ1", ... (UTF-8).
std::string_view emissionLineName(EmissionLine line);

// Photon energy in keV; 0 when the element has no row (Z outside 3..95), the row stops before
// the line, or the value is unknown ("-").
float lineEnergy(int atomicNumber, EmissionLine line);

// Atomic number of an element symbol of the table, in any letter case ("cu", "CU"); 0 when no
// element has this symbol. Longer texts are not cut short: "Copper" is no symbol.
std::int16_t atomicNumberOfSymbol(std::string_view symbol);

// The symbol of a row ("Cu"); empty when Z has no row.
std::string elementSymbol(int atomicNumber);

// lambda = 12.3985 / E, in angstrom from keV.
inline constexpr double kAngstromKeV = 12.3985;

// The wavelength in angstrom of a line of the element typed into the dialog: an atomic number
// (its leading number, rounded half to even) or else a symbol. Refused with "Unknown element:
// TEXT" (the text trimmed) or "Cu has no Kβ1 line" instead of giving a wavelength of 0.
Result<float> lookUpWavelength(std::string_view elementText, EmissionLine line);

// The wavelength as the dialog writes it into a wavelength field: one to five decimals.
std::string wavelengthFieldText(float wavelength);

} // namespace tavrel
