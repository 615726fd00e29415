#pragma once
// The crystals the matching tests index, each simulated by the session as the window would:
// silicon (cubic), magnesium (hexagonal) and baddeleyite, ZrO2 (monoclinic), seen with 20 kV
// electrons on a 40 x 40 mm screen 20 mm from the sample; and made-up patterns of them.

#include "session/pattern_fit.h"
#include "support/synthetic_pattern.h"
#include "support/test_simulation.h"

#include <string>

namespace tavrel::test {

struct Crystal {
    std::string name;
    int group;
    std::array<std::string, 6> cell;
    std::string dMin; // the bands are those of the reflections with d above it
};

inline const Crystal kSilicon{"silicon", 227, {"5.431", "", "", "", "", ""}, "1.0"};
inline const Crystal kMagnesium{"magnesium", 194, {"3.209", "", "5.211", "", "", ""}, "1.0"};
inline const Crystal kBaddeleyite{
    "baddeleyite", 14, {"5.15", "5.21", "5.31", "90", "99.2", "90"}, "1.5"};

inline const Detector kScreen = detectorFor({40, 40, 20});

inline Simulation simulated(const Crystal& c) {
    Simulation sim;
    setFields(sim, c.group, c.cell, "20", "0", c.dMin, "20", "6");
    sim.fields.film = {"40", "40", "20"};
    (void)generateReflections(sim);
    return sim;
}

// The simulated crystal and the service matching it.
struct SimulatedCrystal {
    Simulation sim;
    PatternFit fit;

    explicit SimulatedCrystal(const Crystal& c) : sim(simulated(c)), fit(sim) {}
    const fit::IndexSetup& setup() const { return fit.setup(); }

    // A 240 x 240 pattern on the screen, unless the options say otherwise.
    static SyntheticPatternOptions onScreen() {
        SyntheticPatternOptions o;
        o.detector = kScreen;
        return o;
    }
    GreyImage pattern(const Mat3d& orientation, std::uint32_t seed,
                      SyntheticPatternOptions o = onScreen()) const {
        o.seed = seed;
        return syntheticPattern(setup().bands, orientation, o);
    }
    fit::ScoreLevels prepared(const Mat3d& orientation, std::uint32_t seed,
                              SyntheticPatternOptions o = onScreen()) const {
        return *preparePattern(pattern(orientation, seed, o));
    }
};

} // namespace tavrel::test
