#include <gtest/gtest.h>

#include <tuple>

#include "settings/placement.h"

namespace {

TEST(Placement, StoredFractionsInSinglePrecision) {
    ScreenPoint p = StoredPosition(0.7f, 0.3f, 1280, 1024);
    EXPECT_EQ(896, p.x);
    EXPECT_EQ(307, p.y);  // 307.2
    p = StoredPosition(-0.05f, 1.5f, 1000, 1000);
    EXPECT_EQ(-50, p.x);
    EXPECT_EQ(1500, p.y);
    p = StoredPosition(3e30f, -3e30f, 1920, 1080);  // nonsense from a hand-edited file stays an int
    EXPECT_GT(p.x, 1000000);
    EXPECT_LT(p.y, -1000000);
}

TEST(Placement, BroughtInsideMovesAsLittleAsItCan) {
    const ScreenRect area{0, 0, 1280, 984};  // a work area above a taskbar
    const std::tuple<ScreenRect, int, int> cases[] = {
        {{-3000, -3000, -2903, -2961}, 0, 0},     {{1500, 100, 1597, 139}, 1183, 100},
        {{100, 1000, 197, 1039}, 100, 945},       {{10, 20, 107, 59}, 10, 20},  // inside already
        {{-50, 50, 2000, 89}, 0, 50},  // wider than the area: its left edge at the area's
    };
    for (const auto& [window, x, y] : cases) {
        const ScreenPoint p = BroughtInside(window, area);
        EXPECT_EQ(x, p.x) << window.left;
        EXPECT_EQ(y, p.y) << window.top;
    }
}

}  // namespace
