#include "common/file_io.h"
#include "common/text.h"
#include "session/input_files.h"
#include "session/simulation.h"
#include "session/temp_dir.h"
#include "session/test_session.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

using test::setFields;
using test::TempDir;
using test::TestSession;

std::string tvrFile(const std::string& header, const std::string& dMax = "20",
                    const std::string& eol = "\r\n") {
    const char* lines[] = {"Copper", "224", "3.61", "3.61",       "3.61", "90",     "90",
                           "90",     "0",   "2",    "2",          "2",    "1.5418", "0",
                           "0 0 1",  "0",   "1.0",  dMax.c_str(), "120",  "120",    "300"};
    std::string s = header + eol;
    for (const char* l : lines) s += std::string(l) + eol;
    return s;
}

TEST(TvrFile, LoadsGeneratesAndDerivesDMaxAgain) {
    TempDir dir;
    TestSession t;
    const std::string path = dir.write("cu.tvr", tvrFile("VELDTRACE INPUT 1.5", "50"));
    const FileOutcome r = openTvr(t.s, path);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(t.s.fields.title, "Copper");
    EXPECT_EQ(t.s.doc.filePath, path);
    EXPECT_EQ(t.s.status.text[3], path);
    EXPECT_EQ(t.s.fields.d[1], "3.61");
    EXPECT_TRUE(t.s.reflections.generated);
    EXPECT_GT(t.s.reflections.count(), 0);
}

TEST(TvrFile, StoredDMaxIsReplacedByTheLargestCellEdge) {
    TempDir dir;
    TestSession t;
    std::string content = tvrFile("VELDTRACE INPUT 1.5", "50");
    // Tetragonal group 123 with a = 4, c = 7.
    content =
        replaceAll(content, "\r\n224\r\n3.61\r\n3.61\r\n3.61\r\n", "\r\n122\r\n4\r\n4\r\n7\r\n");
    ASSERT_TRUE(openTvr(t.s, dir.write("t.tvr", content)).ok);
    EXPECT_EQ(t.s.fields.d[1], "7.0");
    EXPECT_EQ(t.s.fields.spaceGroupIndex, 122);
}

TEST(TvrFile, HeaderVersionsAndCase) {
    TempDir dir;
    for (const char* header :
         {"VELDTRACE INPUT 1.2", "veldtrace input 1.5", "xx VELDTRACE INPUT 1.9"}) {
        TestSession t;
        EXPECT_TRUE(openTvr(t.s, dir.write("ok.tvr", tvrFile(header))).ok) << header;
        EXPECT_TRUE(t.notifier.events.empty());
    }
    TestSession t;
    t.s.fields.title = "mine";
    const FileOutcome r = openTvr(t.s, dir.write("new.tvr", tvrFile("VELDTRACE INPUT 2.0")));
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(t.notifier.events.size(), 1u);
    EXPECT_EQ(t.notifier.events[0].kind, RecordingNotifier::Kind::Beep);
    EXPECT_EQ(t.s.fields.title, "mine");
    EXPECT_FALSE(t.s.reflections.generated);
}

TEST(TvrFile, AcceptsLfLineEnds) {
    TempDir dir;
    TestSession t;
    ASSERT_TRUE(openTvr(t.s, dir.write("lf.tvr", tvrFile("VELDTRACE INPUT 1.5", "20", "\n"))).ok);
    EXPECT_EQ(t.s.fields.cell[0], "3.61");
    EXPECT_EQ(t.s.fields.film[2], "300");
}

TEST(TvrFile, FileThatEndsEarlyOrIsMissingChangesNothing) {
    TempDir dir;
    TestSession t;
    t.s.fields.title = "mine";
    std::string content = tvrFile("VELDTRACE INPUT 1.5");
    content = content.substr(0, content.find("1.5418"));
    FileOutcome r = openTvr(t.s, dir.write("short.tvr", content));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("short.tvr"), std::string::npos);
    EXPECT_NE(r.error.find("ends early"), std::string::npos);
    EXPECT_EQ(t.s.fields.title, "mine");
    EXPECT_EQ(t.s.fields.cell[0], "");

    r = openTvr(t.s, dir.file("missing.tvr"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("missing.tvr"), std::string::npos);
    EXPECT_EQ(t.s.fields.title, "mine");
}

TEST(TvrFile, WrittenReadAndWrittenAgainGivesTheSameLines) {
    TempDir dir;
    TestSession t;
    setFields(t.s, 194, {"3.2", "", "5.2", "", "", ""}, "1.5418", "200", "0.8", "20", "3");
    t.s.fields.title = "  Zinc, hexagonal ";
    t.s.fields.orientation = "1 0 0";
    t.s.fields.orientationType = 1;
    t.s.fields.film = {"100", "80", "50"};
    const std::string first = dir.file("a.tvr");
    ASSERT_TRUE(saveTvr(t.s, first).ok);
    EXPECT_TRUE(t.s.reflections.generated); // saving generates first
    EXPECT_EQ(t.s.doc.filePath, first);

    TestSession u;
    ASSERT_TRUE(openTvr(u.s, first).ok);
    const std::string second = dir.file("b.tvr");
    ASSERT_TRUE(saveTvr(u.s, second).ok);

    auto lines = [](const std::string& path) { return splitLines(TempDir::read(path)); };
    auto a = lines(first), b = lines(second);
    ASSERT_EQ(a.size(), 22u);
    ASSERT_EQ(b.size(), 22u);
    EXPECT_EQ(a[0], "VELDTRACE INPUT 1.5");
    EXPECT_EQ(a[1], "Zinc, hexagonal");
    EXPECT_EQ(a[2], "193");
    EXPECT_EQ(a[13], "1.5418");
    EXPECT_EQ(a[14], "0.02507941");
    for (std::size_t i = 0; i < 22; ++i)
        if (i != 18) {
            EXPECT_EQ(a[i], b[i]) << "line " << i + 1;
        }
    EXPECT_NE(TempDir::read(first).find("\r\n"), std::string::npos);
}

TEST(HklFile, ReadsCellGroupAndReflectionsAsTheyStand) {
    TempDir dir;
    TestSession t;
    const std::string path =
        dir.write("two.hkl", "4 4 4 90 90 90 225\r\n 2 \r\n   1   1   1\r\n   2   0   0\r\n");
    ASSERT_TRUE(openHkl(t.s, path).ok);
    EXPECT_EQ(t.s.fields.title, "two.hkl");
    EXPECT_EQ(t.s.fields.spaceGroupIndex, 224);
    ASSERT_EQ(t.s.reflections.count(), 2);
    EXPECT_EQ(t.s.reflections.h[0], 1);
    EXPECT_EQ(t.s.reflections.h[1], 2);
    EXPECT_FLOAT_EQ(t.s.doc.dMin, 2.0f);
    EXPECT_EQ(formatNumber(t.s.doc.dMax, "0.0000"), "2.3094");
    EXPECT_EQ(t.s.status.text[0], "2 reflections");
    EXPECT_EQ(t.s.status.text[3], path);
    EXPECT_TRUE(t.s.reflections.generated);
    EXPECT_EQ(t.s.points.rows.size(), 2u);
    // Both reflections get their lines.
    EXPECT_LT(t.s.doc.displayDMin, 2.0f);
}

TEST(HklFile, SpaceGroupToken) {
    TempDir dir;
    TestSession t;
    ASSERT_TRUE(openHkl(t.s, dir.write("a.hkl", "4 4 4 90 90 90\n1\n1 0 0\n")).ok);
    EXPECT_EQ(t.s.fields.spaceGroupIndex, 0);
    ASSERT_TRUE(openHkl(t.s, dir.write("b.hkl", "4 4 4 90 90 90 300\n1\n1 0 0\n")).ok);
    EXPECT_EQ(t.s.fields.spaceGroupIndex, 0);
    ASSERT_TRUE(openHkl(t.s, dir.write("c.hkl", "  4  4 4 90 90 90   14 \n1\n1 0 0\n")).ok);
    EXPECT_EQ(t.s.fields.spaceGroupIndex, 13);
}

TEST(HklFile, RefusesFilesItCannotHoldWithoutChangingAnything) {
    TempDir dir;
    TestSession t;
    t.s.fields.title = "mine";
    for (const auto& [name, content] : std::vector<std::pair<std::string, std::string>>{
             {"big.hkl", "4 4 4 90 90 90\n10001\n1 0 0\n"},
             {"short.hkl", "4 4 4 90 90 90\n3\n1 0 0\n2 0 0\n"},
             {"cell.hkl", "4 4 4\n1\n1 0 0\n"},
             {"tokens.hkl", "4 4 4 90 90 90\n1\n1 0\n"},
             {"negative.hkl", "4 4 4 90 90 90\n-1\n"},
             {"empty.hkl", ""}}) {
        const FileOutcome r = openHkl(t.s, dir.write(name, content));
        EXPECT_FALSE(r.ok) << name;
        EXPECT_NE(r.error.find(name), std::string::npos) << r.error;
        EXPECT_EQ(t.s.fields.title, "mine");
    }
    EXPECT_NE(openHkl(t.s, dir.write("big.hkl", "4 4 4 90 90 90\n10001\n")).error.find("10000"),
              std::string::npos);
}

TEST(HklFile, WritesReflectionsAboveTheThreshold) {
    TempDir dir;
    TestSession t;
    setFields(t.s, 225, {"4", "", "", "", "", ""});
    generateReflections(t.s);
    EXPECT_EQ(hklText(t.s).substr(0, 26), "4 4 4 90 90 90 225\r\n 34 \r\n");

    t.s.doc.displayDMin = 1.5f; // the slider moved to 1.5
    const std::string path = dir.file("out.hkl");
    ASSERT_TRUE(saveHkl(t.s, path).ok);
    const auto lines = splitLines(TempDir::read(path));
    ASSERT_EQ(lines.size(), 2u + 14u); // {111} and {200}
    EXPECT_EQ(lines[1], " 14 ");
    EXPECT_EQ(lines[2], "   1  -1   1");
    for (std::size_t i = 2; i < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 12u);

    // Reading the file back gives the same reflections, and saving again keeps them all.
    TestSession u;
    ASSERT_TRUE(openHkl(u.s, path).ok);
    EXPECT_EQ(u.s.reflections.count(), 14);
    EXPECT_EQ(hklText(u.s), TempDir::read(path));
}

TEST(InputFiles, FormatByExtensionAndFailedWrites) {
    EXPECT_EQ(inputFormatOf("/a/b.TVR"), InputFormat::Tvr);
    EXPECT_EQ(inputFormatOf("x.hkl"), InputFormat::Hkl);
    EXPECT_FALSE(inputFormatOf("x.txt"));
    EXPECT_FALSE(inputFormatOf("tvr"));

    TempDir dir;
    TestSession t;
    setFields(t.s, 225, {"4", "", "", "", "", ""});
    const std::string good = dir.file("keep.hkl");
    generateReflections(t.s);
    ASSERT_TRUE(saveHkl(t.s, good).ok);
    const std::string before = TempDir::read(good);
    const FileOutcome r = saveHkl(t.s, dir.file("no/such/folder/x.hkl"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("x.hkl"), std::string::npos);
    EXPECT_EQ(TempDir::read(good), before);
}

} // namespace
} // namespace tavrel
