#include "cli/cli_test_util.h"
#include "common/text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace tavrel::cli {
namespace {

const std::string kSilicon = std::string(TAVREL_TEST_DATA) + "/structure_factors/silicon.cif";

QJsonArray jsonReflections(const std::vector<std::string>& args) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(outputOf(args)))["reflections"]
        .toArray();
}

// A structure's atoms add the relative intensity as a seventh column and F2 and intensity to
// the JSON; a lattice alone prints what it always printed.
TEST(StructureCommands, ListsWithIntensities) {
    const std::string listed = outputOf({"reflections", kSilicon});
    const std::vector<std::string> rows = lines(listed);
    ASSERT_FALSE(rows.empty());
    for (const std::string& row : rows) EXPECT_EQ(splitBlanks(row).size(), 7u) << row;
    EXPECT_EQ(splitBlanks(lines(runCli({"reflections", kIron}).out).front()).size(), 6u);

    double strongest = 0;
    for (const QJsonValue& v : jsonReflections({"reflections", kSilicon, "--json"})) {
        const QJsonObject o = v.toObject();
        ASSERT_TRUE(o.contains("F2") && o.contains("intensity"));
        strongest = std::max(strongest, o["intensity"].toDouble());
        if (o["h"].toInt() == 2 && o["k"].toInt() == 2 && o["l"].toInt() == 2) {
            EXPECT_LT(o["F2"].toDouble(), 1e-6);
        }
    }
    EXPECT_EQ(strongest, 100.0);
    EXPECT_FALSE(jsonReflections({"reflections", kIron, "--json"})[0].toObject().contains("F2"));

    // Electron scattering weighs the lines otherwise; an unknown kind is a bad argument.
    EXPECT_NE(runCli({"reflections", kSilicon, "--scattering", "electron"}).out, listed);
    EXPECT_EQ(runCli({"reflections", kSilicon, "--scattering", "xray"}).out, listed);
    EXPECT_EQ(runCli({"reflections", kSilicon, "--scattering", "neutron"}).status, 2);
    EXPECT_NE(runCli({"report", kSilicon}).out.find("Scattering  : X-ray"), std::string::npos);
}

// Converted to a CIF and back, the structure lists the same reflections and intensities; the
// picture takes the minimum intensity and the colouring.
TEST(StructureCommands, ConvertedToACifAndDrawn) {
    Scratch scratch;
    const std::string cif = scratch.file("si.cif");
    ASSERT_EQ(runCli({"convert", kSilicon, cif}).status, 0);
    EXPECT_EQ(runCli({"reflections", cif}).out, runCli({"reflections", kSilicon}).out);

    const std::string png = scratch.file("si.png");
    const CliResult all = runCli({"render", kSilicon, "-o", png, "--stereographic",
                                  "--min-intensity", "0", "--colour-by", "d"});
    ASSERT_EQ(all.status, 0) << all.err;
    const CliResult strong = runCli({"render", kSilicon, "-o", png, "--stereographic"});
    ASSERT_EQ(strong.status, 0) << strong.err;
    // "N hkl (M visible)": the vanishing lines are left out.
    EXPECT_EQ(lines(all.out)[0].substr(0, lines(all.out)[0].find('(')),
              lines(strong.out)[0].substr(0, lines(strong.out)[0].find('(')));
    EXPECT_NE(lines(all.out)[0], lines(strong.out)[0]);
    for (const char* bad : {"-1", "101", "x"})
        EXPECT_EQ(runCli({"render", kSilicon, "-o", png, "--min-intensity", bad}).status, 2) << bad;
    EXPECT_EQ(runCli({"render", kSilicon, "-o", png, "--colour-by", "size"}).status, 2);
}

} // namespace
} // namespace tavrel::cli
