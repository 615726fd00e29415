#include "app/reflection_model.h"
#include "session/generation.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

namespace tavrel::app {
namespace {

TEST(ReflectionTableModel, RowsAreTheReflectionsInListOrder) {
    test::TestSimulation t;
    test::setFields(t.sim, 225, test::kCubic4);
    ReflectionTableModel model(t.sim);
    ASSERT_TRUE(t.generate());
    model.reload();
    ASSERT_EQ(model.rowCount(), 34);
    auto text = [&](int row, int column) { return model.index(row, column).data().toString(); };
    EXPECT_EQ(text(0, 2), "2.3094");
    EXPECT_EQ(text(0, 3), "19.500");
    EXPECT_EQ(text(0, 4), "") << "no second wavelength";
    EXPECT_EQ(text(33, 2), "1.1547");
    EXPECT_FALSE(model.index(34, 0).data().isValid());
}

} // namespace
} // namespace tavrel::app
