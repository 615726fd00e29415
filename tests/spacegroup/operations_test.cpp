#include "spacegroup/space_group.h"

#include "common/notifier.h"
#include "common/text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::readFile;

// r00 r01 r02 r10 r11 r12 r20 r21 r22 t0 t1 t2, the translation in 24ths (0..23).
using Op = std::array<int, 12>;

// The published operations of every setting, sorted, one list per row.
const std::vector<std::vector<Op>>& reference() {
    static const std::vector<std::vector<Op>> rows = [] {
        std::vector<std::vector<Op>> result;
        std::ifstream in(std::string(TAVREL_TEST_DATA) + "/spacegroup_operations.txt");
        for (std::string line; std::getline(in, line);) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            std::size_t row = 0, count = 0;
            fields >> row >> count;
            std::vector<Op> ops(count);
            for (Op& op : ops)
                for (int& v : op) fields >> v;
            if (!fields || row != result.size()) return std::vector<std::vector<Op>>{};
            std::sort(ops.begin(), ops.end());
            result.push_back(std::move(ops));
        }
        return result;
    }();
    return rows;
}

// Our operations in the same form; a translation outside [0, 1) or off the 24ths grid gives -1.
std::vector<Op> ours(const SpaceGroupEngine& engine) {
    std::vector<Op> result;
    for (const SymOp& s : engine.symOps()) {
        Op op{};
        for (std::size_t i = 0; i < 3; ++i) {
            for (std::size_t j = 0; j < 3; ++j) op[3 * i + j] = static_cast<int>(s.m[i][j]);
            const float t = s.m[i][3];
            const long t24 = std::lround(t * 24.0f);
            const bool onGrid = t >= 0.0f && t < 1.0f && std::fabs(t * 24.0f - t24) < 1e-3f;
            op[9 + i] = onGrid ? static_cast<int>(t24) : -1;
        }
        result.push_back(op);
    }
    std::sort(result.begin(), result.end());
    return result;
}

// Operations and absences of every setting; the absences against phases computed in whole
// numbers from the published operations.
TEST(HallInterpreter, EverySettingHasThePublishedOperationsAndAbsences) {
    ASSERT_EQ(reference().size(), kSettingsRowCount);
    SpaceGroupEngine engine;
    for (std::size_t row = 0; row < kSettingsRowCount; ++row) {
        const std::string_view hall = settingsTable[row].hall;
        engine.selectRow(static_cast<int>(row));
        EXPECT_EQ(ours(engine), reference()[row]) << "row " << row << " " << hall;
        EXPECT_EQ(engine.totalCount(), engine.operationCount()) << row;
        EXPECT_EQ(engine.number(), engine.rowNumber(row)) << row;
        EXPECT_EQ(engine.hallSymbol(), trim(hall.substr(0, hall.find('(')))) << row;
        EXPECT_EQ(engine.extendedSymbol(), engine.rowExtendedSymbol(row)) << row;
        for (int h = -4; h <= 4; ++h)
            for (int k = -4; k <= 4; ++k)
                for (int l = -4; l <= 4; ++l) {
                    bool absent = false;
                    for (const Op& r : reference()[row])
                        if (h * r[0] + k * r[3] + l * r[6] == h &&
                            h * r[1] + k * r[4] + l * r[7] == k &&
                            h * r[2] + k * r[5] + l * r[8] == l)
                            absent = absent || (h * r[9] + k * r[10] + l * r[11]) % 24 != 0;
                    using I = std::int16_t;
                    ASSERT_EQ(engine.isExtinct(I(h), I(k), I(l)), absent)
                        << "row " << row << " (" << h << " " << k << " " << l << ")";
                }
    }
}

TEST(HallInterpreter, StageCounts) {
    // centric flag, point operations, after the centric stage, in all, centring vectors
    const std::pair<const char*, std::array<int, 5>> cases[] = {
        {" P 1", {0, 1, 1, 1, 0}},
        {"-P 1", {1, 1, 2, 2, 0}},
        {"-F 4 2 3", {1, 24, 48, 192, 3}},
        // Origin choice 1: the off-origin inversion is a generator, not the centric stage.
        {" P 4 2 3 -1n", {0, 48, 48, 48, 0}},
        {" P 61 2 (0 0 -1)", {0, 12, 12, 12, 0}},
        {"-R 3 2''", {1, 6, 12, 36, 2}},
    };
    SpaceGroupEngine engine;
    for (const auto& [hall, counts] : cases) {
        engine.interpretHallSymbol(hall);
        EXPECT_EQ(
            (std::array<int, 5>{engine.isCentric(), engine.pointCount(), engine.centricCount(),
                                engine.operationCount(), engine.centringVectorCount()}),
            counts)
            << hall;
    }
    engine.interpretHallSymbol("-F 4 2 3");
    EXPECT_EQ(engine.centringVectors()[3].text, "1/2 1/2 0");
}

TEST(HallInterpreter, OriginShiftMovesOnlyTheLastSymbol) {
    SpaceGroupEngine engine;
    engine.interpretHallSymbol(" P 61 2 (0 0 -1)");
    EXPECT_FLOAT_EQ(engine.originShift()[2], -1.0f / 12.0f);
    EXPECT_EQ(engine.symOps()[1].text, "    X-Y,       X,     Z+1/6"); // the six-fold, unshifted
    EXPECT_EQ(engine.symOps()[2].text, "     -Y,      -X,    -Z+5/6");
    engine.interpretHallSymbol(" P 1"); // a later symbol without a shift has none
    EXPECT_EQ(engine.originShift(), (std::array<float, 3>{0, 0, 0}));
}

TEST(HallInterpreter, RecordOfTheSelectedGroup) {
    SpaceGroupEngine engine;
    EXPECT_EQ(engine.number(), 0);
    engine.selectSymbol("P21/C");
    EXPECT_EQ(engine.hallSymbol(), "-P 2ybc");
    EXPECT_EQ(engine.extendedSymbol(), "P 21/c = P 1 21/c 1 = 14:b1");
    EXPECT_EQ(engine.shortSymbol(), "P 21/c");
    EXPECT_EQ(engine.crystalSystem(), "Monoclinic");
    EXPECT_EQ(engine.originChoice(), 1);
    engine.interpretHallSymbol("-P 4a 2bc 3");
    EXPECT_EQ(engine.extendedSymbol(), "P n -3 n = 222:2");
    EXPECT_EQ(engine.originChoice(), 2);
    // A Hall symbol shared by two settings names the first; the row itself names its own.
    engine.interpretHallSymbol(" A 2 2 -1ac");
    EXPECT_EQ(engine.extendedSymbol(), "A b a a = 68:1cab");
    int acaa = 0;
    while (engine.rowExtendedSymbol(static_cast<std::size_t>(acaa)) != "A c a a = 68:1-cba") ++acaa;
    engine.selectRow(acaa);
    EXPECT_EQ(engine.hallSymbol(), "A 2 2 -1ac");
    EXPECT_EQ(engine.extendedSymbol(), "A c a a = 68:1-cba");
    // A symbol outside the table still gives its operations, with an empty record.
    engine.interpretHallSymbol(" P 4 2 -1a");
    EXPECT_EQ(engine.number(), 0);
    EXPECT_EQ(engine.crystalSystem(), "");
    EXPECT_EQ(engine.operationCount(), 16);
}

TEST(HallInterpreter, Confine) {
    const std::pair<float, float> cases[] = {
        {0.99995f, 0.0f},   {-0.00003f, 0.0f}, {-0.25f, 0.75f},      {1.5f, 0.5f},
        {0.9998f, 0.9998f}, {1e30f, 0.0f},     {std::nanf(""), 0.0f}};
    for (const auto& [in, out] : cases)
        EXPECT_FLOAT_EQ(SpaceGroupEngine::confineToUnitCell(in), out) << in;
}

TEST(HallInterpreter, ClosureLimit) {
    // 48 rotations do not fit the 24 point operations of a centric symbol.
    RecordingNotifier notes;
    SpaceGroupEngine engine;
    engine.setNotifier(&notes);
    engine.interpretHallSymbol("-P 4 2 3 -1n");
    EXPECT_EQ(engine.pointCount(), 24);
    ASSERT_EQ(notes.events.size(), 1u);
    EXPECT_EQ(notes.events[0].text, "nm>=24");
}

TEST(Extinction, Examples) {
    SpaceGroupEngine engine;
    EXPECT_FALSE(engine.isExtinct(1, 0, 0)); // nothing selected yet
    const std::tuple<const char*, float, std::int16_t, std::int16_t, std::int16_t, bool> cases[] = {
        {"P21/C", 90, 0, 1, 0, true},  {"P21/C", 90, 0, -3, 0, true}, {"P21/C", 90, 1, 0, 1, true},
        {"P21/C", 90, 0, 2, 0, false}, {"P21/C", 90, 1, 0, 2, false}, {"P21/C", 90, 1, 1, 1, false},
        {"IM-3M", 90, 1, 0, 0, true},  {"IM-3M", 90, 1, 1, 0, false}, {"FM-3M", 90, 1, 0, 0, true},
        {"FM-3M", 90, 1, 1, 0, true},  {"FM-3M", 90, 1, 1, 1, false}, {"FM-3M", 90, 2, 0, 0, false},
        {"FM-3M", 90, 0, 0, 0, false}, {"P65", 90, 0, 0, 6, false},   {"P65", 90, 0, 0, 12, false},
        {"P65", 90, 0, 0, 3, true},    {"P65", 90, 0, 0, 1, true},    {"R-3M", 120, 1, 0, 0, true},
        {"R-3M", 120, 1, 0, 1, false}, {"R-3M", 90, 1, 0, 0, false},  {"P-1", 90, 1, 0, 0, false},
    };
    for (const auto& [symbol, gamma, h, k, l, absent] : cases) {
        engine.setCellValue(5, gamma);
        engine.selectSymbol(symbol);
        EXPECT_EQ(engine.isExtinct(h, k, l), absent)
            << symbol << " (" << h << " " << k << " " << l << ")";
    }
}

TEST(OperatorText, FractionsAndFields) {
    const std::pair<float, const char*> fractions[] = {
        {0.0f, ""},      {0.5f, "+1/2"},        {-0.25f, "-1/4"},          {0.1f, "+0.1"},
        {-0.1f, "-0.1"}, {2.0f / 3.0f, "+2/3"}, {11.0f / 12.0f, "+11/12"}, {0.625f, "+0.625"},
        {1.0f, "+1"},    {-5.0f / 6.0f, "-5/6"}};
    for (const auto& [v, text] : fractions) EXPECT_EQ(SpaceGroupEngine::fractionText(v), text) << v;

    // A part longer than seven characters loses what lies beyond its field.
    const Matrix4 m = {{{1, -1, 0, 1.0f / 3.0f}, {0, 0, -1, 0}, {1, 1, 1, 5.0f / 12.0f}, {}}};
    EXPECT_EQ(SpaceGroupEngine::formatOperator(m), " X-Y+1/3,     -Z,  X+Y+Z+5/");
}

TEST(Listing, Lines) {
    SpaceGroupEngine engine;
    engine.selectSymbol("P1");
    EXPECT_EQ(engine.listingText(), "Hall: P 1\r\n 1                  X,       Y,         Z\r\n");

    engine.selectSymbol("P3112"); // 151, whose Hall symbol carries an origin shift
    const std::string shifted = engine.listingText();
    EXPECT_EQ(shifted.substr(0, shifted.find(" 3 ")),
              "Hall: P 31 2c\r\n 1                  X,       Y,         Z\r\n"
              " 2                 -Y,     X-Y,     Z+1/3\r\n");

    engine.selectSymbol("FM-3M");
    const std::string fcc = engine.listingText();
    EXPECT_EQ(std::count(fcc.begin(), fcc.end(), '\n'), 193);
    EXPECT_EQ(fcc.substr(fcc.size() - 43, 14), " 192          "); // 14 + 27 + CR LF
}

TEST(Listing, WrittenOnEverySelection) {
    const test::TempDir scratch;
    const fs::path folder = scratch.path();
    const fs::path file = folder / "symmetry.txt";
    RecordingNotifier notes;
    SpaceGroupEngine engine;
    engine.setNotifier(&notes);
    engine.selectSymbol("P21/C"); // no folder set: nothing written
    EXPECT_TRUE(fs::is_empty(folder));
    engine.setListingFolder(folder.string());
    engine.selectSymbol("P21/C");
    EXPECT_EQ(readFile(file.string()), engine.listingText());
    engine.setListingFolder(folder.string() + "/");
    engine.selectSymbol("P1");
    EXPECT_EQ(readFile(file.string()), engine.listingText());
    EXPECT_TRUE(notes.events.empty());

    // A failed write keeps the selection and whatever stood there, and says which file it was.
    fs::remove(file);
    fs::create_directory(file); // a folder where the listing should go
    engine.selectSymbol("P21/C");
    EXPECT_EQ(engine.number(), 14);
    EXPECT_TRUE(engine.isExtinct(0, 1, 0));
    EXPECT_TRUE(fs::is_directory(file));
    ASSERT_EQ(notes.events.size(), 1u);
    EXPECT_EQ(notes.events[0].kind, RecordingNotifier::Kind::Error);
    EXPECT_EQ(notes.events[0].text, "Cannot write the symmetry listing " + file.string() +
                                        ": it is a folder, not a file");

    engine.setListingFolder((folder / "missing").string());
    engine.selectSymbol("FM-3M");
    EXPECT_FALSE(engine.writeListing(folder.string())); // a folder in place of the file
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(notes.events.size(), 3u); // one for each failure
    engine.setNotifier(nullptr);        // without a notifier a failure stays silent
    EXPECT_FALSE(engine.writeListing((folder / "missing" / "x.txt").string()));
}

} // namespace
} // namespace tavrel
