#include "render/renderer.h"

#include "render/colour_table.h"
#include "render/recording_surface.h"
#include "session/simulation.h"
#include "session/test_session.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tavrel {
namespace {

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::setIron(t.s);
        generateReflections(t.s);
    }
    RecordingSurface draw() {
        RecordingSurface surface(t.s.canvasWidth, t.s.canvasHeight);
        Renderer(1).DRAW(t.s, surface);
        return surface;
    }
    test::TestSession t;
};

TEST_F(RendererTest, StatusTextsAndAThresholdAboveEveryLine) {
    test::TestSession empty; // nothing is drawn before reflections exist
    RecordingSurface none;
    Renderer().DRAW(empty.s, none);
    EXPECT_TRUE(none.calls().empty());

    draw();
    EXPECT_EQ(t.s.status.text[0], "54 hkl (54 visible)");
    EXPECT_EQ(t.s.status.text[1], "approx. (0 0 2)");
    t.s.doc.displayDMin = 3.0f; // only the overlays remain
    const RecordingSurface surface = draw();
    EXPECT_EQ(t.s.status.text[0], "54 hkl (0 visible)");
    EXPECT_EQ(surface.segmentCount(), 0u);
    EXPECT_EQ(surface.rectangles().size(), 1u); // the film outline and its caption
    EXPECT_EQ(surface.texts().size(), 1u);
}

TEST_F(RendererTest, ColoursByDSpacing) {
    // The largest spacing gets entry 255, white on black; on a light background entry 0.
    RecordingSurface surface = draw();
    EXPECT_FALSE(surface.segmentsIn(kWhite).empty());
    t.s.view.lightBackground = true;
    surface = draw();
    EXPECT_EQ(surface.clears()[0].background, kWhite);
    EXPECT_FALSE(surface.segmentsIn(kBlack).empty());
    EXPECT_TRUE(surface.segmentsIn(kWhite).empty());
    // Monochrome: every line in the contrasting colour, whatever the table holds.
    INIT_LUT(t.s.colours, 7);
    t.s.colours.colourLUT.fill(Rgb{9, 9, 9});
    for (bool light : {false, true}) {
        t.s.view.lightBackground = light;
        surface = draw();
        EXPECT_EQ(surface.segmentsIn(light ? kBlack : kWhite).size(), surface.segmentCount());
    }
}

TEST_F(RendererTest, SelectedLinesAreDrawnAgainHighlighted) {
    const std::size_t plain = draw().segmentCount();
    for (std::size_t i = 0; i < t.s.selection.size(); ++i) t.s.selection.set(i, true);
    t.s.colours.baseColours[2] = {0, 255, 0};
    const RecordingSurface surface = draw();
    const std::size_t dashed = surface.segmentsIn(PenStyle::DashDot).size();
    EXPECT_GT(dashed, 0u);
    EXPECT_EQ(surface.segmentCount(), plain + dashed);
    const RecordingSurface::Pen highlight{{0, 255, 0}, 2, PenStyle::DashDot};
    for (const auto& s : surface.segments())
        EXPECT_EQ(s.pen.style == PenStyle::DashDot, s.pen == highlight);
}

TEST_F(RendererTest, AClickTogglesTheNearestLine) {
    const Segment on = draw().segments()[200].segment; // a drawn point of some line
    t.s.pointer.lastX = on.x2;
    t.s.pointer.lastY = on.y2;
    std::int32_t shown = -1;
    t.s.showListEntry = [&](std::int32_t entry) { shown = entry; };
    for (bool selected : {true, false}) {
        t.s.pointer.pickRequest = true;
        EXPECT_EQ(draw().clears().size(), 2u); // redrawn with the new selection
        EXPECT_FALSE(t.s.pointer.pickRequest);
        ASSERT_GE(shown, 1);
        EXPECT_EQ(t.s.selection.isSelected(static_cast<std::size_t>(shown - 1)), selected);
        EXPECT_EQ(draw().segmentsIn(PenStyle::DashDot).empty(), !selected);
    }
    EXPECT_EQ(t.s.status.text[2], "clicked (" + hklLabel(t.s.reflections, shown - 1, " ") + ")");
}

TEST_F(RendererTest, PointsModeDrawsPolesAndPicksRowZero) {
    t.s.view.showLines = false;
    t.s.pointer.pickRequest = true;
    const RecordingSurface surface = draw();
    EXPECT_EQ(surface.circles().size(), 2u * 54u); // before and after the pick
    EXPECT_TRUE(surface.circles()[0].filled);
    EXPECT_EQ(surface.segmentCount(), 0u);
    const std::int32_t first = PointTable::reflectionIndex(t.s.points.rows[0]);
    EXPECT_EQ(t.s.status.text[2], "clicked (" + hklLabel(t.s.reflections, first, " ") + ")");
    EXPECT_TRUE(t.s.selection.isSelected(static_cast<std::size_t>(first)));
}

TEST_F(RendererTest, RowOrderDoesNotChangeColoursOrSelection) {
    for (std::size_t i = 0; i < 54; i += 2) t.s.selection.set(i, true);
    auto drawnSorted = [&] {
        std::vector<std::array<int, 8>> all;
        for (const auto& [g, pen] : draw().segments())
            all.push_back({pen.colour.r, pen.colour.g, pen.colour.b, static_cast<int>(pen.style),
                           g.x1, g.y1, g.x2, g.y2});
        std::sort(all.begin(), all.end());
        return all;
    };
    const auto before = drawnSorted();
    ASSERT_FALSE(draw().segmentsIn(PenStyle::DashDot).empty());
    std::reverse(t.s.points.rows.begin(), t.s.points.rows.end());
    EXPECT_EQ(drawnSorted(), before);
}

TEST(Renderer, ThreadsGiveTheSameCallsAsOneLoop) {
    test::TestSession t;
    test::setFields(t.s, 227, {"5.431", "", "", "", "", ""}, "0.7107", "0.5609", "0.5", "0");
    t.s.fields.autoLimits = true;
    t.s.fields.orientation = "1 1 1";
    generateReflections(t.s);
    ASSERT_GE(t.s.points.rows.size(), 1024u); // enough cones for the work to be shared out
    t.s.view.viewLabels = true;
    t.s.selection.set(5, true);
    t.s.pointer.pickRequest = true;
    for (bool stereographic : {false, true}) {
        t.s.view.viewStereographic = stereographic;
        Session copy = t.s;
        RecordingSurface one(850, 620), four(850, 620);
        Renderer(1).DRAW(t.s, one);
        Renderer(4).DRAW(copy, four);
        EXPECT_EQ(one.calls().size(), four.calls().size());
        EXPECT_TRUE(one.segments() == four.segments());
        EXPECT_EQ(t.s.status.text, copy.status.text);
    }
}

} // namespace
} // namespace tavrel
