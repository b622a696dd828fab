#include "TestWindow.h"

#include <gtest/gtest.h>

TEST(Window, HasItsCaption) {
    TestWindow t;
    EXPECT_EQ(t.Window.windowTitle(), QStringLiteral("Velmora GUI 1.08"));
}
