#include "calculators/emission_lines.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tavrel {
namespace {

using enum EmissionLine;

// Numbers and symbols in any case and with blanks around them name the same element.
TEST(EmissionLines, WavelengthsAsTheDialogWritesThem) {
    const std::tuple<const char*, EmissionLine, const char*> cases[] = {
        {"Cu", KAlpha1, "1.54061"}, {"29", KAlpha1, "1.54061"},   {"cu", KAlpha1, "1.54061"},
        {"CU", KAlpha1, "1.54061"}, {" Cu ", KAlpha1, "1.54061"}, {"29.4", KAlpha1, "1.54061"},
        {"Mo", KBeta1, "0.63231"},  {"Tc", KAlpha2, "0.67934"},   {"Co", KAlpha1, "1.78902"},
        {"am", LGamma1, "0.5619"},
    };
    for (const auto& [text, line, expected] : cases) {
        const WavelengthLookup r = lookUpWavelength(text, line);
        EXPECT_EQ(r.error, "") << text;
        EXPECT_EQ(wavelengthFieldText(r.wavelength), expected) << text;
    }
    EXPECT_EQ(lookUpWavelength("Cu", KAlpha1).wavelength, static_cast<float>(12.3985 / 8.04778f));
}

TEST(EmissionLines, RefusedWithAReason) {
    const std::tuple<const char*, EmissionLine, const char*> cases[] = {
        {"Li", KAlpha2, "Li has no Kα2 line"}, // the row ends after Kα1
        {"Np", KAlpha1, "Np has no Kα1 line"}, // "-" in the row
        {"94", KBeta1, "Pu has no Kβ1 line"},
        {"Xe", LAlpha2, "Xe has no Lα2 line"},
        {"Cu", LBeta2, "Cu has no Lβ2 line"},
        {"2.5", KAlpha1, "Unknown element: 2.5"}, // rounds to 2, which has no row
        {"96", KAlpha1, "Unknown element: 96"},
        {"-29", KAlpha1, "Unknown element: -29"},
        {"1e999", KAlpha1, "Unknown element: 1e999"},
        {" Copper ", KAlpha1, "Unknown element: Copper"}, // not cut to "Co"
        {"Xx", KAlpha1, "Unknown element: Xx"},
        {"H", KAlpha1, "Unknown element: H"},
        {"", KAlpha1, "Unknown element: "},
    };
    for (const auto& [text, line, error] : cases) {
        const WavelengthLookup r = lookUpWavelength(text, line);
        EXPECT_EQ(r.error, error) << text;
        EXPECT_EQ(r.wavelength, 0.0f) << text;
    }
}

TEST(EmissionLines, EnergiesOfTheTable) {
    EXPECT_EQ(kAlpha1Energy(29), 8.04778f);
    EXPECT_EQ(kAlpha2Energy(24), 5.405509f); // six decimals kept
    EXPECT_EQ(kBeta1Energy(70), 59.37f);
    EXPECT_EQ(lineEnergy(92, LGamma1), 20.1671f);
    EXPECT_EQ(lineEnergy(43, LBeta2), 0.0f); // "-"
    EXPECT_EQ(kAlpha2Energy(9), 0.0f);       // past the end of the row
    for (int z : {-1, 0, 2, 96, 120, 121, 100000}) EXPECT_EQ(kAlpha1Energy(z), 0.0f) << z;

    // Every filled row is found by its own symbol, and the light rows carry Kα1 only.
    for (int z = 3; z <= 95; ++z) EXPECT_EQ(atomicNumberOfSymbol(elementSymbol(z)), z) << z;
    for (int z = 3; z <= 9; ++z) EXPECT_GT(kAlpha1Energy(z), 0.0f) << z;
    EXPECT_EQ(atomicNumberOfSymbol("b"), 5);
    EXPECT_EQ(atomicNumberOfSymbol("COPPER"), 0);
}

TEST(EmissionLines, TheDialogRemembersOnlyFoundWavelengths) {
    RememberedWavelength remembered;
    EXPECT_EQ(wavelengthFieldText(remembered.wavelength()), "0.0");
    EXPECT_TRUE(remembered.accept("Cu", KAlpha1).found());
    EXPECT_FALSE(remembered.accept("Li", KBeta1).found());
    EXPECT_EQ(wavelengthFieldText(remembered.wavelength()), "1.54061");
}

} // namespace
} // namespace tavrel
