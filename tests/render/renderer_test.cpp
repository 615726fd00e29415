#include "render/renderer.h"

#include "orientation/rotation.h"
#include "render/recording_surface.h"
#include "session/orient.h"
#include "session/simulation.h"
#include "session/test_session.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tavrel {
namespace {

using test::TestSession;

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::setIron(t.s);
        generateReflections(t.s);
    }
    RecordingSurface draw(int threads = 1) {
        RecordingSurface surface(t.s.canvasWidth, t.s.canvasHeight);
        Renderer(threads).DRAW(t.s, surface);
        return surface;
    }
    TestSession t;
};

TEST(Renderer, DrawsNothingBeforeReflectionsExist) {
    TestSession t;
    RecordingSurface surface;
    Renderer().DRAW(t.s, surface);
    EXPECT_TRUE(surface.calls().empty());
    EXPECT_EQ(t.s.status.text[0], "");
}

TEST_F(RendererTest, IronSampleStatusTexts) {
    const RecordingSurface surface = draw();
    EXPECT_EQ(t.s.status.text[0], "54 hkl (54 visible)");
    EXPECT_EQ(t.s.status.text[1], "approx. (0 0 2)");
    EXPECT_EQ(t.s.status.nearestPoleTip, "Closest pole found");
    EXPECT_EQ(surface.clears().size(), 1u);
    EXPECT_EQ(surface.clears()[0].background, (Rgb{0, 0, 0}));
    EXPECT_GT(surface.segmentCount(), 100u);
    EXPECT_EQ(surface.rectangles().size(), 1u); // the film outline
}

TEST_F(RendererTest, ThresholdAboveEveryLineLeavesOnlyTheOverlays) {
    t.s.doc.displayDMin = 3.0f;
    const RecordingSurface surface = draw();
    EXPECT_EQ(surface.segmentCount(), 0u);
    EXPECT_EQ(t.s.status.text[0], "54 hkl (0 visible)");
    EXPECT_EQ(surface.rectangles().size(), 1u);
}

TEST_F(RendererTest, ColoursByDSpacing) {
    // The largest spacing gets entry 255 of the grey ramp, white on black.
    RecordingSurface surface = draw();
    EXPECT_FALSE(surface.segmentsIn(Rgb{255, 255, 255}).empty());
    // Light background: the same reflections get entry 0, black.
    t.s.view.lightBackground = true;
    surface = draw();
    EXPECT_EQ(surface.clears()[0].background, (Rgb{255, 255, 255}));
    EXPECT_FALSE(surface.segmentsIn(Rgb{0, 0, 0}).empty());
    EXPECT_TRUE(surface.segmentsIn(Rgb{255, 255, 255}).empty());
    // Monochrome: every line black on the light background.
    INIT_LUT(t.s.colours, 7);
    surface = draw();
    EXPECT_EQ(surface.segmentsIn(Rgb{0, 0, 0}).size(), surface.segmentCount());
}

TEST_F(RendererTest, SelectedLinesAreDrawnAgainHighlighted) {
    for (std::size_t i = 0; i < t.s.selection.size(); ++i) t.s.selection.set(i, true);
    t.s.colours.baseColours[2] = {0, 255, 0};
    const RecordingSurface surface = draw();
    const auto dashed = surface.segmentsIn(PenStyle::DashDot);
    ASSERT_FALSE(dashed.empty());
    for (const auto& s : surface.segments())
        if (s.pen.style == PenStyle::DashDot) {
            EXPECT_EQ(s.pen.colour, (Rgb{0, 255, 0}));
            EXPECT_EQ(s.pen.width, 2);
        }
    t.s.selection.clear();
    EXPECT_EQ(surface.segmentCount(), draw().segmentCount() + dashed.size());
}

TEST_F(RendererTest, AClickTogglesTheNearestLine) {
    const RecordingSurface before = draw();
    // Click on a drawn point of some line.
    const Segment on = before.segments()[200].segment;
    t.s.pointer.lastX = on.x2;
    t.s.pointer.lastY = on.y2;
    t.s.pointer.pickRequest = true;
    std::int32_t shown = -1;
    t.s.showListEntry = [&](std::int32_t entry) { shown = entry; };
    const RecordingSurface picked = draw();
    EXPECT_FALSE(t.s.pointer.pickRequest);
    EXPECT_EQ(picked.clears().size(), 2u); // the pick redraws with the new selection
    ASSERT_GE(shown, 1);
    const auto i = static_cast<std::size_t>(shown - 1);
    EXPECT_TRUE(t.s.selection.isSelected(i));
    EXPECT_EQ(t.s.status.text[2], "clicked (" + hklLabel(t.s.reflections, shown - 1, " ") + ")");
    EXPECT_FALSE(picked.segmentsIn(PenStyle::DashDot).empty());
    // A second click on the same line unselects it.
    t.s.pointer.pickRequest = true;
    draw();
    EXPECT_FALSE(t.s.selection.isSelected(i));
}

TEST_F(RendererTest, PointsModeDrawsPolesAndPicksTheFirstRow) {
    t.s.view.showLines = false;
    t.s.view.viewLabels = true;
    t.s.pointer.pickRequest = true;
    const RecordingSurface surface = draw();
    const auto circles = surface.circles();
    ASSERT_EQ(circles.size(), 2u * 54u);
    for (std::size_t n = 0; n < 54; ++n) {
        EXPECT_TRUE(circles[n].filled);
        const float d = t.s.reflections.d[static_cast<std::size_t>(t.s.points.rows[n][3])];
        EXPECT_EQ(circles[n].radius, roundToInt16(d / t.s.doc.dMax * 8));
    }
    EXPECT_EQ(surface.texts().size(), 2u * (54u + 1u)); // labels and the film caption, twice
    EXPECT_EQ(surface.segmentCount(), 0u);
    EXPECT_EQ(t.s.status.text[0], "54 hkl (0 visible)");
    const std::int32_t first = PointTable::reflectionIndex(t.s.points.rows[0]);
    EXPECT_EQ(t.s.status.text[2], "clicked (" + hklLabel(t.s.reflections, first, " ") + ")");
    EXPECT_TRUE(t.s.selection.isSelected(static_cast<std::size_t>(first)));
}

TEST_F(RendererTest, RowOrderDoesNotChangeColoursOrSelection) {
    t.s.selection.set(3, true);
    auto drawnByColour = [&] {
        std::vector<std::array<int, 8>> all;
        for (const auto& s : draw().segments())
            all.push_back({s.pen.colour.r, s.pen.colour.g, s.pen.colour.b,
                           static_cast<int>(s.pen.style), s.segment.x1, s.segment.y1, s.segment.x2,
                           s.segment.y2});
        std::sort(all.begin(), all.end());
        return all;
    };
    const auto before = drawnByColour();
    std::reverse(t.s.points.rows.begin(), t.s.points.rows.end());
    EXPECT_EQ(drawnByColour(), before);
}

TEST(Renderer, ThreadsGiveTheSamePictureAsOneLoop) {
    TestSession t;
    test::setFields(t.s, 227, {"5.431", "", "", "", "", ""}, "1.5418", "0.7107", "0.5", "0");
    t.s.fields.autoLimits = true;
    t.s.fields.orientation = "1 1 1";
    generateReflections(t.s);
    ASSERT_GT(t.s.reflections.count(), 200);
    t.s.view.viewLabels = true;
    t.s.selection.set(5, true);
    t.s.pointer.lastX = 300;
    t.s.pointer.lastY = 200;
    t.s.pointer.pickRequest = true;
    for (bool stereographic : {false, true}) {
        t.s.view.viewStereographic = stereographic;
        TestSession u;
        RecordingSurface one(850, 620), four(850, 620);
        Session copy = t.s; // the same state for both renderers
        Renderer(1).DRAW(t.s, one);
        Renderer(4).DRAW(copy, four);
        EXPECT_EQ(one.calls().size(), four.calls().size());
        EXPECT_EQ(one.segments().size(), four.segments().size());
        EXPECT_TRUE(one.segments() == four.segments());
        EXPECT_EQ(t.s.status.text, copy.status.text);
        EXPECT_EQ(t.s.selection.size(), copy.selection.size());
    }
}

TEST_F(RendererTest, StereographicOverlays) {
    t.s.view.viewStereographic = true;
    t.s.view.viewRings = true;
    const RecordingSurface surface = draw();
    EXPECT_EQ(surface.circles().size(), 11u);
    EXPECT_EQ(surface.rectangles().size(), 1u);
    EXPECT_EQ(surface.textSize(), 7.0);
    EXPECT_FLOAT_EQ(t.s.view.stereoRadius, 294.5f);
}

} // namespace
} // namespace tavrel
