#include "app/state_dump.h"
#include "session/generation.h"
#include "session/orient.h"
#include "spacegroup/settings.h"
#include "support/temp_dir.h"
#include "support/test_simulation.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

namespace tavrel::app {
namespace {

// Iron, turned by an arrow key and shown with labels on a light background, so that every
// part of the record differs from a fresh start.
struct TurnedIron : test::TestSimulation {
    TurnedIron() {
        test::setIron(sim);
        EXPECT_TRUE(generate());
        turnByArrowKey(sim, ArrowKey::Right);
        pattern.view.viewLabels = true;
        pattern.view.lightBackground = true;
        selectColourScheme(pattern.colours, 3);
        sim.fields.film[2] = "250";
    }
    StateRecord record() const { return stateRecordOf(sim, pattern); }
};

TEST(StateDump, KeepsEveryPartOfTheRecord) {
    const StateRecord written = TurnedIron().record();
    const std::optional<StateRecord> read = decodeStateDump(encodeStateDump(written));
    ASSERT_TRUE(read);
    const ReflectionList& a = written.reflections;
    const ReflectionList& b = read->reflections;
    EXPECT_EQ(b.count(), 54);
    EXPECT_EQ(std::tie(a.h, a.k, a.l, a.d, a.gx, a.gz, a.gMin, a.gMax),
              std::tie(b.h, b.k, b.l, b.d, b.gx, b.gz, b.gMin, b.gMax));
    EXPECT_TRUE(b.generated);
    EXPECT_EQ(written.points.rows, read->points.rows);

    const PatternDocument& d = read->document;
    const PatternDocument& e = written.document;
    EXPECT_EQ(d.title, "Iron (Fe)");
    EXPECT_EQ(d.spaceGroupText, "229: I m 3 m");
    EXPECT_EQ(d.spaceGroupIndex, 228);
    EXPECT_NEAR(d.dMax, 2.0266f, 1e-4);
    EXPECT_EQ(std::tie(d.cell.values, d.dMin, d.displayDMin, d.wavelength, d.hklMax, d.film,
                       d.matrices.inverse, d.matrices.lattice),
              std::tie(e.cell.values, e.dMin, e.displayDMin, e.wavelength, e.hklMax, e.film,
                       e.matrices.inverse, e.matrices.lattice));
    EXPECT_EQ(d.orientationText, "0 0 1");

    EXPECT_EQ(std::tuple(read->view.viewLabels, read->view.lightBackground,
                         read->view.viewFilmOutline, read->colours.schemeIndex),
              std::tuple(true, true, true, 3));
    EXPECT_EQ(std::tie(read->view.patternScale, read->colours.colourLUT, read->colours.baseColours),
              std::tie(written.view.patternScale, written.colours.colourLUT,
                       written.colours.baseColours));

    EXPECT_EQ(read->fields, written.fields);
}

// A dump keeps the setting a file chose; a dump of the first version, without the sections
// that came later, is still read.
TEST(StateDump, KeepsTheSettingAndReadsTheFirstVersion) {
    StateRecord record = TurnedIron().record();
    record.fields.spaceGroupIndex = 13;
    record.fields.settingRow = rowForGroup(14, RGroupAxes::Hexagonal) + 2; // another choice of 14
    ASSERT_EQ(groupNumberOfRow(*record.fields.settingRow), 14);
    EXPECT_EQ(decodeStateDump(encodeStateDump(record))->fields.settingRow,
              record.fields.settingRow);

    QByteArray first = encodeStateDump(record);
    first[7] = 1;
    first.chop(first.size() - first.lastIndexOf(QByteArray("\0\0\0\4\0\0\0\7setting", 15)));
    const std::optional<StateRecord> read = decodeStateDump(first);
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->fields.settingRow);
    EXPECT_EQ(read->reflections.count(), 54);
}

// The zone axes shown, the pattern image under the lines (its settings; the file is read again
// at the start), the detector and the electrons of a typed voltage come back; a section whose
// values are out of range refuses the dump.
TEST(StateDump, KeepsZoneAxesAndThePatternImage) {
    StateRecord record = TurnedIron().record();
    EXPECT_TRUE(record.underlay.path.empty()) << "no image, no section";
    record.view.showZoneAxes = true;
    record.view.zoneAxisIndex = 5;
    record.view.fourIndex = true;
    record.underlay = {
        "/data/si.png", 0.4f, 2.5f, -0.25f, false, "", fit::DynamicCorrection::Divide, {}};
    record.detector = {
        {0.45, 0.55}, 69.5, -4, 70, 8, CentreConvention::Emsoft, EulerFrame::SpecimenBruker, false};
    record.fields.electronBeam = true;
    const std::optional<StateRecord> read = decodeStateDump(encodeStateDump(record));
    ASSERT_TRUE(read);
    EXPECT_EQ(std::tuple(read->view.showZoneAxes, read->view.zoneAxisIndex, read->view.fourIndex,
                         read->fields.electronBeam),
              std::tuple(true, 5, true, true));
    EXPECT_EQ(std::tie(read->underlay, read->detector), std::tie(record.underlay, record.detector));
    // The background correction and the phases; a dump written before them reads with the
    // defaults (its pattern image section, the last one, ends after the "corrected" flag).
    StateRecord corrected = record;
    corrected.underlay.staticBackground = "/data/bg.png";
    corrected.underlay.dynamic = fit::DynamicCorrection::Subtract;
    corrected.underlay.phases = {"/data/fe.cif", "/data/si.tvr"};
    EXPECT_EQ(decodeStateDump(encodeStateDump(corrected))->underlay, corrected.underlay);
    QByteArray older = encodeStateDump(record);
    const qsizetype tail = 4 + 2 + 4, oldSize = 4 + 12 + 5 * 8 + 1;
    older.chop(tail);
    older.replace(older.size() - oldSize - 4, 4, QByteArray("\0\0\0\x39", 4));
    ASSERT_TRUE(decodeStateDump(older));
    EXPECT_EQ(decodeStateDump(older)->underlay, record.underlay);

    StateRecord axis = record, tilt = record;
    axis.view.zoneAxisIndex = 7;
    tilt.detector.detectorTilt = 95;
    for (const StateRecord* out : {&axis, &tilt})
        EXPECT_FALSE(decodeStateDump(encodeStateDump(*out)));
}

TEST(StateDump, RefusesEveryDamagedDumpWhole) {
    const StateRecord record = TurnedIron().record();
    const QByteArray good = encodeStateDump(record);
    for (qsizetype n = 0; n < good.size(); ++n)
        ASSERT_FALSE(decodeStateDump(good.left(n))) << "cut after " << n << " bytes";
    EXPECT_FALSE(decodeStateDump(good + '\0')) << "a byte too many";
    QByteArray laterVersion = good;
    laterVersion[7] = 3;
    EXPECT_FALSE(decodeStateDump(laterVersion));
    // A setting row that does not belong to the group is damage too.
    StateRecord otherGroup = record;
    otherGroup.fields.settingRow = 0;
    EXPECT_FALSE(decodeStateDump(encodeStateDump(otherGroup)));

    auto refused = [&](auto damage) {
        StateRecord r = record;
        damage(r);
        return !decodeStateDump(encodeStateDump(r));
    };
    EXPECT_TRUE(refused([](StateRecord& r) { r.reflections.gz[7] = std::nanf(""); }));
    EXPECT_TRUE(refused([](StateRecord& r) { r.points.rows[3].reflection = 54; }));
    EXPECT_TRUE(refused([](StateRecord& r) { r.points.rows.pop_back(); }));
    EXPECT_TRUE(refused([](StateRecord& r) { r.document.spaceGroupIndex = 230; }));
    EXPECT_TRUE(refused([](StateRecord& r) { r.view.patternScale = 0; }));
    EXPECT_FALSE(refused([](StateRecord&) {}));

    // Random bytes, half of them behind a valid magic word and version.
    std::mt19937 random(20261206);
    for (int trial = 0; trial < 2000; ++trial) {
        QByteArray bytes(static_cast<qsizetype>(random() % 3000), '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        if (trial % 2) bytes.prepend(QByteArray("TVRD\0\0\0\1", 8));
        EXPECT_FALSE(decodeStateDump(bytes));
    }
}

// Whatever the writer writes the reader takes (a title of a megabyte, as a CIF may give); a file
// that is not there or empty is refused; a failed write names the file and leaves no temporary
// file. (A FIFO in the dump's place and a full disk at the quit are the start-up's tests.)
TEST(StateDump, FileIsWrittenWholeOrNotAtAll) {
    test::TempDir dir;
    const QString path = QString::fromStdString(dir.file("tavrel.dmp"));
    EXPECT_FALSE(readStateDump(path)) << "no file";
    dir.write("tavrel.dmp", "");
    EXPECT_FALSE(readStateDump(path)) << "zero-length file";

    StateRecord record = TurnedIron().record();
    record.fields.title.assign(1 << 20, 'x');
    ASSERT_TRUE(writeStateDump(path, record));
    EXPECT_EQ(readStateDump(path)->fields.title, record.fields.title);
    const std::string missing = dir.file("missing/tavrel.dmp");
    EXPECT_EQ(writeStateDump(QString::fromStdString(missing), record).problem(),
              "\"" + missing + "\" cannot be written: No such file or directory");
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files),
              QStringList{QStringLiteral("tavrel.dmp")})
        << "no temporary file is left";
}

} // namespace
} // namespace tavrel::app
