#include "spacegroup/space_group.h"

#include "common/notifier.h"
#include "common/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace tavrel {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            result.push_back(text.substr(start) + "<no CR LF>");
            break;
        }
        result.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return result;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Listing, Lines) {
    clSpaceGroup engine;
    engine.XGRP_find("P1");
    EXPECT_EQ(engine.listingText(),
              "Hall: P 1\r\n 1            " + std::string("      X,       Y,   ") + "      Z\r\n");

    engine.XGRP_find("P3112");
    ASSERT_EQ(engine.number(), 151);
    const auto shifted = lines(engine.listingText());
    ASSERT_EQ(shifted.size(), 7u);
    EXPECT_EQ(shifted[0], "Hall: P 31 2c");
    EXPECT_EQ(shifted[2], " 2 " + std::string(11, ' ') + "     -Y,     X-Y,     Z+1/3");
    // -y,-x,-z+2/3 of P 31 1 2 comes from the shifted two-fold.
    EXPECT_NE(engine.listingText().find("     -Y,      -X,    -Z+2/3"), std::string::npos);

    engine.XGRP_find("FM-3M");
    const auto fcc = lines(engine.listingText());
    ASSERT_EQ(fcc.size(), 193u);
    EXPECT_EQ(fcc[0], "Hall: -F 4 2 3");
    EXPECT_TRUE(startsWith(fcc[192], " 192          "));
    EXPECT_EQ(fcc[192].size(), 14u + 27u);
    EXPECT_NE(fcc[192].find("+1/2"), std::string::npos);
}

class ListingFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        folder = fs::temp_directory_path() / ("tavrel-listing-" + std::to_string(random()));
        fs::create_directories(folder);
        engine.setNotifier(&notes);
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
    RecordingNotifier notes;
    clSpaceGroup engine;
};

TEST_F(ListingFile, EverySelectionRewritesTheFile) {
    engine.XGRP_find("P21/C"); // no folder set: nothing written
    EXPECT_TRUE(fs::is_empty(folder));

    engine.setListingFolder(folder.string());
    engine.XGRP_find("P21/C");
    EXPECT_EQ(readFile(folder / "symmetry.txt"), engine.listingText());
    engine.setListingFolder(folder.string() + "/");
    engine.XGRP_find("P1");
    EXPECT_EQ(readFile(folder / "symmetry.txt"), engine.listingText());
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    EXPECT_TRUE(notes.events.empty());

    EXPECT_TRUE(engine.writeListing((folder / "copy.txt").string()));
    EXPECT_EQ(readFile(folder / "copy.txt"), engine.listingText());
}

TEST_F(ListingFile, AFailedWriteKeepsTheSelectionAndTheOldFile) {
    engine.setListingFolder(folder.string());
    engine.XGRP_find("P1");
    const std::string before = readFile(folder / "symmetry.txt");
    fs::create_directory(folder / "symmetry.txt.tmp"); // blocks the temporary file

    engine.XGRP_find("P21/C");
    EXPECT_EQ(engine.number(), 14);
    EXPECT_EQ(engine.operationCount(), 4);
    EXPECT_TRUE(engine.isExtinct(0, 1, 0));
    EXPECT_EQ(readFile(folder / "symmetry.txt"), before);
    ASSERT_EQ(notes.events.size(), 1u);
    EXPECT_EQ(notes.events[0].kind, RecordingNotifier::Kind::Error);
    EXPECT_EQ(notes.events[0].text,
              "Cannot write the symmetry listing " + (folder / "symmetry.txt").string());

    notes.events.clear();
    engine.setListingFolder((folder / "missing").string());
    engine.XGRP_find("FM-3M");
    EXPECT_EQ(engine.operationCount(), 192);
    ASSERT_EQ(notes.events.size(), 1u);
    EXPECT_NE(notes.events[0].text.find("missing/symmetry.txt"), std::string::npos);

    // A folder in place of the file.
    EXPECT_FALSE(engine.writeListing(folder.string()));
    EXPECT_FALSE(engine.writeListing(""));
    EXPECT_TRUE(fs::is_directory(folder));

    // Without a notifier a failure stays silent.
    engine.setNotifier(nullptr);
    EXPECT_FALSE(engine.writeListing((folder / "missing" / "x.txt").string()));
}

} // namespace
} // namespace tavrel
