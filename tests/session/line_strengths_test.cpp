#include "session/input_files.h"
#include "session/line_strengths.h"
#include "support/recording_surface.h"
#include "support/temp_dir.h"
#include "support/test_simulation.h"

#include "session/document_reading.h"

#include <gtest/gtest.h>

#include <map>

namespace tavrel {
namespace {

using test::TempDir;

std::string structureFile(const char* name) {
    return std::string(TAVREL_TEST_DATA) + "/structure_factors/" + name + ".cif";
}

// The relative intensity of each (h k l) as the list shows it.
std::map<std::string, std::string> intensitiesOf(const Simulation& sim) {
    std::map<std::string, std::string> byIndex;
    const ReflectionList& r = sim.reflections;
    for (std::size_t i = 0; i < r.d.size(); ++i)
        byIndex[std::to_string(r.h[i]) + " " + std::to_string(r.k[i]) + " " +
                std::to_string(r.l[i])] = intensityTextOf(sim.strengths, i);
    return byIndex;
}

std::int32_t tracedCones(test::TestSimulation& t) {
    RecordingSurface surface(t.pattern.width, t.pattern.height);
    return Renderer(1).draw(t.input(), surface)->tracedCount;
}

// Silicon's atoms cancel (2 2 2), which its group allows: the line of a reflection below the
// minimum intensity is left out. Without atoms every allowed reflection has its line again.
TEST(LineStrengths, AStructureWeighsItsLinesAndLeavesOutTheVanishingOnes) {
    test::TestSimulation t;
    ASSERT_TRUE(test::openFile(t.sim, structureFile("silicon")));
    t.show(NewList::Generated);
    ASSERT_EQ(t.sim.strengths.relative.size(), t.sim.reflections.d.size());
    EXPECT_EQ(t.sim.strengths.scattering, Scattering::XRay);
    const auto intensities = intensitiesOf(t.sim);
    EXPECT_EQ(intensities.at("2 2 0"), "100.0");
    EXPECT_EQ(intensities.at("2 2 2"), "0.0");
    EXPECT_NE(intensities.at("1 1 1"), "0.0");

    t.pattern.view.viewStereographic = true; // every cone in the picture
    const auto all = static_cast<std::int32_t>(t.sim.reflections.d.size());
    const auto vanishing =
        std::count_if(t.sim.strengths.relative.begin(), t.sim.strengths.relative.end(),
                      [](float i) { return i < 0.5f; });
    ASSERT_GT(vanishing, 0);
    EXPECT_EQ(tracedCones(t), all - vanishing);
    setMinIntensity(t.sim, "0");
    EXPECT_EQ(tracedCones(t), all);
    setMinIntensity(t.sim, "100,0"); // a decimal comma reads as the point
    EXPECT_EQ(t.sim.fields.minIntensity, "100.0");
    EXPECT_EQ(tracedCones(t),
              std::count(t.sim.strengths.relative.begin(), t.sim.strengths.relative.end(), 100.0f));

    ASSERT_TRUE(setAtomSites(t.sim, {}));
    EXPECT_TRUE(t.sim.strengths.empty());
    EXPECT_EQ(tracedCones(t), all);
}

// Sites are checked before they replace the structure's, and a refusal names the site.
TEST(LineStrengths, RefusedSitesChangeNothing) {
    test::TestSimulation t;
    ASSERT_TRUE(test::openFile(t.sim, structureFile("sodium_chloride")));
    const std::vector<AtomSite> before = t.sim.atoms;
    const std::vector<float> strengths = t.sim.strengths.relative;
    // (Why each is refused is the structure layer's.)
    const std::pair<AtomSite, std::string> refused[] = {
        {{"Q1", "Qq", 0, 0, 0, 1, 0}, "Qq"}, {{"Na9", "Na", 0, std::nan(""), 0, 1, 0}, "Na9"}};
    for (const auto& [site, named] : refused) {
        std::vector<AtomSite> sites = before;
        sites.push_back(site);
        const Outcome taken = setAtomSites(t.sim, sites);
        ASSERT_FALSE(taken) << named;
        EXPECT_NE(taken.problem().find(named), std::string::npos) << taken.problem();
        EXPECT_EQ(t.sim.atoms, before);
        EXPECT_EQ(t.sim.strengths.relative, strengths);
    }
}

// Electron scattering weighs the lines otherwise: chosen, or because wavelength 1 is a voltage.
TEST(LineStrengths, ElectronScatteringWhenChosenOrForAVoltage) {
    test::TestSimulation t;
    ASSERT_TRUE(test::openFile(t.sim, structureFile("sodium_chloride")));
    const auto xray = intensitiesOf(t.sim);
    typeWavelength(t.sim.fields, 0, "200");
    ASSERT_TRUE(t.generate());
    EXPECT_EQ(t.sim.strengths.scattering, Scattering::Electron);
    const auto electron = intensitiesOf(t.sim);
    // (1 1 1) goes with f(Cl) - f(Na), (2 0 0) with their sum: the tables' ratios differ.
    EXPECT_NE(electron.at("1 1 1"), xray.at("1 1 1"));
    // The voltage was rewritten into its wavelength; the next simulation keeps the electrons.
    EXPECT_EQ(t.sim.fields.wavelength[0], "0.0251");
    ASSERT_TRUE(t.generate());
    EXPECT_EQ(t.sim.strengths.scattering, Scattering::Electron);
    // A wavelength typed returns to X-rays, unless the box is ticked.
    typeWavelength(t.sim.fields, 0, "0.0251");
    ASSERT_TRUE(t.generate());
    EXPECT_EQ(t.sim.strengths.scattering, Scattering::XRay);
    t.sim.fields.scattering = ScatteringChoice::Electron;
    typeWavelength(t.sim.fields, 0, "1.54");
    ASSERT_TRUE(t.generate());
    EXPECT_EQ(t.sim.strengths.scattering, Scattering::Electron);
}

// A document saved as a CIF opens again as it was: the setting (one that a pattern input file
// cannot store), the atoms, the other inputs, the reflections and their intensities. A pattern
// input file says that it keeps no atoms.
TEST(LineStrengths, SavedAsACifTheDocumentComesBackWhole) {
    TempDir dir;
    test::TestSimulation t, u;
    // P 1 1 21/b: the c-unique setting of group 14.
    ASSERT_TRUE(
        test::openFile(t.sim, dir.write("mono.cif", "data_m\n_cell_length_a 5\n_cell_length_b 6\n"
                                                    "_cell_length_c 7\n_cell_angle_gamma 100\n"
                                                    "loop_\n_space_group_symop_operation_xyz\n"
                                                    "x,y,z\n-x,-y+1/2,z+1/2\n-x,-y,-z\n"
                                                    "x,y+1/2,-z+1/2\nloop_\n_atom_site_label\n"
                                                    "_atom_site_fract_x\n_atom_site_fract_y\n"
                                                    "_atom_site_fract_z\nFe1 0.1 0.2 0.3\n"
                                                    "O1 0.4 0.1 0.25\n")));
    t.sim.fields.wavelength = {"0.7107", "0"};
    t.sim.fields.d = {"1.2", "0"};
    t.sim.fields.orientation = "1 1 0";
    t.sim.fields.orientationType = OrientationType::Direct;
    t.sim.fields.minIntensity = "2";
    ASSERT_TRUE(t.generate());
    const std::string cif = dir.file("saved.cif");
    ASSERT_TRUE(saveInputFile(t.sim, cif, InputFormat::Cif));
    ASSERT_TRUE(test::openFile(u.sim, cif));

    EXPECT_EQ(u.sim.group.row(), t.sim.group.row());
    EXPECT_EQ(u.sim.atoms, t.sim.atoms);
    EXPECT_EQ(u.sim.reflections.h, t.sim.reflections.h);
    EXPECT_EQ(u.sim.reflections.d, t.sim.reflections.d);
    EXPECT_EQ(u.sim.strengths.relative, t.sim.strengths.relative);
    EXPECT_EQ(u.sim.points.rows, t.sim.points.rows);
    const DocumentFields &saved = t.sim.fields, &read = u.sim.fields;
    EXPECT_EQ(std::tie(read.wavelength, read.d, read.hklMax, read.film, read.orientation,
                       read.orientationType, read.minIntensity),
              std::tie(saved.wavelength, saved.d, saved.hklMax, saved.film, saved.orientation,
                       saved.orientationType, saved.minIntensity));
    EXPECT_EQ(u.sim.document.minIntensity, 2.0f);

    const Result<std::vector<std::string>> tvr =
        saveInputFile(t.sim, dir.file("saved.tvr"), InputFormat::Tvr);
    ASSERT_TRUE(tvr);
    ASSERT_EQ(tvr->size(), 2u); // the setting and the atoms
    EXPECT_NE(tvr->back().find("keeps no atoms"), std::string::npos) << tvr->back();
}

// A wavelength typed as a voltage stays the electrons' through Save As CIF and reopening, and
// the CIF keeps the detector; a pattern input file cannot keep the electrons and says so.
TEST(LineStrengths, AVoltageAndTheDetectorSurviveACif) {
    TempDir dir;
    test::TestSimulation t, u;
    ASSERT_TRUE(test::openFile(t.sim, structureFile("sodium_chloride")));
    typeWavelength(t.sim.fields, 0, "20");
    t.sim.detector.centre = {0.42415, 0.21014};
    t.sim.detector.specimenTilt = 68.5;
    t.sim.detector.detectorTilt = -3;
    t.sim.detector.pixelSize = 70;
    t.sim.detector.binning = 8;
    t.sim.detector.convention = CentreConvention::Edax;
    t.sim.detector.frame = EulerFrame::SpecimenBruker;
    ASSERT_TRUE(t.generate());
    const std::string cif = dir.file("beam.cif");
    ASSERT_TRUE(saveInputFile(t.sim, cif, InputFormat::Cif));
    ASSERT_TRUE(test::openFile(u.sim, cif));
    EXPECT_EQ(u.sim.strengths.scattering, Scattering::Electron);
    EXPECT_EQ(u.sim.detector, t.sim.detector);

    const Result<std::vector<std::string>> tvr =
        saveInputFile(t.sim, dir.file("beam.tvr"), InputFormat::Tvr);
    ASSERT_TRUE(tvr);
    EXPECT_NE(tvr->back().find("opens again as X-rays"), std::string::npos) << tvr->back();
}

} // namespace
} // namespace tavrel
