#pragma once
// A structure written as a Crystallographic Information File: the cell, the space group with
// all its operations, and the atom sites, from plain values.

#include "common/result.h"
#include "crystal/unit_cell.h"
#include "spacegroup/space_group.h"
#include "structure/atom_site.h"

#include <string>
#include <vector>

namespace tavrel {

struct CifContents {
    std::string blockName; // "data_" is put in front; blanks become "_"; empty gives "tavrel"
    std::string title;
    bool titleIsMineralName = false; // _chemical_name_mineral, else _chemical_name_common
    UnitCell cell;
    int spaceGroupNumber = 0; // left out when 0
    std::string hallSymbol;   // left out when empty, like the H-M symbol
    std::string hermannMauguinSymbol;
    std::vector<std::string> operations; // "x,y,z", "-y,x-y,z+1/3", ...
    std::vector<AtomSite> sites;
    bool displacementAsU = false; // _atom_site_U_iso_or_equiv (B / 8 pi^2), else B_iso
    // Items of the program's own ("_tavrel_film", "120 120 300"), written after the cell.
    std::vector<std::pair<std::string, std::string>> localItems;
};

// The text of a CIF 1.1 file: one data block, LF line ends, numbers with "." whatever the
// locale. Cell values are written as their shortest float text, coordinates, occupancies and
// displacements as the shortest text that reads back as the same double; texts are quoted as
// they need, and a block name keeps printable ASCII only. What the reader could not take back
// is refused before anything is written: a cell that checkCell refuses, a site that
// checkAtomSite refuses, a text with a line that starts with ";".
Result<std::string> cifText(const CifContents& contents);

// An operation as a CIF writes it: "x,y,z", "-y,x-y,z+1/3", "x+1/4,-z+3/4,y+1/4".
std::string xyzText(const Matrix4& m);

// The xyz texts of every operation.
std::vector<std::string> xyzTexts(const std::vector<SymOp>& operations);

} // namespace tavrel
