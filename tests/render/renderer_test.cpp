#include "render/renderer.h"

#include "render/colour_table.h"
#include "render/recording_surface.h"
#include "session/generation.h"
#include "session/orient.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tavrel {
namespace {

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::setIron(t.sim);
        generateReflections(t.sim);
    }
    RecordingSurface draw() {
        RecordingSurface surface(t.pattern.width, t.pattern.height);
        summary = Renderer(1).draw(t.input(), surface);
        return surface;
    }
    std::optional<std::int32_t> pick(float x, float y) {
        return Renderer(1).pick(t.input(), t.pattern.width, t.pattern.height, x, y);
    }
    test::TestSimulation t;
    std::optional<DrawSummary> summary;
};

TEST_F(RendererTest, StatusTextsAndAThresholdAboveEveryLine) {
    test::TestSimulation empty; // nothing is drawn before reflections exist
    RecordingSurface none;
    EXPECT_FALSE(Renderer().draw(empty.input(), none));
    EXPECT_TRUE(none.calls().empty());

    draw();
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->countText, "54 hkl (54 visible)");
    EXPECT_EQ(summary->nearestPoleText, "approx. (0 0 2)");
    t.sim.document.displayDMin = 3.0f; // only the overlays remain
    const RecordingSurface surface = draw();
    EXPECT_EQ(summary->countText, "54 hkl (0 visible)");
    EXPECT_EQ(surface.segmentCount(), 0u);
    EXPECT_EQ(surface.rectangles().size(), 1u); // the film outline and its caption
    EXPECT_EQ(surface.texts().size(), 1u);
}

TEST_F(RendererTest, ColoursByDSpacing) {
    // The largest spacing gets entry 255, white on black; on a light background entry 0.
    RecordingSurface surface = draw();
    EXPECT_FALSE(surface.segmentsIn(kWhite).empty());
    t.pattern.view.lightBackground = true;
    surface = draw();
    EXPECT_EQ(surface.clears()[0].background, kWhite);
    EXPECT_FALSE(surface.segmentsIn(kBlack).empty());
    EXPECT_TRUE(surface.segmentsIn(kWhite).empty());
    // Monochrome: every line in the contrasting colour, whatever the table holds.
    selectColourScheme(t.pattern.colours, 7);
    t.pattern.colours.colourLUT.fill(Rgb{9, 9, 9});
    for (bool light : {false, true}) {
        t.pattern.view.lightBackground = light;
        surface = draw();
        EXPECT_EQ(surface.segmentsIn(light ? kBlack : kWhite).size(), surface.segmentCount());
    }
}

TEST_F(RendererTest, SelectedLinesAreDrawnAgainHighlighted) {
    const std::size_t plain = draw().segmentCount();
    for (std::size_t i = 0; i < t.pattern.selection.size(); ++i) t.pattern.selection.set(i, true);
    t.pattern.colours.baseColours[2] = {0, 255, 0};
    const RecordingSurface surface = draw();
    const std::size_t dashed = surface.segmentsIn(PenStyle::DashDot).size();
    EXPECT_GT(dashed, 0u);
    EXPECT_EQ(surface.segmentCount(), plain + dashed);
    const RecordingSurface::Pen highlight{{0, 255, 0}, 2, PenStyle::DashDot};
    for (const auto& s : surface.segments())
        EXPECT_EQ(s.pen.style == PenStyle::DashDot, s.pen == highlight);
}

// A click names the line with a drawn point nearest to it; drawing does not change the
// selection, the caller does.
TEST_F(RendererTest, AClickNamesTheNearestLine) {
    const RecordingSurface surface = draw();
    const auto drawn = surface.segments();
    const Segment on = drawn[200].segment; // a drawn point of some line
    const std::optional<std::int32_t> picked = pick(on.x2, on.y2);
    ASSERT_TRUE(picked);
    // The named line has a drawn point exactly there.
    t.pattern.selection.set(static_cast<std::size_t>(*picked), true);
    bool onPicked = false;
    for (const Segment& s : draw().segmentsIn(PenStyle::DashDot))
        onPicked = onPicked || (s.x2 == on.x2 && s.y2 == on.y2) || (s.x1 == on.x2 && s.y1 == on.y2);
    EXPECT_TRUE(onPicked);
    EXPECT_EQ(clickedText(t.sim.reflections, *picked),
              "clicked (" + hklLabel(t.sim.reflections, *picked, " ") + ")");

    // Far from every drawn point (and a threshold above every line) nothing is named.
    EXPECT_FALSE(pick(-5000, -5000));
    t.sim.document.displayDMin = 3.0f;
    EXPECT_FALSE(pick(on.x2, on.y2));
}

TEST_F(RendererTest, PointsModeDrawsPolesAndPicksTheNearestPoint) {
    t.pattern.view.showLines = false;
    t.pattern.view.patternScale = 100; // most poles inside the picture
    const RecordingSurface surface = draw();
    const auto circles = surface.circles();
    EXPECT_EQ(circles.size(), 54u);
    EXPECT_TRUE(circles[0].filled);
    EXPECT_EQ(surface.segmentCount(), 0u);
    // A click on a drawn pole names a reflection drawn there (poles can coincide).
    const auto& rows = t.sim.points.rows;
    int clicked = 0;
    for (std::size_t n = 0; n < circles.size(); ++n) {
        if (circles[n].x < 0 || circles[n].x >= 850 || circles[n].y < 0 || circles[n].y >= 620)
            continue;
        ++clicked;
        const auto picked =
            pick(static_cast<float>(circles[n].x), static_cast<float>(circles[n].y));
        ASSERT_TRUE(picked);
        const auto at = std::find_if(rows.begin(), rows.end(), [&](const RotatedPoint& p) {
            return p.reflection == *picked;
        });
        const auto& c = circles[static_cast<std::size_t>(at - rows.begin())];
        EXPECT_EQ(std::pair(c.x, c.y), std::pair(circles[n].x, circles[n].y)) << n;
    }
    EXPECT_GT(clicked, 5);
    EXPECT_FALSE(pick(-5000, -5000));
}

TEST_F(RendererTest, RowOrderDoesNotChangeColoursOrSelection) {
    for (std::size_t i = 0; i < 54; i += 2) t.pattern.selection.set(i, true);
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
    std::reverse(t.sim.points.rows.begin(), t.sim.points.rows.end());
    EXPECT_EQ(drawnSorted(), before);
}

// Along a zone axis the pole and its opposite both project onto the centre; the one named is
// the one in front of the film, whichever comes first in the table.
TEST(Renderer, OfTwoPolesAtTheCentreTheOneInFrontIsNamed) {
    test::TestSimulation t;
    test::setFields(t.sim, 227, {"5.431", "", "", "", "", ""}, "1.5418", "0", "0.5", "0");
    t.sim.fields.autoLimits = true;
    t.sim.fields.orientation = "1 1 1";
    generateReflections(t.sim);
    RecordingSurface surface(850, 620);
    Renderer renderer(1);
    EXPECT_EQ(renderer.draw(t.input(), surface)->nearestPoleText, "approx. (1 1 1)");
    auto& rows = t.sim.points.rows;
    auto rowOf = [&](int h) {
        return std::find_if(rows.begin(), rows.end(), [&](const RotatedPoint& p) {
            const auto i = static_cast<std::size_t>(p.reflection);
            const auto& r = t.sim.reflections;
            return r.h[i] == h && r.k[i] == h && r.l[i] == h;
        });
    };
    std::iter_swap(rowOf(1), rowOf(-1));
    EXPECT_EQ(renderer.draw(t.input(), surface)->nearestPoleText, "approx. (1 1 1)");
    // Turned half round, the opposite pole is the one in front.
    rotateAboutViewAxis(t.sim, ViewAxis::Vertical, 180.0f);
    EXPECT_EQ(renderer.draw(t.input(), surface)->nearestPoleText, "approx. (-1 -1 -1)");
}

TEST(Renderer, ThreadsGiveTheSameCallsAndPickAsOneLoop) {
    test::TestSimulation t;
    test::setFields(t.sim, 227, {"5.431", "", "", "", "", ""}, "0.7107", "0.5609", "0.5", "0");
    t.sim.fields.autoLimits = true;
    t.sim.fields.orientation = "1 1 1";
    generateReflections(t.sim);
    ASSERT_GE(t.sim.points.rows.size(), 1024u); // enough cones for the work to be shared out
    t.pattern.view.viewLabels = true;
    t.pattern.selection.set(5, true);
    for (bool stereographic : {false, true}) {
        t.pattern.view.viewStereographic = stereographic;
        RecordingSurface one(850, 620), four(850, 620);
        Renderer single(1), shared(4);
        const auto a = single.draw(t.input(), one);
        const auto b = shared.draw(t.input(), four);
        EXPECT_EQ(one.calls().size(), four.calls().size());
        EXPECT_TRUE(one.segments() == four.segments());
        EXPECT_EQ(a->countText, b->countText);
        EXPECT_EQ(a->nearestPoleText, b->nearestPoleText);
        for (auto [x, y] : {std::pair{100.f, 100.f}, {425.f, 310.f}, {700.f, 500.f}})
            EXPECT_EQ(single.pick(t.input(), 850, 620, x, y),
                      shared.pick(t.input(), 850, 620, x, y));
    }
}

} // namespace
} // namespace tavrel
