// The options dialog: filled from the settings and the registry, applied by OK, discarded by
// キャンセル, and its test button.
#include "clock_fixture.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <regex>

#include "../support/fake_sntp.h"
#include "resource.h"

namespace {

constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring RunValue(DWORD* type = nullptr) {
    wchar_t data[1024] = L"";
    DWORD size = sizeof data;
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Velkaro", RRF_RT_ANY | RRF_NOEXPAND, type, data, &size) != ERROR_SUCCESS)
        return L"<none>";
    return data;
}

// A value of HKEY_CURRENT_USER as it was before the test, put back after it: the start-up entry
// of whoever runs the tests stays theirs.
class KeptValue {
public:
    KeptValue(const wchar_t* key, const wchar_t* name) : key_(key), name_(name) {
        DWORD size = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type_, nullptr, &size)) return;
        data_.resize(size);
        kept_ = !RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type_, data_.data(), &size);
    }
    ~KeptValue() {
        if (kept_) RegSetKeyValueW(HKEY_CURRENT_USER, key_, name_, type_, data_.data(), DWORD(data_.size()));
        else RegDeleteKeyValueW(HKEY_CURRENT_USER, key_, name_);
    }

private:
    const wchar_t *key_, *name_;
    DWORD type_ = 0;
    std::vector<BYTE> data_;
    bool kept_ = false;
};

class OptionsTest : public ClockTest {
protected:
    void SetUp() override { RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Velkaro"); }
    const KeptValue run_{kRunKey, L"Velkaro"},
        approved_{L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run", L"Velkaro"};
    HWND OpenOptions(bool throughThePopUp = false) {
        if (throughThePopUp) {
            OpenMenu();
            if (WaitForMenu()) Key('O');
        } else {
            PostMessageW(menus, WM_COMMAND, IDM_OPTION, 0);  // posted: the handler runs a modal loop
        }
        HWND d = nullptr;
        WaitFor([&] { return (d = FindTitled(L"オプション")) != nullptr; });
        return d;
    }
    static bool Checked(HWND dialog, int id) { return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    static void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    bool Closes(HWND dialog) { return WaitFor([&] { return !IsWindow(dialog); }); }
};

TEST_F(OptionsTest, FilledFromTheSettingsWithTabsSwitchingPages) {
    PrepareAndStart("[Velkaro 1.20]\r\nNTPServer=time.example.net\r\nBlink=Yes\r\nTopMost=No\r\nWindowSize=2\r\n"
                    "UseNTP2=Yes\r\nFixWindowPosition=No\r\nClearRecent=yes\r\n");
    HWND dialog = OpenOptions(/*throughThePopUp=*/true);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(IsWindowEnabled(clock));  // modal
    EXPECT_FALSE(Checked(dialog, IDC_CHK_TOPMOST));
    EXPECT_TRUE(Checked(dialog, IDC_CHK_BLINK));
    EXPECT_TRUE(Checked(dialog, IDC_CHK_WINDOWSIZE));
    EXPECT_FALSE(Checked(dialog, IDC_CHK_FIXWINDOWPOSITION));
    EXPECT_FALSE(Checked(dialog, IDC_CHK_EXITBYDBLCLICK));
    EXPECT_FALSE(Checked(dialog, IDC_CHK_USENTP));
    EXPECT_TRUE(Checked(dialog, IDC_CHK_USENTP2));
    EXPECT_FALSE(Checked(dialog, IDC_CHK_AUTORUN));
    EXPECT_TRUE(Checked(dialog, IDC_CHK_CLEARRECENT));
    const HWND servers = GetDlgItem(dialog, IDC_CMB_SERVERS);
    EXPECT_EQ(L"time.example.net", WindowText(servers));
    ASSERT_EQ(3, SendMessageW(servers, CB_GETCOUNT, 0, 0));
    wchar_t first[64] = L"";
    SendMessageW(servers, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(L"ntp.nict.jp", first);
    EXPECT_EQ(L"常に手前に表示(&T)", WindowText(GetDlgItem(dialog, IDC_CHK_TOPMOST)));
    EXPECT_EQ(L"テスト(&T)", WindowText(GetDlgItem(dialog, IDC_CMD_TESTNTP)));
    EXPECT_EQ(L"キャンセル", WindowText(GetDlgItem(dialog, IDCANCEL)));

    const HWND tab = GetDlgItem(dialog, IDC_OPT_TAB);
    EXPECT_EQ(3, SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(0, SendMessageW(tab, TCM_GETCURSEL, 0, 0));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_CHK_TOPMOST)));
    EXPECT_FALSE(IsWindowVisible(servers));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_CHK_AUTORUN)));
    SendMessageW(tab, TCM_SETCURFOCUS, 1, 0);
    EXPECT_TRUE(IsWindowVisible(servers));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_CHK_TOPMOST)));
    SendMessageW(tab, TCM_SETCURFOCUS, 2, 0);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_CHK_AUTORUN)));
    EXPECT_FALSE(IsWindowVisible(servers));
    SendMessageW(tab, TCM_SETCURFOCUS, 2, 0);  // the tab already selected: nothing changes
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_CHK_AUTORUN)));

    Key(VK_ESCAPE);  // キャンセル
    EXPECT_TRUE(Closes(dialog));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(clock) != 0; }));
}

TEST_F(OptionsTest, OkAppliesAtOnceSavesAndWritesTheStartEntry) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=Yes\r\nXPosR=0.5\r\nYPosR=0.5\r\n");
    ASSERT_TRUE(IsTopMost(clock));
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(IsTopMost(dialog));
    Click(dialog, IDC_CHK_WINDOWSIZE);
    Click(dialog, IDC_CHK_TOPMOST);
    Click(dialog, IDC_CHK_AUTORUN);
    Click(dialog, IDOK);
    ASSERT_TRUE(Closes(dialog));
    const RECT r = RectOf(clock);
    EXPECT_EQ(54, r.right - r.left);
    EXPECT_EQ(22, r.bottom - r.top);
    EXPECT_EQ(640, r.left);  // resized in place
    EXPECT_FALSE(IsTopMost(clock));
    IniMap ini = IniValues(SettingsText());
    EXPECT_EQ("2", ini["WindowSize"]);
    EXPECT_EQ("No", ini["TopMost"]);
    EXPECT_EQ(13u, ini.size());
    DWORD type = 0;
    std::wstring expected = exe.substr(0, exe.size() - 4);  // the executable without ".exe"
    EXPECT_EQ(expected, RunValue(&type));
    EXPECT_EQ(DWORD(REG_SZ), type);
    // The small face shows the time at once, not from the next minute on.
    EXPECT_TRUE(ShowsTheTime(clock, exe, 2, 2000));

    // Unticking the start box deletes the entry; OK without other changes keeps the rest.
    dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(Checked(dialog, IDC_CHK_AUTORUN));
    EXPECT_FALSE(IsTopMost(dialog));
    Click(dialog, IDC_CHK_AUTORUN);
    Click(dialog, IDOK);
    ASSERT_TRUE(Closes(dialog));
    EXPECT_EQ(L"<none>", RunValue());
    EXPECT_EQ(54, RectOf(clock).right - RectOf(clock).left);
}

// The periodic run's list (a stored value outside it shown as one more item), and what the page
// says of the record.
TEST_F(OptionsTest, TheIntervalListStoresItsHoursAndThePageShowsTheRecord) {
    Prepare("[Velkaro 1.20]\r\nTopMost=No\r\nNTPInterval=5\r\n");
    // The last set ten minutes ago: no periodic run falls due while the page is read.
    const SYSTEMTIME last = LocalTimeAgo(10);
    WriteBytes(folder + L"\\Velkaro.log", RecordStamp(LocalTimeAgo(24 * 60 + 10)) + "\tメニュー\ta\t同期\t+0.000\t1.0\r\n" +
                                             RecordStamp(last) + "\t定期\ta\t同期\t-0.480\t1.0\r\n");
    Start();
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    const HWND list = GetDlgItem(dialog, IDC_CMB_INTERVAL);
    wchar_t shown[32] = L"";
    SendMessageW(list, CB_GETLBTEXT, SendMessageW(list, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(shown));
    EXPECT_EQ(L"5 時間ごと", std::wstring(shown));
    EXPECT_EQ(7, SendMessageW(list, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(L"定期的に時刻合わせ(&P):", WindowText(GetDlgItem(dialog, IDC_OPT_INTERVAL_LABEL)));
    wchar_t lastRun[64];
    swprintf(lastRun, 64, L"前回の時刻合わせ: %04d/%02d/%02d %02d:%02d (-0.480 秒)", last.wYear, last.wMonth, last.wDay, last.wHour,
             last.wMinute);
    EXPECT_EQ(lastRun, WindowText(GetDlgItem(dialog, IDC_OPT_LAST_RUN)));
    EXPECT_EQ(L"この PC の時計: 1 日に約 0.5 秒進みます", WindowText(GetDlgItem(dialog, IDC_OPT_DRIFT)));
    PostMessageW(GetDlgItem(dialog, IDC_CMD_OPEN_RECORD), BM_CLICK, 0, 0);  // in the program for text files
    HWND editor = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (editor = FindWindowW(L"Notepad", nullptr)) != nullptr; }));
    EXPECT_NE(std::wstring::npos, WindowText(editor).find(L"Velkaro.log")) << Utf8(WindowText(editor));
    PostMessageW(editor, WM_CLOSE, 0, 0);
    EXPECT_NE(CB_ERR, SendMessageW(list, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(L"6 時間ごと")));
    Click(dialog, IDOK);
    ASSERT_TRUE(Closes(dialog));
    EXPECT_EQ("6", IniValues(SettingsText())["NTPInterval"]);
}

// Seconds, the hour signal and see-through from the display page: into the file, the face and
// the window's alpha; back at 100 % the window is not layered at all. Without a sound device (as
// Wine here has none), the signal's switching on is written to the record once, in both languages.
TEST_F(OptionsTest, SecondsSignalAndOpacityFromThePageIntoTheFileAndTheWindow) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\nOpacity=45\r\n");
    auto alpha = [&] {
        BYTE a = 0;
        DWORD flags = 0;
        return GetLayeredWindowAttributes(clock, nullptr, &a, &flags) && (flags & LWA_ALPHA) ? int(a) : -1;
    };
    EXPECT_EQ(115, alpha());  // 45 %, a value not in the list
    const RECT before = RectOf(clock);
    const struct {
        bool seconds, signal;
        const wchar_t* opacity;
        int listed, alpha, width;
        const char *fileSeconds, *fileOpacity, *fileSignal;
    } steps[] = {{true, true, L"70 %", 9, 179, 139, "Yes", "70", "Yes"},
                 {false, false, L"100 %", 8, -1, 97, "No", "100", "No"}};
    for (const auto& step : steps) {
        const HWND dialog = OpenOptions();
        ASSERT_TRUE(dialog);
        const HWND list = GetDlgItem(dialog, IDC_CMB_OPACITY);
        EXPECT_EQ(step.listed, SendMessageW(list, CB_GETCOUNT, 0, 0));  // 100 % to 30 %, and a stored 45 %
        if (Checked(dialog, IDC_CHK_SHOWSECONDS) != step.seconds) Click(dialog, IDC_CHK_SHOWSECONDS);
        EXPECT_NE(step.signal, Checked(dialog, IDC_CHK_TIMESIGNAL));
        Click(dialog, IDC_CHK_TIMESIGNAL);
        EXPECT_NE(CB_ERR, SendMessageW(list, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(step.opacity)));
        Click(dialog, IDOK);
        ASSERT_TRUE(Closes(dialog));
        EXPECT_EQ(step.alpha, alpha());
        EXPECT_EQ(step.alpha < 0, !(GetWindowLongW(clock, GWL_EXSTYLE) & WS_EX_LAYERED));
        const RECT r = RectOf(clock);
        EXPECT_EQ(step.width, r.right - r.left);
        EXPECT_EQ(before.left, r.left);  // the top-left corner stays
        EXPECT_EQ(before.top, r.top);
        EXPECT_TRUE(ShowsTheTime(clock, exe, 1, 3000, 1) || step.seconds);
        const IniMap ini = IniValues(SettingsText());
        EXPECT_EQ(step.fileSeconds, ini.at("ShowSeconds"));
        EXPECT_EQ(step.fileOpacity, ini.at("Opacity"));
        EXPECT_EQ(step.fileSignal, ini.at("TimeSignal"));
    }
    if (waveOutGetNumDevs() == 0) {
        const std::string record = ReadBytes(folder + L"\\Velkaro.log");
        EXPECT_TRUE(std::regex_search(record, std::regex(kRecordStampPattern + "サウンド デバイスがないため、時報は鳴りません。"
                                                         "\tNo sound device is available, so the time signal does not sound.\r\n$")))
            << record;
        EXPECT_EQ(record.find("時報"), record.rfind("時報"));  // once
    }
    EXPECT_TRUE(DragBy(30, 20));  // as draggable as ever
}

// A clock that may not set the time and has no service: the page shows why the last run failed,
// and what the periodic run takes; the elevated driver's own clock is told nothing of the kind.
TEST_F(OptionsTest, ALimitedClockWithoutTheServiceIsToldWhatThePeriodicRunTakes) {
    for (const bool limited : {true, false}) {
        Prepare("[Velkaro 1.20]\r\nTopMost=No\r\n");
        WriteBytes(folder + L"\\Velkaro.log", "2099-12-07 10:00:00\t定期\ta\t失敗\tシステムの時刻を変更する権限がない可能性があります。\r\n");
        Start(limited);
        const HWND dialog = OpenOptions();
        ASSERT_TRUE(dialog);
        SendMessageW(GetDlgItem(dialog, IDC_OPT_TAB), TCM_SETCURFOCUS, 1, 0);
        EXPECT_EQ(L"前回の時刻合わせ: 2099/12/07 10:00 失敗（システムの時刻を変更する権限がない可能性があります。）",
                  WindowText(GetDlgItem(dialog, IDC_OPT_LAST_RUN)));
        const HWND needed = GetDlgItem(dialog, IDC_OPT_SERVICE_NEEDED);
        EXPECT_EQ(limited, IsWindowVisible(needed) != 0);
        EXPECT_EQ(L"定期的な時刻合わせには「サービスを登録」が必要です。", WindowText(needed));
        Key(VK_ESCAPE);
        ASSERT_TRUE(Closes(dialog));
        ASSERT_TRUE(ExitThroughMenuCommand());
        TearDown();
    }
}

// On this Japanese Windows: the list stores English, and the windows opened after OK speak it,
// without a restart; a file that never had the key gets none while it is automatic.
TEST_F(OptionsTest, TheLanguageListStoresEnglishAndTheNextWindowsSpeakIt) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\n");
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(L"自動（Windows に合わせる）", WindowText(GetDlgItem(dialog, IDC_CMB_LANGUAGE)));
    Click(dialog, IDOK);
    ASSERT_TRUE(Closes(dialog));
    EXPECT_EQ(0u, IniValues(SettingsText()).count("Language"));
    dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    SendMessageW(GetDlgItem(dialog, IDC_CMB_LANGUAGE), CB_SETCURSEL, 2, 0);
    Click(dialog, IDOK);
    ASSERT_TRUE(Closes(dialog));
    EXPECT_EQ("en", IniValues(SettingsText())["Language"]);
    PostMessageW(menus, WM_COMMAND, IDM_OPTION, 0);
    EXPECT_TRUE(WaitFor([&] { return (dialog = FindTitled(L"Options")) != nullptr; }));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(Closes(dialog));
}

TEST_F(OptionsTest, CancelAfterChangesLeavesEverythingAsItWas) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=Yes\r\n");
    const std::string before = SettingsText();
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    Click(dialog, IDC_CHK_WINDOWSIZE);
    Click(dialog, IDC_CHK_TOPMOST);
    Click(dialog, IDC_CHK_AUTORUN);
    SendMessageW(GetDlgItem(dialog, IDC_CMB_SERVERS), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"changed.example"));
    SendMessageW(GetDlgItem(dialog, IDC_CMB_INTERVAL), CB_SETCURSEL, 4, 0);
    // No record yet: nothing to open.
    EXPECT_EQ(L"前回の時刻合わせ: 記録がありません", WindowText(GetDlgItem(dialog, IDC_OPT_LAST_RUN)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_CMD_OPEN_RECORD)));
    Click(dialog, IDCANCEL);
    ASSERT_TRUE(Closes(dialog));
    EXPECT_EQ(before, SettingsText());
    EXPECT_EQ(L"<none>", RunValue());
    EXPECT_EQ(97, RectOf(clock).right - RectOf(clock).left);
    EXPECT_TRUE(IsTopMost(clock));
    // The close box discards as well.
    dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    Click(dialog, IDC_CHK_BLINK);
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(Closes(dialog));
    EXPECT_EQ(before, SettingsText());
}

TEST_F(OptionsTest, TestButtonSynchronisesWithTheTypedServerAndStaysOpen) {
    FakeSntpServer server;
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer));
    for (const char* topMost : {"No", "Yes"}) {
        SCOPED_TRACE(topMost);
        PrepareAndStart(std::string("[Velkaro 1.20]\r\nNTPServer=unused.example\r\nTopMost=") + topMost + "\r\n");
        HWND dialog = OpenOptions();
        ASSERT_TRUE(dialog);
        SendMessageW(GetDlgItem(dialog, IDC_OPT_TAB), TCM_SETCURFOCUS, 1, 0);
        SendMessageW(GetDlgItem(dialog, IDC_CMB_SERVERS), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"127.0.0.1"));
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CMD_TESTNTP, BN_CLICKED), 0);
        HWND report = nullptr;
        ASSERT_TRUE(report = WaitForReport());
        EXPECT_EQ(0u, WindowText(GetDlgItem(report, IDC_RESULT_MESSAGE)).find(L"システムの時刻を '127.0.0.1' と同期しました。"));
        EXPECT_FALSE(IsWindowEnabled(dialog));  // the report is modal over the options too
        // Enter closes the report, and the keys go back to the options dialog: Esc closes it.
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == report; }));
        Key(VK_RETURN);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(report); }));
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(dialog) != 0; }));
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == dialog; })) << "the keys went elsewhere";
        Key(VK_ESCAPE);
        ASSERT_TRUE(Closes(dialog));
        EXPECT_EQ(std::string("[Velkaro 1.20]\r\nNTPServer=unused.example\r\nTopMost=") + topMost + "\r\n",
                  SettingsText());  // the typed text was not stored
        ASSERT_TRUE(ExitThroughMenuCommand());
        TearDown();
    }
    EXPECT_EQ(2, server.RequestCount());
}

TEST_F(OptionsTest, EmptyServerIsStoredEmptyShownAsTheFirstEntryAndReportedAsSuch) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\n");
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    SendMessageW(GetDlgItem(dialog, IDC_CMB_SERVERS), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    Click(dialog, IDOK);
    ASSERT_TRUE(Closes(dialog));
    EXPECT_EQ("", IniValues(SettingsText())["NTPServer"]);
    EXPECT_NE(std::string::npos, SettingsText().find("NTPServer=\r\n"));
    dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(L"ntp.nict.jp", WindowText(GetDlgItem(dialog, IDC_CMB_SERVERS)));
    Click(dialog, IDCANCEL);
    ASSERT_TRUE(Closes(dialog));
    // The menu's synchronisation passes the empty name on: the send fails.
    PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
    HWND report = nullptr;
    ASSERT_TRUE(report = WaitForReport());
    EXPECT_EQ(L"時刻の同期に失敗しました。\r\n\r\nNTPサーバー '' と正常に通信できません。", WindowText(GetDlgItem(report, IDC_RESULT_MESSAGE)));
    PostMessageW(report, WM_COMMAND, IDOK, 0);
}

}  // namespace

namespace {

void AltKey(WORD vk) {
    INPUT in[4]{};
    for (INPUT& i : in) i.type = INPUT_KEYBOARD;
    in[0].ki.wVk = VK_MENU;
    in[1].ki.wVk = vk;
    in[2].ki.wVk = vk;
    in[2].ki.dwFlags = KEYEVENTF_KEYUP;
    in[3].ki.wVk = VK_MENU;
    in[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, in, sizeof in[0]);
}

TEST_F(OptionsTest, AccessKeysWorkOnTheVisiblePage) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\nBlink=No\r\nUseNTP2=No\r\n");
    HWND dialog = OpenOptions(/*throughThePopUp=*/true);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == dialog; }));
    AltKey('S');  // 小さな時計を使用(&S)
    EXPECT_TRUE(WaitFor([&] { return Checked(dialog, IDC_CHK_WINDOWSIZE); }, 2000));
    AltKey('B');  // 点滅(&B) on this page, not the other page's (&B)
    EXPECT_TRUE(WaitFor([&] { return Checked(dialog, IDC_CHK_BLINK); }, 2000));
    EXPECT_FALSE(Checked(dialog, IDC_CHK_USENTP2));
    Key(VK_RETURN);  // OK
    ASSERT_TRUE(Closes(dialog));
    EXPECT_EQ("2", IniValues(SettingsText())["WindowSize"]);
    EXPECT_EQ("Yes", IniValues(SettingsText())["Blink"]);
}

// The labels and boxes of a page paint the tab strip's body under them: no band of the dialog's
// grey (a 2×2 block of it; a lone pixel of that shade may be the edge of a smoothed glyph).
TEST_F(OptionsTest, TheFirstPageShowsNoGreyOfTheDialogOnTheTabBody) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\n");
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == dialog; }));
    const RECT tab = RectOf(GetDlgItem(dialog, IDC_OPT_TAB)), label = RectOf(GetDlgItem(dialog, IDC_OPT_LABEL1));
    const RECT body{tab.left + 4, label.top - 4, tab.right - 4, tab.bottom - 4};  // below the tabs, inside the edges
    const COLORREF grey = GetSysColor(COLOR_BTNFACE);
    // Painted: two captures 50 ms apart agree, and the body below the controls is not the grey.
    Pixels p;
    ASSERT_TRUE(WaitFor([&] {
        p = CaptureScreen(body);
        Sleep(50);
        return p == CaptureScreen(body) && p.at(p.width / 2, p.height - 2) != grey;
    })) << "the body itself is the dialog's grey: nothing to tell apart";
    int blocks = 0, firstX = -1, firstY = -1;
    for (int y = 0; y + 1 < p.height; ++y)
        for (int x = 0; x + 1 < p.width; ++x)
            if (p.at(x, y) == grey && p.at(x + 1, y) == grey && p.at(x, y + 1) == grey && p.at(x + 1, y + 1) == grey &&
                ++blocks == 1)
                firstX = x, firstY = y;
    EXPECT_EQ(0, blocks) << "first at " << firstX << "," << firstY << " of the body";
    Key(VK_ESCAPE);
    EXPECT_TRUE(Closes(dialog));
}

}  // namespace
