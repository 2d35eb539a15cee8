// A clock without the right to set the time (started with an administrator's limited token)
// offers to synchronise as administrator: a second run of the executable, /sync SERVER, with a
// report of its own and no clock. The time server is on 127.0.0.1:123 inside this driver.
#include <oleacc.h>

#include <regex>

#include "clock_fixture.h"

#include "../support/fake_sntp.h"

namespace {

constexpr int64_t kHourMs = 3600 * 1000;  // a time the system refuses to set
const std::string kPermissionReport = "時刻の同期に失敗しました。\r\n\r\nシステムの時刻を変更する権限がない可能性があります。";

class ElevationTest : public ClockTest {
protected:
    // The clock's menu run against a server an hour off, up to its report; then the report's
    // button is pressed and the report is gone.
    void RefusedRunAndTheButton() {
        SyncFromMenu();
        const auto request = server.WaitForRequest(3000);
        ASSERT_TRUE(request);
        firstPort = request->from.sin_port;
        server.SendTo(*request, FakeSntpServer::AnswerTo(*request, kHourMs));
        const HWND report = WaitForReport();
        ASSERT_TRUE(report);
        ASSERT_EQ(kPermissionReport, ReportText(report));
        const HWND button = GetDlgItem(report, IDC_RESULT_ELEVATE);
        EXPECT_EQ(L"管理者として同期(&A)", WindowText(button));
        const RECT b = RectOf(button), ok = RectOf(GetDlgItem(report, IDOK));
        EXPECT_TRUE(b.right == ok.left - 8 && b.top == ok.top && b.bottom == ok.bottom);  // left of OK
        Click((b.left + b.right) / 2, (b.top + b.bottom) / 2);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(report); }));
    }
    FakeSntpServer server;
    USHORT firstPort = 0;
};

TEST_F(ElevationTest, TheButtonSynchronisesInAnElevatedProcessOfItsOwn) {
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Manual));
    const std::string settings = "[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=No\r\n";
    PrepareAndStart(settings, /*limitedToken=*/true);
    for (const int64_t offsetMs : {int64_t(0), kHourMs}) {
        SCOPED_TRACE(offsetMs);
        RefusedRunAndTheButton();
        const auto request = server.WaitForRequest(5000);
        ASSERT_TRUE(request);
        EXPECT_NE(firstPort, request->from.sin_port);  // a socket of its own
        server.SendTo(*request, FakeSntpServer::AnswerTo(*request, offsetMs));
        HWND other = nullptr;
        // (a report is found as soon as it is created; it is filled in before it shows)
        ASSERT_TRUE(WaitFor([&] { return (other = FindWindowW(L"#32770", L"時刻の同期")) && IsWindowVisible(other); }));
        DWORD pid = 0;
        GetWindowThreadProcessId(other, &pid);
        const HANDLE run = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        ASSERT_TRUE(run && pid != pi.dwProcessId);
        const std::string text = ReportText(other);
        if (offsetMs) EXPECT_EQ(kPermissionReport, text);
        else EXPECT_EQ(0u, text.find("システムの時刻を '127.0.0.1' と同期しました。\r\n\r\n取得した時刻: ")) << text;
        EXPECT_FALSE(GetDlgItem(other, IDC_RESULT_ELEVATE));  // never offered there: nothing can loop
        EXPECT_TRUE(IsTopMost(other));
        EXPECT_FALSE(FindTop(pid, L"VelkaroClock", false));
        EXPECT_TRUE(ShowsTheTime(clock, exe, 1));  // the clock ticks on beside it
        ASSERT_TRUE(CloseReport(other));
        DWORD code = 9;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(run, 3000));
        GetExitCodeProcess(run, &code);
        CloseHandle(run);
        EXPECT_EQ(offsetMs ? 1u : 0u, code);
        EXPECT_EQ(settings, SettingsText());  // neither read into a new file nor written
    }
    // The clock records its refusal before the report, the elevated run its own outcome after it.
    const std::string at = kRecordStampPattern, host = "\t127\\.0\\.0\\.1\t",
                      refused = at + "メニュー" + host + "失敗\tシステムの時刻を変更する権限がない可能性があります。\r\n";
    EXPECT_TRUE(std::regex_match(ReadBytes(folder + L"\\Velkaro.log"),
                                 std::regex("\xEF\xBB\xBF" + refused + at + "コマンド" + host + "同期\t[+-]0\\.\\d{3}\t\\d+\\.\\d\r\n" +
                                            refused + at + "コマンド" + host + "失敗\tシステムの.*\r\n")));
    // Nothing there to start: the clock says so.
    ASSERT_TRUE(MoveFileExW(exe.c_str(), (exe + L".moved").c_str(), MOVEFILE_REPLACE_EXISTING));
    RefusedRunAndTheButton();
    const HWND failed = WaitForReport();
    ASSERT_TRUE(failed);
    EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\n管理者として実行できませんでした。", ReportText(failed));
    ASSERT_TRUE(CloseReport(failed));
    EXPECT_EQ(5, server.RequestCount());
    EXPECT_TRUE(Running());
}

TEST_F(ElevationTest, ABadSyncCommandLineEndsAtOnceWithCodeTwo) {
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer));
    Prepare(std::nullopt);
    for (const wchar_t* arguments :
         {L"/sync", L"/SYNC \"\"", L"/sync 127.0.0.1 more", L"/sync ntp_1.example", L"/sync [::1]:123"}) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION run{};
        std::wstring command = L"\"" + exe + L"\" " + arguments;
        ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &run));
        DWORD code = 9;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(run.hProcess, 5000));
        GetExitCodeProcess(run.hProcess, &code);
        EXPECT_EQ(2u, code) << Utf8(arguments);
        TerminateProcess(run.hProcess, 9);
        CloseHandle(run.hProcess);
        CloseHandle(run.hThread);
    }
    EXPECT_EQ(0, server.RequestCount());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder + L"\\Velkaro.ini").c_str()));
}

// A DLL saved beside the executable (in the Downloads folder, say) under the name of one that
// the program or the system loads is never taken: not by the clock with its menu, About box,
// screen reader object and full-screen check, nor by the elevated run.
TEST_F(ElevationTest, NoDllIsTakenFromTheProgramsFolder) {
    constexpr const wchar_t* kPlanted[] = {L"winmm", L"oleacc", L"uxtheme", L"dwmapi", L"bcrypt"};
    // Wine takes its own DLLs unless told to search as Windows does. (version.dll is left out:
    // Wine's own user32 imports it, which Windows' does not.)
    constexpr const wchar_t* kWineDefaults = L"Software\\Wine\\AppDefaults\\Velkaro.exe";
    struct Overrides {
        HKEY key = nullptr;
        ~Overrides() {
            if (key) RegCloseKey(key);
            RegDeleteTreeW(HKEY_CURRENT_USER, kWineDefaults);
        }
    } overrides;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kWineDefaults) + L"\\DllOverrides").c_str(),
                                             0, nullptr, 0, KEY_SET_VALUE, nullptr, &overrides.key, nullptr));
    Prepare("[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=Yes\r\n");
    for (const wchar_t* name : kPlanted) {
        ASSERT_TRUE(CopyFileW((DriverFolder() + L"\\planted.dll").c_str(), (folder + L"\\" + name + L".dll").c_str(), FALSE));
        DeleteFileW((folder + L"\\" + name + L".dll.loaded").c_str());  // a mark of an earlier run
        constexpr wchar_t kNativeFirst[] = L"native,builtin";
        RegSetValueExW(overrides.key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(kNativeFirst), sizeof kNativeFirst);
    }
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer));
    Start();
    OpenMenu();
    ASSERT_TRUE(WaitForMenu());
    Key('A');
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (about = FindTop(pi.dwProcessId, L"#32770")) != nullptr; }));
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(about); }));
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IAccessible* object = nullptr;
    ASSERT_EQ(S_OK, AccessibleObjectFromWindow(clock, DWORD(OBJID_CLIENT), __uuidof(IAccessible),
                                               reinterpret_cast<void**>(&object)));
    object->Release();
    CoUninitialize();
    {
        const HWND front = CreateWindowExW(0, L"STATIC", L"full screen", WS_POPUP | WS_VISIBLE, 0, 0,
                                           GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                                           nullptr, nullptr, nullptr);
        SetForegroundWindow(front);
        EXPECT_TRUE(WaitFor([&] { return !IsTopMost(clock); }, 3000)) << "the full-screen check did not run";
        DestroyWindow(front);
    }
    ASSERT_TRUE(ExitThroughMenuCommand());

    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION run{};
    std::wstring command = L"\"" + exe + L"\" /sync 127.0.0.1";
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &run));
    HWND report = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (report = FindTop(run.dwProcessId, L"#32770")) != nullptr; }, 8000));
    if (report) PostMessageW(report, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(run.hProcess, 5000));
    TerminateProcess(run.hProcess, 9);
    CloseHandle(run.hProcess);
    CloseHandle(run.hThread);
    EXPECT_EQ(1, server.RequestCount());  // the /sync run's (the clock has no start-up run)
    for (const wchar_t* name : kPlanted)
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder + L"\\" + name + L".dll.loaded").c_str()))
            << Utf8(name) << ".dll was loaded from the program's folder";
}

}  // namespace
