// The pop-up menu: how it looks (captions, check marks, the bold default item, the greyed
// always-on-top item) and what its commands do.
#include "clock_fixture.h"

#include <algorithm>

namespace {

// A menu built in this process with the items the clock must show, opened and captured, so
// that the clock's menu can be compared pixel for pixel with what it should be.
struct ReferenceMenu {
    bool blinkChecked, topMostChecked, exitIsDefault;
    Pixels shot;
};

LRESULT CALLBACK OwnerProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

DWORD WINAPI ReferenceMenuThread(LPVOID param) {
    auto* ref = static_cast<ReferenceMenu*>(param);
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = L"ReferenceMenuOwner";
    RegisterClassW(&wc);
    HWND owner = CreateWindowW(L"ReferenceMenuOwner", L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, 1, L"終了(&X)");
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING | (ref->blinkChecked ? MF_CHECKED : 0), 2, L"点滅(&B)");
    AppendMenuW(popup, MF_STRING | MF_GRAYED | (ref->topMostChecked ? MF_CHECKED : 0), 3, L"常に手前に表示(&T)");
    AppendMenuW(popup, MF_STRING, 4, L"時刻合わせ(&N)");
    AppendMenuW(popup, MF_STRING, 5, L"オプション(&O)...");
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING, 6, L"バージョン情報(&A)");
    if (ref->exitIsDefault) SetMenuDefaultItem(popup, 1, FALSE);
    SetForegroundWindow(owner);
    TrackPopupMenu(popup, 0, 100, 100, 0, owner, nullptr);
    DestroyMenu(popup);
    DestroyWindow(owner);
    return 0;
}

// The menu's picture once it has painted: two captures 50 ms apart that agree, and more than one
// colour in them (a busy machine may take its time to paint).
Pixels CaptureMenu(HWND menu) {
    Pixels last = CaptureScreen(RectOf(menu));
    for (int i = 0; i < 60; ++i) {
        Sleep(50);
        Pixels now = CaptureScreen(RectOf(menu));
        const bool painted = std::any_of(now.data.begin(), now.data.end(), [&](COLORREF c) { return c != now.data[0]; });
        if (painted && now == last) return now;
        last = std::move(now);
    }
    return last;
}

Pixels ReferenceShot(bool blinkChecked, bool topMostChecked, bool exitIsDefault) {
    ReferenceMenu ref{blinkChecked, topMostChecked, exitIsDefault, {}};
    HANDLE thread = CreateThread(nullptr, 0, ReferenceMenuThread, &ref, 0, nullptr);
    HWND menu = nullptr;
    WaitFor([&] { return (menu = FindTop(GetCurrentProcessId(), L"#32768")) != nullptr; }, 3000);
    if (menu) ref.shot = CaptureMenu(menu);
    if (menu) PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    WaitForSingleObject(thread, 3000);
    CloseHandle(thread);
    return ref.shot;
}

TEST_F(ClockTest, MenuShowsItsItemsChecksAndBoldDefault) {
    struct Case {
        const char* settings;
        bool blink, topMost;
    } cases[] = {
        {"[Velkaro 1.20]\r\nBlink=Yes\r\nTopMost=Yes\r\n", true, true},
        {"[Velkaro 1.20]\r\nBlink=No\r\nTopMost=No\r\n", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        PrepareAndStart(c.settings);
        EXPECT_EQ(c.topMost, IsTopMost(clock));
        OpenMenu();
        HWND menu = WaitForMenu();
        ASSERT_TRUE(menu);
        EXPECT_TRUE(WaitFor([&] { return (GuiFlags(threadId) & GUI_INMENUMODE) != 0; }));
        const Pixels shot = CaptureMenu(menu);
        Key(VK_ESCAPE);
        ASSERT_TRUE(WaitFor([&] { return !FindTop(pi.dwProcessId, L"#32768"); }));
        const Pixels expected = ReferenceShot(c.blink, c.topMost, true);
        ASSERT_GT(expected.width, 0);
        EXPECT_TRUE(shot == expected) << "the clock's menu differs from the expected one";
        // The comparison sees the bold default item: without it the menu looks different.
        const Pixels withoutDefault = ReferenceShot(c.blink, c.topMost, false);
        ASSERT_GT(withoutDefault.width, 0);
        EXPECT_FALSE(shot == withoutDefault);
        EXPECT_TRUE(Running());
        ASSERT_TRUE(ExitThroughMenuCommand());
        TearDown();
    }
}

TEST_F(ClockTest, BlinkCommandTogglesAndWritesTheFileAtOnce) {
    PrepareAndStart("[Velkaro 1.20]\r\nBlink=No\r\nFixWindowPosition=Yes\r\n");
    OpenMenu();
    ASSERT_TRUE(WaitForMenu());
    Key('B');
    // The file is written key by key: wait for the whole of it.
    ASSERT_TRUE(WaitFor([&] {
        const std::string text = SettingsText();
        return IniValues(text)["Blink"] == "Yes" && IniEntries(text).size() == 13;
    })) << SettingsText();
    OpenMenu();
    HWND menu = WaitForMenu();
    ASSERT_TRUE(menu);
    EXPECT_TRUE(CaptureMenu(menu) == ReferenceShot(true, true, true)) << "the check mark does not follow Blink";
    OpenMenu();  // the first was closed by the reference menu taking the foreground
    ASSERT_TRUE(WaitForMenu());
    Key('B');
    ASSERT_TRUE(WaitFor([&] { return IniValues(SettingsText())["Blink"] == "No"; }, 3000)) << SettingsText();
    EXPECT_TRUE(Running());
}

// A settings file another program holds (a backup, a virus scanner) takes no write: the first
// failure of the run says so, once; the clock goes on, and saves again once the file is free.
TEST_F(ClockTest, ASettingsFileThatTakesNoWriteIsReportedOnce) {
    PrepareAndStart("[Velkaro 1.20]\r\nBlink=No\r\n");
    HANDLE held = CreateFileW((folder + L"\\Velkaro.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    PostMessageW(menus, WM_COMMAND, IDM_BLINK, 0);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindTop(pi.dwProcessId, L"#32770")) != nullptr; }));
    EXPECT_EQ(L"Tarnvik", WindowText(box));
    EXPECT_EQ(L"設定を保存できませんでした。\r\n\r\n設定ファイル '" + folder + L"\\Velkaro.ini' に書き込めません。",
              WindowText(GetDlgItem(box, 0xFFFF)));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    PostMessageW(menus, WM_COMMAND, IDM_BLINK, 0);
    EXPECT_FALSE(WaitFor([&] { return FindTop(pi.dwProcessId, L"#32770") != nullptr; }, 1000)) << "a second report";
    CloseHandle(held);
    PostMessageW(menus, WM_COMMAND, IDM_BLINK, 0);
    ASSERT_TRUE(ExitThroughMenuCommand());
    const std::string text = SettingsText();
    EXPECT_EQ(13u, IniEntries(text).size());
    EXPECT_EQ("Yes", IniValues(text)["Blink"]);
}

TEST_F(ClockTest, ExitCommandEndsTheProgramAfterSavingWhileTheAlwaysOnTopItemCannotBeChosen) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=Yes\r\nXPosR=0.125\r\n");
    OpenMenu();
    ASSERT_TRUE(WaitForMenu());
    Key('T');  // greyed: nothing happens
    Sleep(300);
    Key(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !FindTop(pi.dwProcessId, L"#32768"); }));
    EXPECT_TRUE(IsTopMost(clock));
    EXPECT_EQ(2u, IniEntries(SettingsText()).size());  // nothing saved

    // The command only starts the exit timer: the clock is still there when it returns.
    DWORD_PTR result;
    ASSERT_TRUE(SendMessageTimeoutW(menus, WM_COMMAND, IDM_EXIT, 0, SMTO_ABORTIFHUNG, 2000, &result));
    EXPECT_TRUE(IsWindow(clock)) << "the window went before the exit timer";
    ASSERT_TRUE(WaitForExit(2000));
    IniMap ini = IniValues(SettingsText());
    EXPECT_EQ(13u, ini.size());
    EXPECT_EQ("0.1250000", ini["XPosR"]);
    EXPECT_EQ("Yes", ini["TopMost"]);
}

}  // namespace

namespace {

TEST_F(ClockTest, MenuCheckMarksFollowTheOptionsDialog) {
    PrepareAndStart("[Velkaro 1.20]\r\nBlink=No\r\nTopMost=Yes\r\n");
    PostMessageW(menus, WM_COMMAND, 105, 0);  // オプション(&O)...
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dialog = FindTop(pi.dwProcessId, L"#32770")) != nullptr; }));
    SendMessageW(GetDlgItem(dialog, IDC_CHK_TOPMOST), BM_CLICK, 0, 0);  // 常に手前に表示: off
    SendMessageW(GetDlgItem(dialog, IDC_CHK_BLINK), BM_CLICK, 0, 0);  // 点滅: on
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    OpenMenu();
    HWND menu = WaitForMenu();
    ASSERT_TRUE(menu);
    const Pixels shot = CaptureMenu(menu);
    Key(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !FindTop(pi.dwProcessId, L"#32768"); }));
    EXPECT_TRUE(shot == ReferenceShot(true, false, true));
}

}  // namespace
