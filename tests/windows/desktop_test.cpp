// The topmost band on real windows.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/desktop.h"

namespace {

bool IsTopMost(HWND w) { return (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

TEST(Desktop, TopMostTogglesWithoutMovingOrResizing) {
    HWND w = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"probe", WS_POPUP, 120, 80, 97, 39, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_TRUE(w);
    SetTopMost(w);  // while still hidden: it shows up topmost
    EXPECT_TRUE(IsTopMost(w));
    ShowWindow(w, SW_SHOWNOACTIVATE);
    SetTopMost(w);  // already topmost: nothing changes
    EXPECT_TRUE(IsTopMost(w));
    ClearTopMost(w);
    EXPECT_FALSE(IsTopMost(w));
    ClearTopMost(w);
    EXPECT_FALSE(IsTopMost(w));
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(120, r.left);
    EXPECT_EQ(80, r.top);
    EXPECT_EQ(97, r.right - r.left);
    EXPECT_EQ(39, r.bottom - r.top);
    DestroyWindow(w);
}

}  // namespace
