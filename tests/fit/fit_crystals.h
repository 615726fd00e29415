#pragma once
// The crystals the fitting tests index, each simulated by the session as the window would:
// silicon (cubic), magnesium (hexagonal) and baddeleyite, ZrO2 (monoclinic), seen with 20 kV
// electrons on a 40 x 40 mm screen 20 mm from the sample.

#include "fit/indexing.h"
#include "fit/synthetic_pattern.h"
#include "session/generation.h"
#include "session/simulation.h"
#include "support/test_simulation.h"

#include <string>

namespace tavrel::fit::test {

struct Crystal {
    std::string name;
    int group;
    std::array<std::string, 6> cell;
    double dThreshold; // bands of the reflections with d above it
};

inline const Crystal kSilicon{"silicon", 227, {"5.431", "", "", "", "", ""}, 1.0};
inline const Crystal kMagnesium{"magnesium", 194, {"3.209", "", "5.211", "", "", ""}, 1.0};
inline const Crystal kBaddeleyite{
    "baddeleyite", 14, {"5.15", "5.21", "5.31", "90", "99.2", "90"}, 1.5};

inline const Detector kScreen{40, 40, 20, {0.5, 0.5}};

// The simulated crystal and what indexing needs of it. Line weights fall with the spacing as
// recorded bands do (d squared), and the made-up patterns draw them so.
struct SimulatedCrystal {
    Simulation sim;
    IndexSetup setup;

    explicit SimulatedCrystal(const Crystal& c) {
        tavrel::test::setFields(sim, c.group, c.cell, "20", "0", "0.9", "20", "6");
        (void)generateReflections(sim);
        std::vector<float> weights;
        for (float d : sim.reflections.d) weights.push_back(d * d);
        setup.bands = bandsOf(sim.reflections, sim.document.wavelength[0], c.dThreshold, weights);
        setup.symmetry = crystalRotations(sim.group.operations(), sim.document.matrices);
        setup.detector = kScreen;
    }

    GreyImage pattern(const Mat3d& orientation, int size, std::uint32_t seed) const {
        SyntheticPatternOptions o;
        o.width = o.height = size;
        o.detector = setup.detector;
        o.seed = seed;
        return syntheticPattern(setup.bands, orientation, o);
    }
};

} // namespace tavrel::fit::test
