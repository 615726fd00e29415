#pragma once
// The atoms of the built-in samples whose structures are textbook-certain, so that choosing one
// can weigh its lines by their structure factors. Each sample's sites are given for the setting
// the space-group list selects for its number: the first setting of the group (origin choice 1
// for Fd-3m and I41/amd) and hexagonal axes for the rhombohedral groups (gamma = 120).

#include "samples/sample_list.h"
#include "structure/atom_site.h"

#include <span>
#include <string_view>
#include <vector>

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

// The atoms of a sample of the menu: those of the built-in sample of its name when the menu
// gives it the same group (a user's own line under that name may mean another structure), else
// none.
std::vector<AtomSite> sampleSites(const Sample& sample);

} // namespace tavrel
