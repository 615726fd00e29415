#include "session/simulation.h"
#include "session/test_session.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel {
namespace {

using test::setFields;
using test::TestSession;

TEST(ReadDocument, SecondWavelengthEqualToTheFirstIsSwitchedOff) {
    TestSession t;
    setFields(t.s, 225, {"4", "", "", "", "", ""}, "1.5418", "1.5418");
    readDocument(t.s);
    EXPECT_FLOAT_EQ(t.s.doc.wavelength[0], 1.5418f);
    EXPECT_EQ(t.s.doc.wavelength[1], 0.0f);
    EXPECT_EQ(t.s.fields.wavelength[1], "0");
}

TEST(ReadDocument, WavelengthDefaultsAndVoltages) {
    TestSession t;
    setFields(t.s, 225, {"4", "", "", "", "", ""}, "-1", "");
    readDocument(t.s);
    EXPECT_EQ(t.s.fields.wavelength[0], "1.54056");
    EXPECT_EQ(t.s.fields.wavelength[1], "0");
    EXPECT_FLOAT_EQ(t.s.doc.wavelength[0], 1.54056f);

    // 5 is still a wavelength in angstrom; anything above is a voltage in kV.
    setFields(t.s, 225, {"4", "", "", "", "", ""}, "5", "5.0001");
    readDocument(t.s);
    EXPECT_EQ(t.s.doc.wavelength[0], 5.0f);
    EXPECT_EQ(t.s.fields.wavelength[0], "5");
    EXPECT_NEAR(t.s.doc.wavelength[1], 12.2643 / std::sqrt(5000.1 + 0.97848 * 5.0001 * 5.0001),
                1e-7);
    EXPECT_EQ(t.s.fields.wavelength[1], "0.173");
}

TEST(ReadDocument, ElectronWavelengthOf200kV) {
    // The accepted value for 200 kV electrons is 0.02508 angstrom.
    EXPECT_NEAR(electronWavelength(200), 0.02508, 5e-6);
    TestSession t;
    setFields(t.s, 225, {"4", "", "", "", "", ""}, "200", "300");
    readDocument(t.s);
    EXPECT_EQ(t.s.fields.wavelength[0], "0.0251");
    EXPECT_EQ(t.s.fields.wavelength[1], "0.0197");
    EXPECT_NEAR(t.s.doc.wavelength[0], 0.02508, 5e-6);
}

TEST(ReadDocument, DRangeDefaults) {
    TestSession t;
    setFields(t.s, 1, {"4", "6", "5", "90", "90", "90"}, "1.5418", "0", "", "0");
    readDocument(t.s);
    EXPECT_EQ(t.s.doc.dMin, 1.0f);
    EXPECT_EQ(t.s.fields.d[0], "1.0");
    EXPECT_EQ(t.s.doc.dMax, 6.0f);
    EXPECT_EQ(t.s.fields.d[1], "6.0");
}

TEST(ReadDocument, CrystalSystemConstrainsTheCellFields) {
    TestSession t;
    setFields(t.s, 225, {"4.05", "1", "2", "80", "70", "60"});
    readDocument(t.s);
    EXPECT_EQ(t.s.fields.cell,
              (std::array<std::string, 6>{"4.05", "4.05", "4.05", "90", "90", "90"}));
    EXPECT_FLOAT_EQ(t.s.doc.cell.c(), 4.05f);

    setFields(t.s, 194, {"3.2", "7", "5.2", "80", "70", "60"});
    readDocument(t.s);
    EXPECT_EQ(t.s.fields.cell,
              (std::array<std::string, 6>{"3.2", "3.2", "5.2", "90", "90", "120"}));
    EXPECT_EQ(t.s.engine.cellParams()[5], 120.0);

    setFields(t.s, 62, {"5", "6", "7", "80", "70", "60"});
    readDocument(t.s);
    EXPECT_EQ(t.s.fields.cell, (std::array<std::string, 6>{"5", "6", "7", "90", "90", "90"}));

    setFields(t.s, 14, {"5", "6", "7", "90", "100", "90"});
    readDocument(t.s);
    EXPECT_FLOAT_EQ(t.s.doc.cell.beta(), 100.0f);
}

TEST(ReadDocument, CommaInACellFieldIsADecimalPoint) {
    TestSession t;
    setFields(t.s, 1, {"4,05", "5", "6", "90", "90", "90"});
    readDocument(t.s);
    EXPECT_EQ(t.s.fields.cell[0], "4.05");
    EXPECT_FLOAT_EQ(t.s.doc.cell.a(), 4.05f);
}

TEST(ReadDocument, AutomaticLimitsRoundHalfToEven) {
    TestSession t;
    setFields(t.s, 1, {"11.3", "5", "3.6", "90", "90", "90"}, "1.5418", "0", "1.0");
    t.s.fields.autoLimits = true;
    readDocument(t.s);
    EXPECT_EQ(t.s.doc.hklMax, (std::array<std::int16_t, 3>{10, 5, 4}));

    setFields(t.s, 1, {"5", "7", "3", "90", "90", "90"}, "1.5418", "0", "2");
    t.s.fields.autoLimits = true;
    readDocument(t.s);
    EXPECT_EQ(t.s.doc.hklMax, (std::array<std::int16_t, 3>{2, 4, 2}));

    // Typed limits are rounded half to even too.
    setFields(t.s, 1, {"5", "7", "3", "90", "90", "90"}, "1.5418", "0", "1", "20", "2.5");
    readDocument(t.s);
    EXPECT_EQ(t.s.doc.hklMax[0], 2);
    EXPECT_EQ(autoLimitsCaption(true), "Automatic hkl limits");
    EXPECT_EQ(autoLimitsCaption(false), "Auto");
}

TEST(ReadDocument, InvalidCellIsReportedAndReadingGoesOn) {
    TestSession t;
    setFields(t.s, 1, {"0", "5", "6", "90", "90", "90"}, "", "0", "");
    t.s.fields.title = "broken";
    readDocument(t.s);
    ASSERT_EQ(t.notifier.events.size(), 1u);
    EXPECT_EQ(t.notifier.events[0].text, "Invalid unit cell parameters");
    // The later steps still ran.
    EXPECT_EQ(t.s.fields.wavelength[0], "1.54056");
    EXPECT_EQ(t.s.doc.dMin, 1.0f);
    EXPECT_EQ(t.s.status.text[3], "broken");
}

TEST(ReadDocument, ResetsTheReflectionsAndTheDrawnRange) {
    TestSession t;
    setFields(t.s, 225, {"4", "", "", "", "", ""});
    generateReflections(t.s);
    ASSERT_TRUE(t.s.reflections.generated);
    t.s.view.showLines = false;
    t.s.doc.thetaWindow = {10, 20};
    readDocument(t.s);
    EXPECT_FALSE(t.s.reflections.generated);
    EXPECT_EQ(t.s.reflections.count(), 0);
    EXPECT_EQ(t.s.doc.displayDMin, 0.0f);
    EXPECT_EQ(t.s.doc.displayDMax, 99.0f);
    EXPECT_EQ(t.s.doc.thetaWindow, (std::array<float, 2>{0, 180}));
    EXPECT_TRUE(t.s.view.showLines);
}

TEST(ShowDocument, WritesNormalisedTexts) {
    TestSession t;
    t.s.doc.cell = UnitCell{{2.866f, 2.866f, 2.866f, 90, 90, 90}};
    t.s.doc.wavelength = {1.9361f, 0};
    t.s.doc.dMin = 1;
    t.s.doc.dMax = 0.12345f;
    t.s.doc.hklMax = {2, 3, 4};
    t.s.doc.displayDMin = 1.04f;
    t.s.doc.displayDMax = 2.0266f;
    t.s.doc.spaceGroupIndex = 228;
    showDocument(t.s);
    EXPECT_EQ(t.s.fields.cell[0], "2.866");
    EXPECT_EQ(t.s.fields.cell[3], "90");
    EXPECT_EQ(t.s.fields.wavelength, (std::array<std::string, 2>{"1.9361", "0"}));
    EXPECT_EQ(t.s.fields.d, (std::array<std::string, 2>{"1.0", "0.123"}));
    EXPECT_EQ(t.s.fields.hklMax, (std::array<std::string, 3>{"2", "3", "4"}));
    EXPECT_EQ(t.s.slider.maximum, 20);
    EXPECT_EQ(t.s.slider.minimum, 10);
    EXPECT_EQ(t.s.slider.value, 10);
    EXPECT_FLOAT_EQ(t.s.doc.displayDMin, 1.0f);
    EXPECT_EQ(t.s.fields.spaceGroupIndex, 228);
}

TEST(NewDocument, ResetsTheFieldsButKeepsRadiationAndFilm) {
    TestSession t;
    t.s.folders.data = "/data/";
    setFields(t.s, 14, {"1", "2", "3", "91", "92", "93"}, "0.7107", "1.5", "0.5", "9", "7");
    t.s.fields.film = {"100", "80", "50"};
    t.s.fields.orientation = "1 1 1";
    t.s.fields.orientationType = 1;
    setAutoLimits(t.s, true);
    newDocument(t.s);
    const DocumentFields& f = t.s.fields;
    EXPECT_EQ(f.title, "Untitled");
    EXPECT_EQ(t.s.doc.filePath, "/data/input.tvr");
    EXPECT_EQ(f.cell, (std::array<std::string, 6>{"5", "5", "5", "90", "90", "90"}));
    EXPECT_EQ(f.hklMax, (std::array<std::string, 3>{"2", "2", "2"}));
    EXPECT_EQ(f.d, (std::array<std::string, 2>{"1.0", "20"}));
    EXPECT_EQ(f.orientation, "0 0 1");
    EXPECT_FALSE(f.autoLimits);
    EXPECT_EQ(f.spaceGroupIndex, 224);
    EXPECT_EQ(f.wavelength, (std::array<std::string, 2>{"0.7107", "1.5"}));
    EXPECT_EQ(f.film, (std::array<std::string, 3>{"100", "80", "50"}));
    EXPECT_EQ(f.orientationType, 1);
    EXPECT_FALSE(t.s.reflections.generated);
    EXPECT_EQ(t.redraws, 1);
}

} // namespace
} // namespace tavrel
