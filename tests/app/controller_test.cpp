// The document's commands driven without a window: what each one changes, the one signal that
// says so, the status texts, the selection edits and the pointer's steering.
#include "app/controller.h"
#include "app/pointer_steering.h"
#include "support/recording_surface.h"
#include "support/temp_dir.h"

#include <QStandardItemModel>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace tavrel::app {
namespace {

const std::string kNoOrientation = "There is no orientation before a simulation.";

struct ControllerTest : ::testing::Test {
    test::TempDir dir;
    SimulationController c{folders()};
    std::vector<Changes> emitted;

    ControllerTest() {
        QObject::connect(&c, &SimulationController::changed,
                         [this](Changes what) { emitted.push_back(what); });
        c.setPictureSize(800, 600);
    }
    Folders folders() const {
        const QString d = QString::fromStdString(dir.path());
        return {d, d, d, d};
    }
    // Simulates iron and forgets what that emitted.
    void iron() {
        ASSERT_TRUE(c.simulateIronSample());
        emitted.clear();
    }
    QString status(StatusPanel panel) const { return c.statusText(panel); }
    const PointTable& points() const { return c.simulation().points; }
    std::size_t selectedCount() const {
        std::size_t n = 0;
        for (std::size_t i = 0; i < c.pattern().selection.size(); ++i)
            n += c.pattern().selection.isSelected(i);
        return n;
    }
    // A point on a drawn line, the end of one of its segments.
    QPointF onALine() {
        RecordingSurface recording(800, 600);
        c.draw(recording);
        const auto drawn = recording.segmentsIn(PenStyle::Solid);
        EXPECT_GT(drawn.size(), 200u);
        return drawn.size() > 200 ? QPointF(drawn[200].x2, drawn[200].y2) : QPointF();
    }
};

const Changes kEverything = Change::List | Change::Fields | Change::Picture | Change::Selection |
                            Change::Status | Change::Strengths;

TEST_F(ControllerTest, BeforeASimulationSteeringDoesNothingAndOrientationsAreRefused) {
    EXPECT_FALSE(c.restoreState()) << "no dump yet";
    c.turnByDrag(5, 5);
    c.turnAboutViewingAxis(5);
    c.turnByArrowKey(ArrowKey::Left);
    c.setPatternScale(300);
    c.switchLinesAndPoints();
    c.applyHolderTilts({10, 10, false});
    EXPECT_FALSE(c.pickAt(400, 300));
    EXPECT_TRUE(emitted.empty());
    EXPECT_EQ(c.orientationSummary().problem(), kNoOrientation);
    EXPECT_EQ(c.turnToNearestZoneAxis().problem(), kNoOrientation);
    EXPECT_EQ(c.holderTiltsTo({1, 1, 0}).problem(), kNoOrientation);
    EXPECT_TRUE(status(StatusPanel::Orientation).isEmpty());
    PointerSteering pointer(c);
    EXPECT_FALSE(pointer.press(PointerButton::Left, {10, 10}));
    EXPECT_FALSE(pointer.release(PointerButton::Right, {10, 10}));
}

TEST_F(ControllerTest, ASimulationAnnouncesItsLoopsThenShowsTheListAndItsTexts) {
    ASSERT_TRUE(c.simulateIronSample());
    ASSERT_EQ(emitted.size(), 2u);
    EXPECT_EQ(emitted[0], Changes(Change::Status)) << "the loops, before the generation";
    EXPECT_EQ(emitted[1], kEverything);
    EXPECT_EQ(c.listOrigin(), NewList::Generated);
    EXPECT_EQ(status(StatusPanel::Count), "54 reflections");
    EXPECT_EQ(status(StatusPanel::Pole), "of 124 loops");
    EXPECT_EQ(status(StatusPanel::Title), "Iron (Fe)");
    EXPECT_TRUE(
        status(StatusPanel::Orientation).startsWith(QStringLiteral("\u03c61 \u03a6 \u03c62: ")));
    // The picture's own counts replace the simulation's.
    RecordingSurface surface(800, 600);
    const std::optional<DrawSummary> summary = c.draw(surface);
    ASSERT_TRUE(summary);
    EXPECT_EQ(status(StatusPanel::Count), QString::fromStdString(summary->countText));
    EXPECT_EQ(status(StatusPanel::Pole), QString::fromStdString(summary->nearestPoleText));

    emitted.clear();
    c.newDocument();
    EXPECT_EQ(emitted, std::vector<Changes>{kEverything});
    EXPECT_FALSE(c.hasReflections());
    EXPECT_EQ(c.listOrigin(), NewList::Cleared);
    for (StatusPanel p : {StatusPanel::Count, StatusPanel::Pole, StatusPanel::Clicked})
        EXPECT_TRUE(status(p).isEmpty());
}

TEST_F(ControllerTest, EachCommandSaysOnceWhatItChanged) {
    iron();
    const Changes none;
    const Changes picture = Change::Picture;
    const Rgb rgb{1, 2, 3};
    const struct {
        const char* name;
        std::function<void()> command;
        Changes expected;
    } table[] = {
        {"typing a title", [&] { c.setFieldText(TextField::Title, 0, "x"); }, none},
        {"a field past the row", [&] { c.setFieldText(TextField::Cell, 6, "9"); }, none},
        {"the film", [&] { c.setFieldText(TextField::Film, 2, "300"); }, picture},
        {"least intensity", [&] { c.setFieldText(TextField::MinIntensity, 0, "5"); }, picture},
        {"group position", [&] { c.setSpaceGroupPosition(224); }, none},
        {"labels", [&] { c.setViewToggle(ViewToggle::Labels, true); }, picture},
        {"four indices", [&] { c.setViewToggle(ViewToggle::FourIndex, true); },
         Change::List | Change::Selection | Change::Picture | Change::Status},
        {"zone axis index", [&] { c.setZoneAxisIndex(9); }, picture},
        {"fit to window", [&] { c.fitToWindow(); }, picture},
        {"threshold", [&] { c.setThresholdPosition(15); }, picture},
        {"unselect", [&] { c.unselectAll(); }, Change::Selection | Change::Picture},
        {"strongest", [&] { c.selectStrongest(); }, Change::Selection | Change::Picture},
        {"drag", [&] { c.turnByDrag(1, 2); }, picture},
        {"arrow key", [&] { c.turnByArrowKey(ArrowKey::Up); }, picture},
        {"scale", [&] { c.setPatternScale(250); }, picture},
        {"scale not finite", [&] { c.setPatternScale(std::numeric_limits<float>::quiet_NaN()); },
         none},
        {"scale negative", [&] { c.setPatternScale(-3); }, none},
        {"lines and points", [&] { c.switchLinesAndPoints(); }, picture},
        {"drag starts", [&] { c.setDragging(true); }, none},
        {"drag ends", [&] { c.setDragging(false); }, picture},
        {"drag ends again", [&] { c.setDragging(false); }, none},
        {"scheme", [&] { c.selectColourScheme(2); }, picture},
        {"base colour", [&] { c.setBaseColour(1, rgb); }, picture},
        {"no such base colour", [&] { c.setBaseColour(3, rgb); }, none},
        {"reset colours", [&] { c.resetColours(); }, picture},
        {"preset", [&] { c.applyPresetOrientation(1); }, Change::Fields | Change::Picture},
        {"electrons", [&] { c.setElectronScattering(true); }, Change::Strengths | picture},
    };
    for (const auto& row : table) {
        emitted.clear();
        row.command();
        const std::vector<Changes> expected =
            row.expected ? std::vector<Changes>{row.expected} : std::vector<Changes>{};
        EXPECT_EQ(emitted, expected) << row.name;
    }
    EXPECT_EQ(c.zoneAxisIndex(), 6);
    EXPECT_EQ(c.simulation().document.film[2], 300.0f) << "the film outline follows at once";
    EXPECT_EQ(c.simulation().fields.title, "x");
    EXPECT_EQ(c.simulation().document.title, "Iron (Fe)") << "read at the next simulation";
    EXPECT_EQ(c.pattern().view.patternScale, 250.0f);
    EXPECT_EQ(c.pattern().colours.baseColours, ColourTable{}.baseColours);
    EXPECT_FALSE(c.showsFourIndices()) << "iron is cubic";
}

TEST_F(ControllerTest, SelectionEditsOfTheListAndOfClicks) {
    iron();
    c.selectStrongest();
    EXPECT_EQ(selectedCount(), 12u) << "the twelve {110}";
    c.unselectAll();
    EXPECT_EQ(selectedCount(), 0u);

    QStandardItemModel rows(54, 1);
    c.changeSelection(QItemSelection(rows.index(2, 0), rows.index(4, 0)), {});
    c.changeSelection(QItemSelection(rows.index(7, 0), rows.index(7, 0)),
                      QItemSelection(rows.index(3, 0), rows.index(3, 0)));
    EXPECT_EQ(selectedCount(), 3u);
    for (std::size_t i : {2u, 4u, 7u}) EXPECT_TRUE(c.pattern().selection.isSelected(i));

    // A click on a line toggles its reflection and names it; a second click unselects it and
    // the text stays; the list's own edits forget what was picked.
    const QPointF on = onALine();
    emitted.clear();
    const std::optional<std::int32_t> picked = c.pickAt(float(on.x()), float(on.y()));
    ASSERT_TRUE(picked);
    EXPECT_EQ(emitted, std::vector<Changes>{Change::Selection | Change::Picture | Change::Status});
    const auto index = static_cast<std::size_t>(*picked);
    const bool wasSelected = index == 2 || index == 4 || index == 7;
    EXPECT_EQ(c.pattern().selection.isSelected(index), !wasSelected);
    EXPECT_EQ(c.pickedReflection(), picked);
    const QString clicked = status(StatusPanel::Clicked);
    EXPECT_TRUE(clicked.startsWith("clicked (")) << clicked.toStdString();
    c.pickAt(float(on.x()), float(on.y()));
    EXPECT_EQ(c.pattern().selection.isSelected(index), wasSelected);
    EXPECT_EQ(status(StatusPanel::Clicked), clicked);
    c.changeSelection({}, {});
    EXPECT_FALSE(c.pickedReflection());
}

TEST_F(ControllerTest, AtomsAreTakenOrRefusedNamingTheElement) {
    iron();
    const Outcome refused = c.setAtomSites({{"X1", "Qq", 0, 0, 0, 1, 0}});
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.problem().find("Qq"), std::string::npos) << refused.problem();
    EXPECT_TRUE(emitted.empty());
    EXPECT_FALSE(c.hasAtoms());
    ASSERT_TRUE(c.setAtomSites({{"Fe1", "Fe", 0, 0, 0, 1, 0.35}}));
    EXPECT_EQ(emitted, std::vector<Changes>{Change::Strengths | Change::Picture});
    EXPECT_TRUE(c.viewToggle(ViewToggle::ColourByIntensity)) << "the first atoms colour lines";
}

TEST_F(ControllerTest, FilesAndTheStateDump) {
    const Result<NewListReport> missing =
        c.openFile(QString::fromStdString(dir.file("none.tvr")), InputFormat::Tvr);
    EXPECT_FALSE(missing);
    EXPECT_TRUE(emitted.empty()) << "a refused file changes nothing";

    iron();
    c.setViewToggle(ViewToggle::Labels, true);
    c.turnByArrowKey(ArrowKey::Down);
    ASSERT_TRUE(c.saveState());
    const Result<QString> listing = c.writeSymmetryListing();
    ASSERT_TRUE(listing);
    EXPECT_TRUE(test::readFile(listing->toStdString()).starts_with("Hall: -I 4 2 3\r\n"));

    SimulationController next(folders());
    std::vector<Changes> nextEmitted;
    QObject::connect(&next, &SimulationController::changed,
                     [&](Changes what) { nextEmitted.push_back(what); });
    ASSERT_TRUE(next.start());
    EXPECT_EQ(nextEmitted, std::vector<Changes>{kEverything | Change::Underlay});
    EXPECT_EQ(next.listOrigin(), NewList::Loaded);
    EXPECT_EQ(next.statusText(StatusPanel::Title), "Iron (Fe)");
    EXPECT_EQ(next.statusText(StatusPanel::Count), "54 reflections");
    EXPECT_TRUE(next.viewToggle(ViewToggle::Labels));
    EXPECT_EQ(next.statusText(StatusPanel::Orientation), status(StatusPanel::Orientation));
}

struct PointerTest : ControllerTest {
    PointerSteering pointer{c};
    void SetUp() override { iron(); }
    void drag(PointerButton button, QPointF from, QPointF to) {
        pointer.press(button, from);
        pointer.move(button == PointerButton::Left, button == PointerButton::Right, to);
        pointer.release(button, to);
    }
    // The largest change of any point since `before`.
    float movedSince(const std::vector<RotatedPoint>& before) const {
        float largest = 0;
        for (const RotatedPoint& a : before) {
            const RotatedPoint& b =
                *std::find_if(points().rows.begin(), points().rows.end(),
                              [&](const RotatedPoint& p) { return p.reflection == a.reflection; });
            largest = std::max(
                {largest, std::fabs(a.x - b.x), std::fabs(a.y - b.y), std::fabs(a.z - b.z)});
        }
        return largest;
    }
};

TEST_F(PointerTest, ThePressChoosesTheLookByButtonAndHalf) {
    EXPECT_EQ(pointer.press(PointerButton::Left, {600, 300}), PointerLook::Normal);
    EXPECT_EQ(pointer.press(PointerButton::Right, {600, 300}), PointerLook::Zoom);
    EXPECT_EQ(pointer.press(PointerButton::Right, {200, 300}), PointerLook::Turn);
    EXPECT_EQ(pointer.press(PointerButton::Other, {600, 300}), PointerLook::Turn);
    c.setViewToggle(ViewToggle::Stereographic, true);
    EXPECT_EQ(pointer.press(PointerButton::Right, {600, 300}), PointerLook::Turn);
    EXPECT_FALSE(pointer.move(false, false, {610, 300})) << "no button held";
}

TEST_F(PointerTest, ALeftDragTurnsWithFewerSamplesUntilTheRelease) {
    const std::vector<RotatedPoint> before = points().rows;
    pointer.press(PointerButton::Left, {300, 300});
    EXPECT_EQ(pointer.move(true, false, {310, 296}), PointerLook::Move);
    EXPECT_TRUE(pointer.dragging());
    EXPECT_TRUE(c.dragging());
    EXPECT_GT(movedSince(before), 0.01f);
    emitted.clear();
    EXPECT_FALSE(pointer.release(PointerButton::Left, {310, 296}));
    EXPECT_FALSE(c.dragging());
    EXPECT_EQ(emitted, std::vector<Changes>{Change::Picture}) << "the full-quality picture";
    EXPECT_EQ(selectedCount(), 0u) << "a drag picks nothing";
}

TEST_F(PointerTest, ARightDragZoomsFromThePressOnOrTurnsOnTheLeftHalfOrWhenStereographic) {
    c.setPatternScale(150);
    pointer.press(PointerButton::Right, {600, 300});
    pointer.move(false, true, {560, 300});
    EXPECT_EQ(c.pattern().view.patternScale, 100.0f) << "150 - 80 stops at the least scale";
    pointer.move(false, true, {605, 305});
    EXPECT_FALSE(pointer.release(PointerButton::Right, {605, 305})) << "a drag asks no popup";
    EXPECT_EQ(c.pattern().view.patternScale, 170.0f);

    const std::vector<RotatedPoint> before = points().rows;
    drag(PointerButton::Right, {200, 300}, {206, 304});
    EXPECT_GT(movedSince(before), 0.01f);
    EXPECT_EQ(c.pattern().view.patternScale, 170.0f);
    c.turnByArrowKey(ArrowKey::Right);
    EXPECT_EQ(c.simulation().fields.orientation, "0 0 1") << "turns leave the fields as typed";

    // Stereographic: no zoom, and the two halves turn opposite ways.
    c.setViewToggle(ViewToggle::Stereographic, true);
    const std::vector<RotatedPoint> start = points().rows;
    drag(PointerButton::Right, {200, 300}, {210, 300});
    EXPECT_GT(movedSince(start), 0.05f);
    drag(PointerButton::Right, {600, 300}, {610, 300});
    EXPECT_LT(movedSince(start), 1e-5f);
    EXPECT_EQ(c.pattern().view.patternScale, 170.0f);
}

TEST_F(PointerTest, ClicksPickAndARightClickAsksForThePopup) {
    pointer.press(PointerButton::Right, {400, 300});
    EXPECT_TRUE(pointer.release(PointerButton::Right, {401, 301}));
    EXPECT_FALSE(pointer.pressed());
    EXPECT_FALSE(pointer.release(PointerButton::Right, {400, 300})) << "no press, no popup";

    const QPointF on = onALine();
    pointer.press(PointerButton::Left, on);
    EXPECT_FALSE(pointer.release(PointerButton::Left, on));
    EXPECT_EQ(selectedCount(), 1u);
    EXPECT_TRUE(c.pickedReflection());
    // A release away from the press is no click.
    pointer.press(PointerButton::Left, on);
    pointer.release(PointerButton::Left, on + QPointF(1, 0));
    EXPECT_EQ(selectedCount(), 1u);
}

} // namespace
} // namespace tavrel::app
