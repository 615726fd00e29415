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
#include <optional>
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
// fixed fields, see SpaceGroupEngine::formatOperator).
struct SymOp {
    Matrix4 m{};
    std::string text;
};

// A lattice-centring translation with its text ("1/2 1/2 0"); the unused records are empty.
struct CentringVector {
    std::string text;
    std::array<float, 3> v{};
};

// The texts of one settings row. A lookup that matches no row gives number 0 and empty texts.
struct SettingEntry {
    int number = 0;
    std::string hallSymbol;
    std::string extendedSymbol; // "P 21/c = P 1 21/c 1 = 14:b1"
    std::string itaSymbol;      // "P 21/c = P 1 21/c 1"
    friend bool operator==(const SettingEntry&, const SettingEntry&) = default;
};

// The axis a rotation of a Hall symbol turns about: a cell edge, the body diagonal, or a face
// diagonal (the values are the codes the interpreter derives from a matrix symbol).
enum class RotationAxis {
    A = 0,
    B = 1,
    C = 2,
    BodyDiagonal = 3, // a+b+c
    BPlusC = 4,
    BMinusC = 44,
    APlusC = 5,
    AMinusC = 55,
    APlusB = 6,
    AMinusB = 66
};

enum class CrystalSystem {
    None, // no group number
    Triclinic,
    Monoclinic,
    Orthorhombic,
    Tetragonal,
    Trigonal,
    Hexagonal,
    Cubic
};
// The crystal system of group `number`; None outside 1..230.
CrystalSystem crystalSystemOf(int number);
// "Triclinic" .. "Cubic"; empty for None.
std::string crystalSystemName(CrystalSystem system);

// Entry `position` (0..229) of the window's space-group list: the group number right-aligned
// in 3 characters, ": ", then the short symbol ("225: F m 3 m").
std::string spaceGroupListEntry(int position);

class SpaceGroupEngine {
public:
    // Capacity of the operation list; the largest group (48 point operations, four centring
    // translations) fills 192.
    static constexpr std::size_t kMaxSymOps = 193;

    SpaceGroupEngine();

    // Where messages for the user go; nullptr (the default) keeps the engine silent.
    void setNotifier(Notifier* notifier) { notifier_ = notifier; }
    // The folder every selectSymbol writes "symmetry.txt" into; empty (the default) writes nothing.
    void setListingFolder(std::string folder) { listingFolder_ = std::move(folder); }
    const std::string& listingFolder() const { return listingFolder_; }

    // Cell value `index` (0..5: a, b, c, alpha, beta, gamma). Gamma other than 120 marks a
    // rhombohedral group as given on rhombohedral axes.
    void setCellValue(int index, float value);
    const std::array<double, 6>& cellValues() const { return cellValues_; }

    // The row (0..529) a typed symbol selects (a ":H" qualifier means hexagonal axes). Row 0
    // (" P 1") when nothing matches.
    int findSettingRow(std::string symbol) const;
    // The row findSettingRow selects, when the symbol names a setting; none where that row comes
    // only from the fall-back to row 0 or from a guess. Named are:
    // - a space-group number 1..230, alone or followed by ":" and the qualifier of one of its
    //   settings ("225", "227:2", "14:b2"); any other text that starts with a digit is not a
    //   symbol, so "0", "231" and "2/m" name nothing;
    // - a symbol that a strict pass matches whole, with or without spaces and minus signs
    //   ("P 21/c", "P21/c", "Fm3m", "P 1 21/n 1");
    // - a symbol that the last, loose pass matches, when it equals one whole form of that row
    //   with its "1" axes dropped ("P21/n" for P 1 21/n 1). A mere part of a form ("NAN" of
    //   "PNAN", "0" of "10", an empty text) is a guess and names nothing.
    // Like findSettingRow it expects the text upper-cased and trimmed.
    std::optional<int> matchSettingRow(std::string symbol) const;
    // The row the space-group list selects for group `number` (1..230): its first setting, or
    // for a rhombohedral group on rhombohedral axes (gamma other than 120) its ":R" setting.
    // Row 0 for a number outside 1..230.
    int rowForGroup(int number) const;
    // The first row matching, in this order of tests, the number (skipping origin-choice-1
    // rows), the ITA symbol (substring) or the Hall symbol (as its ending). Pass 0 / empty
    // texts for tests that are not wanted.
    SettingEntry lookupSetting(int number = 0, std::string_view ita = {},
                               std::string_view hall = {}) const;
    // The texts of settings row `row`, trimmed; row 0 for a row outside the table.
    SettingEntry settingEntry(int row) const;
    // Short symbol of group `number` (1..230) as the list shows it: "P 21/c", "F m 3 m".
    static std::string listSymbol(int number);

    // Selects the setting a typed symbol matches (see findSettingRow).
    void selectSymbol(const std::string& symbol);
    // Selects settings row `row` (0..529; any other value selects row 0): builds its operations
    // and writes the listing when a listing folder is set.
    void selectRow(int row);
    // True when reflection (h k l) is systematically absent in the selected group; false for
    // every reflection before the first selection. Allocation-free.
    bool isExtinct(std::int16_t h, std::int16_t k, std::int16_t l) const;

    // Hall-symbol interpreter: replaces the operations, counts, centring vectors, origin shift
    // and the record of the selected group with those of `hall` (a Hall symbol, optionally
    // followed by an origin shift in twelfths, " P 31 2c (0 0 1)"); the record is that of the
    // first settings row with this Hall symbol, empty when the table has none.
    void interpretHallSymbol(const std::string& hall);
    // Centring translations of a lattice letter (P A B C I R S T F, upper case): `t` gets the
    // zero vector and then the non-zero ones, `s` their texts; unused records are zero and
    // empty. Returns the number of non-zero vectors.
    static std::int16_t centringTranslations(char system, std::array<std::array<float, 3>, 4>& t,
                                             std::array<std::string, 4>& s);
    // The translation a matrix symbol ("2ybc", "4abw", "61") carries.
    static std::array<float, 3> glideScrewTranslation(std::string_view symbol);
    // The rotation of order |order| (negative: rotoinversion) about `axis`. The diagonal axes
    // carry one fixed matrix whatever the order; an order that is not 1, 2, 3, 4 or 6 about a,
    // b or c leaves m as it was.
    static void rotationAboutAxis(RotationAxis axis, int order, Matrix3& m);
    // x moved into [0, 1); a value less than 0.0001 below a whole number becomes 0.
    static float confineToUnitCell(float x);

    // The operations: the point operations, their inverted copies (centric groups) and the
    // copies moved by each centring translation, in that order.
    const std::vector<SymOp>& symOps() const { return symOps_; }
    std::int16_t operationCount() const { return static_cast<std::int16_t>(symOps_.size()); }
    std::int16_t pointCount() const { return pointCount_; }
    std::int16_t centricCount() const { return centricCount_; }
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

    // How a typed symbol found its row: by a strict symbol test, by its number, by the loose
    // last pass (`looseKey` then holds the typed text as that pass compared it), or not at all
    // (row 0).
    enum class MatchKind { Symbol, Number, Loose, None };
    struct RowMatch {
        int row = 0;
        MatchKind kind = MatchKind::None;
        std::string looseKey;
    };
    RowMatch matchRow(std::string symbol) const;
    // A row's symbol forms as the loose pass searches them: its extended symbol without "1"
    // axes and spaces, upper case, up to the ":" ("P21/C=P21/N=14" for 14:b2).
    std::string looseSymbol(std::size_t row) const;

    void appendOp(const Matrix4& m);
    void buildPhaseGroups();
    // The row lookupSetting finds, -1 for none.
    int lookupRow(int number, std::string_view ita, std::string_view hall) const;
    // The operations of a Hall symbol, without the record of the group.
    void buildOperations(const std::string& hall);
    // The record of the selected group from settings row `row`; empty for -1.
    void recordRow(int row);

    std::vector<Derived> derived_;
    std::array<double, 6> cellValues_{};

    Notifier* notifier_ = nullptr;
    std::string listingFolder_;

    std::vector<SymOp> symOps_;
    std::vector<PhaseGroup> phaseGroups_;
    std::vector<std::array<float, 3>> phaseTranslations_;
    std::int16_t pointCount_ = 0;
    std::int16_t centricCount_ = 0;
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
