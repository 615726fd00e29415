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
        for (int i = 0; i < 729; ++i) {
            const std::int16_t h = std::int16_t(i / 81 - 4), k = std::int16_t(i / 9 % 9 - 4),
                               l = std::int16_t(i % 9 - 4);
            bool absent = false;
            for (const Op& r : reference()[row])
                if (h * r[0] + k * r[3] + l * r[6] == h && h * r[1] + k * r[4] + l * r[7] == k &&
                    h * r[2] + k * r[5] + l * r[8] == l)
                    absent = absent || (h * r[9] + k * r[10] + l * r[11]) % 24 != 0;
            ASSERT_EQ(engine.isExtinct(h, k, l), absent)
                << "row " << row << " (" << h << " " << k << " " << l << ")";
        }
    }
}

TEST(HallInterpreter, RecordOfTheSelectedGroup) {
    SpaceGroupEngine engine;
    EXPECT_EQ(engine.number(), 0);
    EXPECT_FALSE(engine.isExtinct(1, 0, 0)); // nothing selected yet
    engine.selectSymbol("P21/C");
    EXPECT_EQ(engine.shortSymbol(), "P 21/c");
    EXPECT_EQ(engine.crystalSystem(), "Monoclinic");
    engine.interpretHallSymbol("-P 4a 2bc 3");
    EXPECT_EQ(engine.originChoice(), 2);
    // A symbol outside the table still gives its operations, with an empty record.
    engine.interpretHallSymbol(" P 4 2 -1a");
    EXPECT_EQ(engine.number(), 0);
    EXPECT_EQ(engine.crystalSystem(), "");
    EXPECT_EQ(engine.operationCount(), 16);
    // 48 rotations do not fit the 24 point operations of a centric symbol.
    SpaceGroupEngine fresh;
    RecordingNotifier notes;
    fresh.setNotifier(&notes);
    fresh.interpretHallSymbol("-P 4 2 3 -1n");
    EXPECT_EQ(fresh.pointCount(), 24);
    ASSERT_EQ(notes.events.size(), 1u);
    EXPECT_EQ(notes.events[0].text, "nm>=24");
}

TEST(Listing, Lines) {
    for (const auto& [v, text] : {std::pair{0.0f, ""}, {-0.1f, "-0.1"}, {11.0f / 12.0f, "+11/12"}})
        EXPECT_EQ(SpaceGroupEngine::fractionText(v), text) << v;
    // A part longer than seven characters loses what lies beyond its field.
    const Matrix4 m = {{{1, -1, 0, 1.0f / 3.0f}, {0, 0, -1, 0}, {1, 1, 1, 5.0f / 12.0f}, {}}};
    EXPECT_EQ(SpaceGroupEngine::formatOperator(m), " X-Y+1/3,     -Z,  X+Y+Z+5/");

    SpaceGroupEngine engine;
    engine.selectSymbol("P3112"); // 151, whose Hall symbol carries an origin shift
    const std::string shifted = engine.listingText();
    EXPECT_EQ(shifted.substr(0, shifted.find(" 3 ")),
              "Hall: P 31 2c\r\n 1                  X,       Y,         Z\r\n"
              " 2                 -Y,     X-Y,     Z+1/3\r\n");
    engine.selectSymbol("FM-3M");
    const std::string fcc = engine.listingText();
    EXPECT_EQ(std::count(fcc.begin(), fcc.end(), '\n'), 193);
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
}

} // namespace
} // namespace tavrel
