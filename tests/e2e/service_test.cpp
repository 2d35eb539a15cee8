// The time service: installed by the driver (which counts as elevated under Wine), it sets the
// time for clocks with a limited token; garbage on its pipe leaves it serving; removed, it
// leaves nothing behind. The time server is in this driver on 127.0.0.1:123.
#include <sddl.h>
#include <shlobj.h>

#include <regex>
#include <tuple>

#include "clock_fixture.h"

#include "../support/fake_sntp.h"

namespace {

constexpr const wchar_t* kPipe = L"\\\\.\\pipe\\VelkaroTime";

std::wstring InstalledCopy() {
    wchar_t* programFiles = nullptr;
    SHGetKnownFolderPath(FOLDERID_ProgramFiles, 0, nullptr, &programFiles);
    const std::wstring copy = std::wstring(programFiles) + L"\\Velkaro\\Velkaro.exe";
    CoTaskMemFree(programFiles);
    return copy;
}

// The service's state (SERVICE_STOPPED, SERVICE_RUNNING, ...), 0 when it is not registered; and
// its process.
DWORD ServiceState(DWORD* process = nullptr) {
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    const SC_HANDLE service = manager ? OpenServiceW(manager, L"VelkaroTime", SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS_PROCESS status{};
    DWORD size = 0;
    const DWORD state = service && QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                                        sizeof status, &size)
                            ? status.dwCurrentState
                            : 0;
    if (process) *process = status.dwProcessId;
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
    return state;
}

std::vector<std::wstring> ApprovedServers() {
    wchar_t list[1024] = L"";
    DWORD size = sizeof list;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Velkaro", L"Servers", RRF_RT_REG_MULTI_SZ, nullptr, list, &size))
        return {};
    std::vector<std::wstring> servers;
    for (const wchar_t* s = list; *s; s += wcslen(s) + 1) servers.emplace_back(s);
    return servers;
}

// A client of the pipe of its own, once the service listens again after the one before.
HANDLE OpenPipe() {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    WaitFor([&] {
        pipe = CreateFileW(kPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        return pipe != INVALID_HANDLE_VALUE || (WaitNamedPipeW(kPipe, 500), false);
    });
    return pipe;
}

// What a client sends and what, if anything, it is answered.
std::string PipeAnswerTo(const std::string& message) {
    const HANDLE pipe = OpenPipe();
    if (pipe == INVALID_HANDLE_VALUE) return "<no pipe>";
    DWORD mode = PIPE_READMODE_MESSAGE, n = 0;
    SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
    char answer[256] = "";
    const bool answered = WriteFile(pipe, message.data(), DWORD(message.size()), &n, nullptr) &&
                          ReadFile(pipe, answer, sizeof answer, &n, nullptr);
    CloseHandle(pipe);
    return answered ? std::string(answer, n) : "<closed>";
}

const std::regex kSuccess(
    "システムの時刻を '127\\.0\\.0\\.1' と同期しました。\r\n\r\n"
    "取得した時刻: \\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\r\n"
    "Stratum: 1\u3000Poll Interval: 6\u3000Precision: -20\r\n"
    "応答遅延: \\d+\\.\\dms\u3000推定伝送遅延: \\d+\\.\\dms");

class ServiceTest : public ClockTest {
protected:
    void TearDown() override {
        ClockTest::TearDown();
        Run(L"/uninstall-service");  // nothing left for the tests after this one
    }
    // The executable with these arguments, as the driver (elevated); its exit code. With a report
    // asked for, the run must show one: its text is read and it is closed with OK.
    DWORD Run(const std::wstring& arguments, std::string* report = nullptr) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION run{};
        std::wstring command = L"\"" + exe + L"\" " + arguments;
        if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &run))
            return 99;
        if (report) {
            HWND shown = nullptr;
            WaitFor([&] { return (shown = FindTop(run.dwProcessId, L"#32770")) != nullptr; }, 20000);
            *report = shown ? ReportText(shown) : "<no report>";
            if (shown) CloseReport(shown);
        }
        DWORD code = 98;
        if (WaitForSingleObject(run.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(run.hProcess, &code);
        else if (const HWND shown = FindTop(run.dwProcessId, L"#32770")) ADD_FAILURE() << ReportText(shown);
        TerminateProcess(run.hProcess, 97);
        CloseHandle(run.hProcess);
        CloseHandle(run.hThread);
        return code;
    }
    void Restart(const std::string& settings, bool limited) {
        if (Running()) {
            ASSERT_TRUE(ExitThroughMenuCommand());
        }
        ClockTest::TearDown();
        pi = {};
        PrepareAndStart(settings, limited);
    }
    FakeSntpServer server;
};

TEST_F(ServiceTest, LimitedClocksSynchroniseThroughTheServiceOnlyWithApprovedServers) {
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer));
    Prepare(std::nullopt);
    EXPECT_EQ(2u, Run(L"/install-service"));
    EXPECT_EQ(2u, Run(L"/install-service 127.0.0.1:123"));
    EXPECT_EQ(0u, ServiceState());
    ASSERT_EQ(0u, Run(L"/INSTALL-SERVICE 127.0.0.1"));
    ASSERT_EQ(DWORD(SERVICE_STOPPED), ServiceState());
    EXPECT_EQ((std::vector<std::wstring>{L"127.0.0.1", L"ntp.nict.jp", L"pool.ntp.org", L"time.cloudflare.com"}),
              ApprovedServers());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(InstalledCopy().c_str()));
    {
        const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
        const SC_HANDLE service = OpenServiceW(manager, L"VelkaroTime", SERVICE_QUERY_CONFIG);
        alignas(QUERY_SERVICE_CONFIGW) BYTE buffer[8192];
        const auto* c = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer);
        DWORD size = 0;
        ASSERT_TRUE(QueryServiceConfigW(service, reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer), sizeof buffer, &size));
        EXPECT_EQ(L"\"" + InstalledCopy() + L"\" /service|3|16|NT AUTHORITY\\LocalService|Velkaro 時刻合わせ",
                  std::wstring(c->lpBinaryPathName) + L"|" + std::to_wstring(c->dwStartType) + L"|" +
                      std::to_wstring(c->dwServiceType) + L"|" + c->lpServiceStartName + L"|" + c->lpDisplayName);
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
    }

    // At start-up: through the service (which the clock starts), quietly.
    const std::string settings = "[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=No\r\nUseNTP=Yes\r\n";
    Restart(settings, /*limited=*/true);
    ASSERT_TRUE(server.WaitForRequest(8000));
    EXPECT_EQ(DWORD(SERVICE_RUNNING), ServiceState());
    EXPECT_FALSE(WaitForReport(1500));
    // From the menu: the success report, worded as a run in the clock's own process words it.
    SyncFromMenu();
    HWND report = WaitForReport(8000);
    ASSERT_TRUE(report);
    EXPECT_TRUE(std::regex_match(ReportText(report), kSuccess)) << ReportText(report);
    ASSERT_TRUE(CloseReport(report));
    EXPECT_EQ(2, server.RequestCount());
    // Both recorded by the clock from the service's answers, with their corrections.
    const std::string set = "\t127\\.0\\.0\\.1\t同期\t[+-]0\\.\\d{3}\t\\d+\\.\\d\r\n";
    EXPECT_TRUE(std::regex_match(ReadBytes(folder + L"\\Velkaro.log"), std::regex("\xEF\xBB\xBF" + kRecordStampPattern + "起動時" + set + kRecordStampPattern + "メニュー" + set)));

    // Garbage leaves the service serving; so do clients that hold the pipe without a word or
    // without reading their answer: the next clock is served after them.
    for (const std::string& garbage : {std::string(), std::string(600, 'S'), std::string("\x00\xff SYNC", 7),
                                       std::string("SYNC 127.0.0.1\r\n")})
        EXPECT_EQ("BAD-REQUEST", PipeAnswerTo(garbage)) << garbage.size();
    // A clock of the earlier version is answered with the seven numbers it reads, this one with eight.
    EXPECT_TRUE(std::regex_match(PipeAnswerTo("SYNC 127.0.0.1"), std::regex("SET\n(\\d+ ){6}\\d+"))) << PipeAnswerTo("SYNC 127.0.0.1");
    EXPECT_TRUE(std::regex_match(PipeAnswerTo("SYNC2 127.0.0.1"), std::regex("SET\n(\\d+ ){7}-?\\d+")));
    const HANDLE silent = OpenPipe();
    EXPECT_NE(INVALID_HANDLE_VALUE, silent);
    SyncFromMenu();
    report = WaitForReport(8000);
    ASSERT_TRUE(report);
    EXPECT_TRUE(std::regex_match(ReportText(report), kSuccess)) << ReportText(report);
    ASSERT_TRUE(CloseReport(report));
    CloseHandle(silent);
    EXPECT_EQ(5, server.RequestCount());

    // A server the service does not know: refused before any datagram, with the button.
    Restart("[Velkaro 1.20]\r\nNTPServer=127.0.0.9\r\nTopMost=No\r\n", /*limited=*/true);
    SyncFromMenu();
    report = WaitForReport(8000);
    ASSERT_TRUE(report);
    EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\nNTPサーバー '127.0.0.9' は時刻合わせサービスに登録されていません。",
              ReportText(report));
    EXPECT_EQ(L"管理者として同期(&A)", WindowText(GetDlgItem(report, IDC_RESULT_ELEVATE)));
    ASSERT_TRUE(CloseReport(report));
    EXPECT_EQ(5, server.RequestCount());

    // An elevated clock sets the time in its own process: the service is not asked.
    ASSERT_TRUE(ExitThroughMenuCommand());
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    const SC_HANDLE service = OpenServiceW(manager, L"VelkaroTime", SERVICE_STOP);
    SERVICE_STATUS status{};
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    ASSERT_TRUE(WaitFor([] { return ServiceState() == SERVICE_STOPPED; }, 10000));
    Restart(settings, /*limited=*/false);
    ASSERT_TRUE(server.WaitForRequest(8000));
    EXPECT_FALSE(WaitForReport(1000));
    EXPECT_EQ(DWORD(SERVICE_STOPPED), ServiceState());

    // Removed: no service, no copy, no key.
    ASSERT_TRUE(ExitThroughMenuCommand());
    EXPECT_EQ(0u, Run(L"/uninstall-service"));
    EXPECT_EQ(0u, ServiceState());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(InstalledCopy().c_str()));
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Velkaro", 0, KEY_READ, &key));
}

// The options dialog's shield button acts at once, elevated, and its line follows the outcome.
TEST_F(ServiceTest, TheOptionsButtonInstallsWithTheTypedServerAndRemoves) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\n", /*limited=*/true);
    PostMessageW(menus, WM_COMMAND, IDM_OPTION, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dialog = FindTitled(L"オプション")) != nullptr; }));
    const HWND line = GetDlgItem(dialog, IDC_OPT_SERVICE_STATE), button = GetDlgItem(dialog, IDC_CMD_SERVICE);
    auto press = [&] { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CMD_SERVICE, BN_CLICKED), LPARAM(button)); };
    EXPECT_EQ(L"時刻合わせサービス: 登録されていません", WindowText(line));
    EXPECT_EQ(L"サービスを登録(&V)...", WindowText(button));
    SendMessageW(GetDlgItem(dialog, IDC_CMB_SERVERS), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"127.0.0.7"));
    press();
    ASSERT_TRUE(WaitFor([&] { return WindowText(line) == L"時刻合わせサービス: 登録済み"; }, 20000));
    EXPECT_EQ(L"サービスを削除(&V)...", WindowText(button));
    EXPECT_EQ(L"127.0.0.7", ApprovedServers().at(0));
    press();
    ASSERT_TRUE(WaitFor([&] { return WindowText(line) == L"時刻合わせサービス: 登録されていません"; }, 20000));
    EXPECT_EQ(0u, ServiceState());
    EXPECT_TRUE(ApprovedServers().empty());
}

DWORD WINAPI ConnectAndCloseThrice(void*) {
    for (int connected = 0; connected < 3;) {
        const HANDLE pipe = CreateFileW(kPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) ++connected, CloseHandle(pipe);
    }
    return 0;
}

// Clients that connect and go without a word cost the service nothing; an update and a removal
// right after a run wait for the service's process to end, so the copy is replaced and then gone.
TEST_F(ServiceTest, SilentClientsAnUpdateAndARemovalWhileTheServiceRuns) {
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer));
    Prepare(std::nullopt);
    ASSERT_EQ(0u, Run(L"/install-service 127.0.0.1"));
    // Three clients that connect and close at once, the first as soon as the pipe is there.
    const HANDLE clients = CreateThread(nullptr, 0, ConnectAndCloseThrice, nullptr, 0, nullptr);
    {
        const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
        const SC_HANDLE service = OpenServiceW(manager, L"VelkaroTime", SERVICE_START);
        EXPECT_TRUE(StartServiceW(service, 0, nullptr));
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
    }
    const bool clientsDone = WaitForSingleObject(clients, 10000) == WAIT_OBJECT_0;
    TerminateThread(clients, 0);
    CloseHandle(clients);
    ASSERT_TRUE(clientsDone);
    DWORD serviceProcess = 0, process = 0;
    ASSERT_EQ(DWORD(SERVICE_RUNNING), ServiceState(&serviceProcess));
    Restart("[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=No\r\n", /*limited=*/true);
    SyncFromMenu();
    HWND report = WaitForReport(8000);
    ASSERT_TRUE(report);
    EXPECT_TRUE(std::regex_match(ReportText(report), kSuccess)) << ReportText(report);
    ASSERT_TRUE(CloseReport(report));
    ServiceState(&process);
    EXPECT_EQ(serviceProcess, process);

    // A newer executable (these bytes more) replaces the running service's copy.
    const std::wstring current = exe, newer = folder + L"\\newer";
    CreateDirectoryW(newer.c_str(), nullptr);
    const std::string newerBytes = ReadBytes(exe) + "newer";
    WriteBytes(exe = newer + L"\\Velkaro.exe", newerBytes);
    EXPECT_EQ(0u, Run(L"/install-service 127.0.0.1"));
    exe = current;
    EXPECT_TRUE(newerBytes == ReadBytes(InstalledCopy())) << "the copy is not the newer executable";

    // The newer copy serves; removed right after, nothing is left for a restart.
    SyncFromMenu();
    report = WaitForReport(8000);
    ASSERT_TRUE(report);
    EXPECT_TRUE(std::regex_match(ReportText(report), kSuccess)) << ReportText(report);
    ASSERT_TRUE(CloseReport(report));
    EXPECT_EQ(DWORD(SERVICE_RUNNING), ServiceState());
    EXPECT_EQ(0u, Run(L"/uninstall-service"));
    EXPECT_EQ(0u, ServiceState());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(InstalledCopy().c_str())) << "the copy is still there";
}

// The service sets no time further off than MaxCorrection allows (15 hours without it); the
// administrator's own run may, and is offered. The system's refusal and a failed exchange come
// back from the service in the words a run of the clock's own would use.
TEST_F(ServiceTest, NoStepLargerThanTheAdministratorAllowsAndTheServicesFailuresReachTheReport) {
    Prepare(std::nullopt);
    ASSERT_EQ(0u, Run(L"/install-service 127.0.0.1"));
    const std::string tooLarge = "時刻の同期に失敗しました。\r\n\r\nNTPサーバー '127.0.0.1' の時刻がこのパソコンの時刻から"
                                 "大きくずれているため、時刻合わせサービスでは合わせません。";
    const std::string refused = "時刻の同期に失敗しました。\r\n\r\nシステムの時刻を変更する権限がない可能性があります。";
    constexpr int64_t kHour = 3600 * 1000;
    const std::tuple<std::optional<DWORD>, int64_t, std::string> cases[] = {
        {std::nullopt, 16 * kHour, tooLarge},
        {std::nullopt, -16 * kHour, tooLarge},
        {std::nullopt, kHour, refused},  // Wine refuses any step over half a second
        {3600u, 2 * kHour, tooLarge},
        {0xFFFFFFFFu, 16 * kHour, refused},
    };
    Restart("[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=No\r\n", /*limited=*/true);
    int requests = 0;
    for (const auto& [limit, offsetMs, text] : cases) {
        SCOPED_TRACE(std::to_string(limit.value_or(42)) + " " + std::to_string(offsetMs));
        if (limit) {
            const DWORD value = *limit;
            ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Velkaro", L"MaxCorrection",
                                                     REG_DWORD, &value, sizeof value));
        } else {
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Velkaro", L"MaxCorrection");
        }
        server.Stop();
        ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer, offsetMs));
        SyncFromMenu();
        const HWND report = WaitForReport(8000);
        ASSERT_TRUE(report);
        EXPECT_EQ(text, ReportText(report));
        EXPECT_EQ(L"管理者として同期(&A)", WindowText(GetDlgItem(report, IDC_RESULT_ELEVATE)));
        ASSERT_TRUE(CloseReport(report));
        EXPECT_EQ(++requests, server.RequestCount());
    }
    // A run of the service's that fails: its own words reach the report.
    server.Stop();
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Silent));
    SyncFromMenu();
    const HWND report = WaitForReport(8000);
    ASSERT_TRUE(report);
    EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\nNTPサーバー '127.0.0.1' の応答がありません。", ReportText(report));
    ASSERT_TRUE(CloseReport(report));
    EXPECT_EQ(++requests, server.RequestCount());
}

// Another program's pipe under the service's name is never taken for the service: nothing is
// written to it, and the clock says it cannot reach the service.
TEST_F(ServiceTest, APipeOfAnotherProgramIsNeverTakenForTheService) {
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer));
    Prepare(std::nullopt);
    ASSERT_EQ(0u, Run(L"/install-service 127.0.0.1"));  // installed, not running
    const HANDLE squatter = CreateNamedPipeW(kPipe, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                             PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, squatter);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ConnectNamedPipe(squatter, &overlapped);
    Restart("[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=No\r\n", /*limited=*/true);
    SyncFromMenu();
    const HWND report = WaitForReport(8000);
    ASSERT_TRUE(report);
    EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\n時刻合わせサービスに接続できません。", ReportText(report));
    ASSERT_TRUE(CloseReport(report));
    // The clock came (and went) without a word.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(overlapped.hEvent, 0)) << "the clock never opened the pipe";
    char request[256];
    DWORD read = 0;
    ResetEvent(overlapped.hEvent);
    const bool gotMessage = ReadFile(squatter, request, sizeof request, &read, &overlapped) ||
                            (GetLastError() == ERROR_IO_PENDING && WaitForSingleObject(overlapped.hEvent, 1000) == WAIT_OBJECT_0 &&
                             GetOverlappedResult(squatter, &overlapped, &read, FALSE));
    CancelIo(squatter);
    EXPECT_FALSE(gotMessage) << std::string(request, read);
    CloseHandle(overlapped.hEvent);
    CloseHandle(squatter);
    EXPECT_EQ(0, server.RequestCount());
}

// A registration or removal that fails says so, with the system's reason, and ends with 1; a
// service start by hand ends with 2.
TEST_F(ServiceTest, ARegistrationOrRemovalThatFailsSaysWhyAndEndsWithOne) {
    Prepare(std::nullopt);
    EXPECT_EQ(2u, Run(L"/service"));
    const std::wstring copy = InstalledCopy(), copyFolder = copy.substr(0, copy.rfind(L'\\'));
    CreateDirectoryW(copyFolder.c_str(), nullptr);
    const HANDLE held = CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);  // another program holds the copy: it cannot be replaced
    std::string text;
    DWORD code = Run(L"/install-service 127.0.0.1", &text);
    CloseHandle(held);
    const std::string installFailed = "時刻合わせサービスを登録できませんでした。\r\n\r\n";
    EXPECT_EQ(0u, text.find(installFailed)) << text;
    EXPECT_GT(text.size(), installFailed.size()) << "without the reason";
    EXPECT_EQ(1u, code);
    EXPECT_EQ(0u, ServiceState());

    // The service's key of the registry cannot be deleted.
    ASSERT_EQ(0u, Run(L"/install-service 127.0.0.1"));
    auto keySecurity = [](const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        HKEY key = nullptr;
        const bool done = ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr) &&
                          !RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Velkaro", 0, WRITE_DAC, &key) &&
                          !RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
        if (key) RegCloseKey(key);
        LocalFree(descriptor);
        return done;
    };
    ASSERT_TRUE(keySecurity(L"D:(D;;SD;;;WD)(A;;KA;;;WD)"));  // nobody may delete it
    code = Run(L"/uninstall-service", &text);
    EXPECT_TRUE(keySecurity(L"D:(A;;KA;;;WD)"));
    const std::string removalFailed = "時刻合わせサービスを削除できませんでした。\r\n\r\n";
    EXPECT_EQ(0u, text.find(removalFailed)) << text;
    EXPECT_GT(text.size(), removalFailed.size()) << "without the reason";
    EXPECT_EQ(1u, code);
}

}  // namespace
