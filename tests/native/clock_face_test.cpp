#include <gtest/gtest.h>

#include <tuple>

#include "common/numeric.h"
#include "face/clock_face.h"

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
    struct Slots {
        const FaceGeometry* face;
        int x[5], y, height, digitWidth, colonWidth;
    } faces[] = {
        {&kLargeFace, {10, 29, 46, 52, 71}, 9, 21, 16, 5},
        {&kSmallFace, {6, 16, 26, 29, 39}, 5, 12, 9, 2},
    };
    for (const Slots& f : faces) {
        auto cells = CellsForTime(*f.face, 23, 59, true);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(f.x[i], cells[i].destX) << i;
            EXPECT_EQ(f.y, cells[i].destY);
            EXPECT_EQ(f.height, cells[i].height);
            EXPECT_EQ(i == 2 ? f.colonWidth : f.digitWidth, cells[i].width) << i;
            EXPECT_LE(cells[i].destX + cells[i].width, f.face->faceWidth);
            EXPECT_LE(cells[i].sourceX + cells[i].width, f.face->SheetWidth());
        }
    }
    auto small = CellsForTime(kSmallFace, 8, 8, false);
    EXPECT_EQ(48, small[4].destX + small[4].width);  // nothing beyond x 47
    EXPECT_EQ(17, small[4].destY + small[4].height);  // nor beyond y 16
    EXPECT_EQ(186, kLargeFace.SheetWidth());
    EXPECT_EQ(103, kSmallFace.SheetWidth());
    EXPECT_EQ(&kLargeFace, &GeometryFor(1));
    EXPECT_EQ(&kSmallFace, &GeometryFor(2));
    EXPECT_EQ(&kLargeSecondsFace, &GeometryFor(1, true));
    EXPECT_EQ(&kSmallSecondsFace, &GeometryFor(2, true));
}

// With seconds: the hours and minutes where they were, then a second colon and two figures,
// spaced as the minutes are, and the face as much wider, its margin kept.
TEST(Face, TheSecondsFollowTheMinutesInBothSizesAndScales) {
    struct Case {
        const FaceGeometry* face;
        int second;
        bool lit;
        std::array<SpriteCopy, 3> cells;
    } cases[] = {
        {&kLargeSecondsFace, 7, true, {{{88, 9, 5, 21, 176}, {94, 9, 16, 21, 0}, {113, 9, 16, 21, 112}}}},
        {&kLargeSecondsFace, 59, false, {{{88, 9, 5, 21, 181}, {94, 9, 16, 21, 80}, {113, 9, 16, 21, 144}}}},
        {&kSmallSecondsFace, 30, true, {{{49, 5, 2, 12, 99}, {52, 5, 9, 12, 27}, {62, 5, 9, 12, 0}}}},
        {&kLargeFace, 30, true, {}},  // no seconds on this face
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.cells, SecondsCells(*c.face, c.second, c.lit)) << c.face->faceWidth << ' ' << c.second;
        for (const SpriteCopy& cell : c.cells) EXPECT_LE(Scaled(cell, 3).destX + Scaled(cell, 3).width, c.face->faceWidth * 3);
    }
    for (const auto* pair : {&kLargeFace, &kSmallFace}) {
        const FaceGeometry& seconds = pair == &kLargeFace ? kLargeSecondsFace : kSmallSecondsFace;
        const int minuteUnitsEnd = pair->digitSlotX[3] + pair->cellWidth;
        EXPECT_EQ(pair->faceWidth - minuteUnitsEnd, seconds.faceWidth - (seconds.secondsSlotX[1] + seconds.cellWidth));
        EXPECT_EQ(pair->colonSlotX - (pair->digitSlotX[1] + pair->cellWidth), seconds.secondsColonSlotX - minuteUnitsEnd);
        EXPECT_EQ(pair->digitSlotX[3] - pair->digitSlotX[2], seconds.secondsSlotX[1] - seconds.secondsSlotX[0]);
        EXPECT_EQ(CellsForTime(*pair, 12, 34, true), CellsForTime(seconds, 12, 34, true));
    }
    EXPECT_EQ("9:05:07", SpokenTimeWithSeconds(9, 5, 7));
}

TEST(Face, WholeScaleRoundsHalfUpAndScalesEveryNumberOfACopy) {
    const std::pair<int, int> dpiToScale[] = {{0, 1},   {72, 1},  {96, 1},  {120, 1}, {143, 1}, {144, 2}, {168, 2},
                                              {192, 2}, {216, 2}, {239, 2}, {240, 3}, {288, 3}, {336, 4}};
    for (const auto& [dpi, scale] : dpiToScale) EXPECT_EQ(scale, WholeScale(dpi)) << dpi;
    const SpriteCopy colon{46, 9, 5, 21, 176};
    EXPECT_EQ((SpriteCopy{92, 18, 10, 42, 352}), Scaled(colon, 2));
    EXPECT_EQ(colon, Scaled(colon, 1));
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

TEST(Face, TheNextChangeIsTheNextMinuteOrTheColonsNextPhase) {
    // blink, BlinkDelay, tick count, ms into the minute, wait
    const std::tuple<bool, int, uint32_t, int, int> cases[] = {
        {false, 500, 123'400, 0, 60'000}, {false, 500, 0, 59'999, 1},  // only the minute
        {true, 0, 123'400, 30'000, 30'000}, {true, 1000, 5, 30'000, 30'000}, {true, -3, 5, 1, 59'999},  // a still colon
        {true, 500, 123'400, 0, 100}, {true, 500, 123'500, 0, 500}, {true, 500, 123'999, 0, 1}, {true, 500, 124'000, 0, 500},
        {true, 1, 77'000, 0, 1}, {true, 1, 77'001, 0, 999}, {true, 750, 10'200, 59'800, 200}, {true, 999, 10'999, 59'000, 1},
        {true, 300, 4'294'967'000u, 0, 296},  // the counter wraps at phase 296 and starts a cycle: lit again
    };
    for (const auto& [blink, delay, tick, intoMinute, wait] : cases)
        EXPECT_EQ(wait, MsUntilFaceChanges(blink, delay, tick, intoMinute)) << blink << ' ' << delay << ' ' << tick;
}

// With seconds: the next second, or the colons going dark BlinkDelay ms into it.
TEST(Face, WithSecondsTheNextChangeIsTheNextSecondOrTheColonsGoingDark) {
    // blink, BlinkDelay, ms into the second, wait
    const std::tuple<bool, int, int, int> cases[] = {
        {false, 500, 0, 1000}, {false, 500, 999, 1}, {true, 500, 0, 500}, {true, 500, 499, 1}, {true, 500, 500, 500},
        {true, 1000, 200, 800}, {true, 1, 0, 1}, {true, 1, 1, 999},
    };
    for (const auto& [blink, delay, into, wait] : cases)
        EXPECT_EQ(wait, MsUntilSecondsFaceChanges(blink, delay, into)) << blink << ' ' << delay << ' ' << into;
}

TEST(Face, SpokenTimeHasNoLeadingZeroInTheHour) {
    const std::tuple<int, int, const char*> cases[] = {{9, 5, "9:05"}, {20, 19, "20:19"}, {0, 0, "0:00"}, {23, 59, "23:59"}};
    for (const auto& [hour, minute, text] : cases) EXPECT_EQ(text, SpokenTime(hour, minute));
}

}  // namespace
