// Pattern images as a map: numbered by a name pattern from 1 when there is no 0, read in map
// order; a missing image or one of another size is refused by its name.

#include "output/image_folder_source.h"
#include "support/temp_dir.h"

#include <QImage>

#include <gtest/gtest.h>

namespace tavrel {
namespace {

// A 20 x 16 grey image of one level.
void saveLevel(const std::string& path, int level, int width = 20) {
    QImage image(width, 16, QImage::Format_Grayscale8);
    image.fill(qRgb(level, level, level));
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
}

TEST(ImageFolder, NamePatternsNumberTheMapsImages) {
    test::TempDir dir;
    for (int k = 1; k <= 6; ++k)
        saveLevel(dir.file("p_" + std::to_string(k).insert(0, 2, '0') + ".png"), 10 * k);
    auto source = openImageFolder(dir.file("p_%03d.png"), 2, 3);
    ASSERT_TRUE(source) << source.problem();
    EXPECT_EQ((*source)->header().patternWidth, 20);
    std::vector<float> row(3 * 20 * 16);
    ASSERT_TRUE((*source)->readRows(1, 2, row));
    EXPECT_EQ(row[0], 40 * 257); // p_004, its 8 bits widened to 16
    EXPECT_EQ(row.back(), 60 * 257);

    struct Case {
        std::string pattern;
        int rows, columns;
        std::string said;
    };
    saveLevel(dir.file("p_007.png"), 70, 24);
    const std::vector<Case> refused = {
        {dir.file("p_%03d.png"), 3, 3, "p_008.png\", which is no file"},
        {dir.file("p_%d_%d.png"), 1, 1, "one %d or %0Nd"},
        {dir.file("p.png"), 1, 1, "one %d or %0Nd"},
    };
    for (const Case& c : refused) {
        const auto opened = openImageFolder(c.pattern, c.rows, c.columns);
        ASSERT_FALSE(opened);
        EXPECT_NE(opened.problem().find(c.said), std::string::npos) << opened.problem();
    }
    auto larger = openImageFolder(dir.file("p_%03d.png"), 1, 7);
    ASSERT_TRUE(larger);
    std::vector<float> seventh(20 * 16);
    const Outcome read = (*larger)->readPatterns(6, 1, seventh);
    EXPECT_NE(read.problem().find("p_007.png\" is 24 x 16 pixels"), std::string::npos)
        << read.problem();
}

} // namespace
} // namespace tavrel
