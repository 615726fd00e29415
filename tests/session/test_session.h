#pragma once

#include "common/notifier.h"
#include "session/session.h"

#include <array>
#include <string>

namespace tavrel::test {

// A session with a recording notifier that counts its redraws.
struct TestSession {
    RecordingNotifier notifier;
    Session s{notifier};
    int redraws = 0;

    TestSession() {
        s.redraw = [this] { ++redraws; };
    }
};

// The cell fields of a cubic cell with a = 4; the crystal system of the group fills in the rest.
inline const std::array<std::string, 6> kCubic4{"4", "", "", "", "", ""};

// Fields of a simple simulation: group number, cell, wavelengths, d range, hkl limits.
inline void setFields(Session& s, int group, std::array<std::string, 6> cell,
                      std::string wavelength1 = "1.5418", std::string wavelength2 = "0",
                      std::string dMin = "1.0", std::string dMax = "20", std::string limit = "2") {
    s.fields.spaceGroupIndex = group - 1;
    s.fields.cell = cell;
    s.fields.wavelength = {wavelength1, wavelength2};
    s.fields.d = {dMin, dMax};
    s.fields.hklMax = {limit, limit, limit};
    s.fields.autoLimits = false;
}

// The built-in iron sample (body-centred cubic).
inline void setIron(Session& s) {
    setFields(s, 229, {"2.866", "2.866", "2.866", "90", "90", "90"}, "1.9361", "0", "1.0", "0");
    s.fields.title = "Iron (Fe)";
    s.fields.orientation = "0 0 1";
}

} // namespace tavrel::test
