#include "render/recording_surface.h"

#include <gtest/gtest.h>

#include <array>

namespace tavrel {
namespace {

constexpr Rgb kGreen{0, 200, 0};
constexpr Rgb kRed{255, 0, 0};

TEST(RecordingSurface, KeepsCallsInOrderWithThePenOfEachSegment) {
    RecordingSurface s(300, 200);
    s.clear(Rgb{1, 1, 1});
    s.setPen(kGreen, 1, PenStyle::Solid);
    const std::array<Segment, 2> cone{Segment{0, 0, 5, 5}, Segment{5, 5, 9, 2}};
    s.drawSegments(cone);
    s.setPen(kRed, 2, PenStyle::DashDot);
    s.drawSegments(std::span(cone).first(1));
    s.drawCircle(10, 20, 3, true);
    s.setTextSize(7);
    s.drawText(4, 5, "1 1 1", kRed);

    ASSERT_EQ(s.calls().size(), 8u);
    EXPECT_TRUE(std::holds_alternative<RecordingSurface::Clear>(s.calls()[0]));
    const auto drawn = s.segments();
    ASSERT_EQ(drawn.size(), 3u);
    EXPECT_EQ(drawn[1].segment, (Segment{5, 5, 9, 2}));
    EXPECT_EQ(drawn[1].pen, (RecordingSurface::Pen{kGreen, 1, PenStyle::Solid}));
    EXPECT_EQ(drawn[2].pen.width, 2);
    EXPECT_EQ(s.segmentsIn(kGreen).size(), 2u);
    EXPECT_EQ(s.segmentsIn(PenStyle::DashDot), std::vector<Segment>{cone[0]});
    EXPECT_EQ(s.segmentCount(), 3u);

    ASSERT_EQ(s.circles().size(), 1u);
    EXPECT_EQ(s.circles()[0].pen.colour, kRed);
    EXPECT_TRUE(s.circles()[0].filled);
    ASSERT_EQ(s.texts().size(), 1u);
    EXPECT_EQ(s.texts()[0].text, "1 1 1");
    EXPECT_EQ(s.texts()[0].points, 7.0);
    EXPECT_EQ(s.textHeight(), 9);

    s.forget();
    EXPECT_TRUE(s.calls().empty());
    EXPECT_EQ(s.pen().colour, kRed);
}

} // namespace
} // namespace tavrel
