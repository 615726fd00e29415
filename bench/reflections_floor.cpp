// The floor of `tavrel-cli reflections`: a small program that runs the loop of generation on a
// cell given on its command line, sorts what it found as the list is sorted and prints the same
// lines (h k l d theta1 theta2), with nothing else around it: no file to read, no Qt.
//
//   tavrel_reflections_floor GROUP A B C ALPHA BETA GAMMA LAMBDA1 LAMBDA2 DMIN DMAX LIMIT
//
// DMAX 0 is the longest edge, as in a new document. Compare its output with the command's
// for the same input to see that it does the same work.

#include "common/numeric.h"
#include "common/quicksort.h"
#include "crystal/reflections.h"
#include "crystal/unit_cell.h"
#include "spacegroup/settings.h"
#include "spacegroup/space_group.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace tavrel;

struct Row {
    float h, k, l, d;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 13) {
        std::fprintf(stderr,
                     "usage: %s GROUP A B C ALPHA BETA GAMMA LAMBDA1 LAMBDA2 DMIN DMAX "
                     "LIMIT\n",
                     argv[0]);
        return 2;
    }
    auto number = [&](int i) { return static_cast<float>(std::atof(argv[i])); };
    const int group = std::atoi(argv[1]);
    UnitCell cell;
    for (int i = 0; i < 6; ++i) cell[i] = number(2 + i);
    const std::array<float, 2> wavelength{number(8), number(9)};
    const float dMin = number(10);
    float dMax = number(11);
    if (!(dMax > 0)) dMax = std::max({cell.a(), cell.b(), cell.c()});
    const int limit = std::atoi(argv[12]);

    const SpaceGroup spaceGroup = SpaceGroup::ofRow(rowForGroup(group, rGroupAxesFor(cell[5])));

    const double lambda = wavelength[0];
    const double dLowest = std::max(static_cast<double>(dMin) - 0.0001, lambda / 2.0);
    const double dHighest = static_cast<double>(dMax) + 0.0001;
    auto bound = [&](double edge) {
        const double reach = std::floor(edge / dLowest) + 1.0;
        return reach < limit ? static_cast<int>(reach) : limit;
    };
    const int H = bound(cell.a()), K = bound(cell.b()), L = bound(cell.c());
    const CellMetric metric(cell);
    std::vector<Row> rows;
    [&] {
        for (int h = H; h >= -H; --h)
            for (int k = K; k >= -K; --k)
                for (int l = L; l >= -L; --l) {
                    if (h == 0 && k == 0 && l == 0) continue;
                    const float d = metric.dSpacing(h, k, l);
                    if (!(static_cast<double>(dMin) - 0.0001 <= d && d <= dHighest)) continue;
                    if (!(2.0 * braggAngle(lambda, d) <= 175.0)) continue;
                    if (spaceGroup.isAbsent(static_cast<std::int16_t>(h),
                                            static_cast<std::int16_t>(k),
                                            static_cast<std::int16_t>(l)))
                        continue;
                    if (rows.size() == static_cast<std::size_t>(kMaxReflections)) return;
                    rows.push_back(
                        {static_cast<float>(h), static_cast<float>(k), static_cast<float>(l), d});
                }
    }();
    quicksortDescending(rows, [](const Row& r) { return r.d; });

    std::string out;
    for (const Row& r : rows) {
        out += std::to_string(roundToInt16(r.h));
        out += ' ';
        out += std::to_string(roundToInt16(r.k));
        out += ' ';
        out += std::to_string(roundToInt16(r.l));
        out += ' ';
        out += formatNumber(r.d, "0.0000");
        for (float w : wavelength) {
            out += ' ';
            out += w > 0 ? formatNumber(braggAngle(w, r.d), "0.000") : "-";
        }
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
