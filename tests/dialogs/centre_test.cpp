// Centring a dialog over its parent (Windows only).
#include <gtest/gtest.h>

#include "dialogs/centre_win.h"

namespace {

TEST(CentreOnParent, KeepsTheSizeAndLosesAPixelOnOddSides) {
    const RECT even = centred_rect({100, 50, 500, 350}, {0, 0, 200, 100});
    EXPECT_EQ(even.left, 200);
    EXPECT_EQ(even.top, 150);
    EXPECT_EQ(even.right, 400);
    EXPECT_EQ(even.bottom, 250);

    const RECT odd = centred_rect({0, 0, 101, 101}, {0, 0, 51, 31});
    EXPECT_EQ(odd.right - odd.left, 50);
    EXPECT_EQ(odd.bottom - odd.top, 30);
    EXPECT_EQ(odd.left, 25);
}

TEST(CentreOnParent, DividesTowardZeroOffScreen) {
    // A parent partly left of the screen: (-301 + 99) / 2 is -101, not -102.
    const RECT r = centred_rect({-301, -10, 99, 10}, {0, 0, 10, 10});
    EXPECT_EQ(r.left, -106);
    EXPECT_EQ(r.top, -5);
}

}  // namespace
