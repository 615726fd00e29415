#include "ui/escape_watch.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace tavrel::ui {
namespace {

// A press before the start does not count; while the watch runs, input is swallowed but a
// modal dialog works, and only an Escape outside it cancels; the cursor waits meanwhile.
TEST(EscapeWatch, SwallowsInputButLetsAModalDialogWork) {
    QLineEdit behind;
    behind.show();
    {
        EscapeWatch watch(std::chrono::milliseconds(0));
        QCoreApplication::postEvent(
            &behind, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        EXPECT_FALSE(watch.cancelled()) << "the first question forgets earlier presses";
        EXPECT_FALSE(watch.cancelled());
        QTest::keyClicks(&behind, "abc");
        EXPECT_EQ(behind.text(), "") << "input is swallowed while generating";

        // A message box raised by the generation takes its input; its Escape cancels nothing.
        QDialog box;
        auto* field = new QLineEdit(&box);
        (new QVBoxLayout(&box))->addWidget(field);
        box.setModal(true);
        box.show();
        QTest::keyClicks(field, "ok");
        EXPECT_EQ(field->text(), "ok");
        QTest::keyClick(field, Qt::Key_Escape);
        box.hide();
        EXPECT_FALSE(watch.cancelled());

        QTest::keyClick(&behind, Qt::Key_Escape);
        EXPECT_TRUE(watch.cancelled());
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::keyClicks(&behind, "abc");
    EXPECT_EQ(behind.text(), "abc");
}

} // namespace
} // namespace tavrel::ui
