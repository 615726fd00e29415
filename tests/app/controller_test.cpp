// The document's commands driven without a window: the one signal that says what changed, the
// status texts, the view commands' guards, the selection edits and the pointer's steering.
#include "app/controller.h"
#include "app/pointer_steering.h"
#include "orientation/euler_angles.h"
#include "structure/structure_factor.h"
#include "support/point_moves.h"
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
    ViewCommands& view = c.view();
    std::vector<Changes> emitted;

    ControllerTest() {
        QObject::connect(&c, &SimulationController::changed,
                         [this](Changes what) { emitted.push_back(what); });
        view.setPictureSize(800, 600);
    }
    Folders folders() const {
        const QString d = QString::fromStdString(dir.path());
        return {d, d, d, d};
    }
    // A first start simulates iron; what that emitted is forgotten.
    void iron() {
        ASSERT_FALSE(c.start());
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
    view.setPatternScale(300);
    view.switchLinesAndPoints();
    c.applyHolderTilts({10, 10, false});
    EXPECT_FALSE(c.pickAt(400, 300));
    EXPECT_TRUE(emitted.empty());
    EXPECT_EQ(c.orientationSummary().problem(), kNoOrientation);
    EXPECT_EQ(c.turnToNearestZoneAxis().problem(), kNoOrientation);
    EXPECT_EQ(c.holderTiltsTo(QStringLiteral("1 1 0")).problem(), kNoOrientation);
    EXPECT_FALSE(c.holderTiltsTo(QStringLiteral("1 1")).problem().empty());
    EXPECT_TRUE(status(StatusPanel::Orientation).isEmpty());
    PointerSteering pointer(c);
    EXPECT_FALSE(pointer.press(PointerButton::Left, {10, 10}));
    EXPECT_FALSE(pointer.release(PointerButton::Right, {10, 10}));
}

TEST_F(ControllerTest, ASimulationAnnouncesItsLoopsThenShowsTheListAndItsTexts) {
    ASSERT_FALSE(c.start());
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

// Typed texts wait for the next reading, except the film and the least intensity, which the
// picture shows at once; values out of range change nothing and say nothing.
TEST_F(ControllerTest, EditsAndViewCommandsTakeOnlyWhatTheyCan) {
    iron();
    c.setFieldText(TextField::Title, 0, "x");
    c.setFieldText(TextField::Cell, 6, "9"); // past the row
    c.setSpaceGroupPosition(224);
    EXPECT_TRUE(emitted.empty());
    EXPECT_EQ(c.simulation().document.title, "Iron (Fe)");
    c.setFieldText(TextField::Film, 2, "300");
    EXPECT_EQ(c.simulation().document.film[2], 300.0f);
    EXPECT_EQ(emitted, std::vector<Changes>{Change::Picture});

    emitted.clear();
    view.setPatternScale(std::numeric_limits<float>::quiet_NaN());
    view.setPatternScale(-3);
    view.setBaseColour(3, {1, 2, 3});
    view.setDragging(false); // no drag to end
    EXPECT_TRUE(emitted.empty());
    view.setDragging(true);
    view.setDragging(false);
    EXPECT_EQ(emitted, std::vector<Changes>{Change::Picture}) << "the full-quality picture";
    view.setZoneAxisIndex(9);
    EXPECT_EQ(view.zoneAxisIndex(), 6);
}

TEST_F(ControllerTest, SelectionEditsOfTheListAndOfClicks) {
    iron();
    QStandardItemModel rows(54, 1);
    c.changeSelection(QItemSelection(rows.index(2, 0), rows.index(4, 0)), {});
    c.changeSelection(QItemSelection(rows.index(7, 0), rows.index(7, 0)),
                      QItemSelection(rows.index(3, 0), rows.index(3, 0)));
    EXPECT_EQ(selectedCount(), 3u);
    for (std::size_t i : {2u, 4u, 7u}) EXPECT_TRUE(c.pattern().selection.isSelected(i));

    // A click toggles the reflection of a line; the list's own edits forget what was picked.
    const QPointF on = onALine();
    emitted.clear();
    const std::optional<std::int32_t> picked = c.pickAt(float(on.x()), float(on.y()));
    ASSERT_TRUE(picked);
    EXPECT_EQ(emitted, std::vector<Changes>{Change::Selection | Change::Picture | Change::Status});
    EXPECT_EQ(c.pickedReflection(), picked);
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
    EXPECT_TRUE(view.toggle(ViewToggle::ColourByIntensity)) << "the first atoms colour lines";
}

// A text that names no orientation leaves the field to the window, which marks it; the
// orientation stays.
TEST_F(ControllerTest, AnInvalidOrientationTextIsAProblemOfItsOwnKind) {
    iron();
    const Mat3d before = c.simulation().orientation;
    c.setFieldText(TextField::Orientation, 0, "10 1");
    const Outcome applied = c.applyOrientation();
    ASSERT_FALSE(applied);
    EXPECT_EQ(applied.failure().kind, Problem::Kind::WrongKind);
    EXPECT_EQ(c.simulation().fields.orientation, "10 1");
    EXPECT_EQ(c.simulation().orientation, before);
}

// The commands that set an orientation other than through the field write it there as Euler
// angles, so that a simulation of edited fields keeps it; choosing Euler angles fills in those of
// the picture.
TEST_F(ControllerTest, OrientationsOfTheCommandsGoIntoTheFieldAndOutliveASimulation) {
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"zone axis",
         [&] {
             c.turnByDrag(3, 2);
             ASSERT_TRUE(c.turnToNearestZoneAxis());
         }},
        {"tilts", [&] { c.applyHolderTilts(*c.holderTiltsTo(QStringLiteral("1 1 1"))); }},
        {"indexed",
         [&] {
             fit::FoundOrientation found;
             found.fit.orientation =
                 orientationFromEulerAngles({30, 40, 50}, c.simulation().document.matrices);
             c.patternImage().apply(found);
         }},
        {"Euler chosen", [&] {
             c.turnByArrowKey(ArrowKey::Up);
             c.setOrientationType(OrientationType::Euler);
         }}};
    for (const auto& [name, command] : commands) {
        iron();
        command();
        const Mat3d set = c.simulation().orientation;
        EXPECT_EQ(c.simulation().fields.orientationType, OrientationType::Euler) << name;
        EXPECT_EQ(c.simulation().fields.orientation,
                  eulerAnglesText(eulerAnglesOfOrientation(set, c.simulation().document.matrices)))
            << name;
        EXPECT_TRUE(emitted.back() & Change::Fields) << name;
        c.setFieldText(TextField::D, 0, QStringLiteral("0.9"));
        ASSERT_TRUE(c.performSimulation());
        for (std::size_t i = 0; i < 3; ++i)
            for (std::size_t j = 0; j < 3; ++j)
                EXPECT_NEAR(c.simulation().orientation[i][j], set[i][j], 2e-5) << name;
        c.newDocument();
    }
}

// What the status says follows what it speaks of: the zone axis a tilt put on the beam (until
// the next turn), the clicked line's intensity after an edit of the atoms, the file saved last.
TEST_F(ControllerTest, StatusTextsFollowWhatTheySpeakOf) {
    iron();
    c.turnByDrag(3, 2);
    ASSERT_TRUE(c.turnToNearestZoneAxis());
    ASSERT_TRUE(status(StatusPanel::Clicked).startsWith(QStringLiteral("on zone [")));
    const Result<HolderTilts> tilts = c.holderTiltsTo(QStringLiteral("1 1 1"));
    ASSERT_TRUE(tilts);
    c.applyHolderTilts(*tilts);
    EXPECT_EQ(status(StatusPanel::Clicked), "on zone [1 1 1]");
    c.turnByArrowKey(ArrowKey::Left);
    EXPECT_TRUE(status(StatusPanel::Clicked).isEmpty());

    ASSERT_TRUE(c.setAtomSites({{"Fe1", "Fe", 0, 0, 0, 1, 0}}));
    RecordingSurface recording(800, 600);
    c.draw(recording);
    const auto drawn = recording.segmentsIn(PenStyle::Solid);
    const auto strength = [&] {
        return c.simulation().strengths.relative[std::size_t(*c.pickedReflection())];
    };
    for (std::size_t i = 0; i < drawn.size() && !(c.pickedReflection() && strength() < 99); i += 7)
        c.pickAt(drawn[i].x2, drawn[i].y2);
    ASSERT_TRUE(c.pickedReflection() && strength() < 99) << "a line weaker than the strongest";
    const QString before = status(StatusPanel::Clicked);
    ASSERT_TRUE(c.setAtomSites({{"Fe1", "Fe", 0, 0, 0, 1, 3}}));
    EXPECT_NE(status(StatusPanel::Clicked), before);
    EXPECT_TRUE(status(StatusPanel::Clicked)
                    .endsWith(QString::fromStdString(" I " + intensityText(strength()))))
        << status(StatusPanel::Clicked).toStdString();

    const QString cif = QString::fromStdString(dir.file("iron.cif"));
    ASSERT_TRUE(c.saveFile(cif, InputFormat::Cif));
    EXPECT_EQ(status(StatusPanel::Title), cif);
}

TEST_F(ControllerTest, FilesAndTheStateDump) {
    const Result<NewListReport> missing =
        c.openFile(QString::fromStdString(dir.file("none.tvr")), InputFormat::Tvr);
    EXPECT_FALSE(missing);
    EXPECT_TRUE(emitted.empty()) << "a refused file changes nothing";

    iron();
    view.setToggle(ViewToggle::Labels, true);
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
    EXPECT_TRUE(next.view().toggle(ViewToggle::Labels));
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
    float scale() const { return c.pattern().view.patternScale; }
    float movedSince(const PointTable& before) const { return test::largestMove(before, points()); }
};

TEST_F(PointerTest, ThePressChoosesTheLookByButtonAndHalf) {
    EXPECT_EQ(pointer.press(PointerButton::Left, {600, 300}), PointerLook::Normal);
    EXPECT_EQ(pointer.press(PointerButton::Right, {600, 300}), PointerLook::Zoom);
    EXPECT_EQ(pointer.press(PointerButton::Right, {200, 300}), PointerLook::Turn);
    EXPECT_EQ(pointer.press(PointerButton::Other, {600, 300}), PointerLook::Turn);
    view.setToggle(ViewToggle::Stereographic, true);
    EXPECT_EQ(pointer.press(PointerButton::Right, {600, 300}), PointerLook::Turn);
    EXPECT_FALSE(pointer.move(false, false, {610, 300})) << "no button held";
    EXPECT_TRUE(pointer.release(PointerButton::Right, {601, 301})) << "a right click: the popup";
    EXPECT_FALSE(pointer.release(PointerButton::Right, {600, 300})) << "no press, no popup";
}

TEST_F(PointerTest, ARightDragZoomsFromThePressOnOrTurnsOnTheLeftHalfOrWhenStereographic) {
    view.setPatternScale(150);
    pointer.press(PointerButton::Right, {600, 300});
    pointer.move(false, true, {560, 300});
    EXPECT_EQ(scale(), 100.0f) << "150 - 80 stops at the least scale";
    pointer.move(false, true, {605, 305});
    EXPECT_FALSE(pointer.release(PointerButton::Right, {605, 305})) << "a drag asks no popup";
    EXPECT_EQ(scale(), 170.0f);

    const PointTable before = points();
    drag(PointerButton::Right, {200, 300}, {206, 304});
    EXPECT_GT(movedSince(before), 0.01f);
    EXPECT_EQ(scale(), 170.0f);
    c.turnByArrowKey(ArrowKey::Right);
    EXPECT_EQ(c.simulation().fields.orientation, "0 0 1") << "turns leave the fields as typed";

    // Stereographic: no zoom, and the two halves turn opposite ways.
    view.setToggle(ViewToggle::Stereographic, true);
    const PointTable start = points();
    drag(PointerButton::Right, {200, 300}, {210, 300});
    EXPECT_GT(movedSince(start), 0.05f);
    drag(PointerButton::Right, {600, 300}, {610, 300});
    EXPECT_LT(movedSince(start), 1e-5f);
    EXPECT_EQ(scale(), 170.0f);
}

// A notch zooms by a tenth, a step the eye sees, never below the drag's least scale; with Ctrl
// it turns about the viewing axis. The stereographic picture has nothing to zoom.
TEST_F(PointerTest, TheWheelZoomsTheGnomonicPatternAndWithCtrlTurns) {
    const float first = scale();
    const PointTable before = points();
    pointer.wheel(1, false);
    EXPECT_FLOAT_EQ(scale(), first * 1.1f);
    pointer.wheel(-2, false);
    EXPECT_FLOAT_EQ(scale(), first / 1.1f);
    EXPECT_EQ(movedSince(before), 0.0f);
    pointer.wheel(-1000, false);
    EXPECT_FLOAT_EQ(scale(), PointerSteering::kLeastZoomScale);
    view.setToggle(ViewToggle::Stereographic, true);
    pointer.wheel(3, false);
    EXPECT_FLOAT_EQ(scale(), PointerSteering::kLeastZoomScale);
    EXPECT_EQ(movedSince(before), 0.0f);
    pointer.wheel(1, true);
    EXPECT_GT(movedSince(before), 0.01f);
}

} // namespace
} // namespace tavrel::app
