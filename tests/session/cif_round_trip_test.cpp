#include "common/file_io.h"
#include "common/text.h"
#include "session/cif_file.h"
#include "session/input_files.h"
#include "session/line_strengths.h"
#include "support/temp_dir.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

namespace tavrel {
namespace {

using test::TempDir;
using test::TestSimulation;

// A document with hostile texts and numbers: saved as a CIF it opens again as the same document,
// and saving that gives the same bytes.
TEST(CifRoundTrip, HostileTextsAndNumbersReadBack) {
    const std::string kTitles[] = {"Ferrite α-Fe",
                                   "tab\there",
                                   "bell\x07 and \x7f",
                                   "it's \"both\" ",
                                   "a'#b \"c\"#d",
                                   "data_x",
                                   ";semi",
                                   "two  spaces",
                                   "'",
                                   "?",
                                   "#",
                                   "_x",
                                   "line\nbreak",
                                   std::string(200, 'x')};
    TempDir dir;
    for (const std::string& title : kTitles) {
        TestSimulation t;
        test::setIron(t.sim);
        t.sim.fields.title = title;
        t.sim.fields.film = {"", "120", "90 5"};
        t.sim.fields.minIntensity = "";
        t.sim.fields.orientation = "";
        ASSERT_TRUE(t.generate());
        std::vector<AtomSite> sites{{"Fe α", "Fe", 1e-300, -0.1, 0.1 + 0.2, 0, -10},
                                    {"Fe'1 \"x\" #", "Fe3+", 1.0 / 3, 2.0 / 3, 5e-324, 100, 10'000},
                                    {"\x01;?", "Fe", 0.5, 0.25, 0.125, 0.97, 1.0 / 7}};
        ASSERT_TRUE(setAtomSites(t.sim, sites));

        const std::string path = dir.file("t.cif");
        ASSERT_TRUE(saveInputFile(t.sim, path, InputFormat::Cif)) << title;
        const std::string written = readWholeFile(path).value();
        TestSimulation back;
        ASSERT_TRUE(test::openFile(back.sim, path)) << written;
        const DocumentFields& was = t.sim.fields;
        const DocumentFields& is = back.sim.fields;
        EXPECT_EQ(is.title, title == "line\nbreak" ? "line break" : trim(title));
        EXPECT_EQ(back.sim.atoms, sites) << written;
        EXPECT_EQ(is.film, (std::array<std::string, 3>{was.film[0], "120", "90"}));
        EXPECT_EQ(std::tie(is.d, is.minIntensity, is.cell, is.orientation, is.wavelength),
                  std::tie(was.d, was.minIntensity, was.cell, was.orientation, was.wavelength));

        ASSERT_TRUE(saveInputFile(back.sim, path, InputFormat::Cif));
        EXPECT_EQ(readWholeFile(path).value(), written);
    }
}

// What the reader could not take back is refused and leaves the previous file as it was.
TEST(CifRoundTrip, RefusesWhatItCannotWrite) {
    TempDir dir;
    const std::string path = dir.write("t.cif", "previous");
    const struct {
        AtomSite site;
        const char* problem;
    } kCases[] = {
        {{"Fe1", "Fe", 0, 0, 0, 1e308, 0}, "Atom site \"Fe1\": its occupancy 1e+308 lies outside"},
        {{"Fe1", "Fe", 0, 0, 0, 1, std::numeric_limits<double>::infinity()}, "displacement B"},
        {{"Fe1", "Og", 0, 0, 0, 1, 0}, "Atom site \"Fe1\": The X-ray scattering factor tables"},
        {{"a\n;b", "Fe", 0, 0, 0, 1, 0}, "its _atom_site_label holds a line that starts with"},
    };
    for (const auto& c : kCases) {
        TestSimulation t;
        test::setIron(t.sim);
        ASSERT_TRUE(t.generate());
        t.sim.atoms = {c.site};
        const Result<std::vector<std::string>> saved = saveInputFile(t.sim, path, InputFormat::Cif);
        ASSERT_FALSE(saved);
        EXPECT_NE(saved.problem().find(c.problem), std::string::npos) << saved.problem();
        EXPECT_EQ(readWholeFile(path).value(), "previous");
    }
}

// A site whose numbers would make the intensities NaN is refused on reading, naming the file and
// the site; the structure opens without its atoms.
TEST(AtomSiteLimits, UnusableSitesAreRefusedNamingFileAndSite) {
    const std::string head = "data_x\n_cell_length_a 2.866\n_cell_length_b 2.866\n"
                             "_cell_length_c 2.866\n_space_group_name_H-M_alt 'I m -3 m'\n"
                             "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n"
                             "_atom_site_fract_y\n_atom_site_fract_z\n";
    const std::string aniso =
        "loop_\n_atom_site_aniso_label\n_atom_site_aniso_U_11\n"
        "_atom_site_aniso_U_22\n_atom_site_aniso_U_33\n"
        "_atom_site_aniso_U_12\n_atom_site_aniso_U_13\n_atom_site_aniso_U_23\n";
    const struct {
        std::string body;
        const char* problem;
    } kCases[] = {
        {"_atom_site_occupancy\nFe1 Fe 0 0 0 1e308\n",
         "its occupancy 1e+308 lies outside 0 to 100"},
        {"_atom_site_occupancy\nFe1 Fe 0 0 0 -1\n", "its occupancy -1 lies outside"},
        {"_atom_site_B_iso_or_equiv\nFe1 Fe 0 0 0 -1e5\n", "its displacement B = -1e+05 square"},
        {"_atom_site_U_iso_or_equiv\nFe1 Fe 0 0 0 1e307\n", "its displacement B = inf square"},
        {"_atom_site_U_iso_or_equiv\nFe1 Fe 0 0 0 0.01\n" + aniso +
             "Fe1 -1e300 -1e300 -1e300 0 0 0\n",
         "its displacement B = -7.89"},
        {"_atom_site_occupancy\nOg1 Og 0 0 0 1\n", "tables hold no values for Og"},
    };
    for (const auto& c : kCases) {
        const Result<CifStructure> read = readCifText(head + c.body, "s.cif");
        ASSERT_TRUE(read) << read.problem();
        EXPECT_TRUE(read->atoms.empty());
        ASSERT_EQ(read->warnings.size(), 1u) << c.body;
        const std::string& warning = read->warnings[0];
        EXPECT_TRUE(warning.starts_with("\"s.cif\" (data_x): Atom site \"")) << warning;
        EXPECT_NE(warning.find(c.problem), std::string::npos) << warning;
    }
}

// A B within its range that still outgrows every number at the list's smallest spacing leaves
// the list without strengths, and the problem names the site.
TEST(AtomSiteLimits, NegativeBAtTinySpacingsIsAProblemNotNaN) {
    TestSimulation t;
    test::setFields(t.sim, 221, test::kCubic4, "0.02", "0", "0.07", "0.0702", "60");
    ASSERT_TRUE(t.generate());
    ASSERT_FALSE(t.sim.reflections.empty());
    const Outcome taken = setAtomSites(t.sim, {{"Fe1", "Fe", 0, 0, 0, 1, -10}});
    ASSERT_FALSE(taken);
    EXPECT_TRUE(taken.problem().starts_with("Atom site \"Fe1\": its displacement B = -10.0 "))
        << taken.problem();
    EXPECT_TRUE(t.sim.strengths.squared.empty());
    EXPECT_TRUE(setAtomSites(t.sim, {{"Fe1", "Fe", 0, 0, 0, 1, -1}}));
    for (const double f2 : t.sim.strengths.squared) EXPECT_TRUE(std::isfinite(f2));
}

} // namespace
} // namespace tavrel
