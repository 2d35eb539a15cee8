// The clock at a display scale above 100 %. The DPI is the prefix's LogPixels, which every
// program started after it is written reads; 96 again when a test ends.
#include <algorithm>
#include <array>
#include <cstring>

#include "clock_fixture.h"

namespace {

using Edges = std::array<LONG, 4>;  // left, top, right, bottom
Edges EdgesOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

class ScaledTest : public ClockTest, public testing::WithParamInterface<int> {
protected:
    void SetUp() override { ASSERT_TRUE(UseDisplayDpi(DWORD(GetParam()))); }
    void TearDown() override {
        ClockTest::TearDown();
        UseDisplayDpi(0);
    }
};

bool SendDpiChanged(HWND window, HANDLE process, int dpi, RECT suggested) {
    return SendWithBlock(window, process, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), &suggested, sizeof suggested);
}

INSTANTIATE_TEST_SUITE_P(Dpi, ScaledTest, testing::Values(144, 192), testing::PrintToStringParamName());

TEST_P(ScaledTest, FacesAreTheSharpFacesWithEveryPixelDoubledAndTheColonKeepsItsBlink) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\nBlink=Yes\r\nBlinkDelay=500\r\n");
    RECT r = RectOf(clock);
    EXPECT_EQ(194, r.right - r.left);
    EXPECT_EQ(78, r.bottom - r.top);
    EXPECT_TRUE(ShowsTheTime(clock, exe, 1, 3000, 2)) << "the face is not the 96-DPI face doubled";
    const std::vector<bool> series = ColonSeries(clock, exe, 2);
    EXPECT_GT(std::count(series.begin(), series.end(), true), 2);
    EXPECT_GT(std::count(series.begin(), series.end(), false), 2);
    ASSERT_TRUE(ExitThroughMenuCommand());
    ClockTest::TearDown();  // the DPI stays

    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\nWindowSize=2\r\n");
    r = RectOf(clock);
    EXPECT_EQ(108, r.right - r.left);
    EXPECT_EQ(44, r.bottom - r.top);
    EXPECT_TRUE(ShowsTheTime(clock, exe, 2, 3000, 2));
}

TEST_P(ScaledTest, OptionsDialogSitsAtItsTwipsAtTheDpiAndAgainAtANewOne) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\n");
    PostMessageW(menus, WM_COMMAND, IDM_OPTION, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dialog = FindTitled(L"オプション")) != nullptr; }));
    // Each control's twips (left, top, width, height) in pixels at 96, 144 and 192 DPI, each number
    // rounded on its own (half up): 1/15, 1/10 and 2/15 of a twip.
    const int ids[] = {IDC_OPT_TAB, IDC_OPT_LABEL1, IDC_CHK_TOPMOST, IDC_CHK_EXITBYDBLCLICK,
                       IDC_CMD_TESTNTP, IDOK, IDCANCEL, IDC_CMD_OPEN_RECORD};
    struct Layout {
        int dpi;
        LONG clientWidth, clientHeight;  // 5895 x 6870 twips
        Edges controls[8];
    } layouts[] = {
        {96, 393, 458,
         {{8, 8, 386, 427}, {24, 40, 364, 60}, {24, 72, 193, 92}, {24, 184, 288, 204},
          {40, 128, 177, 149}, {204, 431, 292, 452}, {299, 431, 387, 452}, {40, 392, 177, 417}}},
        {144, 590, 687,  // 5670 x 6285 twips: 567 x 628.5, so 12 + 567 and 12 + 629
         {{12, 12, 579, 641}, {36, 60, 546, 90}, {36, 108, 290, 138}, {36, 276, 432, 306},
          {60, 192, 266, 224}, {306, 647, 438, 679}, {449, 647, 581, 679}, {60, 588, 266, 626}}},
        {192, 786, 916,
         {{16, 16, 772, 854}, {48, 80, 728, 120}, {48, 144, 386, 184}, {48, 368, 576, 408},
          {80, 256, 354, 298}, {408, 862, 584, 904}, {598, 862, 774, 904}, {80, 784, 354, 834}}},
    };
    auto expectLaidOutAt = [&](int dpi) {
        SCOPED_TRACE(dpi);
        const Layout& l = *std::find_if(std::begin(layouts), std::end(layouts), [&](const Layout& x) { return x.dpi == dpi; });
        RECT client;
        GetClientRect(dialog, &client);
        EXPECT_EQ(l.clientWidth, client.right);
        EXPECT_EQ(l.clientHeight, client.bottom);
        for (int i = 0; i < 8; ++i) {
            RECT at = RectOf(GetDlgItem(dialog, ids[i]));
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&at), 2);
            EXPECT_EQ(l.controls[i], EdgesOf(at)) << ids[i];
        }
    };
    expectLaidOutAt(GetParam());
    // Moved to a monitor of 96 DPI: the same twips at 96, at the suggested corner.
    ASSERT_TRUE(SendDpiChanged(dialog, pi.hProcess, 96, RECT{50, 60, 500, 500}));
    expectLaidOutAt(96);
    EXPECT_EQ(50, RectOf(dialog).left);
    EXPECT_EQ(60, RectOf(dialog).top);
    Key(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
}

TEST_P(ScaledTest, MenuDragDoubleClickExitAndTheStoredFractionsWorkAsAtNinetySix) {
    PrepareAndStart("[Velkaro 1.20]\r\nXPosR=0.25\r\nYPosR=0.25\r\nEXITbyDblClick=Yes\r\n");
    const RECT before = RectOf(clock);
    ASSERT_EQ(320, before.left);
    ASSERT_EQ(256, before.top);
    OpenMenu();
    ASSERT_TRUE(WaitForMenu());
    Key(VK_ESCAPE);
    ASSERT_TRUE(WaitForClearFace());
    ASSERT_TRUE(DragBy(320, 250));
    const RECT after = RectOf(clock);
    EXPECT_EQ(640, after.left);
    EXPECT_EQ(506, after.top);
    const POINT c = Center();
    DoubleClick(c.x, c.y);
    ASSERT_TRUE(WaitForExit(2000));
    IniMap ini = IniValues(SettingsText());
    EXPECT_EQ("0.5000000", ini["XPosR"]);
    EXPECT_EQ("0.4941406", ini["YPosR"]);  // 506 / 1024
}

TEST_P(ScaledTest, MovedToANinetySixDpiMonitorTheClockTakesTheSharpSmallerFaceAtTheSuggestedCorner) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\n");
    ASSERT_EQ(194, RectOf(clock).right - RectOf(clock).left);
    ASSERT_TRUE(SendDpiChanged(clock, pi.hProcess, 96, RECT{100, 200, 300, 300}));
    EXPECT_EQ((Edges{100, 200, 197, 239}), EdgesOf(RectOf(clock)));
    EXPECT_TRUE(ShowsTheTime(clock, exe, 1));
}

// Asked before a move to a monitor of another scale, the clock names the face's size there.
TEST_F(ClockTest, AnswersTheSizeOfItsFaceAtAnotherScale) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\n");
    for (const auto& [dpi, width, height] : {std::array{96, 97, 39}, {120, 97, 39}, {144, 194, 78}, {192, 194, 78}}) {
        SIZE size{1, 1};
        LRESULT answer = 0;
        ASSERT_TRUE(SendWithBlock(clock, pi.hProcess, 0x02E4 /* WM_GETDPISCALEDSIZE */, dpi, &size, sizeof size, &answer));
        EXPECT_EQ(TRUE, answer) << dpi;
        EXPECT_EQ(width, size.cx) << dpi;
        EXPECT_EQ(height, size.cy) << dpi;
    }
}

}  // namespace
