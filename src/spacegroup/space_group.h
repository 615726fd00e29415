#pragma once
// One space group as a value: every symmetry operation of a setting, built from its Hall symbol,
// the record of the setting it belongs to, and the systematic-absence test. The operations are
// built and tested in 4-byte floats with fixed tolerances, so that the absences (and the listed
// fractions) are the same on every machine.

#include "common/result.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

// Rows and columns 0..2 hold a rotation, column 3 (rows 0..2) a translation in fractions of the
// cell edges, row 3 is (0 0 0 1). Maps a column of fractional coordinates x to R x + t.
using Matrix3 = std::array<std::array<float, 3>, 3>;
using Matrix4 = std::array<std::array<float, 4>, 4>;

// One symmetry operation with its coordinate-triplet text ("-X, Y+1/2, -Z+1/2" laid out in
// fixed fields, see formatOperator).
struct SymOp {
    Matrix4 m{};
    std::string text;
};

class SpaceGroup {
public:
    // The largest group (48 point operations, four centring translations) has 192 operations.
    static constexpr std::size_t kMaxOperations = 192;

    // No operations: nothing is absent, and the record is empty.
    SpaceGroup() = default;
    // The group of settings row `row` (0..529; any other value gives row 0).
    static SpaceGroup ofRow(int row);

    // The point operations, their inverted copies (centric groups) and the copies moved by each
    // centring translation, in that order.
    const std::vector<SymOp>& operations() const { return operations_; }
    int operationCount() const { return static_cast<int>(operations_.size()); }
    int pointCount() const { return pointCount_; }

    // True when reflection (h k l) is systematically absent; false for every reflection of a
    // group without operations. Allocation-free.
    bool isAbsent(std::int16_t h, std::int16_t k, std::int16_t l) const;

    // The settings row whose record this is; none for a group without operations.
    std::optional<int> row() const { return row_; }
    // The record of that row; 0 and empty texts without one.
    int number() const;
    // Trimmed, without its origin shift.
    const std::string& hallSymbol() const { return hallSymbol_; }
    std::string extendedSymbol() const;
    std::string crystalSystem() const;
    int originChoice() const;

private:
    // What isAbsent reads, packed: the operations grouped by rotation (the centred copies share
    // the rotation of their original), so that each rotation is tested once for a triple.
    struct PhaseGroup {
        std::array<float, 9> rotationColumns;
        std::size_t firstTranslation;
        std::size_t translationCount;
    };

    // The operations of a Hall symbol (optionally followed by an origin shift in twelfths,
    // " P 31 2c (0 0 1)"), without the record of the group; false when the generators close
    // into more rotations than a point group has (24 for a centric symbol, whose inversion
    // doubles them, else 48).
    bool buildOperations(std::string_view hall);
    void appendOperation(const Matrix4& m);
    void buildPhaseGroups();

    std::vector<SymOp> operations_;
    std::vector<PhaseGroup> phaseGroups_;
    std::vector<std::array<float, 3>> phaseTranslations_;
    int pointCount_ = 0;
    std::optional<int> row_;
    std::string hallSymbol_;
};

// The pure translations of lattice centring `letter` (A B C I R S T F, upper case), without the
// zero one; none for P or any other letter.
std::vector<std::array<float, 3>> latticeCentringTranslations(char letter);

// The listing "symmetry.txt" of a group, in which users check the operations behind the
// absences: the Hall line and one line per operation, each ended by CR LF.
std::string listingText(const SpaceGroup& group);
// Coordinate-triplet text of rows 0..2 of m: each row right-aligned in a 9-character field
// ("      X,       Y,         Z").
std::string formatOperator(const Matrix4& m);
// Signed fraction text of a translation: "" for 0, "+1/2", "-1/4", "+0.1".
std::string fractionText(float v);

} // namespace tavrel
