// Cone lines reach the picture as chains. On an image they must set exactly the pixels their
// segments set one by one; in a vector file each chain is one element.

#include "output/image_surface.h"
#include "output/picture_file.h"
#include "render/recording_surface.h"
#include "render/renderer.h"
#include "session/generation.h"
#include "support/temp_dir.h"
#include "support/test_simulation.h"

#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>

namespace tavrel {
namespace {

// An image that draws every chain as the separate segments between its points, as lines were
// drawn before there were chains.
class SegmentImage : public ImageSurface {
public:
    using ImageSurface::ImageSurface;
    void drawPolyline(std::span<const Point> points) override {
        DrawingSurface::drawPolyline(points);
    }
};

// Silicon at the Mo wavelength: 1,224 cones, many of them leaving and entering the picture.
void setSilicon(test::TestSimulation& t) {
    test::setFields(t.sim, 227, {"5.431", "", "", "", "", ""}, "0.7107", "1.5418", "0.5", "0");
    t.sim.fields.autoLimits = true;
    t.sim.fields.orientation = "1 1 1";
    generateReflections(t.sim);
}

TEST(Polyline, AFullPatternThroughChainsHasThePixelsOfItsSegments) {
    test::TestSimulation t;
    setSilicon(t);
    ASSERT_GT(t.sim.reflections.count(), 1000);
    for (std::size_t i = 0; i < 40; i += 3) t.pattern.selection.set(i, true);
    for (bool stereographic : {false, true})
        for (bool labels : {false, true}) {
            t.pattern.view.viewStereographic = stereographic;
            t.pattern.view.viewLabels = labels;
            ImageSurface chains(850, 620);
            SegmentImage segments(850, 620);
            RecordingSurface recorded(850, 620);
            Renderer().draw(t.input(), chains);
            Renderer().draw(t.input(), segments);
            Renderer().draw(t.input(), recorded);
            EXPECT_GT(recorded.callsOf<RecordingSurface::Polyline>().size(), 300u);
            EXPECT_TRUE(chains.image() == segments.image())
                << (stereographic ? "stereographic" : "gnomonic") << (labels ? ", labels" : "");
            // The drag frame's coarser lines too.
            ImageSurface dragChains(850, 620);
            SegmentImage dragSegments(850, 620);
            Renderer().draw(t.input(true), dragChains);
            Renderer().draw(t.input(true), dragSegments);
            EXPECT_TRUE(dragChains.image() == dragSegments.image());
        }
}

TEST(Polyline, AVectorFileHoldsOneElementPerChain) {
    test::TestSimulation t;
    setSilicon(t);
    // The dashed lines of selected reflections stay in separate segments.
    for (std::size_t i = 0; i < 60; i += 3) t.pattern.selection.set(i, true);
    RecordingSurface recorded(850, 620);
    Renderer().draw(t.input(), recorded);
    // Qt's SVG generator leaves out lines of no length (in separate segments as in chains).
    std::vector<std::vector<Point>> chains;
    for (const auto& chain : recorded.callsOf<RecordingSurface::Polyline>()) {
        std::vector<Point> distinct;
        for (const Point& p : chain.points)
            if (distinct.empty() || !(distinct.back() == p)) distinct.push_back(p);
        if (distinct.size() > 1) chains.push_back(distinct);
    }
    std::size_t separate = 0;
    for (const auto& batch : recorded.callsOf<RecordingSurface::Segments>())
        for (const Segment& g : batch.segments) separate += g.x1 != g.x2 || g.y1 != g.y2;
    ASSERT_GT(chains.size(), 300u);
    ASSERT_GT(separate, 0u);

    test::TempDir dir;
    std::string error;
    const auto file = openPictureFile(dir.file("p.svg"), 850, 620, error);
    ASSERT_TRUE(file) << error;
    Renderer().draw(t.input(), file->surface());
    ASSERT_TRUE(file->finish(error)) << error;
    const QString svg = QString::fromStdString(test::readFile(dir.file("p.svg")));
    const QRegularExpression polyline(QStringLiteral("<polyline[^>]*points=\"([^\"]*)\""));
    std::vector<QString> elements;
    for (auto it = polyline.globalMatch(svg); it.hasNext();)
        elements.push_back(it.next().captured(1));
    ASSERT_EQ(elements.size(), chains.size() + separate);

    // The chains in drawing order, each element listing its chain's points, a repeated point
    // once.
    std::size_t checked = 0;
    for (std::size_t e = 0, c = 0; c < chains.size() && e < elements.size(); ++e) {
        QString expected;
        for (const Point& p : chains[c]) expected += QStringLiteral("%1,%2 ").arg(p.x).arg(p.y);
        if (elements[e] != expected) continue; // a highlighted segment between the chains
        ++c;
        ++checked;
    }
    EXPECT_EQ(checked, chains.size());
}

} // namespace
} // namespace tavrel
