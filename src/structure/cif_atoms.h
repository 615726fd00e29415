#pragma once
// The atom sites of a CIF block, from the items the session's CIF reader collects: lower-case
// item name -> its column of unquoted values, an unknown or inapplicable value ("?", ".") empty.

#include "common/result.h"
#include "crystal/unit_cell.h"
#include "structure/atom_site.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

using CifItems = std::map<std::string, std::vector<std::string>>;

// Every item atomSitesFromCif reads, lower case, in both the CIF 1 ("_atom_site_fract_x") and
// the dotted ("_atom_site.fract_x") spelling: the reader passes them to the parser.
std::vector<std::string> atomSiteItemNames();

// The sites of a block; none when it lists no atoms. Dummy sites (_atom_site_calc_flag "dum")
// are left out. Per site:
// - the type symbol, else the element the label begins with ("Fe1a" -> Fe, "OW" -> O);
// - fract x, y, z (required) and the occupancy (1 when missing), standard uncertainties
//   ("0.1234(5)") dropped;
// - B from _atom_site_U_iso_or_equiv (B = 8 pi^2 U) or _atom_site_B_iso_or_equiv; but where
//   the _atom_site_aniso_ loop has the site (by _atom_site_aniso_label, in older files by
//   _atom_site_aniso_type_symbol naming the label) and _atom_site_adp_type does not call it
//   isotropic, the equivalent isotropic value of its U11..U23 (or B11..B23), by the formula
//   that holds in any cell; 0 when the file gives neither.
// Refused, naming the site and the item: a species no table knows, a missing or unreadable
// coordinate, an unreadable number, columns of different lengths, a site that checkAtomSite
// refuses (an element without scattering factors, an occupancy or B out of range). The cell (for
// the anisotropic values) must pass checkCell.
Result<std::vector<AtomSite>> atomSitesFromCif(const CifItems& items, const UnitCell& cell);

// The number a CIF value holds, without its standard uncertainty: "0.1234(5)" -> 0.1234,
// "-.5" -> -0.5; none for an empty or unreadable value.
std::optional<double> cifNumber(std::string_view value);

// U -> B: 8 pi^2.
inline constexpr double kUToB = 78.95683520871486;

// The equivalent isotropic U of an anisotropic one, U11 U22 U33 U12 U13 U23 in square angstrom
// in the CIF convention (dimensionless in the reciprocal basis scaled to unit length):
// Ueq = 1/3 sum_ij U^ij a*_i a*_j (a_i . a_j).
double equivalentIsotropicU(const std::array<double, 6>& u, const UnitCell& cell);

} // namespace tavrel
