#include "common/file_io.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// A device would be read until memory runs out and a FIFO would block forever, so only regular
// files of at most 64 MB are read (sparse here, so the test stays cheap).
TEST(FileIo, ReadsOnlyRegularFilesOfAtMost64Mb) {
    test::TempDir dir;
    const std::string regular = dir.write("regular.tvr", "line\n");
    fs::create_symlink(regular, dir.file("link.tvr"));
    fs::create_symlink("/dev/zero", dir.file("zero.tvr"));
    fs::create_symlink(dir.file("missing"), dir.file("dangling.tvr"));
    ASSERT_EQ(::mkfifo(dir.file("fifo.tvr").c_str(), 0600), 0);
    fs::create_directory(dir.file("folder.tvr"));
    const std::string overLimit = dir.write("over.hkl", "");
    fs::resize_file(overLimit, kLargestReadableFile + 1);

    EXPECT_EQ(readWholeFile(dir.file("link.tvr")).value(), "line\n");

    const std::pair<std::string, std::string> refused[] = {
        {dir.file("zero.tvr"), "is not a regular file"},
        {dir.file("fifo.tvr"), "is not a regular file"},
        {dir.file("folder.tvr"), "is a folder, not a file"},
        {overLimit, "is larger than 64 MB"},
        {dir.file("dangling.tvr"), "cannot be read: No such file or directory"}};
    for (const auto& [path, message] : refused)
        EXPECT_EQ(readWholeFile(path).problem(), message) << path;
}

TEST(FileIo, SplitLines) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::pair<std::string, Lines> cases[] = {
        {"a\r\nb\nc", {"a", "b", "c"}},
        {"a\r\n\r\n", {"a", ""}},
        {"", {}},
        {bom + "a\r\nb", {"a", "b"}}, // the mark is dropped before the first line only
        {"a\n" + bom + "b", {"a", bom + "b"}}};
    for (const auto& [content, lines] : cases) EXPECT_EQ(splitLines(content), lines) << content;
    EXPECT_EQ(splitLines("a\nb\nc\nd", 2), (Lines{"a", "b"}));
}

} // namespace
} // namespace tavrel
