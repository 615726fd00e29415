#include "spacegroup/written_operations.h"

#include "common/numeric.h"
#include "common/text.h"

#include <gemmi/symmetry.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>

namespace tavrel {

namespace {

static_assert(gemmi::Op::DEN == GridOperation::kGrid);

// The double prime of a Hall symbol, which some write as two single ones (as the settings
// table does); gemmi reads only the former.
std::string withDoublePrimes(std::string_view hall) {
    return replaceAll(hall, "''", "\"");
}

// No operation or Hall symbol needs a whole number of more than four digits; refusing them
// keeps gemmi's integer arithmetic far from overflowing. Decimal fractions may be long.
bool hasLongWholeNumber(std::string_view text) {
    std::size_t run = 0;
    bool fraction = false;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            if (!fraction && ++run > 4) return true;
        } else {
            fraction = c == '.';
            run = 0;
        }
    }
    return false;
}

// gemmi reads translations written as fractions ("1/2+x"); some files write decimals ("x+0.5",
// "0.3333-y", "z+0.67"). A decimal becomes the 24th it rounds from at the digits written
// (thirds and sixths written to two decimals included), or within a hundredth of a 24th for a
// shorter one; any other is left for gemmi to refuse.
std::string decimalsAsFractions(const std::string& triplet) {
    std::string out;
    std::size_t i = 0;
    auto isDigit = [&](std::size_t at) {
        return at < triplet.size() && std::isdigit(static_cast<unsigned char>(triplet[at]));
    };
    while (i < triplet.size()) {
        if (!isDigit(i) && !(triplet[i] == '.' && isDigit(i + 1))) {
            out += triplet[i++];
            continue;
        }
        std::size_t end = i;
        while (isDigit(end) || (end < triplet.size() && triplet[end] == '.')) ++end;
        const std::string number = triplet.substr(i, end - i);
        const std::size_t point = number.find('.');
        const std::size_t decimals = point == std::string::npos ? 0 : number.size() - point - 1;
        const double value = leadingNumber(number);
        const double whole = std::round(value * GridOperation::kGrid);
        // Two decimals or more single out one 24th: they lie 0.042 apart.
        const double roundedAway = decimals >= 2 ? 0.5 * std::pow(10.0, -double(decimals)) : 0.0;
        const double tolerance = std::max(0.01 / GridOperation::kGrid, roundedAway) + 1e-12;
        if (point != std::string::npos &&
            std::fabs(value - whole / GridOperation::kGrid) <= tolerance)
            out += std::to_string(static_cast<long>(whole)) + "/" +
                   std::to_string(GridOperation::kGrid);
        else
            out += number;
        i = end;
    }
    return out;
}

// gemmi also reads a, b, c and h, k, l as x, y, z, the notations of a change of basis and of
// reflections; an operation that uses them is not a coordinate triplet.
bool usesOnlyCoordinates(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return std::isalpha(static_cast<unsigned char>(c)) && lower != 'x' && lower != 'y' &&
               lower != 'z';
    });
}

std::optional<GridOperation> gridOperation(const gemmi::Op& op) {
    GridOperation g;
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            // A lattice's symmetry operations have rotation entries -1, 0 and 1.
            const int e = op.rot[i][j];
            if (e != 0 && e != gemmi::Op::DEN && e != -gemmi::Op::DEN) return std::nullopt;
            g.rotation[3 * i + j] = e / gemmi::Op::DEN;
        }
        g.translation[i] = op.tran[i];
    }
    const auto& r = g.rotation;
    const int det = r[0] * (r[4] * r[8] - r[5] * r[7]) - r[1] * (r[3] * r[8] - r[5] * r[6]) +
                    r[2] * (r[3] * r[7] - r[4] * r[6]);
    if (det != 1 && det != -1) return std::nullopt;
    return g;
}

} // namespace

Result<OperationSet> readOperationTriplets(const std::vector<std::string>& triplets) {
    std::vector<GridOperation> operations;
    for (const std::string& text : triplets) {
        std::optional<GridOperation> op;
        std::string reason;
        try {
            if (hasLongWholeNumber(text)) {
                reason = "it holds a number too long for a symmetry operation";
            } else if (!usesOnlyCoordinates(text)) {
                reason = "a symmetry operation is written in x, y and z";
            } else {
                op = gridOperation(gemmi::parse_triplet(decimalsAsFractions(text)));
                if (!op) reason = "it is no symmetry operation of a lattice";
            }
        } catch (const std::exception& e) {
            reason = e.what();
        }
        if (!op)
            return Problem{"its symmetry operation " + inQuotes(text) +
                           " cannot be read: " + reason};
        operations.push_back(*op);
    }
    std::optional<OperationSet> set = closeOperations(std::move(operations));
    if (!set) return Problem{"its symmetry operations form no space group"};
    return std::move(*set);
}

std::optional<OperationSet> operationsOfHallSymbol(const std::string& hall) {
    if (hasLongWholeNumber(hall)) return std::nullopt;
    std::vector<GridOperation> operations;
    try {
        const std::string symbol = withDoublePrimes(hall);
        for (const gemmi::Op& op : gemmi::symops_from_hall(symbol.c_str())) {
            const std::optional<GridOperation> g = gridOperation(op);
            if (!g) return std::nullopt;
            operations.push_back(*g);
        }
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return closeOperations(std::move(operations));
}

std::string hallSymbolKey(std::string_view hall) {
    std::string key;
    for (const std::string& word : splitBlanks(toUpper(withDoublePrimes(hall)))) key += word + " ";
    return key;
}

} // namespace tavrel
