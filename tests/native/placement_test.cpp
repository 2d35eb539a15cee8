#include <gtest/gtest.h>

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

}  // namespace
