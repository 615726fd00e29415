#include "render/renderer.h"

#include "render/colour_table.h"
#include "render/projection.h"
#include "session/generation.h"
#include "session/orient.h"
#include "support/recording_surface.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace tavrel {
namespace {

ProjectionFrame frame(float k = 1) {
    return ProjectionFrame{400, 300, 200, 300, k};
}

TEST(Projection, LatticePointsRoundBeforeScalingAndTheFilmFits) {
    ProjectionFrame f = frame(3);
    f.scale = 10;
    const PixelPoint p = projectLatticePoint(f, {0.5f, 0.26f, -0.14f, 0});
    EXPECT_EQ(p.x, 400 + 3 * 3); // +y goes right; 2.6 rounds to 3 before the print scale
    EXPECT_EQ(p.y, 300 + 1 * 3); // +z goes up; -1.4 rounds to -1

    // min(600 * 50 / 100, 400 * 50 / 100), from any scale; a film without size or distance
    // cannot be fitted and the scale stays.
    for (float from : {1.0f, 200.0f, 0.0f})
        EXPECT_FLOAT_EQ(fittedPatternScale(from, {100, 100, 50}, 650, 450), 200.0f) << from;
    EXPECT_FLOAT_EQ(fittedPatternScale(123, {0, 0, 50}, 650, 450), 123.0f);
    EXPECT_FLOAT_EQ(fittedPatternScale(123, {100, 100, 0}, 650, 450), 123.0f);
}

// Sampling on several threads while the picture is drawn gives the calls of one loop, for
// still pictures and drag frames, with selected lines and labels, and the same pick.
TEST(Renderer, EveryThreadCountDrawsAndPicksAsOneLoop) {
    test::TestSimulation t;
    ASSERT_TRUE(test::setDense(t)); // many runs of cones
    for (bool stereographic : {false, true})
        for (bool dragging : {false, true}) {
            t.pattern.view.viewStereographic = stereographic;
            RecordingSurface one, several;
            const std::optional<DrawSummary> alone = Renderer(1).draw(t.input(dragging), one);
            // More threads than cores: the drawing often waits for a run.
            Renderer many(5);
            for (int repeat = 0; repeat < 3; ++repeat) {
                several.forget();
                const std::optional<DrawSummary> shared = many.draw(t.input(dragging), several);
                ASSERT_TRUE(several.calls() == one.calls()) << stereographic << dragging;
                EXPECT_EQ(std::tie(shared->countText, shared->nearestPoleText),
                          std::tie(alone->countText, alone->nearestPoleText));
            }
            EXPECT_EQ(many.pick(t.input(dragging), 850, 620, 300, 200),
                      Renderer(1).pick(t.input(dragging), 850, 620, 300, 200));
        }
}

TEST(Projection, FilmOutlineAndCaption) {
    auto outline = [](int size, float k, OverlayOptions o) {
        RecordingSurface s(650 * size, 450 * size);
        drawFilmOutline(s, frame(k), o, {100, 80, 50});
        std::vector<std::tuple<int, int, int, int>> corners;
        for (const auto& r : s.rectangles()) corners.emplace_back(r.x1, r.y1, r.x2, r.y2);
        return std::pair(corners, s);
    };
    const auto [gnomonic, surface] = outline(1, 1, {});
    EXPECT_EQ(gnomonic.at(0), std::tuple(200, 140, 600, 460)); // 2 S wide
    EXPECT_EQ(surface.rectangles()[0].pen,
              (RecordingSurface::Pen{{0, 128, 128}, 2, PenStyle::Solid}));
    const auto caption = surface.texts().at(0);
    EXPECT_EQ(std::tuple(caption.text, caption.x, caption.y),
              std::tuple("100 x 80 D=50", 200, 140 - surface.textHeight() - 2));
    EXPECT_EQ(outline(2, 2, {}).first.at(0), std::tuple(0, -20, 800, 620)); // grows with the lines
    // Stereographic: half the film's tangent on the primitive circle, no caption; nothing
    // without lines.
    const auto [stereo, stereoSurface] = outline(1, 1, {.stereographic = true});
    EXPECT_EQ(std::get<2>(stereo.at(0)) - std::get<0>(stereo.at(0)), 300);
    EXPECT_TRUE(stereoSurface.texts().empty());
    EXPECT_TRUE(outline(1, 1, {.stereographic = true, .showLines = false}).first.empty());
}

TEST(ColourTable, StripClicksPickTheNearestBandHalvesToEven) {
    for (auto [y, scheme] :
         {std::pair{15.0, 1}, {14, 1}, {4, 0}, {10, 0}, {20, 2}, {30, 2}, {75, 7}})
        EXPECT_EQ(schemeFromStripClick(y), scheme) << y;
}

TEST(ColourTable, ColourIndexSpans25To255AndMirrorsOnALightBackground) {
    // d, dMin, dMax and the entry on a dark background; a zero-width range and spacings outside
    // the range stay in the table.
    const std::tuple<float, float, float, int> cases[] = {{1, 1, 3, 25},  {3, 1, 3, 255},
                                                          {2, 1, 3, 140}, {2, 2, 2, 255},
                                                          {9, 1, 3, 255}, {-9, 1, 3, 0}};
    for (auto [d, dMin, dMax, entry] : cases) {
        EXPECT_EQ(colourIndex(d, dMin, dMax, false), entry) << d << " " << dMin << " " << dMax;
        EXPECT_EQ(colourIndex(d, dMin, dMax, true), 255 - entry) << d << " " << dMin << " " << dMax;
    }
}

struct RendererTest : testing::Test {
    void SetUp() override {
        test::setIron(t.sim);
        ASSERT_TRUE(t.generate());
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
    EXPECT_EQ(std::tie(summary->countText, summary->nearestPoleText),
              std::tuple("54 hkl (54 visible)", "approx. (0 0 2)"));
    t.sim.document.displayDMin = 3.0f; // only the overlays remain
    const RecordingSurface surface = draw();
    EXPECT_EQ(summary->countText, "54 hkl (0 visible)");
    // No line; the film outline and its caption.
    EXPECT_EQ(
        std::tuple(surface.segmentCount(), surface.rectangles().size(), surface.texts().size()),
        std::tuple(0u, 1u, 1u));
}

// Colours and highlights follow the reflection, not its row.
TEST_F(RendererTest, SelectedLinesAreDrawnAgainHighlightedWhateverTheRowOrder) {
    const std::size_t plain = draw().segmentCount();
    for (std::size_t i = 0; i < 54; i += 2) t.pattern.selection.set(i, true);
    t.pattern.colours.baseColours[2] = {0, 255, 0};
    const RecordingSurface surface = draw();
    const std::size_t dashed = surface.segmentsIn(PenStyle::DashDot).size();
    EXPECT_GT(dashed, 0u);
    EXPECT_EQ(surface.segmentCount(), plain + dashed);
    const RecordingSurface::Pen highlight{{0, 255, 0}, 2, PenStyle::DashDot};
    for (const auto& s : surface.segments())
        EXPECT_EQ(s.pen.style == PenStyle::DashDot, s.pen == highlight);

    auto drawnSorted = [&] {
        std::vector<std::array<int, 8>> all;
        for (const auto& [g, pen] : draw().segments())
            all.push_back({pen.colour.r, pen.colour.g, pen.colour.b, static_cast<int>(pen.style),
                           g.x1, g.y1, g.x2, g.y2});
        std::sort(all.begin(), all.end());
        return all;
    };
    const auto before = drawnSorted();
    std::reverse(t.sim.points.rows.begin(), t.sim.points.rows.end());
    EXPECT_EQ(drawnSorted(), before);
}

TEST_F(RendererTest, AClickNamesTheNearestLine) {
    const Segment on = draw().segments()[200].segment; // a drawn point of some line
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
    EXPECT_EQ(std::tuple(circles.size(), circles.at(0).filled, surface.segmentCount()),
              std::tuple(54u, true, 0u));
    // A click on a drawn pole names a reflection drawn there (poles can coincide).
    const auto& rows = t.sim.points.rows;
    int clicked = 0;
    for (const auto& c : circles) {
        if (c.x < 0 || c.x >= 850 || c.y < 0 || c.y >= 620) continue;
        ++clicked;
        const auto picked = pick(static_cast<float>(c.x), static_cast<float>(c.y));
        ASSERT_TRUE(picked);
        const auto at = std::find_if(rows.begin(), rows.end(), [&](const RotatedPoint& p) {
            return p.reflection == *picked;
        });
        const auto& named = circles[static_cast<std::size_t>(at - rows.begin())];
        EXPECT_EQ(std::pair(named.x, named.y), std::pair(c.x, c.y));
    }
    EXPECT_GT(clicked, 5);
    EXPECT_FALSE(pick(-5000, -5000));
}

// Along a zone axis (silicon along [1 1 1]) the pole and its opposite both project onto the
// centre; the one named is the one in front of the film, whichever comes first in the table.
TEST(Renderer, OfTwoPolesAtTheCentreTheOneInFrontIsNamed) {
    test::TestSimulation t;
    test::setFields(t.sim, 227, {"5.431", "", "", "", "", ""}, "1.5418", "0", "0.5", "0");
    t.sim.fields.autoLimits = true;
    t.sim.fields.orientation = "1 1 1";
    ASSERT_TRUE(t.generate());
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
    rotateAboutViewAxis(t.sim, ViewAxis::Vertical, 180.0f); // now the opposite pole is in front
    EXPECT_EQ(renderer.draw(t.input(), surface)->nearestPoleText, "approx. (-1 -1 -1)");
}

} // namespace
} // namespace tavrel
