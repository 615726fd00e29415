#include "spacegroup/space_group.h"

#include "common/notifier.h"
#include "common/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace tavrel {
namespace {

struct ReferenceOp {
    std::array<int, 9> rotation;
    std::array<int, 3> translation24; // in 24ths, 0..23
};

// Every setting's operations as spglib's database lists them, one line per row.
std::vector<std::vector<ReferenceOp>> readReference() {
    std::ifstream in(std::string(TAVREL_TEST_DATA) + "/spacegroup_operations.txt");
    std::vector<std::vector<ReferenceOp>> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::size_t row = 0, count = 0;
        fields >> row >> count;
        if (row != rows.size()) return {};
        std::vector<ReferenceOp> ops(count);
        for (ReferenceOp& op : ops) {
            for (int& r : op.rotation) fields >> r;
            for (int& t : op.translation24) fields >> t;
        }
        if (!fields) return {};
        rows.push_back(std::move(ops));
    }
    return rows;
}

bool sameOperation(const Matrix4& m, const ReferenceOp& ref) {
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j)
            if (m[i][j] != static_cast<float>(ref.rotation[3 * i + j])) return false;
        double d = m[i][3] - ref.translation24[i] / 24.0;
        d -= std::round(d);
        if (std::fabs(d) > 1e-4) return false;
    }
    return true;
}

Matrix4 withTranslation(float x, float y, float z) {
    Matrix4 m{};
    for (std::size_t i = 0; i < 4; ++i) m[i][i] = 1.0f;
    m[0][3] = x;
    m[1][3] = y;
    m[2][3] = z;
    return m;
}

TEST(HallInterpreter, EverySettingHasThePublishedOperations) {
    const auto reference = readReference();
    ASSERT_EQ(reference.size(), kSettingsRowCount);
    clSpaceGroup engine;
    for (std::size_t row = 0; row < kSettingsRowCount; ++row) {
        engine.selectRow(static_cast<int>(row));
        const auto& ours = engine.symOps();
        const auto& theirs = reference[row];
        ASSERT_EQ(ours.size(), theirs.size()) << "row " << row << " " << settingsTable[row].hall;
        // Equal counts and every published operation found: the two sets are the same.
        for (const ReferenceOp& ref : theirs) {
            bool found = false;
            for (const SymOp& op : ours) found = found || sameOperation(op.m, ref);
            EXPECT_TRUE(found) << "row " << row << " " << settingsTable[row].hall;
        }
        for (const SymOp& op : ours)
            for (std::size_t i = 0; i < 3; ++i) {
                EXPECT_GE(op.m[i][3], 0.0f);
                EXPECT_LT(op.m[i][3], 1.0f);
            }
        EXPECT_EQ(engine.totalCount(), engine.operationCount()) << row;
        EXPECT_EQ(engine.number(), engine.rowNumber(row)) << row;
        const std::string_view hall = settingsTable[row].hall;
        EXPECT_EQ(engine.hallSymbol(), trim(hall.substr(0, hall.find('('))));
    }
}

TEST(HallInterpreter, StageCounts) {
    clSpaceGroup engine;
    engine.XGRP_getHallMatrices(" P 1");
    EXPECT_EQ(engine.operationCount(), 1);
    EXPECT_EQ(engine.symOps()[0].text, "      X,       Y,         Z");

    engine.XGRP_getHallMatrices("-P 1");
    EXPECT_TRUE(engine.isCentric());
    EXPECT_EQ(engine.pointCount(), 1);
    EXPECT_EQ(engine.centricCount(), 2);
    EXPECT_EQ(engine.symOps()[1].text, "     -X,      -Y,        -Z");

    engine.XGRP_getHallMatrices("-F 4 2 3");
    EXPECT_EQ(engine.pointCount(), 24);
    EXPECT_EQ(engine.centricCount(), 48);
    EXPECT_EQ(engine.primitiveCount(), 48);
    EXPECT_EQ(engine.operationCount(), 192);
    EXPECT_EQ(engine.totalCount(), 192);
    EXPECT_EQ(engine.centringVectorCount(), 3);
    EXPECT_EQ(engine.centringVectors()[3].text, "1/2 1/2 0");
    EXPECT_EQ(engine.centringVectors()[0].text, "0 0 0");

    // Origin choice 1: the inversion lies off the origin, so it is a generator, not the
    // centric stage.
    engine.XGRP_getHallMatrices(" P 4 2 3 -1n");
    EXPECT_FALSE(engine.isCentric());
    EXPECT_EQ(engine.pointCount(), 48);
    EXPECT_EQ(engine.operationCount(), 48);
    EXPECT_EQ(engine.originChoice(), 1);
    engine.XGRP_getHallMatrices("-P 4a 2bc 3");
    EXPECT_EQ(engine.originChoice(), 2);
    EXPECT_EQ(engine.extendedSymbol(), "P n -3 n = 222:2");
}

TEST(HallInterpreter, OriginShiftMovesOnlyTheLastSymbol) {
    clSpaceGroup engine;
    engine.XGRP_getHallMatrices(" P 61 2 (0 0 -1)");
    EXPECT_FLOAT_EQ(engine.originShift()[2], -1.0f / 12.0f);
    const auto& ops = engine.symOps();
    ASSERT_EQ(ops.size(), 12u);
    EXPECT_FLOAT_EQ(ops[1].m[2][3], 1.0f / 6.0f); // the six-fold screw, unshifted
    EXPECT_EQ(ops[1].text, "    X-Y,       X,     Z+1/6");
    EXPECT_EQ(ops[2].text, "     -Y,      -X,    -Z+5/6");
    EXPECT_EQ(engine.hallSymbol(), "P 61 2");
    EXPECT_EQ(engine.number(), 178);

    // A later symbol without a shift has none.
    engine.XGRP_getHallMatrices(" P 1");
    EXPECT_EQ(engine.originShift(), (std::array<float, 3>{0, 0, 0}));
}

TEST(HallInterpreter, Record) {
    clSpaceGroup engine;
    EXPECT_EQ(engine.number(), 0);
    EXPECT_EQ(engine.operationCount(), 0);
    engine.XGRP_find("P21/C");
    EXPECT_EQ(engine.number(), 14);
    EXPECT_EQ(engine.hallSymbol(), "-P 2ybc");
    EXPECT_EQ(engine.extendedSymbol(), "P 21/c = P 1 21/c 1 = 14:b1");
    EXPECT_EQ(engine.shortSymbol(), "P 21/c");
    EXPECT_EQ(engine.crystalSystem(), "Monoclinic");
    EXPECT_EQ(engine.symOps()[1].text, "     -X,   Y+1/2,    -Z+1/2");

    engine.XGRP_find("R-3M");
    EXPECT_EQ(engine.extendedSymbol(), "R -3 m = 166:R");
    EXPECT_EQ(engine.crystalSystem(), "Trigonal");
    EXPECT_EQ(engine.centringVectorCount(), 0);

    // A symbol outside the table still gives its operations, with an empty record.
    engine.XGRP_getHallMatrices(" P 4 2 -1a");
    EXPECT_EQ(engine.number(), 0);
    EXPECT_EQ(engine.crystalSystem(), "");
    EXPECT_EQ(engine.operationCount(), 16);
}

TEST(HallInterpreter, BuildingBlocks) {
    EXPECT_EQ(clSpaceGroup::XGRP_confine(0.99995f), 0.0f);
    EXPECT_EQ(clSpaceGroup::XGRP_confine(-0.00003f), 0.0f);
    EXPECT_EQ(clSpaceGroup::XGRP_confine(-0.25f), 0.75f);
    EXPECT_FLOAT_EQ(clSpaceGroup::XGRP_confine(0.9998f), 0.9998f);
    EXPECT_EQ(clSpaceGroup::XGRP_confine(1e30f), 0.0f);
    EXPECT_EQ(clSpaceGroup::XGRP_confine(std::nanf("")), 0.0f);

    EXPECT_EQ(clSpaceGroup::XGRP_getGlideScrewVectors("4acd"),
              (std::array<float, 3>{0.75f, 0.25f, 0.75f}));
    EXPECT_EQ(clSpaceGroup::XGRP_getGlideScrewVectors("2YBC"),
              (std::array<float, 3>{0.0f, 0.5f, 0.5f}));

    Matrix3 m{};
    clSpaceGroup::XGRP_getRotationMatrixFromAxis(2, -4, m);
    EXPECT_EQ(m, (Matrix3{{{0, 1, 0}, {-1, 0, 0}, {0, 0, -1}}}));
    clSpaceGroup::XGRP_getRotationMatrixFromAxis(2, 5, m); // no such order: left alone
    EXPECT_EQ(m, (Matrix3{{{0, 1, 0}, {-1, 0, 0}, {0, 0, -1}}}));

    std::array<std::array<float, 3>, 4> t;
    std::array<std::string, 4> s;
    EXPECT_EQ(clSpaceGroup::XGRP_getCenteringVectors('R', t, s), 2);
    EXPECT_EQ(s[1], "2/3 1/3 1/3");
    EXPECT_EQ(s[3], "");
    EXPECT_EQ(clSpaceGroup::XGRP_getCenteringVectors('Q', t, s), 0);
    EXPECT_EQ(s[0], "0 0 0");
}

TEST(HallInterpreter, OddSymbolsDoNotBreakTheEngine) {
    clSpaceGroup engine;
    for (const char* hall :
         {"", "-", "   ", "Q", "P 2 2 2 2 2 2 2 2 2 2 2 2 3 4 6 -1", "P 99999",
          "-F 4 4a 4b 4c 4d 4ab 2 3 2'' 2x 2y -1 -2n (1 2", "P 2 (", "(0 0 1)"}) {
        engine.XGRP_getHallMatrices(hall);
        EXPECT_LE(engine.symOps().size(), 192u) << hall;
        EXPECT_GE(engine.symOps().size(), 1u) << hall;
        EXPECT_FALSE(engine.isExtinct(0, 0, 0));
    }
}

TEST(HallInterpreter, ClosureLimitIsReported) {
    // Generators that differ only by translation fill the list with one rotation.
    RecordingNotifier notes;
    clSpaceGroup engine;
    engine.setNotifier(&notes);
    std::string hall = "-P";
    for (const char* t : {"a",  "b",  "c",  "n",  "u",  "v",  "w",  "d",  "ab", "ac", "bc", "au",
                          "bv", "cw", "ad", "bd", "cd", "uv", "uw", "vw", "nu", "nv", "nw", "uvw"})
        hall += std::string(" 4") + t;
    hall += " 2 3";
    engine.XGRP_getHallMatrices(hall);
    EXPECT_EQ(engine.pointCount(), 24);
    ASSERT_FALSE(notes.events.empty());
    EXPECT_EQ(notes.events[0].text, "nm>=24");
}

TEST(Extinction, FollowsTheSelectedGroup) {
    clSpaceGroup engine;
    EXPECT_FALSE(engine.isExtinct(1, 0, 0)); // nothing selected yet

    for (const char* noAbsences : {"P1", "XYZ", "P-1"}) {
        engine.XGRP_find(noAbsences);
        for (std::int16_t h = -3; h <= 3; ++h)
            for (std::int16_t k = -3; k <= 3; ++k)
                for (std::int16_t l = -3; l <= 3; ++l) EXPECT_FALSE(engine.isExtinct(h, k, l));
    }

    engine.XGRP_find("P21/C");
    EXPECT_TRUE(engine.isExtinct(0, 1, 0));
    EXPECT_TRUE(engine.isExtinct(0, -3, 0));
    EXPECT_TRUE(engine.isExtinct(1, 0, 1));
    EXPECT_FALSE(engine.isExtinct(0, 2, 0));
    EXPECT_FALSE(engine.isExtinct(1, 0, 2));
    EXPECT_FALSE(engine.isExtinct(1, 1, 1));

    engine.XGRP_find("IM-3M");
    EXPECT_TRUE(engine.isExtinct(1, 0, 0));
    EXPECT_FALSE(engine.isExtinct(1, 1, 0));

    engine.XGRP_find("FM-3M");
    EXPECT_TRUE(engine.isExtinct(1, 0, 0));
    EXPECT_TRUE(engine.isExtinct(1, 1, 0));
    EXPECT_FALSE(engine.isExtinct(1, 1, 1));
    EXPECT_FALSE(engine.isExtinct(2, 0, 0));
    EXPECT_FALSE(engine.isExtinct(0, 0, 0));

    engine.XGRP_find("P65");
    EXPECT_FALSE(engine.isExtinct(0, 0, 6));
    EXPECT_FALSE(engine.isExtinct(0, 0, 12));
    EXPECT_TRUE(engine.isExtinct(0, 0, 3));
    EXPECT_TRUE(engine.isExtinct(0, 0, 1));

    engine.setUC(5, 120);
    engine.XGRP_find("R-3M");
    EXPECT_EQ(engine.centringVectorCount(), 2);
    EXPECT_TRUE(engine.isExtinct(1, 0, 0));
    EXPECT_FALSE(engine.isExtinct(1, 0, 1));
    engine.setUC(5, 90);
    engine.XGRP_find("R-3M");
    EXPECT_FALSE(engine.isExtinct(1, 0, 0));
}

// The absences of every setting against phases computed in whole numbers from the reference.
TEST(Extinction, AgreesWithExactPhasesForEverySetting) {
    const auto reference = readReference();
    ASSERT_EQ(reference.size(), kSettingsRowCount);
    clSpaceGroup engine;
    for (std::size_t row = 0; row < kSettingsRowCount; ++row) {
        engine.selectRow(static_cast<int>(row));
        for (int h = -4; h <= 4; ++h)
            for (int k = -4; k <= 4; ++k)
                for (int l = -4; l <= 4; ++l) {
                    bool absent = false;
                    for (const ReferenceOp& op : reference[row]) {
                        const auto& r = op.rotation;
                        if (h * r[0] + k * r[3] + l * r[6] != h ||
                            h * r[1] + k * r[4] + l * r[7] != k ||
                            h * r[2] + k * r[5] + l * r[8] != l)
                            continue;
                        const int p = h * op.translation24[0] + k * op.translation24[1] +
                                      l * op.translation24[2];
                        absent = absent || p % 24 != 0;
                    }
                    ASSERT_EQ(engine.isExtinct(static_cast<std::int16_t>(h),
                                               static_cast<std::int16_t>(k),
                                               static_cast<std::int16_t>(l)),
                              absent)
                        << "row " << row << " (" << h << " " << k << " " << l << ")";
                }
    }
}

TEST(OperatorText, FractionsAndFields) {
    EXPECT_EQ(clSpaceGroup::fractionText(0.0f), "");
    EXPECT_EQ(clSpaceGroup::fractionText(0.5f), "+1/2");
    EXPECT_EQ(clSpaceGroup::fractionText(-0.25f), "-1/4");
    EXPECT_EQ(clSpaceGroup::fractionText(0.1f), "+0.1");
    EXPECT_EQ(clSpaceGroup::fractionText(-0.1f), "-0.1");
    EXPECT_EQ(clSpaceGroup::fractionText(2.0f / 3.0f), "+2/3");
    EXPECT_EQ(clSpaceGroup::fractionText(11.0f / 12.0f), "+11/12");
    EXPECT_EQ(clSpaceGroup::fractionText(0.625f), "+0.625");

    Matrix4 m = withTranslation(0, 0, 0);
    EXPECT_EQ(clSpaceGroup::formatOperator(m), "      X,       Y,         Z");
    // A part longer than seven characters loses what lies beyond its field.
    m[0] = {1, -1, 0, 1.0f / 3.0f};
    m[1] = {0, 0, -1, 0.0f};
    m[2] = {1, 1, 1, 5.0f / 12.0f};
    EXPECT_EQ(clSpaceGroup::formatOperator(m), " X-Y+1/3,     -Z,  X+Y+Z+5/");
}

} // namespace
} // namespace tavrel
