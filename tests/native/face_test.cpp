#include <gtest/gtest.h>

#include "face/face_layout.h"
#include "face/japanese_date.h"

namespace {

// The source x of the five copies, left to right.
std::array<int, 5> Sources(const FaceGeometry& g, int hour, int minute, bool colonLit) {
    std::array<int, 5> x{};
    auto cells = CellsForTime(g, hour, minute, colonLit);
    for (int i = 0; i < 5; ++i) x[i] = cells[i].sourceX;
    return x;
}

TEST(Face, CellsForTimeLargeAndSmall) {
    // blank=160/90, lit colon=176/99, dark colon=181/101, figure d at 16d / 9d
    EXPECT_EQ((std::array<int, 5>{160, 144, 176, 0, 80}), Sources(kLargeFace, 9, 5, true));
    EXPECT_EQ((std::array<int, 5>{160, 0, 181, 0, 0}), Sources(kLargeFace, 0, 0, false));
    EXPECT_EQ((std::array<int, 5>{16, 0, 176, 0, 0}), Sources(kLargeFace, 10, 0, true));
    EXPECT_EQ((std::array<int, 5>{32, 48, 176, 80, 144}), Sources(kLargeFace, 23, 59, true));
    EXPECT_EQ((std::array<int, 5>{90, 81, 99, 0, 45}), Sources(kSmallFace, 9, 5, true));
    EXPECT_EQ((std::array<int, 5>{18, 27, 101, 45, 81}), Sources(kSmallFace, 23, 59, false));
}

TEST(Face, CopiesLandOnTheSlotsAndStayInsideTheFace) {
    for (const FaceGeometry* g : {&kLargeFace, &kSmallFace}) {
        auto cells = CellsForTime(*g, 23, 59, true);
        const int expectedX[5] = {g->digitSlotX[0], g->digitSlotX[1], g->colonSlotX, g->digitSlotX[2], g->digitSlotX[3]};
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(expectedX[i], cells[i].destX);
            EXPECT_EQ(g->slotY, cells[i].destY);
            EXPECT_EQ(g->sheetHeight, cells[i].height);
            EXPECT_LE(cells[i].destX + cells[i].width, g->faceWidth);
            EXPECT_LE(cells[i].sourceX + cells[i].width, g->SheetWidth());
        }
    }
    auto small = CellsForTime(kSmallFace, 8, 8, false);
    EXPECT_EQ(48, small[4].destX + small[4].width);  // nothing beyond x 47
    EXPECT_EQ(17, small[4].destY + small[4].height);  // nor beyond y 16
    EXPECT_EQ(186, kLargeFace.SheetWidth());
    EXPECT_EQ(103, kSmallFace.SheetWidth());
    EXPECT_EQ(&kLargeFace, &GeometryFor(1));
    EXPECT_EQ(&kSmallFace, &GeometryFor(2));
}

TEST(Face, BlinkPhaseAndColon) {
    EXPECT_EQ(0, BlinkPhase(0));
    EXPECT_EQ(749, BlinkPhase(123749));
    EXPECT_EQ(295, BlinkPhase(4294967295u));  // the last three decimal digits, even at the wrap

    struct Case {
        bool blink;
        int delay, phase;
        bool lit;
    } cases[] = {
        {false, 750, 999, true}, {false, 1, 500, true},
        {true, 750, 0, true},    {true, 750, 749, true}, {true, 750, 750, false}, {true, 750, 999, false},
        {true, 1000, 999, true}, {true, 1000, 0, true},
        {true, 1, 0, true},      {true, 1, 1, false},    {true, 1, 999, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.lit, ColonLit(c.blink, c.delay, c.phase)) << c.blink << ' ' << c.delay << ' ' << c.phase;
}

TEST(Face, TooltipDateWithEraAndWeekday) {
    struct Case {
        int y, m, d;
        const char* text;
    } cases[] = {
        {2024, 5, 3, "2024年（令和6年）5月3日 金曜日"},
        {1989, 1, 7, "1989年（昭和64年）1月7日 土曜日"},
        {1989, 1, 8, "1989年（平成1年）1月8日 日曜日"},
        {2019, 4, 30, "2019年（平成31年）4月30日 火曜日"},
        {2019, 5, 1, "2019年（令和1年）5月1日 水曜日"},
        {1926, 12, 24, "1926年（大正15年）12月24日 金曜日"},
        {1926, 12, 25, "1926年（昭和1年）12月25日 土曜日"},
        {1912, 7, 29, "1912年（明治45年）7月29日 月曜日"},
        {1912, 7, 30, "1912年（大正1年）7月30日 火曜日"},
        {1868, 1, 1, "1868年（明治1年）1月1日 水曜日"},
        {2100, 12, 31, "2100年（令和82年）12月31日 金曜日"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, DateTooltipText(c.y, c.m, c.d));
}

}  // namespace
