#pragma once
// The crystals the matching tests index, each simulated by the session as the window would and
// seen with 20 kV electrons: nickel (fcc), iron (bcc) and silicon (diamond) with their atoms on
// the recorded patterns' detector (Bruker centre 0.425 0.21 0.50), and silicon as a lattice
// alone, magnesium (hexagonal) and baddeleyite, ZrO2 (monoclinic) on a 40 x 40 mm screen 20 mm
// from the sample; made-up patterns of them.

#include "common/numeric.h"
#include "orientation/euler_frames.h"
#include "session/line_strengths.h"
#include "session/pattern_fit.h"
#include "support/synthetic_pattern.h"
#include "support/test_simulation.h"

#include <string>
#include <vector>

namespace tavrel::test {

struct Crystal {
    std::string name;
    int group;
    std::array<std::string, 6> cell;
    std::string dMin; // the list's d range, which the band model does not follow
    std::vector<AtomSite> atoms;
    Detector detector;
};

inline const Detector kScreen = detectorFor({40, 40, 20});
// The detector of a width x height image with a Bruker pattern centre: a film 60 mm high in
// the image's proportions.
inline Detector brukerDetector(const CentreCoordinates& centre, int width, int height) {
    return withBrukerCentre(
        detectorFor({60.0f * static_cast<float>(width) / static_cast<float>(height), 60, 30}),
        centre);
}
// The recorded nickel patterns' detector.
inline const CentreCoordinates kRecordedCentre{0.425, 0.21, 0.50};
inline const Detector kCamera = brukerDetector(kRecordedCentre, 60, 60);

inline const Crystal kNickel{
    "Ni", 225, {"3.5236", "", "", "", "", ""}, "0.9", {{"Ni1", "Ni", 0, 0, 0, 1, 0.4}}, kCamera};
inline const Crystal kIron{
    "Fe", 229, {"2.8665", "", "", "", "", ""}, "0.9", {{"Fe1", "Fe", 0, 0, 0, 1, 0.35}}, kCamera};
inline const Crystal kDiamond{
    "Si", 227, {"5.4309", "", "", "", "", ""}, "0.9", {{"Si1", "Si", 0, 0, 0, 1, 0.45}}, kCamera};
inline const Crystal kSilicon{"silicon", 227, {"5.431", "", "", "", "", ""}, "1.0", {}, kScreen};
inline const Crystal kMagnesium{"magnesium", 194, {"3.209", "", "5.211", "", "", ""},
                                "1.0",       {},  kScreen};
inline const Crystal kBaddeleyite{"baddeleyite", 14, {"5.15", "5.21", "5.31", "90", "99.2", "90"},
                                  "1.5",         {}, kScreen};

inline Simulation simulated(const Crystal& c) {
    Simulation sim;
    setFields(sim, c.group, c.cell, "20", "0", c.dMin, "20", "6");
    sim.fields.title = c.name;
    const auto text = [](double v) { return formatNumber(v, "0.0#####"); };
    sim.fields.film = {text(c.detector.filmWidth), text(c.detector.filmHeight),
                       text(c.detector.distance)};
    sim.detector.centre = c.detector.centre;
    (void)generateReflections(sim);
    if (!c.atoms.empty()) (void)setAtomSites(sim, c.atoms);
    return sim;
}

// The simulated crystal and the service matching it.
struct SimulatedCrystal {
    Simulation sim;
    PatternFit fit;

    explicit SimulatedCrystal(const Crystal& c) : sim(simulated(c)), fit(sim) {}
    const fit::IndexSetup& setup() const { return fit.setup(); }
    // The setup on another detector.
    fit::IndexSetup on(const Detector& detector) const {
        fit::IndexSetup s = setup();
        s.detector = detector;
        return s;
    }

    // A pattern of `side` pixels on the crystal's detector, unless the options say otherwise.
    SyntheticPatternOptions options(int side = 60, std::uint32_t seed = 1) const {
        SyntheticPatternOptions o;
        o.width = o.height = side;
        o.binning = std::max(1, 480 / side);
        o.detector = setup().detector;
        o.profile = setup().profile;
        o.seed = seed;
        return o;
    }
    GreyImage pattern(const Mat3d& orientation, const SyntheticPatternOptions& o) const {
        return syntheticPattern(setup().bands, orientation, o);
    }
    fit::PreparedPattern prepared(const Mat3d& orientation,
                                  const SyntheticPatternOptions& o) const {
        return *prepareForMatching(pattern(orientation, o));
    }
};

} // namespace tavrel::test
