#pragma once
// The atoms of the built-in samples whose structures are textbook-certain, so that choosing one
// can weigh its lines by their structure factors. Each sample's sites are given for the setting
// the space-group list selects for its number: the first setting of the group (origin choice 1
// for Fd-3m and I41/amd) and hexagonal axes for the rhombohedral groups (gamma = 120).

#include <span>
#include <string_view>

namespace tavrel {

struct SampleAtom {
    std::string_view label;
    std::string_view element;   // as a CIF type symbol
    double x = 0, y = 0, z = 0; // fractions of the cell edges
    double occupancy = 1;
    double bIso = 0; // square angstrom; 0 where no measured value is listed
};

// The sites of the sample of that name ("Cu", "Quartz"; the names of the built-in list, in any
// case); empty for a sample whose atoms the table does not hold.
std::span<const SampleAtom> sampleAtoms(std::string_view sampleName);

// The names of the samples that have atoms, in the order of the built-in list.
std::span<const std::string_view> samplesWithAtoms();

} // namespace tavrel
