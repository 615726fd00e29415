#pragma once
// The space-group engine: the table of the 530 standard settings, matching a typed symbol to one
// of them, the short symbols from which the window fills its space-group list, the Hall-symbol
// interpreter that builds every symmetry operation of the selected setting, the systematic-absence
// test and the listing "symmetry.txt".
//
// The operations are built and tested in 4-byte floats with fixed tolerances, so that the
// absences (and the listed fractions) are the same on every machine.

#include "spacegroup/settings_table.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavrel {

class Notifier;

// Rows and columns 0..2 hold a rotation, column 3 (rows 0..2) a translation in fractions of the
// cell edges, row 3 is (0 0 0 1). Maps a column of fractional coordinates x to R x + t.
using Matrix3 = std::array<std::array<float, 3>, 3>;
using Matrix4 = std::array<std::array<float, 4>, 4>;

// One symmetry operation with its coordinate-triplet text ("-X, Y+1/2, -Z+1/2" laid out in
// fixed fields, see clSpaceGroup::formatOperator).
struct SymOp {
    Matrix4 m{};
    std::string text;
};

// A lattice-centring translation with its text ("1/2 1/2 0"); the unused records are empty.
struct CentringVector {
    std::string text;
    std::array<float, 3> v{};
};

class clSpaceGroup {
public:
    // number, Hall symbol, extended symbol, ITA symbol
    using Entry = std::array<std::string, 4>;
    // Capacity of the operation list; the largest group (48 point operations, four centring
    // translations) fills 192.
    static constexpr std::size_t kMaxSymOps = 193;

    clSpaceGroup();

    // Where messages for the user go; nullptr (the default) keeps the engine silent.
    void setNotifier(Notifier* notifier) { notifier_ = notifier; }
    // The folder every XGRP_find writes "symmetry.txt" into; empty (the default) writes nothing.
    void setListingFolder(std::string folder) { listingFolder_ = std::move(folder); }
    const std::string& listingFolder() const { return listingFolder_; }

    // Cell value N (0..6: a, b, c, alpha, beta, gamma, spare). Gamma (index 5) other than 120
    // marks a rhombohedral symbol as given on rhombohedral axes.
    void setUC(int n, float x);
    const std::array<double, 7>& cellParams() const { return cellParams_; }

    // The row (0..529) a typed symbol selects; every ":H" is removed from `s`. Row 0 (" P 1")
    // when nothing matches.
    std::int16_t XGRP_findHallEntry(std::string& s) const;
    // The first row matching, in this order of tests, the number (skipping origin-choice-1
    // rows), the ITA symbol (substring) or the Hall symbol (as its ending); four empty texts
    // when no row matches. Pass 0 / empty texts for tests that are not wanted.
    Entry XGRP_lookup(int nspg = 0, std::string_view ita = {}, std::string_view hall = {}) const;
    // The four texts of row i, trimmed; also rebuilds the Hall-list for that row's number.
    Entry XGRP_getEntry(int i);
    // The Hall symbols (untrimmed) of all rows sharing the number of the last XGRP_getEntry.
    const std::vector<std::string>& XGRP_getHalls() const { return hallList_; }
    // Short symbol of group nspg (1..230) as the list shows it: "P 21/c", "F m 3 m".
    std::string getToskSymbol(int nspg) const;

    // Selects the setting a typed symbol matches (see XGRP_findHallEntry; `com` itself is not
    // changed), builds its operations and writes the listing when a listing folder is set.
    void XGRP_find(const std::string& com);
    // The part of XGRP_find after the symbol lookup: selects settings row `row` (0..529; any
    // other value selects row 0).
    void selectRow(int row);
    // True when reflection (h k l) is systematically absent in the selected group; false for
    // every reflection before the first selection. Allocation-free.
    bool isExtinct(std::int16_t h, std::int16_t k, std::int16_t l) const;

    // Hall-symbol interpreter: replaces the operations, counts, centring vectors, origin shift
    // and the record of the selected group with those of `hall` (a Hall symbol, optionally
    // followed by an origin shift in twelfths, " P 31 2c (0 0 1)").
    void XGRP_getHallMatrices(const std::string& hall);
    // Centring translations of a lattice letter (P A B C I R S T F, upper case): `t` gets the
    // zero vector and then the non-zero ones, `s` their texts; unused records are zero and
    // empty. Returns the number of non-zero vectors.
    static std::int16_t XGRP_getCenteringVectors(char system,
                                                 std::array<std::array<float, 3>, 4>& t,
                                                 std::array<std::string, 4>& s);
    // The translation a matrix symbol ("2ybc", "4abw", "61") carries.
    static std::array<float, 3> XGRP_getGlideScrewVectors(std::string_view symbol);
    // The rotation (|rtype| = order; negative rtype = rotoinversion) about axis code 0 (a),
    // 1 (b), 2 (c), 3 (a+b+c), 4 (b+c), 44 (b-c), 5 (a+c), 55 (a-c), 6 (a+b), 66 (a-b). An
    // order that is not 1, 2, 3, 4 or 6 about a, b or c leaves m as it was.
    static void XGRP_getRotationMatrixFromAxis(int axis, int rtype, Matrix3& m);
    // x moved into [0, 1); a value less than 0.0001 below a whole number becomes 0.
    static float XGRP_confine(float x);

    // The operations: the point operations, their inverted copies (centric groups) and the
    // copies moved by each centring translation, in that order.
    const std::vector<SymOp>& symOps() const { return symOps_; }
    std::int16_t operationCount() const { return static_cast<std::int16_t>(symOps_.size()); }
    std::int16_t pointCount() const { return pointCount_; }
    std::int16_t centricCount() const { return centricCount_; }
    std::int16_t primitiveCount() const { return primitiveCount_; }
    std::int16_t totalCount() const { return totalCount_; }
    bool isCentric() const { return centric_; }
    std::int16_t centringVectorCount() const { return centringCount_; }
    const std::array<CentringVector, 4>& centringVectors() const { return centringVectors_; }
    const std::array<float, 3>& originShift() const { return originShift_; }

    // Record of the selected group.
    std::int16_t number() const { return number_; }
    // Trimmed, without its origin shift.
    const std::string& hallSymbol() const { return hallSymbol_; }
    const std::string& extendedSymbol() const { return extendedSymbol_; }
    const std::string& shortSymbol() const { return shortSymbol_; }
    const std::string& crystalSystem() const { return crystalSystem_; }
    std::int16_t originChoice() const { return originChoice_; }
    // "Triclinic" .. "Cubic" for numbers 1..230, empty otherwise.
    static std::string crystalSystemOf(int number);

    // Coordinate-triplet text of rows 0..2 of m: each row right-aligned in a 9-character field
    // ("      X,       Y,         Z").
    static std::string formatOperator(const Matrix4& m);
    // Signed fraction text of a translation: "" for 0, "+1/2", "-1/4", "+0.1".
    static std::string fractionText(float v);
    // The listing as "symmetry.txt" holds it: the Hall line and one line per operation, each
    // ended by CR LF.
    std::string listingText() const;
    // Writes the listing to `path` without ever leaving a half-written file there; a failure
    // is reported through the notifier and gives false.
    bool writeListing(const std::string& path) const;

    // Derived texts of a row: its number, ITA symbol with spaces, and extended symbol
    // ("P 21/c = P 1 21/c 1 = 14:b1", "R -3 m = 166:H").
    std::int16_t rowNumber(std::size_t row) const { return derived_[row].number; }
    const std::string& rowItaSymbol(std::size_t row) const { return derived_[row].ita; }
    const std::string& rowExtendedSymbol(std::size_t row) const { return derived_[row].extended; }

private:
    struct Derived {
        std::int16_t number = 0;
        std::string ita;
        std::string extended;
    };

    // What isExtinct reads, packed: the operations grouped by rotation (the centred copies share
    // the rotation of their original), so that each rotation is tested once for a triple.
    struct PhaseGroup {
        std::array<float, 9> rotationColumns;
        std::size_t firstTranslation;
        std::size_t translationCount;
    };

    void appendOp(const Matrix4& m);
    void buildPhaseGroups();
    void recordGroup(const std::string& hall, const std::string& hallWithoutShift);

    std::vector<Derived> derived_;
    std::array<double, 7> cellParams_{};
    std::vector<std::string> hallList_;

    Notifier* notifier_ = nullptr;
    std::string listingFolder_;

    std::vector<SymOp> symOps_;
    std::vector<PhaseGroup> phaseGroups_;
    std::vector<std::array<float, 3>> phaseTranslations_;
    std::int16_t pointCount_ = 0;
    std::int16_t centricCount_ = 0;
    std::int16_t primitiveCount_ = 0;
    std::int16_t totalCount_ = 0;
    bool centric_ = false;
    std::int16_t centringCount_ = 0;
    std::array<CentringVector, 4> centringVectors_{};
    std::array<float, 3> originShift_{};

    std::int16_t number_ = 0;
    std::string hallSymbol_;
    std::string extendedSymbol_;
    std::string shortSymbol_;
    std::string crystalSystem_;
    std::int16_t originChoice_ = 1;
};

} // namespace tavrel
