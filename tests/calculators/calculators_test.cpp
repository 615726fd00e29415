#include "calculators/angle_calculator.h"
#include "calculators/emission_lines.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tavrel {
namespace {

using enum AngleKind;
using enum EmissionLine;

AngleCalculator calculatorOf(double a, double b, double c, double alpha, double beta,
                             double gamma) {
    AngleCalculator calculator;
    EXPECT_TRUE(calculator.setCell(a, b, c, alpha, beta, gamma));
    return calculator;
}

TEST(AngleCalculator, ReadsTriples) {
    const std::pair<const char*, Triple> cases[] = {
        {" 100 ", {1, 0, 0}}, {"-11", {0, 1, 1}}, {"1 1 1 7", {1, 1, 1}}, {"0.5 x 2", {0.5, 0, 2}}};
    for (const auto& [text, triple] : cases)
        EXPECT_EQ(readIndexTriple(text), std::optional<Triple>(triple)) << text;
    for (const char* text : {"", "1 1", "10", "1000", "1 0", "1e999 0 0"})
        EXPECT_FALSE(readIndexTriple(text)) << text;
}

TEST(AngleCalculator, AnglesOfCubicAndHexagonalCells) {
    const AngleCalculator cubic = calculatorOf(5, 5, 5, 90, 90, 90);
    const AngleCalculator hexagonal = calculatorOf(3.2, 3.2, 5.2, 90, 90, 120);
    const AngleCalculator monoclinic = calculatorOf(6.183, 4.822, 10.963, 90, 101.79, 90);
    const std::tuple<const AngleCalculator*, AngleKind, const char*, const char*, const char*>
        cases[] = {
            {&cubic, PlanePlane, "100", "1 1 1", "54.7356 deg"},
            {&cubic, DirectionDirection, "1 0 0", "-1 0 0", "180.0 deg"},
            {&cubic, PlanePlane, "0 0 0", "1 2 3", "90.0 deg"},
            // Indices far beyond the range of squares still give unit vectors.
            {&cubic, DirectionDirection, "1e300 0 0", "1 0 0", "0.0 deg"},
            {&hexagonal, DirectionDirection, "100", "010", "120.0 deg"},
            {&hexagonal, PlanePlane, "100", "010", "60.0 deg"},
            {&hexagonal, DirectionPlane, "001", "001", "0.0 deg"},
            // beta between the edges a and c, and its supplement between their planes.
            {&monoclinic, DirectionDirection, "100", "001", "101.79 deg"},
            {&monoclinic, PlanePlane, "100", "001", "78.21 deg"},
        };
    for (const auto& [calculator, kind, first, second, text] : cases) {
        const AngleResult r = calculator->angle(kind, first, second);
        EXPECT_EQ(r.error, AngleError::None) << first << " / " << second;
        EXPECT_EQ(r.text, text) << first << " / " << second;
    }
}

// The first bad field is reported, with the message of its frame; a cell without volume is
// refused until a valid one comes.
TEST(AngleCalculator, RefusesFieldsWithoutThreeIndicesAndCellsWithoutVolume) {
    const AngleCalculator cubic = calculatorOf(5, 5, 5, 90, 90, 90);
    const std::tuple<AngleKind, const char*, const char*, AngleError, const char*, const char*>
        cases[] = {
            {PlanePlane, "1 0", "1 1", AngleError::InvalidFirst, "Invalid input: HKL(1)",
             "Please type SPACE between h k l"},
            {DirectionPlane, "1,1,1", "111", AngleError::InvalidFirst, "Invalid input: UVW(1)",
             "Please type SPACE between u v w"},
            {DirectionPlane, "111", "1 1", AngleError::InvalidSecond, "Invalid input: HKL(2)",
             "Please type SPACE between h k l"},
        };
    for (const auto& [kind, first, second, error, title, text] : cases) {
        const AngleResult r = cubic.angle(kind, first, second);
        EXPECT_EQ(r.error, error) << first << " / " << second;
        EXPECT_EQ(r.text, "");
        const AngleErrorMessage message = angleErrorMessage(kind, r.error);
        EXPECT_EQ(message.title, title);
        EXPECT_EQ(message.text, text);
    }

    AngleCalculator calculator;
    const std::array<double, 6> cells[] = {{0, 5, 5, 90, 90, 90}, {5, 5, 5, 150, 150, 150}};
    for (const auto& c : cells) {
        EXPECT_FALSE(calculator.setCell(c[0], c[1], c[2], c[3], c[4], c[5])) << c[0] << c[5];
        const AngleResult r = calculator.angle(DirectionDirection, "1 0 0", "0 1 0");
        EXPECT_EQ(r.error, AngleError::InvalidCell);
        EXPECT_EQ(angleErrorMessage(DirectionDirection, r.error).text,
                  "Invalid unit cell parameters");
    }
    // A valid cell makes the calculator usable again.
    EXPECT_TRUE(calculator.setCell(5, 5, 5, 90, 90, 90));
    EXPECT_EQ(calculator.angle(DirectionDirection, "1 0 0", "0 1 0").text, "90.0 deg");
}

// Numbers and symbols in any case and with blanks around them name the same element; numbers
// outside the table have no energies. The wavelength as the dialog writes it, or the refusal:
// the row of Li ends after Kα1, Np's has "-", 2.5 rounds to 2, which has no row, and "Copper"
// is not cut to "Co".
TEST(EmissionLines, WavelengthsAsTheDialogWritesThem) {
    // clang-format off
    const std::tuple<const char*, EmissionLine, const char*> cases[] = {
        {"Cu", KAlpha1, "1.54061"}, {"29", KAlpha1, "1.54061"}, {"cu", KAlpha1, "1.54061"},
        {"CU", KAlpha1, "1.54061"}, {" Cu ", KAlpha1, "1.54061"}, {"Mo", KBeta1, "0.63231"},
        {"Tc", KAlpha2, "0.67934"}, {"am", LGamma1, "0.5619"},
        {"Li", KAlpha2, "Li has no Kα2 line"}, {"Np", KAlpha1, "Np has no Kα1 line"},
        {"2.5", KAlpha1, "Unknown element: 2.5"}, {"96", KAlpha1, "Unknown element: 96"},
        {"-1", KAlpha1, "Unknown element: -1"}, {" Copper ", KAlpha1, "Unknown element: Copper"}};
    // clang-format on
    for (const auto& [text, line, expected] : cases) {
        const Result<float> r = lookUpWavelength(text, line);
        EXPECT_EQ(r ? wavelengthFieldText(*r) : r.problem(), expected) << text;
    }
    // The table's six decimals of the energy are kept.
    EXPECT_EQ(*lookUpWavelength("Cr", KAlpha2), static_cast<float>(12.3985 / 5.405509f));
    // Every filled row is found by its own symbol.
    for (int z = 3; z <= 95; ++z) EXPECT_EQ(atomicNumberOfSymbol(elementSymbol(z)), z) << z;
}

} // namespace
} // namespace tavrel
