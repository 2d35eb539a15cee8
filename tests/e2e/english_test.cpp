// The clock on an English Windows (this driver runs with LANG=en_US.UTF-8, and its clocks inherit
// Wine's language from it): the options pages, the reports, the About box and the record in
// English; Language=ja gives the Japanese windows all the same.
#include "clock_fixture.h"

#include "../support/fake_sntp.h"

namespace {

class EnglishTest : public ClockTest {
protected:
    HWND Opened(UINT command, const wchar_t* title) {
        PostMessageW(menus, WM_COMMAND, command, 0);
        HWND window = nullptr;
        WaitFor([&] { return (window = FindTitled(title)) != nullptr; });
        return window;
    }
    void Close(HWND window) {
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(window); }));
    }
    std::wstring Text(HWND dialog, int id) const { return WindowText(GetDlgItem(dialog, id)); }
};

TEST_F(EnglishTest, EveryWindowSpeaksEnglishUnlessTheSettingSaysJapanese) {
    ASSERT_EQ(0x0409, GetUserDefaultUILanguage()) << "the driver does not run as an English Windows";
    FakeSntpServer server;
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer));
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\nNTPServer=127.0.0.1\r\n");

    // The tooltip's date: the user's long date, without the era.
    ParkMouse();
    const POINT c = Center();
    MouseTo(c.x, c.y);
    MouseTo(c.x + 1, c.y + 1);
    HWND tip = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (tip = FindTop(pi.dwProcessId, L"tooltips_class32")) != nullptr; }, 4000));
    wchar_t today[128] = L"";
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, nullptr, nullptr, today, 128, nullptr);
    EXPECT_EQ(std::wstring(today), WindowText(tip));
    ParkMouse();

    const HWND options = Opened(IDM_OPTION, L"Options");
    ASSERT_TRUE(options);
    EXPECT_EQ(L"Always on &top", Text(options, IDC_CHK_TOPMOST));
    EXPECT_EQ(L"Time service: not installed", Text(options, IDC_OPT_SERVICE_STATE));
    EXPECT_EQ(L"Last synchronization: none", Text(options, IDC_OPT_LAST_RUN));
    EXPECT_EQ(L"Reopen where it was le&ft", Text(options, IDC_CHK_FIXWINDOWPOSITION));
    EXPECT_EQ(L"Exit on &double-click", Text(options, IDC_CHK_EXITBYDBLCLICK));
    EXPECT_EQ(L"Synchronize at sta&rtup", Text(options, IDC_CHK_USENTP));
    EXPECT_EQ(L"&Periodic synchronization:", Text(options, IDC_OPT_INTERVAL_LABEL));
    EXPECT_EQ(L"Other features", Text(options, IDC_OPT_FRAME4));
    EXPECT_EQ(L"&Clear recent items from the Start menu at startup", Text(options, IDC_CHK_CLEARRECENT));
    EXPECT_EQ(L"Lan&guage:", Text(options, IDC_OPT_LANGUAGE_LABEL));
    EXPECT_EQ(L"Automatic (same as Windows)", Text(options, IDC_CMB_LANGUAGE));
    EXPECT_EQ(L"Never", Text(options, IDC_CMB_INTERVAL));
    Close(options);

    PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
    HWND report = WaitForReport(3000, L"Time Synchronization");
    ASSERT_TRUE(report);
    EXPECT_EQ(0u, ReportText(report).find("The system time was synchronized with '127.0.0.1'.\r\n\r\nTime received (JST): ")) << ReportText(report);
    ASSERT_TRUE(CloseReport(report));
    server.Stop();
    PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
    report = WaitForReport(3000, L"Time Synchronization");
    ASSERT_TRUE(report);
    EXPECT_EQ("The time could not be synchronized.\r\n\r\nThe NTP server '127.0.0.1' did not answer.", ReportText(report));
    ASSERT_TRUE(CloseReport(report));
    const std::string record = ReadBytes(folder + L"\\Velkaro.log");
    EXPECT_NE(std::string::npos, record.find("\tMenu\t127.0.0.1\tSet\t")) << record;
    EXPECT_NE(std::string::npos, record.find("\tMenu\t127.0.0.1\tFailed\tThe NTP server '127.0.0.1' did not answer.\r\n"));

    const HWND about = Opened(IDM_INFO, L"About Tarnvik (LCD type)");
    ASSERT_TRUE(about);
    EXPECT_EQ(0u, Text(about, IDC_ABOUT_VERSION).find(L"Version "));
    EXPECT_EQ(L"Email:", Text(about, IDC_ABOUT_LABEL4));
    Close(about);
    ASSERT_TRUE(ExitThroughMenuCommand());
    TearDown();

    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\nLanguage=ja\r\n");
    const HWND japanese = Opened(IDM_OPTION, L"オプション");
    ASSERT_TRUE(japanese);
    EXPECT_EQ(L"常に手前に表示(&T)", Text(japanese, IDC_CHK_TOPMOST));
    Close(japanese);
}

}  // namespace
