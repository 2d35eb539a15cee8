// The clock among other programs: a full-screen program in front, a screen reader, the keyboard's
// menu keys, and a change of the displays.
#include <oleacc.h>

#include <array>

#include "clock_fixture.h"
#include "face/clock_face.h"
#include "face/japanese_date.h"

namespace {

// A window of the driver covering the whole screen, in the foreground.
struct FullScreenWindow {
    HWND window = CreateWindowExW(0, L"STATIC", L"full screen", WS_POPUP | WS_VISIBLE, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  nullptr, nullptr);
    FullScreenWindow() { SetForegroundWindow(window); }
    ~FullScreenWindow() { DestroyWindow(window); }
};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

bool WaitPumping(const std::function<bool()>& condition, int timeoutMs) {
    return WaitFor([&] {
        Pump();
        return condition();
    }, timeoutMs);
}

TEST_F(ClockTest, ATopmostClockMakesWayForAFullScreenProgramAndComesBack) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=Yes\r\n");
    ASSERT_TRUE(IsTopMost(clock));
    {
        // A maximised window with a caption reaches past the screen with its frame (Xvfb has no
        // taskbar): an ordinary window all the same.
        const HWND browser = CreateWindowExW(0, L"STATIC", L"maximised", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                             nullptr, nullptr, nullptr);
        ShowWindow(browser, SW_SHOWMAXIMIZED);
        ASSERT_TRUE(WaitPumping([&] { return GetForegroundWindow() == browser || !SetForegroundWindow(browser); }, 2000));
        EXPECT_FALSE(WaitPumping([&] { return !IsTopMost(clock); }, 1500)) << "a maximised window taken for full screen";
        DestroyWindow(browser);
    }
    {
        FullScreenWindow program;
        ASSERT_TRUE(WaitPumping([&] { return GetForegroundWindow() == program.window || !SetForegroundWindow(program.window); }, 2000));
        EXPECT_TRUE(WaitPumping([&] { return !IsTopMost(clock); }, 1000)) << "still over the full-screen program";
        // No longer full screen: back within a second.
        SetWindowPos(program.window, nullptr, 0, 0, 400, 300, SWP_NOZORDER);
        EXPECT_TRUE(WaitPumping([&] { return IsTopMost(clock); }, 1000));
        SetWindowPos(program.window, nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                     SWP_NOZORDER);
        EXPECT_TRUE(WaitPumping([&] { return !IsTopMost(clock); }, 1000));
    }
    EXPECT_TRUE(WaitPumping([&] { return IsTopMost(clock); }, 1000)) << "not back after the program closed";
    ASSERT_TRUE(ExitThroughMenuCommand());
    EXPECT_EQ("Yes", IniValues(SettingsText())["TopMost"]);
}

// With seconds on the face, the name stays the hours and minutes and the value has the seconds.
TEST_F(ClockTest, AScreenReaderFindsAClockNamedByTheTimeWithTheDateAsItsDescription) {
    for (const bool seconds : {false, true}) {
        SCOPED_TRACE(seconds);
        PrepareAndStart(std::string("[Velkaro 1.20]\r\nTopMost=No\r\nShowSeconds=") + (seconds ? "Yes" : "No") + "\r\n");
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        IAccessible* object = nullptr;
        ASSERT_EQ(S_OK, AccessibleObjectFromWindow(clock, DWORD(OBJID_CLIENT), __uuidof(IAccessible),
                                                   reinterpret_cast<void**>(&object)));
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        VARIANT role{};
        EXPECT_EQ(S_OK, object->get_accRole(self, &role));
        EXPECT_EQ(VT_I4, role.vt);
        EXPECT_EQ(ROLE_SYSTEM_CLOCK, role.lVal);
        using Getter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);
        auto text = [&](Getter get) {
            BSTR b = nullptr;
            const std::string t = (object->*get)(self, &b) == S_OK && b ? Utf8(b) : "<failed>";
            SysFreeString(b);
            return t;
        };
        SYSTEMTIME before, after;
        std::string name, description, value;
        do {
            Sleep(20);  // the face's second has turned too
            GetLocalTime(&before);
            name = text(&IAccessible::get_accName);
            description = text(&IAccessible::get_accDescription);
            value = text(&IAccessible::get_accValue);
            GetLocalTime(&after);
        } while (before.wSecond != after.wSecond || before.wMilliseconds < 30);
        EXPECT_EQ(SpokenTime(after.wHour, after.wMinute), name);
        EXPECT_EQ(DateTooltipText(after.wYear, after.wMonth, after.wDay), description);
        if (seconds) {
            EXPECT_EQ(SpokenTimeWithSeconds(after.wHour, after.wMinute, after.wSecond), value);
        }
        object->Release();
        CoUninitialize();
        EXPECT_EQ(L"Form1", WindowText(clock));
        ASSERT_TRUE(ExitThroughMenuCommand());
        TearDown();
    }
}

TEST_F(ClockTest, ShiftF10AndTheApplicationKeyOpenTheMenuAtTheBottomLeftCorner) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\n");
    const RECT r = RectOf(clock);
    for (const auto& [key, modifier] : {std::pair<WORD, WORD>{VK_F10, VK_SHIFT}, {VK_APPS, 0}}) {
        SCOPED_TRACE(key);
        const POINT c = Center();
        Click(c.x, c.y);  // the clock is the active window
        ParkMouse();
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == clock; }));
        Key(key, modifier);
        const HWND menu = WaitForMenu();
        ASSERT_TRUE(menu);
        EXPECT_EQ(r.left, RectOf(menu).left);
        EXPECT_EQ(r.bottom, RectOf(menu).top);
        Key(VK_ESCAPE);
        ASSERT_TRUE(WaitForClearFace());
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == clock; })) << "the keys did not come back";
    }
    // Again without a click, and the menu works as the right-click menu does: its exit ends the clock.
    Key(VK_APPS);
    ASSERT_TRUE(WaitForMenu());
    Key('X');
    EXPECT_TRUE(WaitForExit(3000));
}

TEST_F(ClockTest, AClockLeftOffEveryMonitorComesBackToTheNearest) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\n");
    const int w = GetSystemMetrics(SM_CXSCREEN);
    struct Case {
        int x, y;
        UINT message;
        WPARAM wParam;
        LONG left, top;  // where it must be afterwards
    };
    for (const Case& c : {Case{-3000, -3000, WM_DISPLAYCHANGE, 32, 0, 0}, Case{w + 500, 100, WM_SETTINGCHANGE, SPI_SETWORKAREA, w - 97, 100},
                          Case{w - 50, 100, WM_DISPLAYCHANGE, 32, w - 50, 100}}) {  // partly on the screen: stays
        SCOPED_TRACE(c.x);
        SetWindowPos(clock, nullptr, c.x, c.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(WaitFor([&] { return RectOf(clock).left == c.x; }));
        DWORD_PTR unused;
        SendMessageTimeoutW(clock, c.message, c.wParam, 0, SMTO_ABORTIFHUNG, 3000, &unused);
        EXPECT_TRUE(WaitFor([&] { return RectOf(clock).left == c.left && RectOf(clock).top == c.top; }, 1000))
            << RectOf(clock).left << "," << RectOf(clock).top;
    }
}

}  // namespace
