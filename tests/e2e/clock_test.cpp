// The clock window: size, place, topmost state, the face's pixels, the tooltip, dragging and
// the ways out.
#include "clock_fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "face/japanese_date.h"

namespace {

RECT Monitor() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

TEST_F(ClockTest, WithoutSettingsFileLargeFaceAtSeventyAndThirtyPercentTopmost) {
    PrepareAndStart(std::nullopt);
    const RECT r = RectOf(clock), screen = Monitor();
    EXPECT_EQ(97, r.right - r.left);
    EXPECT_EQ(39, r.bottom - r.top);
    ASSERT_EQ(1280, screen.right);
    ASSERT_EQ(1024, screen.bottom);
    EXPECT_EQ(896, r.left);  // 0.7 x 1280
    EXPECT_EQ(307, r.top);   // 0.3 x 1024 = 307.2
    EXPECT_TRUE(IsTopMost(clock));
    EXPECT_EQ(L"Form1", WindowText(clock));
    const LONG exStyle = GetWindowLongW(clock, GWL_EXSTYLE), style = GetWindowLongW(clock, GWL_STYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);  // no taskbar button
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER));
    EXPECT_EQ(nullptr, GetWindow(clock, GW_OWNER));
    EXPECT_FALSE(IsWindowVisible(menus));
    RECT client;
    GetClientRect(clock, &client);
    EXPECT_EQ(97, client.right);
    EXPECT_EQ(39, client.bottom);
}

TEST_F(ClockTest, FaceShowsTheTimeFromTheSpriteSheetsInBothSizes) {
    for (int size : {1, 2}) {
        SCOPED_TRACE(size);
        StartSized(size, false);
        EXPECT_FALSE(IsTopMost(clock));
        EXPECT_TRUE(ShowsTheTime(clock, exe, size)) << "the face does not show the time";
        ASSERT_TRUE(ExitThroughMenuCommand());
        TearDown();
    }
}

// With seconds: HH:MM:SS in both sizes, each new second on the face soon after the system's:
// captures timed against the system clock, the first that shows a new second taken how far into it.
TEST_F(ClockTest, TheSecondsFaceShowsEachNewSecondAsItBegins) {
    std::vector<double> lateness;
    for (int size : {1, 2}) {
        SCOPED_TRACE(size);
        const RECT r = StartSized(size, true);
        struct Shot {
            SYSTEMTIME before, after;
            Pixels pixels;
        };
        std::vector<Shot> shots;
        for (const ULONGLONG end = GetTickCount64() + 3500; GetTickCount64() < end;) {
            Shot shot;
            GetLocalTime(&shot.before);
            shot.pixels = CaptureScreen(r);
            GetLocalTime(&shot.after);
            if (shot.before.wSecond == shot.after.wSecond) shots.push_back(std::move(shot));
        }
        std::map<int, Pixels> faces;  // by second of the day
        auto shows = [&](const SYSTEMTIME& t, int back) {
            const int s = (t.wHour * 3600 + t.wMinute * 60 + t.wSecond - back + 86400) % 86400;
            if (!faces.count(s)) faces[s] = ExpectedFace(exe, size, s / 3600, s / 60 % 60, true, 1, s % 60);
            return faces[s];
        };
        int turns = 0;
        for (size_t i = 0; i < shots.size(); ++i) {
            const Shot& s = shots[i];
            const bool now = s.pixels == shows(s.before, 0), previous = s.pixels == shows(s.before, 1);
            ASSERT_TRUE(now || previous) << "the face shows neither this second nor the one before";
            // The first capture of a second that shows it, after one of that second that did not.
            if (now && i > 0 && shots[i - 1].before.wSecond == s.before.wSecond && !(shots[i - 1].pixels == s.pixels)) {
                lateness.push_back(s.after.wMilliseconds);
                ++turns;
            }
        }
        EXPECT_GE(turns, 2);
        ASSERT_TRUE(ExitThroughMenuCommand());
        TearDown();
    }
    std::sort(lateness.begin(), lateness.end());
    ASSERT_FALSE(lateness.empty());
    std::printf("the seconds' lateness: median %.0f ms, worst %.0f ms (%zu seconds)\n", lateness[lateness.size() / 2],
                lateness.back(), lateness.size());
    EXPECT_LE(lateness[lateness.size() / 2], 20.0);
}

TEST_F(ClockTest, ColonBlinksOnlyWhenAskedAndBlinkDelayThousandKeepsItLit) {
    PrepareAndStart("[Velkaro 1.20]\r\nBlink=Yes\r\nBlinkDelay=1000\r\n");
    for (bool lit : ColonSeries(clock, exe)) EXPECT_TRUE(lit);
    ASSERT_TRUE(ExitThroughMenuCommand());
    TearDown();

    // Lit only on a tick whose phase is exactly 0: practically always dark.
    PrepareAndStart("[Velkaro 1.20]\r\nBlink=Yes\r\nBlinkDelay=1\r\n");
    std::vector<bool> series = ColonSeries(clock, exe);
    EXPECT_LE(std::count(series.begin(), series.end(), true), 2) << "of " << series.size();
    ASSERT_TRUE(ExitThroughMenuCommand());
    TearDown();

    // Half and half: both states show within a cycle.
    PrepareAndStart("[Velkaro 1.20]\r\nBlink=YES\r\nBlinkDelay=500\r\n");
    series = ColonSeries(clock, exe);
    EXPECT_GT(std::count(series.begin(), series.end(), true), 2);
    EXPECT_GT(std::count(series.begin(), series.end(), false), 2);
}

// The blink item takes effect at once, not from the next minute on, when the clock would next
// wake with nothing blinking and no full-screen program to look for.
TEST_F(ClockTest, TheColonFollowsTheBlinkItemAtOnce) {
    PrepareAndStart("[Velkaro 1.20]\r\nBlink=No\r\nBlinkDelay=500\r\nTopMost=No\r\n");
    for (const bool blink : {true, false}) {
        SCOPED_TRACE(blink);
        PostMessageW(menus, WM_COMMAND, IDM_BLINK, 0);
        ASSERT_TRUE(WaitFor([&] { return IniValues(SettingsText())["Blink"] == (blink ? "Yes" : "No"); }, 3000));
        const std::vector<bool> series = ColonSeries(clock, exe);
        EXPECT_GT(std::count(series.begin(), series.end(), true), 2);
        EXPECT_EQ(blink, std::count(series.begin(), series.end(), false) > 2);
    }
}

// The clock wakes for each new minute, and only then when nothing blinks or looks for full-screen
// programs: the minute shows as it begins.
TEST_F(ClockTest, ANewMinuteShowsAsItBegins) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\n");
    SYSTEMTIME now;
    GetLocalTime(&now);
    const WORD minute = now.wMinute;
    ASSERT_TRUE(WaitFor([&] { return GetLocalTime(&now), now.wMinute != minute; }, 61000));
    EXPECT_TRUE(ShowsTheTime(clock, exe, 1, 2000)) << "the new minute did not show within seconds";
}

TEST_F(ClockTest, TooltipShowsTheJapaneseDate) {
    PrepareAndStart(std::nullopt);
    ParkMouse();
    Sleep(100);
    POINT c = Center();
    MouseTo(c.x, c.y);
    Sleep(50);
    MouseTo(c.x + 1, c.y + 1);
    HWND tip = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (tip = FindTop(pi.dwProcessId, L"tooltips_class32")) != nullptr; }, 4000));
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(DateTooltipText(now.wYear, now.wMonth, now.wDay), Utf8(WindowText(tip)));
    // ...and goes when the mouse leaves the clock, also after a menu was open over it
    ParkMouse();
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(tip); }, 1500));
    OpenMenu();
    ASSERT_TRUE(WaitForMenu());
    Key(VK_ESCAPE);
    MouseTo(c.x + 2, c.y + 2);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(tip); }, 4000));
    ParkMouse();
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(tip); }, 1500));
}

TEST_F(ClockTest, DragMovesTheWindowAndTheExitWritesTheNewFractions) {
    PrepareAndStart("[Velkaro 1.20]\r\nXPosR=0.25\r\nYPosR=0.25\r\n");
    const RECT before = RectOf(clock);
    ASSERT_EQ(320, before.left);
    ASSERT_EQ(256, before.top);
    ASSERT_TRUE(DragBy(320, 250));
    const RECT after = RectOf(clock);
    EXPECT_EQ(640, after.left);
    EXPECT_EQ(506, after.top);
    EXPECT_EQ(std::string::npos, SettingsText().find("0.5000000"));  // not stored until a save
    ASSERT_TRUE(ExitThroughMenuCommand());
    IniMap ini = IniValues(SettingsText());
    EXPECT_EQ("0.5000000", ini["XPosR"]);
    EXPECT_EQ("0.4941406", ini["YPosR"]);  // 506 / 1024
}

TEST_F(ClockTest, DoubleClickEndsTheProgramOnlyWhenAsked) {
    PrepareAndStart("[Velkaro 1.20]\r\nEXITbyDblClick=No\r\n");
    POINT c = Center();
    DoubleClick(c.x, c.y);
    EXPECT_FALSE(WaitForExit(800));
    EXPECT_EQ(1u, IniEntries(SettingsText()).size());  // nothing saved either
    ASSERT_TRUE(ExitThroughMenuCommand());
    TearDown();

    PrepareAndStart("[Velkaro 1.20]\r\nEXITbyDblClick=yes\r\n");
    c = Center();
    const ULONGLONG start = GetTickCount64();
    DoubleClick(c.x, c.y);
    ASSERT_TRUE(WaitForExit(1000));
    EXPECT_LT(GetTickCount64() - start, 1000u);
    auto entries = IniEntries(SettingsText());
    ASSERT_EQ(13u, entries.size());
    for (const char* key : kAllKeys) EXPECT_EQ(1u, IniValues(SettingsText()).count(key)) << key;
    EXPECT_EQ("Yes", IniValues(SettingsText())["EXITbyDblClick"]);
}

TEST_F(ClockTest, ClosingTheWindowSavesLikeTheExit) {
    PrepareAndStart("[Velkaro 1.20]\r\nXPosR=0.5\r\nYPosR=0.5\r\n");
    SetWindowPos(clock, nullptr, 128, 512, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    DWORD_PTR result;
    ASSERT_TRUE(SendMessageTimeoutW(clock, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 2000, &result));
    EXPECT_TRUE(IsWindow(clock)) << "the window went before its exit timer";
    ASSERT_TRUE(WaitForExit(2000));
    IniMap ini = IniValues(SettingsText());
    EXPECT_EQ("0.1000000", ini["XPosR"]);
    EXPECT_EQ("0.5000000", ini["YPosR"]);
    EXPECT_EQ(13u, ini.size());
}

TEST_F(ClockTest, EndOfTheSessionSavesAtOnce) {
    PrepareAndStart("[Velkaro 1.20]\r\nBlink=Yes\r\n");
    SetWindowPos(clock, nullptr, 64, 256, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    DWORD_PTR result;
    SendMessageTimeoutW(clock, WM_ENDSESSION, FALSE, 0, SMTO_ABORTIFHUNG, 2000, &result);
    EXPECT_FALSE(WaitForExit(300));  // the session goes on: nothing happens
    EXPECT_EQ(1u, IniEntries(SettingsText()).size());
    SendMessageTimeoutW(clock, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 2000, &result);
    IniMap ini = IniValues(SettingsText());  // written before the message returned
    EXPECT_EQ("0.0500000", ini["XPosR"]);
    EXPECT_EQ("0.2500000", ini["YPosR"]);
    EXPECT_EQ("Yes", ini["Blink"]);
    EXPECT_EQ(13u, ini.size());
    EXPECT_TRUE(WaitForExit(2000));
}

TEST_F(ClockTest, SecondCopyKeepsTheSystemPlaceAndStartsFully) {
    PrepareAndStart("[Velkaro 1.20]\r\nXPosR=0.5\r\nYPosR=0.5\r\n");
    const RECT first = RectOf(clock);
    ASSERT_EQ(640, first.left);
    ASSERT_EQ(512, first.top);
    PROCESS_INFORMATION firstProcess = pi;
    HWND firstMenus = menus;
    pi = {};
    systemPlace = POINT{200, 100};
    Start();  // the same folder and settings
    const RECT second = RectOf(clock);
    EXPECT_EQ(200, second.left) << "the second copy was moved";
    EXPECT_EQ(100, second.top);
    EXPECT_EQ(97, second.right - second.left);
    EXPECT_TRUE(IsTopMost(clock));
    PostMessageW(firstMenus, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(firstProcess.hProcess, 3000));
    CloseHandle(firstProcess.hProcess);
    CloseHandle(firstProcess.hThread);
}

TEST_F(ClockTest, PlaceOffEveryMonitorKeepsTheSystemPlace) {
    systemPlace = POINT{200, 100};
    PrepareAndStart("[Velkaro 1.20]\r\nXPosR=0.5\r\nYPosR=0.5\r\nFixWindowPosition=No\r\n");
    EXPECT_EQ(200, RectOf(clock).left) << "moved although FixWindowPosition is No";
    EXPECT_EQ(100, RectOf(clock).top);
    ASSERT_TRUE(ExitThroughMenuCommand());
    EXPECT_EQ("No", IniValues(SettingsText())["FixWindowPosition"]);
    EXPECT_EQ(13u, IniValues(SettingsText()).size());  // the place is saved all the same
    TearDown();

    for (const char* place : {"XPosR=1.5\r\nYPosR=0.5", "XPosR=0.5\r\nYPosR=-0.2", "XPosR=-5\r\nYPosR=9"}) {
        SCOPED_TRACE(place);
        PrepareAndStart(std::string("[Velkaro 1.20]\r\n") + place + "\r\n");
        const RECT r = RectOf(clock);
        EXPECT_EQ(200, r.left);
        EXPECT_EQ(100, r.top);
        ASSERT_TRUE(ExitThroughMenuCommand());
        TearDown();
    }

    // Partly off the right and top edges is placed as stored: the user can still reach it.
    PrepareAndStart("[Velkaro 1.20]\r\nXPosR=0.99\r\nYPosR=-0.01\r\n");
    const RECT partly = RectOf(clock);
    EXPECT_EQ(1267, partly.left);  // 0.99 x 1280 = 1267.2
    EXPECT_EQ(-10, partly.top);    // -0.01 x 1024 = -10.24
}

// The hour signal through a sound device of Wine's (scripts/signal-device: ALSA's file plugin,
// which takes the clock's own format, 22,050 Hz mono 16-bit, as it is): the clock wakes before a
// local hour that falls on an odd UTC minute in that time zone, and the device gets three pips
// a second apart and then the hour's tone, ten times as long (the tones themselves are the
// portable tests').
class SignalDeviceTest : public ClockTest {};

TEST_F(SignalDeviceTest, ThePipsAndTheHoursToneReachTheSoundDeviceBeforeTheLocalHour) {
    const char* hour = std::getenv("VELKARO_SIGNAL_HOUR");
    const char* file = std::getenv("VELKARO_SIGNAL_FILE");
    if (!hour || !file) GTEST_SKIP() << "needs the device of scripts/signal-device";
    auto utcMs = [] {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        return int64_t((uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime) / 10000) - 11644473600000;
    };
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\nTimeSignal=Yes\r\n");
    const int64_t hourMs = std::atoll(hour) * 1000;
    ASSERT_LT(utcMs(), hourMs - 5000) << "the clock started too late for this hour";
    Sleep(DWORD(hourMs + 2000 - utcMs()));

    std::wstring path = L"Z:";
    for (const char* c = file; *c; ++c) path += *c == '/' ? L'\\' : wchar_t(*c);
    const std::string bytes = ReadBytes(path);
    std::vector<int16_t> s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    // The sounds: runs of samples apart from zero, split by at least 50 ms of silence.
    std::vector<std::pair<size_t, size_t>> bursts;  // first sample, length
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == 0) continue;
        if (bursts.empty() || i - (bursts.back().first + bursts.back().second) > 1102) bursts.push_back({i, 0});
        bursts.back().second = i - bursts.back().first + 1;
    }
    ASSERT_EQ(4u, bursts.size()) << bytes.size() << " bytes";
    for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(double(bursts[i + 1].first - bursts[i].first), 22050, 20) << i;
    EXPECT_NEAR(double(bursts[3].second) / double(bursts[0].second), 10, 0.1);
    EXPECT_EQ(std::string::npos, ReadBytes(folder + L"\\Velkaro.log").find("サウンド"));  // a device: no notice
}

}  // namespace
