#include "samples/sample_atoms.h"

#include "common/text.h"

#include <array>
#include <string>

namespace tavrel {

namespace {

constexpr double kThird = 1.0 / 3.0;
constexpr double kTwoThirds = 2.0 / 3.0;

// Elements on one position each: Wyckoff, Crystal Structures, Vol. 1, 2nd ed. (1963), ch. II.
// Cu: Fm-3m, 4a (0 0 0).
constexpr SampleAtom kCopper[] = {{"Cu1", "Cu", 0, 0, 0}};
// Si: the diamond structure, Fd-3m origin choice 1, 8a (0 0 0); B = 0.46 A^2 at room
// temperature (Flensburg & Stewart, Phys. Rev. B 60 (1999) 284).
constexpr SampleAtom kSilicon[] = {{"Si1", "Si", 0, 0, 0, 1, 0.46}};
// W: body-centred cubic, Im-3m, 2a (0 0 0).
constexpr SampleAtom kTungsten[] = {{"W1", "W", 0, 0, 0}};
// Mg: hexagonal close packed, P63/mmc, 2c (1/3 2/3 1/4).
constexpr SampleAtom kMagnesium[] = {{"Mg1", "Mg", kThird, kTwoThirds, 0.25}};
// In and Pa: body-centred tetragonal, I4/mmm, 2a (0 0 0).
constexpr SampleAtom kIndium[] = {{"In1", "In", 0, 0, 0}};
constexpr SampleAtom kProtactinium[] = {{"Pa1", "Pa", 0, 0, 0}};
// Diamond: as silicon, Fd-3m origin choice 1, 8a (0 0 0).
constexpr SampleAtom kDiamond[] = {{"C1", "C", 0, 0, 0}};
// Graphite (hexagonal, ABAB): Wyckoff's description in P63mc, C1 2a (0 0 z) and C2 2b
// (1/3 2/3 z) with z = 0, the same atoms as 2b and 2c of P63/mmc shifted by c/4.
constexpr SampleAtom kGraphite[] = {{"C1", "C", 0, 0, 0}, {"C2", "C", kThird, kTwoThirds, 0}};
// alpha-Quartz, P3221: Levien, Prewitt & Weidner, Am. Mineral. 65 (1980) 920,
// Si x = 0.4697, O (0.4135 0.2669 0.1191); both moved by 2/3 along c so that Si sits on the
// two-fold axis of this setting's position 3a (x 0 2/3).
constexpr SampleAtom kQuartz[] = {{"Si1", "Si", 0.4697, 0, kTwoThirds},
                                  {"O1", "O", 0.4135, 0.2669, 0.1191 + kTwoThirds}};
// Corundum, R-3c on hexagonal axes: Lewis, Schwarzenbach & Flack, Acta Cryst. A38 (1982) 733,
// Al 12c (0 0 0.35216), O 18e (0.30624 0 1/4).
constexpr SampleAtom kCorundum[] = {{"Al1", "Al", 0, 0, 0.35216}, {"O1", "O", 0.30624, 0, 0.25}};
// alpha-Hg: rhombohedral, R-3m on hexagonal axes, 3a (0 0 0).
constexpr SampleAtom kMercury[] = {{"Hg1", "Hg", 0, 0, 0}};
// alpha-La: double hexagonal close packed (ABAC), P63/mmc, 2a (0 0 0) and 2c (1/3 2/3 1/4).
constexpr SampleAtom kLanthanum[] = {{"La1", "La", 0, 0, 0},
                                     {"La2", "La", kThird, kTwoThirds, 0.25}};
// alpha-Po: simple cubic, Pm-3m, 1a (0 0 0).
constexpr SampleAtom kPolonium[] = {{"Po1", "Po", 0, 0, 0}};
// beta-Sn: I41/amd origin choice 1, 4a (0 0 0), i.e. (0 0 0) and (0 1/2 1/4) with the centring.
constexpr SampleAtom kTin[] = {{"Sn1", "Sn", 0, 0, 0}};

struct SampleSites {
    std::string_view name;
    std::span<const SampleAtom> atoms;
};

constexpr std::array kTable = {
    SampleSites{"Cu", kCopper},         SampleSites{"Si", kSilicon},
    SampleSites{"W", kTungsten},        SampleSites{"Mg", kMagnesium},
    SampleSites{"In", kIndium},         SampleSites{"Pa", kProtactinium},
    SampleSites{"Diamond", kDiamond},   SampleSites{"Graphite", kGraphite},
    SampleSites{"Quartz", kQuartz},     SampleSites{"Corundum", kCorundum},
    SampleSites{"alpha-Hg", kMercury},  SampleSites{"alpha-La", kLanthanum},
    SampleSites{"alpha-Po", kPolonium}, SampleSites{"beta-Sn", kTin},
};

} // namespace

std::span<const SampleAtom> sampleAtoms(std::string_view sampleName) {
    const std::string wanted = toLower(trim(sampleName));
    for (const SampleSites& sample : kTable)
        if (toLower(sample.name) == wanted) return sample.atoms;
    return {};
}

std::vector<AtomSite> sampleSites(const Sample& sample) {
    std::vector<AtomSite> sites;
    const SampleList builtIn = SampleList::builtIn();
    for (const Sample& known : builtIn.samples()) {
        if (known.name != sample.name || known.fields[0] != sample.fields[0]) continue;
        for (const SampleAtom& a : sampleAtoms(sample.name))
            sites.push_back(
                {std::string(a.label), std::string(a.element), a.x, a.y, a.z, a.occupancy, a.bIso});
    }
    return sites;
}

} // namespace tavrel
