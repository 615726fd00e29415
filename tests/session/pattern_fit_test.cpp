#include "support/fit_crystals.h"

#include <gtest/gtest.h>

#include <atomic>

namespace tavrel::test {
namespace {

// The results of a batch, checked to come in the source's order, the progress with them.
std::vector<Result<fit::IndexResult>> indexed(const PatternFit& fit, const PatternSource& source,
                                              BatchOptions options, BatchSummary& summary) {
    std::vector<Result<fit::IndexResult>> results;
    options.progress = [&](std::size_t done, std::size_t) { EXPECT_EQ(done, results.size()); };
    summary = fit.indexBatch(
        source,
        [&](std::size_t i, Result<fit::IndexResult> r) {
            EXPECT_EQ(i, results.size());
            results.push_back(std::move(r));
        },
        options);
    EXPECT_EQ(summary.indexed, results.size());
    return results;
}

// A batch hands on, pattern by pattern and in order, exactly what one thread finds, whatever
// the number of threads: an 8-bit copy of a pattern indexes like the pattern, and one without
// contrast or one that cannot be read gives its problem in its place. A cancel takes no further
// pattern; those under way finish and are handed on, so none is missing before the last.
TEST(PatternFit, BatchIndexingIsThatOfOneLoop) {
    const SimulatedCrystal c(kMagnesium);
    const Mat3d truths[] = {randomOrientation(41), randomOrientation(42), randomOrientation(41)};
    std::vector<GreyImage> images{c.pattern(truths[0], c.options(120, 41)),
                                  c.pattern(truths[1], c.options(120, 42))};
    images.push_back(fromBytes(toBytes(images[0], 0.0f, 255.0f), 120, 120));
    images.push_back(fromBytes(std::vector<std::uint8_t>(64 * 64, 9), 64, 64));
    std::atomic<bool> fourthRead{false};
    const auto read = [&](std::size_t i) -> Result<GreyImage> {
        if (i == 3) fourthRead = true;
        if (i == 4) return Problem{"'x.png' is gone"};
        return images[std::min<std::size_t>(i, 3)];
    };
    BatchSummary summary;
    const auto alone = indexed(c.fit, {5, read}, {.threads = 1}, summary);
    const auto together = indexed(c.fit, {5, read}, {.threads = 2}, summary);
    ASSERT_EQ(together.size(), 5u);
    EXPECT_FALSE(summary.cancelled);
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(together[i]) << i;
        const Mat3d& m = together[i]->solutions.front().fit.orientation;
        EXPECT_EQ(m, alone[i]->solutions.front().fit.orientation) << i;
        EXPECT_LT(fit::misorientationDegrees(m, truths[i], c.setup().symmetry), 1.0) << i;
    }
    EXPECT_EQ(together[3].problem(),
              "No orientation found: The image holds no pattern: it has no contrast");
    EXPECT_EQ(together[4].problem(), "'x.png' is gone");

    // Patterns 5 and beyond are blank ones.
    fourthRead = false;
    const auto cut =
        indexed(c.fit, {100000, read},
                {.threads = 2, .cancelled = [&] { return fourthRead.load(); }}, summary);
    EXPECT_TRUE(summary.cancelled);
    EXPECT_GE(cut.size(), 4u);
    EXPECT_LT(cut.size(), 100000u);
}

} // namespace
} // namespace tavrel::test
