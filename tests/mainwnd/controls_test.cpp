// Layout numbers of the main window's controls (Windows only).
#include <gtest/gtest.h>

#include "mainwnd/controls_win.h"

namespace {

TEST(MessageListColumns, SplitTheClientWidthInThirds) {
    struct Case {
        int width, from, to, time;
    };
    for (const Case& c :
         {Case{100, 33, 33, 34}, Case{101, 33, 33, 34}, Case{99, 33, 33, 33}, Case{0, 0, 0, 0}}) {
        const ColumnWidths widths = message_list_columns(c.width);
        EXPECT_EQ(widths.from, c.from) << c.width;
        EXPECT_EQ(widths.to, c.to) << c.width;
        EXPECT_EQ(widths.time, c.time) << c.width;
    }
}

TEST(ToolbarImages, TakeTwoThirdsOfTheBand) {
    EXPECT_EQ(toolbar_image_size(37), 24);
    EXPECT_EQ(toolbar_image_size(2), 1);
}

}  // namespace
