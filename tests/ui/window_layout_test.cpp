// The window as a whole: panes that show the same number agree at once, and the control
// column holds every field at the screen sizes the program is used on.

#include "support/pattern_picture.h"
#include "ui/control_frame.h"
#include "ui/pattern_image_pane.h"
#include "window_fixture.h"

#include <QScrollArea>
#include <QScrollBar>

namespace tavrel::test {
namespace {

struct WindowLayoutTest : WindowTest {
    ui::PatternImagePane& image = w.patternImagePane();

    // Silicon on a 40 mm film at 20 mm, its own pattern under the lines.
    void openSiliconWithImage() {
        const std::string tvr = installation.program.write(
            "si.tvr", "VELDTRACE INPUT 1.5\nSilicon 20 kV\n226\n5.431\n5.431\n5.431\n90\n90\n"
                      "90\n1\n\n\n\n20\n0\n0 0 1\n0\n0.9\n0\n40\n40\n20\n");
        runWithFile("actionOpen", QString::fromStdString(tvr));
        ASSERT_TRUE(c.hasReflections());
        const std::string png = installation.program.file("si.png");
        ASSERT_TRUE(savePattern(c.simulation(), c.simulation().orientation, png));
        runWithFile("actionOpenPatternImage", QString::fromStdString(png));
        ASSERT_TRUE(c.patternImage().underlay().loaded());
    }
    static void finish(QLineEdit* edit, const QString& text) {
        typeInto(edit, text);
        emit edit->editingFinished();
    }
};

// The Bruker centre's z is the distance in film heights (40 mm here).
TEST_F(WindowLayoutTest, ADistanceTypedInEitherPaneShowsInTheOtherAtOnceAndUndoesInOneStep) {
    openSiliconWithImage();
    const auto shown = [&] {
        return std::array{in.filmEdits[2]->text(), image.filmEdit(2)->text(),
                          image.centreZEdit()->text()};
    };
    using Shown = std::array<QString, 3>;
    ASSERT_EQ(shown(), (Shown{"20", "20", "0.5"}));
    const int steps = undoStack.count();

    finish(in.filmEdits[2], "25");
    EXPECT_EQ(shown(), (Shown{"25", "25", "0.625"}));
    EXPECT_FLOAT_EQ(c.simulation().document.film[2], 25);
    finish(image.centreZEdit(), "0.4");
    EXPECT_EQ(shown(), (Shown{"16", "16", "0.4"}));
    finish(image.filmEdit(2), "30");
    EXPECT_EQ(shown(), (Shown{"30", "30", "0.75"}));
    // Leaving a field unchanged, or with a text that is no distance, is no step.
    emit in.filmEdits[2]->editingFinished();
    finish(in.filmEdits[2], "abc");
    EXPECT_EQ(undoStack.count(), steps + 3);

    undoStack.undo();
    EXPECT_EQ(shown(), (Shown{"16", "16", "0.4"}));
    undoStack.undo();
    undoStack.undo();
    EXPECT_EQ(shown(), (Shown{"20", "20", "0.5"}));
    EXPECT_FLOAT_EQ(c.simulation().document.film[2], 20);
    undoStack.redo();
    EXPECT_EQ(shown(), (Shown{"25", "25", "0.625"}));
}

// Every pane open, the image's pane too: the panes' content fits the column's width, which so
// never scrolls sideways, and every field lies whole within what the column shows.
TEST_F(WindowLayoutTest, TheControlColumnHoldsEveryFieldWhole) {
    show();
    openSiliconWithImage();
    for (ui::FoldingPane* p : w.findChildren<ui::FoldingPane*>()) p->setFolded(false);
    auto* scroller = find<QScrollArea>("paneScroller");
    for (const QSize size : {QSize(1024 - 8, 768 - 36), QSize(1280 - 8, 1024 - 36)}) {
        w.resize(size);
        for (int i = 0; i < 4; ++i) settle();
        SCOPED_TRACE(std::to_string(size.width()));
        EXPECT_LE(scroller->widget()->width(), scroller->viewport()->width());
        EXPECT_EQ(scroller->horizontalScrollBar()->maximum(), 0);
        for (QWidget* field : scroller->widget()->findChildren<QWidget*>()) {
            if (!field->isVisibleTo(scroller->widget()) ||
                !(qobject_cast<QLineEdit*>(field) || qobject_cast<QComboBox*>(field)))
                continue;
            const int right = field->mapTo(scroller->viewport(), QPoint(field->width(), 0)).x();
            EXPECT_LE(right, scroller->viewport()->width()) << field->objectName().toStdString();
            EXPECT_GE(field->width(), field->minimumSizeHint().width())
                << field->objectName().toStdString();
        }
    }
}

} // namespace
} // namespace tavrel::test
