// Orientation as the window shows and steers it: the Euler readout, typed Euler angles, zone
// axes marked, named on a click and steered to, holder tilts applied, four indices for a
// hexagonal cell.

#include "orientation/orientation_summary.h"
#include "ui/orientation_dialogs.h"
#include "window_fixture.h"

namespace tavrel::test {
namespace {

using app::StatusPanel;

struct OrientationWindowTest : WindowTest {
    void orient(OrientationType type, const QString& text) {
        in.orientationTypeList->setCurrentIndex(static_cast<int>(type));
        typeInto(in.orientationEdit, text);
        QTest::keyClick(in.orientationEdit, Qt::Key_Return);
    }
    OrientationSummary summary() const {
        const Result<OrientationSummary> s = c.orientationSummary();
        EXPECT_TRUE(s.ok());
        return s.ok() ? *s : OrientationSummary{};
    }
};

TEST_F(OrientationWindowTest, EulerReadoutAndZoneAxesFollowTheOrientation) {
    ASSERT_TRUE(c.hasReflections()); // the iron sample
    orient(OrientationType::Euler, "30 40 50");
    EXPECT_EQ(statusText(StatusPanel::Orientation), "\u03c61 \u03a6 \u03c62: 30.000 40.000 50.000");
    // A turn about the viewing axis by 10 degrees adds to phi1 (the sample frame turns under the
    // crystal) and leaves Phi.
    c.turnAboutViewingAxis(10);
    const QString turned = statusText(StatusPanel::Orientation);
    EXPECT_NE(turned, "\u03c61 \u03a6 \u03c62: 30.000 40.000 50.000");
    EXPECT_TRUE(turned.contains(" 40.000 50.000")) << turned.toStdString();

    // The matrix dialog shows the same angles and can copy them.
    dialogs.modal = [](QDialog& d) {
        auto* text = d.findChild<QWidget*>(QStringLiteral("orientationText"));
        EXPECT_NE(text, nullptr);
        return static_cast<int>(QDialog::Accepted);
    };
    action("actionOrientationMatrix")->trigger();
    ASSERT_EQ(dialogs.modalTitles.size(), 1u);

    // Zone axes: marked, named on a click and steered to.
    orient(OrientationType::Direct, "1 1 1");
    action("actionZoneAxes")->trigger();
    EXPECT_TRUE(c.view().toggle(app::ViewToggle::ZoneAxes));

    // 0.7 degree off [1 1 1]; Nearest Zone Axis turns back onto it exactly.
    c.turnByDrag(0.5f, 0.5f);
    ASSERT_GT(summary().names.z.direction.angleDegrees, 0.5);
    action("actionNearestZoneAxis")->trigger();
    EXPECT_EQ(statusText(StatusPanel::Clicked), "on zone [1 1 1]");
    const OrientationSummary on = summary();
    EXPECT_EQ(on.names.z.direction.indices, (IndexTriple{1, 1, 1}));
    EXPECT_LT(on.names.z.direction.angleDegrees, 1e-6);

    // The marker at the centre of the picture is named on a click.
    const PatternView& p = c.pattern();
    c.pickAt(static_cast<float>(p.width) / 2, static_cast<float>(p.height) / 2);
    EXPECT_EQ(statusText(StatusPanel::Clicked), "zone [1 1 1], 0.0\u00b0 from the centre");
    // The picture's counts stay: not the texts of the last simulation.
    EXPECT_TRUE(statusText(StatusPanel::Count).endsWith(QStringLiteral(" visible)")))
        << statusText(StatusPanel::Count).toStdString();

    // The holder tilts that bring [1 1 0] onto the beam, accepted in the dialog, put it there.
    dialogs.modal = [](QDialog& d) {
        auto* tilt = dynamic_cast<ui::TiltDialog*>(&d);
        EXPECT_NE(tilt, nullptr);
        if (!tilt) return static_cast<int>(QDialog::Rejected);
        typeInto(tilt->axisEdit(), "1 1 0");
        EXPECT_TRUE(tilt->okButton()->isEnabled());
        EXPECT_TRUE(tilt->resultLabel()->text().contains(QStringLiteral("\u03b1")))
            << tilt->resultLabel()->text().toStdString();
        return static_cast<int>(QDialog::Accepted);
    };
    action("actionTiltToZoneAxis")->trigger();
    const OrientationSummary tilted = summary();
    EXPECT_EQ(tilted.names.z.direction.indices, (IndexTriple{1, 1, 0}));
    EXPECT_LT(tilted.names.z.direction.angleDegrees, 1e-3);
    ASSERT_FALSE(tilted.nearZoneAxes.empty());
    EXPECT_EQ(tilted.nearZoneAxes[0].indices, (IndexTriple{1, 1, 0}));
}

TEST_F(OrientationWindowTest, FourIndicesOnlyForAHexagonalCell) {
    EXPECT_FALSE(action("actionFourIndex")->isEnabled()); // iron is cubic
    auto* samples = w.menuBar()->findChild<QMenu*>(QStringLiteral("menuSamples"));
    ASSERT_NE(samples, nullptr);
    QAction* magnesium = nullptr;
    for (QAction* a : samples->actions())
        if (a->text().startsWith(QStringLiteral("Mg"))) magnesium = a;
    ASSERT_NE(magnesium, nullptr);
    magnesium->trigger();
    ASSERT_TRUE(c.hexagonalCell());
    EXPECT_TRUE(action("actionFourIndex")->isEnabled());
    action("actionFourIndex")->trigger();
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "hkil");
    EXPECT_EQ(model->index(0, 1).data().toString().split(' ', Qt::SkipEmptyParts).size(), 4);

    // Four indices typed: [2 -1 -1 0] is a along the viewing axis; i != -(h + k) is refused.
    orient(OrientationType::Direct, "2 -1 -1 0");
    EXPECT_EQ(summary().names.z.direction.indices, (IndexTriple{1, 0, 0}));
    orient(OrientationType::Reciprocal, "1 0 0 1");
    EXPECT_FALSE(dialogs.errors.empty());
    EXPECT_EQ(in.orientationEdit->text(), "1 0 0 1") << "the field keeps what was typed";
}

} // namespace
} // namespace tavrel::test
