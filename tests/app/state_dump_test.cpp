#include "app/state_dump.h"
#include "session/generation.h"
#include "session/orient.h"
#include "support/temp_dir.h"
#include "support/test_simulation.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace tavrel::app {
namespace {

using test::TempDir;
using test::TestSimulation;

// Iron, turned by an arrow key and shown with labels on a light background, so that every
// part of the record differs from a fresh start.
struct TurnedIron : TestSimulation {
    TurnedIron() {
        test::setIron(sim);
        generateReflections(sim);
        turnByArrowKey(sim, ArrowKey::Right);
        pattern.view.viewLabels = true;
        pattern.view.lightBackground = true;
        selectColourScheme(pattern.colours, 3);
        sim.fields.film[2] = "250";
    }
};

TEST(StateDump, KeepsEveryPartOfTheRecord) {
    TurnedIron iron;
    const StateRecord written = stateRecordOf(iron.sim, iron.pattern);
    const std::optional<StateRecord> read = decodeStateDump(encodeStateDump(written));
    ASSERT_TRUE(read);
    const ReflectionList& a = written.reflections;
    const ReflectionList& b = read->reflections;
    EXPECT_EQ(b.count(), 54);
    EXPECT_EQ(a.h, b.h);
    EXPECT_EQ(a.k, b.k);
    EXPECT_EQ(a.l, b.l);
    EXPECT_EQ(a.d, b.d);
    EXPECT_EQ(a.gx, b.gx);
    EXPECT_EQ(a.gz, b.gz);
    EXPECT_EQ(a.gMin, b.gMin);
    EXPECT_EQ(a.gMax, b.gMax);
    EXPECT_TRUE(b.generated);
    EXPECT_EQ(written.points.rows, read->points.rows);

    const PatternDocument& d = read->document;
    EXPECT_EQ(d.cell.values, written.document.cell.values);
    EXPECT_EQ(d.title, "Iron (Fe)");
    EXPECT_EQ(d.spaceGroupText, "229: I m 3 m");
    EXPECT_EQ(d.spaceGroupIndex, 228);
    EXPECT_EQ(d.dMin, written.document.dMin);
    EXPECT_NEAR(d.dMax, 2.0266f, 1e-4);
    EXPECT_EQ(d.displayDMin, written.document.displayDMin);
    EXPECT_EQ(d.wavelength, written.document.wavelength);
    EXPECT_EQ(d.hklMax, written.document.hklMax);
    EXPECT_EQ(d.film, written.document.film);
    EXPECT_EQ(d.matrices.inverse, written.document.matrices.inverse);
    EXPECT_EQ(d.matrices.lattice, written.document.matrices.lattice);
    EXPECT_EQ(d.orientationText, "0 0 1");

    EXPECT_TRUE(read->view.viewLabels);
    EXPECT_TRUE(read->view.lightBackground);
    EXPECT_TRUE(read->view.viewFilmOutline);
    EXPECT_EQ(read->view.patternScale, written.view.patternScale);
    EXPECT_EQ(read->colours.schemeIndex, 3);
    EXPECT_EQ(read->colours.colourLUT, written.colours.colourLUT);
    EXPECT_EQ(read->colours.baseColours, written.colours.baseColours);

    EXPECT_EQ(read->fields.film[2], "250");
    EXPECT_EQ(read->fields.cell, written.fields.cell);
    EXPECT_EQ(read->fields.d, written.fields.d);
    EXPECT_EQ(read->fields.title, "Iron (Fe)");
}

TEST(StateDump, RefusesEveryDamagedDumpWhole) {
    TurnedIron iron;
    const StateRecord record = stateRecordOf(iron.sim, iron.pattern);
    const QByteArray good = encodeStateDump(record);

    for (qsizetype n = 0; n < good.size(); ++n)
        ASSERT_FALSE(decodeStateDump(good.left(n))) << "cut after " << n << " bytes";
    EXPECT_FALSE(decodeStateDump(good + '\0')) << "a byte too many";

    QByteArray wrongMagic = good;
    wrongMagic[0] = 'X';
    EXPECT_FALSE(decodeStateDump(wrongMagic));
    QByteArray otherVersion = good;
    otherVersion[7] = 2;
    EXPECT_FALSE(decodeStateDump(otherVersion));

    auto refused = [&](auto damage) {
        StateRecord r = record;
        damage(r);
        return !decodeStateDump(encodeStateDump(r));
    };
    EXPECT_TRUE(refused([](StateRecord& r) { r.document.dMin = std::nanf(""); }));
    EXPECT_TRUE(refused([](StateRecord& r) { r.reflections.gz[7] = std::nanf(""); }));
    EXPECT_TRUE(refused([](StateRecord& r) { r.points.rows[3].reflection = 54; }));
    EXPECT_TRUE(refused([](StateRecord& r) { r.points.rows.pop_back(); }));
    EXPECT_TRUE(refused([](StateRecord& r) { r.document.spaceGroupIndex = 230; }));
    EXPECT_TRUE(refused([](StateRecord& r) { r.fields.spaceGroupIndex = -1; }));
    EXPECT_TRUE(refused([](StateRecord& r) { r.view.patternScale = 0; }));
    EXPECT_TRUE(refused([](StateRecord& r) { r.fields.title.assign(70000, 'x'); }));
    EXPECT_FALSE(refused([](StateRecord&) {}));
}

TEST(StateDump, RandomBytesNeverPassNorCrash) {
    std::mt19937 random(20261206);
    for (int trial = 0; trial < 2000; ++trial) {
        QByteArray bytes(static_cast<qsizetype>(random() % 3000), '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        if (trial % 2) {
            // Past the magic word and version, into the fields.
            const QByteArray head("TVRD\0\0\0\1", 8);
            bytes = head + bytes;
        }
        EXPECT_FALSE(decodeStateDump(bytes));
    }
}

TEST(StateDump, FileIsReplacedWholeOrNotAtAll) {
    TempDir dir;
    TurnedIron iron;
    const QString path = QString::fromStdString(dir.file("tavrel.dmp"));
    EXPECT_FALSE(readStateDump(path)) << "no file";
    dir.write("tavrel.dmp", "");
    EXPECT_FALSE(readStateDump(path)) << "empty file";

    ASSERT_TRUE(writeStateDump(path, stateRecordOf(iron.sim, iron.pattern)));
    ASSERT_TRUE(readStateDump(path));
    QString error;
    EXPECT_FALSE(writeStateDump(QString::fromStdString(dir.file("missing/tavrel.dmp")),
                                stateRecordOf(iron.sim, iron.pattern), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files),
              QStringList{QStringLiteral("tavrel.dmp")})
        << "no temporary file is left";
}

} // namespace
} // namespace tavrel::app
