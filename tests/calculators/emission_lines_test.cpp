#include "calculators/emission_lines.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tavrel {
namespace {

using enum EmissionLine;

// Numbers and symbols in any case and with blanks around them name the same element; numbers
// outside the table have no energies.
TEST(EmissionLines, WavelengthsAsTheDialogWritesThem) {
    const std::tuple<const char*, EmissionLine, const char*> cases[] = {
        {"Cu", KAlpha1, "1.54061"}, {"29", KAlpha1, "1.54061"},   {"cu", KAlpha1, "1.54061"},
        {"CU", KAlpha1, "1.54061"}, {" Cu ", KAlpha1, "1.54061"}, {"Mo", KBeta1, "0.63231"},
        {"Tc", KAlpha2, "0.67934"}, {"am", LGamma1, "0.5619"}};
    for (const auto& [text, line, expected] : cases) {
        const Result<float> r = lookUpWavelength(text, line);
        ASSERT_TRUE(r) << text << ": " << r.problem();
        EXPECT_EQ(wavelengthFieldText(*r), expected) << text;
    }
    // The table's six decimals of the energy are kept.
    EXPECT_EQ(*lookUpWavelength("Cr", KAlpha2), static_cast<float>(12.3985 / 5.405509f));
    // Every filled row is found by its own symbol.
    for (int z = 3; z <= 95; ++z) EXPECT_EQ(atomicNumberOfSymbol(elementSymbol(z)), z) << z;
}

TEST(EmissionLines, RefusedWithAReason) {
    const std::tuple<const char*, EmissionLine, const char*> cases[] = {
        {"Li", KAlpha2, "Li has no Kα2 line"},    // the row ends after Kα1
        {"Np", KAlpha1, "Np has no Kα1 line"},    // "-" in the row
        {"2.5", KAlpha1, "Unknown element: 2.5"}, // rounds to 2, which has no row
        {"96", KAlpha1, "Unknown element: 96"},
        {"-1", KAlpha1, "Unknown element: -1"},
        {" Copper ", KAlpha1, "Unknown element: Copper"}, // not cut to "Co"
    };
    for (const auto& [text, line, error] : cases)
        EXPECT_EQ(lookUpWavelength(text, line).problem(), error) << text;
}

} // namespace
} // namespace tavrel
