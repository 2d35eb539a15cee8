// Synchronisations as a user starts them (menu, start-up, resume), against a server on
// 127.0.0.1:123 inside this driver, read from the result dialog.
#include "clock_fixture.h"

#include <algorithm>
#include <atomic>
#include <regex>

#include "../support/fake_sntp.h"

namespace {


double MsSince(int64_t earlier) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - earlier) * 1000.0 / double(frequency.QuadPart);
}
int64_t Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// The record's lines: the local time, the trigger, then a set (Wine sets no time more than half a
// second away: the correction is less than that) or the failure's reason.
const std::string kBom = "\xEF\xBB\xBF", kStamp = kRecordStampPattern,
                  kSetOnLoopback = "\t127\\.0\\.0\\.1\t同期\t[+-]0\\.\\d{3}\t\\d+\\.\\d\r\n",
                  kNoAnswer = "\t127\\.0\\.0\\.1\t失敗\tNTPサーバー '127\\.0\\.0\\.1' の応答がありません。\r\n";

// A top-level window of this driver, on a thread of its own, that counts the WM_TIMECHANGE
// messages reaching it: a run that sets the time tells every program's windows (the clock's own
// face among them, which redraws at once).
class TimeChangeWatcher {
public:
    TimeChangeWatcher() {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, &threadId_);
        WaitForSingleObject(ready_, 5000);
    }
    ~TimeChangeWatcher() {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
        CloseHandle(ready_);
    }
    int Count() const { return count_; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_TIMECHANGE) ++reinterpret_cast<TimeChangeWatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA))->count_;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    static DWORD WINAPI Run(LPVOID param) {
        auto* self = static_cast<TimeChangeWatcher*>(param);
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = L"TimeChangeWatcher";
        RegisterClassW(&wc);
        const HWND window = CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(self));
        SetEvent(self->ready_);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        DestroyWindow(window);
        return 0;
    }
    HANDLE ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr), thread_ = nullptr;
    DWORD threadId_ = 0;
    std::atomic<int> count_{0};
};

class SyncTest : public ClockTest {
protected:
    static std::string Settings(const std::string& more = "") {
        return "[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=No\r\n" + more;
    }
    std::string Record() const { return ReadBytes(folder + L"\\Velkaro.log"); }
    FakeSntpServer server;
};

TEST_F(SyncTest, MenuSyncAgainstAGoodServerReportsAllFiveLines) {
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer, 0, /*holdMs=*/2)) << "bind 127.0.0.1:123";
    PrepareAndStart(Settings());
    const TimeChangeWatcher watcher;
    SyncFromMenu();
    HWND report = WaitForReport();
    ASSERT_TRUE(report);
    const std::string text = ReportText(report);
    const std::regex expected(
        "システムの時刻を '127\\.0\\.0\\.1' と同期しました。\r\n"
        "\r\n"
        "取得した時刻: (\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d)\\.\\d{3}\r\n"
        "Stratum: 1\u3000Poll Interval: 6\u3000Precision: -20\r\n"
        "応答遅延: (\\d+\\.\\d)ms\u3000推定伝送遅延: (\\d+\\.\\d)ms");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, expected)) << text;
    EXPECT_GE(std::stod(m[2]), 2.0);  // the server held the request for 2 ms
    EXPECT_LT(std::stod(m[2]) + 2 * std::stod(m[3]), 1000.0);  // hold and both ways: within the second's wait
    // The time shown is the server's, nine hours ahead of UTC (within seconds of now: a minute
    // that turns since does no harm).
    SYSTEMTIME shown{};
    ASSERT_EQ(6, sscanf(m[1].str().c_str(), "%hu/%hu/%hu %hu:%hu:%hu", &shown.wYear, &shown.wMonth, &shown.wDay,
                        &shown.wHour, &shown.wMinute, &shown.wSecond));
    FILETIME shownTime, now;
    ASSERT_TRUE(SystemTimeToFileTime(&shown, &shownTime));
    GetSystemTimeAsFileTime(&now);
    const int64_t ahead = (int64_t(ULARGE_INTEGER{{shownTime.dwLowDateTime, shownTime.dwHighDateTime}}.QuadPart) -
                           int64_t(ULARGE_INTEGER{{now.dwLowDateTime, now.dwHighDateTime}}.QuadPart)) / 10000000;
    EXPECT_NEAR(9 * 3600, ahead, 10) << m[1];
    EXPECT_FALSE(IsWindowEnabled(clock));  // modal
    EXPECT_TRUE(std::regex_match(Record(), std::regex(kBom + kStamp + "メニュー" + kSetOnLoopback))) << Record();  // before the report
    ASSERT_TRUE(CloseReport(report));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(clock) != 0; }));
    EXPECT_EQ(1, server.RequestCount());
    EXPECT_TRUE(WaitFor([&] { return watcher.Count() == 1; }, 2000)) << "the new time was announced " << watcher.Count() << " times";
    EXPECT_TRUE(Running());
}

// The correction is the new time minus the one it replaced: a server 0.3 s ahead (Wine takes a
// time that close, changing nothing) is recorded as about +0.3 s.
TEST_F(SyncTest, TheRecordedCorrectionHasTheServersSign) {
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer, 300));
    PrepareAndStart(Settings());
    PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
    ASSERT_TRUE(WaitForReport());
    std::smatch m;
    const std::string record = Record();
    ASSERT_TRUE(std::regex_search(record, m, std::regex("\t同期\t([+-]\\d+\\.\\d{3})\t"))) << record;
    EXPECT_NEAR(0.3, std::stod(m[1]), 0.1) << record;
}

// With NTPInterval=1, the record's last set decides: two hours ago, the first tick runs quietly,
// and a failure is not reported either; ten minutes ago, nothing is sent.
TEST_F(SyncTest, APeriodicRunComesWhenTheRecordSaysItIsDueAndShowsNothing) {
    const struct {
        const char* what;
        int minutesAgo;
        FakeSntpServer::Mode mode;
        std::string newLine;  // none: no run
    } cases[] = {{"due", 120, FakeSntpServer::Mode::Answer, kStamp + "定期" + kSetOnLoopback},
                 {"not yet due", 10, FakeSntpServer::Mode::Answer, ""},
                 {"due, the server silent", 120, FakeSntpServer::Mode::Silent, kStamp + "定期" + kNoAnswer}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeSntpServer own;  // counts this case's requests only
        ASSERT_TRUE(own.Start(c.mode));
        Prepare(Settings("NTPInterval=1\r\n"));
        const std::string old = kBom + RecordStamp(LocalTimeAgo(c.minutesAgo)) + "\tメニュー\t127.0.0.1\t同期\t+0.020\t1.0\r\n";
        WriteBytes(folder + L"\\Velkaro.log", old);
        Start();
        EXPECT_EQ(!c.newLine.empty(), WaitFor([&] { return Record().size() > old.size(); }, c.newLine.empty() ? 1500 : 5000));
        const std::string record = Record();
        EXPECT_TRUE(record.starts_with(old) && std::regex_match(record.substr(old.size()), std::regex(c.newLine))) << record;
        EXPECT_EQ(c.newLine.empty() ? 0 : 1, own.RequestCount());
        EXPECT_EQ(nullptr, WaitForReport(500));
        ASSERT_TRUE(ExitThroughMenuCommand());
        TearDown();
    }
}

TEST_F(SyncTest, FailuresReportTheirOwnTexts) {
    struct Case {
        const char* what;
        FakeSntpServer::Mode mode;
        int64_t offsetMs;
        std::string server;
        std::string report;
        int timeoutMs = 3000;
    } cases[] = {
        {"an hour off (the system refuses)", FakeSntpServer::Mode::Answer, 3600 * 1000, "127.0.0.1",
         "時刻の同期に失敗しました。\r\n\r\nシステムの時刻を変更する権限がない可能性があります。"},
        {"kiss-o'-death", FakeSntpServer::Mode::KissOfDeath, 0, "127.0.0.1",
         "時刻の同期に失敗しました。\r\n\r\nNTPサーバー '127.0.0.1' の応答に有効な時刻が含まれていません。"},
        // a resolver that has to give up first may take a while
        {"no such host", FakeSntpServer::Mode::Silent, 0, "no-such-host.invalid",
         "時刻の同期に失敗しました。\r\n\r\nNTPサーバー 'no-such-host.invalid' と正常に通信できません。", 30000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(server.Start(c.mode, c.offsetMs));
        PrepareAndStart("[Velkaro 1.20]\r\nNTPServer=" + c.server + "\r\nTopMost=No\r\n");
        const TimeChangeWatcher watcher;
        PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
        HWND report = WaitForReport(c.timeoutMs);
        ASSERT_TRUE(report);
        EXPECT_EQ(c.report, ReportText(report));
        EXPECT_EQ(0, watcher.Count()) << "a time that was not set was announced";
        EXPECT_FALSE(GetDlgItem(report, IDC_RESULT_ELEVATE));  // the driver's clocks run elevated
        // ... and its command, posted all the same, neither closes the report nor starts a run
        const size_t requests = server.Requests().size();
        PostMessageW(report, WM_COMMAND, IDC_RESULT_ELEVATE, 0);
        Sleep(300);
        EXPECT_TRUE(IsWindowVisible(report));
        EXPECT_EQ(requests, server.Requests().size());
        ASSERT_TRUE(CloseReport(report));
        EXPECT_TRUE(Running());
        ASSERT_TRUE(ExitThroughMenuCommand());
        TearDown();
        server.Stop();
    }
}

TEST_F(SyncTest, SilentServerTimesOutAfterALittleMoreThanOneSecond) {
    PrepareAndStart(Settings());  // nothing listens on 127.0.0.1:123
    const int64_t asked = Now();
    PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
    HWND report = WaitForReport(3000);
    const double waited = MsSince(asked);
    ASSERT_TRUE(report);
    EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\nNTPサーバー '127.0.0.1' の応答がありません。", ReportText(report));
    EXPECT_TRUE(std::regex_match(Record(), std::regex(kBom + kStamp + "メニュー" + kNoAnswer))) << Record();
    EXPECT_GE(waited, 1000.0);
    EXPECT_LT(waited, 1500.0);
    ASSERT_TRUE(CloseReport(report));
}

// A name whose first address is ::1, where nothing listens (Windows reports the refusal at once,
// Wine not at all), and whose second is 127.0.0.1: the run sets the time through the second
// within the first request's second.
TEST_F(SyncTest, ANameWhoseFirstAddressFailsSynchronisesThroughItsSecond) {
    const HostsName name("velkaro-dual.test", {"::1", "127.0.0.1"});
    ASSERT_TRUE(name.ok()) << "the hosts file cannot be written";
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer));
    PrepareAndStart("[Velkaro 1.20]\r\nNTPServer=velkaro-dual.test\r\nTopMost=No\r\n");
    const int64_t asked = Now();
    PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
    const HWND report = WaitForReport();
    ASSERT_TRUE(report);
    EXPECT_LT(MsSince(asked), 1000.0);
    EXPECT_TRUE(ReportText(report).starts_with("システムの時刻を 'velkaro-dual.test' と同期しました。")) << ReportText(report);
    EXPECT_TRUE(std::regex_match(Record(), std::regex(kBom + kStamp + "メニュー\tvelkaro-dual\\.test\t同期\t.*\r\n"))) << Record();
}

// At logon the network may not be there yet: a start-up run without an answer shows nothing and
// is tried again, not before the address may be asked again 15 s after its first request; only
// the try that ends the run is recorded.
TEST_F(SyncTest, AStartUpRunThatGetsNoAnswerIsTriedAgainQuietlyFifteenSecondsLater) {
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Manual));
    PrepareAndStart(Settings("UseNTP=Yes\r\n"));
    const auto first = server.WaitForRequest(3000);
    ASSERT_TRUE(first);
    const auto second = server.WaitForRequest(20000);
    ASSERT_TRUE(second);
    EXPECT_GE(MsBetween(*first, *second), 15000.0);
    EXPECT_LT(MsBetween(*first, *second), 16500.0);
    server.SendTo(*second, FakeSntpServer::AnswerTo(*second, 0));
    EXPECT_TRUE(WaitFor([&] { return !Record().empty(); }));
    EXPECT_TRUE(std::regex_match(Record(), std::regex(kBom + kStamp + "起動時" + kSetOnLoopback))) << Record();
    EXPECT_EQ(nullptr, WaitForReport(500));
    EXPECT_EQ(2, server.RequestCount());
}

// A server's Kiss-o'-Death: DENY stops every request to it, RATE rests it 15 minutes; the user's
// next run then reports at once without sending, with the time the rest ends.
TEST_F(SyncTest, AServerThatRefusesOrAsksForLessIsNotAskedAgain) {
    const struct {
        const char code[5];
        const char* detail;
    } cases[] = {
        {"DENY", "NTPサーバー '127.0.0.1' はこのパソコンからの問い合わせを断っています。別のサーバーを選んでください。"},
        {"RATE", "NTPサーバー '127.0.0.1' から、問い合わせの間隔を空けるよう求められました。%2 まで問い合わせを控えます。"},
    };
    for (const auto& c : cases) {
        FakeSntpServer kissing;
        std::copy(c.code, c.code + 4, kissing.kissCode);
        ASSERT_TRUE(kissing.Start(FakeSntpServer::Mode::KissOfDeath));
        PrepareAndStart(Settings());
        SYSTEMTIME restEnds = LocalTimeAgo(-15);
        std::string expected = std::string("時刻の同期に失敗しました。\r\n\r\n") + c.detail;
        char hhmm[8];
        std::snprintf(hhmm, sizeof hhmm, "%02d:%02d", restEnds.wHour, restEnds.wMinute);
        if (const size_t at = expected.find("%2"); at != std::string::npos) expected.replace(at, 2, hhmm);
        for (int run = 0; run < 2; ++run) {
            PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
            const HWND report = WaitForReport();
            ASSERT_TRUE(report) << c.code;
            EXPECT_EQ(expected, ReportText(report)) << c.code << " run " << run;
            ASSERT_TRUE(CloseReport(report));
            EXPECT_EQ(1, kissing.RequestCount()) << c.code << " run " << run;
        }
        // Both runs recorded as failures with their reason.
        const std::string line = "\tメニュー\t127.0.0.1\t失敗\t" + expected.substr(expected.rfind('\n') + 1) + "\r\n";
        const std::string record = Record();
        EXPECT_EQ(2 * line.size() + 2 * 26, record.size() - kBom.size()) << record;
        EXPECT_NE(std::string::npos, record.find(line, record.find(line) + 1)) << record;
        ASSERT_TRUE(ExitThroughMenuCommand());
    }
}

TEST_F(SyncTest, ARunStartedInsideAnothersWaitLeavesItTheTimeOutOfItsOwnRequest) {
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Manual));
    PrepareAndStart(Settings());
    struct Case {
        int innerAfterMs;        // the second run starts this long after the first one's request
        int innerReportUntilMs;  // and its (success) report is closed at this moment
    } cases[] = {
        {600, 0},     // closed at once: the outer report comes 1000 ms after its own request
        {300, 1400},  // still open at the outer run's time-out: the outer report comes when it closes
    };
    for (const Case& c : cases) {
        PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
        const auto outer = server.WaitForRequest(2000);
        ASSERT_TRUE(outer);
        while (MsSince(outer->arrivedAt) < c.innerAfterMs) Sleep(5);
        PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
        const auto inner = server.WaitForRequest(2000);
        ASSERT_TRUE(inner);
        server.SendTo(*inner, FakeSntpServer::AnswerTo(*inner, 0));  // only the inner run is answered
        const HWND success = WaitForReport();
        ASSERT_TRUE(success);
        EXPECT_EQ(0u, ReportText(success).find("システムの時刻を '127.0.0.1' と同期しました。"));
        while (MsSince(outer->arrivedAt) < c.innerReportUntilMs) Sleep(5);
        ASSERT_TRUE(CloseReport(success));
        const double closedAt = MsSince(outer->arrivedAt);

        const HWND timeout = WaitForReport();
        const double shownAt = MsSince(outer->arrivedAt);
        ASSERT_TRUE(timeout);
        EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\nNTPサーバー '127.0.0.1' の応答がありません。", ReportText(timeout));
        EXPECT_GE(shownAt, 990.0);
        // (were it timed from the inner request, it would come at 1600 ms in the first case)
        EXPECT_LT(shownAt, std::max(1000.0, closedAt) + 400.0) << "closed at " << closedAt;
        ASSERT_TRUE(CloseReport(timeout));
    }
}

TEST_F(SyncTest, StartUpSyncShowsNoDialogAndWaitsForTheFace) {
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer));
    std::atomic<bool> faceVisible{false}, looked{false};
    DWORD pid = 0;
    server.onRequest = [&](const SntpRequest&) {
        HWND c = FindTop(pid, L"VelkaroClock");
        faceVisible = c && IsWindowVisible(c);
        looked = true;
    };
    Prepare(Settings("UseNTP=Yes\r\n"));
    // Started suspended, so that the server knows whose window to look at.
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring command = L"\"" + exe + L"\"";
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                               folder.c_str(), &si, &pi));
    pid = pi.dwProcessId;
    ResumeThread(pi.hThread);
    ASSERT_TRUE(WaitFor([&] { return looked.load(); }, 5000));
    EXPECT_EQ(1, server.RequestCount());
    EXPECT_TRUE(faceVisible) << "the start-up synchronisation began before the face was shown";
    clock = FindTop(pi.dwProcessId, L"VelkaroClock");
    menus = FindTop(pi.dwProcessId, L"VelkaroMenus", false);
    Sleep(500);
    EXPECT_EQ(nullptr, WaitForReport(100)) << "a successful start-up synchronisation shows nothing";
    EXPECT_TRUE(Running());
}

TEST_F(SyncTest, ResumeFromStandbySynchronisesAfterTheDelayOnce) {
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer));
    PrepareAndStart(Settings("UseNTP2=Yes\r\nResumeDelay=100\r\n"));

    PostMessageW(clock, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    Sleep(400);
    EXPECT_EQ(0, server.RequestCount()) << "suspending is no resume";

    const int64_t resumed = Now();
    PostMessageW(clock, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    Sleep(30);
    PostMessageW(clock, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);  // during the delay: nothing more
    auto request = server.WaitForRequest(2000);
    ASSERT_TRUE(request);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    EXPECT_GE(double(request->arrivedAt - resumed) * 1000.0 / double(frequency.QuadPart), 150.0);
    Sleep(800);
    EXPECT_EQ(1, server.RequestCount());
    EXPECT_EQ(nullptr, WaitForReport(100));  // success after resume is not reported
    EXPECT_TRUE(Running());
}

TEST_F(SyncTest, ResumeDoesNothingWhenNotAsked) {
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer));
    PrepareAndStart(Settings("UseNTP2=No\r\nResumeDelay=1\r\n"));
    DWORD_PTR result = 0;
    // Answered at once, by the window procedure as before.
    EXPECT_NE(0, SendMessageTimeoutW(clock, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0, SMTO_ABORTIFHUNG, 200, &result));
    Sleep(500);
    EXPECT_EQ(0, server.RequestCount());
}

TEST_F(SyncTest, TopmostReportAboveTheClockAndTheClockTopmostAgainAfter) {
    PrepareAndStart("[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=Yes\r\n");
    PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
    HWND report = WaitForReport();
    ASSERT_TRUE(report);
    EXPECT_TRUE(IsTopMost(report));
    ASSERT_TRUE(CloseReport(report));
    EXPECT_TRUE(IsTopMost(clock));
}

TEST_F(SyncTest, FaceTicksAndTheMenuOpensWhileARunWaits) {
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Silent));
    PrepareAndStart(Settings("Blink=Yes\r\nBlinkDelay=500\r\n"));
    PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
    ASSERT_TRUE(server.WaitForRequest(2000));
    OpenMenu();  // the wait serves the mouse
    ASSERT_TRUE(WaitForMenu(800));
    EXPECT_TRUE(WaitFor([&] { return (GuiFlags(threadId) & GUI_INMENUMODE) != 0; }));
    Key(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !FindTop(pi.dwProcessId, L"#32768"); }));
    ParkMouse();  // the pointer would show in the captures
    Sleep(100);   // the screen under the menu is repainted
    // ...and the clock's ticks, through the wait and the report that ends it
    const std::vector<bool> colon = ColonSeries(clock, exe);
    EXPECT_GT(std::count(colon.begin(), colon.end(), true), 2);
    EXPECT_GT(std::count(colon.begin(), colon.end(), false), 2);
    HWND report = WaitForReport();
    ASSERT_TRUE(report);
    EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\nNTPサーバー '127.0.0.1' の応答がありません。", ReportText(report));
}

TEST_F(SyncTest, ReportDialogLayoutInPixels) {
    PrepareAndStart(Settings());
    PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
    HWND report = WaitForReport();
    ASSERT_TRUE(report);
    RECT client;
    GetClientRect(report, &client);
    EXPECT_EQ(337, client.right);
    EXPECT_EQ(113, client.bottom);
    auto place = [&](HWND control) {
        RECT r = RectOf(control);
        MapWindowPoints(nullptr, report, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    const RECT label = place(GetDlgItem(report, IDC_RESULT_MESSAGE)), ok = place(GetDlgItem(report, IDOK));
    EXPECT_EQ((RECT{8, 8, 8 + 321, 8 + 65}).left, label.left);
    EXPECT_EQ(8, label.top);
    EXPECT_EQ(321, label.right - label.left);
    EXPECT_EQ(65, label.bottom - label.top);
    EXPECT_EQ(224, ok.left);
    EXPECT_EQ(80, ok.top);
    EXPECT_EQ(105, ok.right - ok.left);
    EXPECT_EQ(25, ok.bottom - ok.top);
    EXPECT_EQ(L"OK", WindowText(GetDlgItem(report, IDOK)));
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(report, IDOK), GWL_STYLE) & BS_DEFPUSHBUTTON);
    const LONG style = GetWindowLongW(report, GWL_STYLE);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    Key(VK_RETURN);  // Enter is OK
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(report); }));
}

TEST_F(SyncTest, ExitWhileARunWaitsEndsQuietly) {
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Silent));
    PrepareAndStart(Settings("Blink=Yes\r\n"));
    PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
    ASSERT_TRUE(server.WaitForRequest(2000));
    const int64_t asked = Now();
    PostMessageW(menus, WM_COMMAND, IDM_EXIT, 0);
    ASSERT_TRUE(WaitForExit(1500));
    EXPECT_LT(MsSince(asked), 1000.0);
    EXPECT_EQ(13u, IniValues(SettingsText()).size());
}

// A name service that never answers (run by scripts/silent-dns): the look-up runs off the clock's
// thread, which answers throughout, and fails after 10 s as a name not found; an exit during a
// look-up ends the program at once.
class SilentNameServiceTest : public ClockTest {};

TEST_F(SilentNameServiceTest, TheWindowAnswersThroughoutALookUpThatEndsAfterTenSeconds) {
    if (!getenv("VELKARO_SILENT_DNS")) GTEST_SKIP() << "needs the name service of scripts/silent-dns";
    PrepareAndStart("[Velkaro 1.20]\r\nNTPServer=velkaro-nowhere.test\r\nTopMost=No\r\n");
    int64_t asked = Now();
    PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
    double longest = 0;
    HWND report = nullptr;
    while (!(report = FindTitled(L"時刻の同期")) && MsSince(asked) < 15000) {
        const int64_t sent = Now();
        DWORD_PTR result;
        SendMessageTimeoutW(clock, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
        longest = std::max(longest, MsSince(sent));
        Sleep(20);
    }
    const double tookMs = MsSince(asked);
    std::printf("the longest the clock took to answer during the look-up: %.1f ms\n", longest);
    ASSERT_TRUE(report);
    EXPECT_LT(longest, 250.0);
    EXPECT_NEAR(10000.0, tookMs, 1500.0);
    EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\nNTPサーバー 'velkaro-nowhere.test' と正常に通信できません。", ReportText(report));
    ASSERT_TRUE(CloseReport(report));

    PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
    Sleep(1000);
    asked = Now();
    PostMessageW(menus, WM_COMMAND, IDM_EXIT, 0);
    ASSERT_TRUE(WaitForExit(2000));
    EXPECT_LT(MsSince(asked), 1000.0);
}

}  // namespace
