// Prints the clock's costs under Wine: start to the first painted face; CPU time over the given
// seconds of ticking with the colon still and blinking, side by side with a bare window that
// has the clock's former 75 ms timer and draws nothing; and CPU time during the one-second wait for a server that never answers. CPU times
// are read from the Linux side (Wine reports no times for another process). Not part of the
// test run: scripts/bench runs it.
#include "../tests/e2e/clock_fixture.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../tests/support/fake_sntp.h"

namespace {

int g_seconds = 60;

class Bench : public ClockTest {
protected:
    void TearDown() override {
        EndBareWindow();
        ClockTest::TearDown();
    }
    void EndBareWindow() {
        if (!bare.hProcess) return;
        TerminateProcess(bare.hProcess, 0);
        CloseHandle(bare.hProcess);
        CloseHandle(bare.hThread);
        bare = {};
    }
    // The CPU time of the running clock over the seconds of idle ticking, beside a bare window with
    // the 75 ms timer the clock once had: both printed, with their ratio.
    void PrintIdleBesideBareWindow(const char* what) {
        const std::wstring bareExe = DriverFolder() + L"\\bare_window.exe";
        std::wstring bareCommand = L"\"" + bareExe + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        ASSERT_TRUE(CreateProcessW(bareExe.c_str(), bareCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &bare));
        ASSERT_TRUE(WaitFor([&] { return FindTop(bare.dwProcessId, L"BareWindow") != nullptr; }, 10000));
        const int clockPid = LinuxPidOf(exe), barePid = LinuxPidOf(bareExe);
        ASSERT_GT(clockPid, 0);
        ASSERT_GT(barePid, 0);
        Sleep(2000);  // both settled
        const double clockBefore = LinuxCpuMs(clockPid), bareBefore = LinuxCpuMs(barePid);
        Sleep(DWORD(g_seconds) * 1000);
        const double clockIdle = LinuxCpuMs(clockPid) - clockBefore, bareIdle = LinuxCpuMs(barePid) - bareBefore;
        std::printf("CPU time over %d s of ticking, %s: clock %.1f ms, bare window with a 75 ms timer %.1f ms (%.2fx)\n",
                    g_seconds, what, clockIdle, bareIdle, clockIdle / bareIdle);
        EndBareWindow();
        idleMs = clockIdle;
    }
    PROCESS_INFORMATION bare{};
    double idleMs = 0;  // the clock's figure of the last measurement
};

double MsBetween(const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(b.QuadPart - a.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

TEST_F(Bench, StartIdleAndWait) {
    Prepare("[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=Yes\r\n");  // topmost: the tick also looks for full-screen programs
    LARGE_INTEGER begin, painted;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring command = L"\"" + exe + L"\"";
    QueryPerformanceCounter(&begin);
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi));
    ASSERT_TRUE(WaitFor(
        [&] {
            clock = FindTop(pi.dwProcessId, L"VelkaroClock");
            if (!clock) return false;
            const Pixels p = CaptureScreen(RectOf(clock));
            return std::any_of(p.data.begin(), p.data.end(), [&](COLORREF c) { return c != p.data[0]; });
        },
        10000));
    QueryPerformanceCounter(&painted);
    menus = FindTop(pi.dwProcessId, L"VelkaroMenus", false);
    std::printf("start to first painted face: %.0f ms\n", MsBetween(begin, painted));

    PrintIdleBesideBareWindow("Blink off");
    const double idleAt96 = idleMs;
    const int clockPid = LinuxPidOf(exe);

    FakeSntpServer server;
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Silent));
    std::atomic<double> cpuAtRequest{0};
    server.onRequest = [&](const SntpRequest&) { cpuAtRequest = LinuxCpuMs(clockPid); };
    constexpr int kRuns = 5;
    double setUp = 0, wait = 0;
    for (int run = 0; run < kRuns; ++run) {
        Sleep(300);
        const double cpuAtCommand = LinuxCpuMs(clockPid);
        PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
        const auto request = server.WaitForRequest(2000);
        ASSERT_TRUE(request);
        LARGE_INTEGER now;
        do QueryPerformanceCounter(&now);
        while (MsBetween(LARGE_INTEGER{.QuadPart = request->arrivedAt}, now) < 990);
        wait += LinuxCpuMs(clockPid) - cpuAtRequest;
        setUp += cpuAtRequest - cpuAtCommand;
        const HWND report = WaitForReport();
        ASSERT_TRUE(report && CloseReport(report));
    }
    std::printf("CPU time of a synchronisation against a silent server (mean of %d): %.2f ms from the command to "
                "the request, %.2f ms during the wait (the 990 ms after the request)\n",
                kRuns, setUp / kRuns, wait / kRuns);

    // The colon blinking: two changes of the face a second.
    ASSERT_TRUE(ExitThroughMenuCommand());
    ClockTest::TearDown();
    PrepareAndStart("[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=Yes\r\nBlink=Yes\r\nBlinkDelay=500\r\n");
    PrintIdleBesideBareWindow("Blink on (BlinkDelay 500)");
    const double blinkOn = idleMs;

    // Seconds on the face, Blink off: one change a second, which must cost no more than the blink.
    ASSERT_TRUE(ExitThroughMenuCommand());
    ClockTest::TearDown();
    PrepareAndStart("[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=Yes\r\nShowSeconds=Yes\r\n");
    PrintIdleBesideBareWindow("seconds, Blink off");
    std::printf("seconds beside Blink on: %.2fx\n", idleMs / blinkOn);

    // The hour signal on, seconds off: the clock wakes for it only in the hour's last seconds.
    ASSERT_TRUE(ExitThroughMenuCommand());
    ClockTest::TearDown();
    PrepareAndStart("[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=Yes\r\nTimeSignal=Yes\r\n");
    PrintIdleBesideBareWindow("the hour signal on, Blink off");
    std::printf("the hour signal beside Blink off without it: %.2fx\n", idleMs / idleAt96);

    // The same idle ticking at 192 DPI: the face four times as many pixels.
    ASSERT_TRUE(ExitThroughMenuCommand());
    ClockTest::TearDown();
    ASSERT_TRUE(UseDisplayDpi(192));
    Prepare("[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=Yes\r\n");
    Start();
    UseDisplayDpi(0);  // read at start-up
    ASSERT_EQ(194, RectOf(clock).right - RectOf(clock).left);
    const int scaledPid = LinuxPidOf(exe);
    ASSERT_GT(scaledPid, 0);
    Sleep(2000);
    const double scaledBefore = LinuxCpuMs(scaledPid);
    Sleep(DWORD(g_seconds) * 1000);
    const double scaledIdle = LinuxCpuMs(scaledPid) - scaledBefore;
    std::printf("CPU time over %d s of ticking at 192 DPI, Blink off: clock %.1f ms (%.2fx the 96-DPI figure)\n", g_seconds,
                scaledIdle, scaledIdle / idleAt96);
}

// The executable with these arguments (the driver counts as elevated); its exit code.
DWORD RunExe(const std::wstring& exe, const std::wstring& arguments) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION run{};
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &run)) return 99;
    DWORD code = 98;
    if (WaitForSingleObject(run.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(run.hProcess, &code);
    CloseHandle(run.hProcess);
    CloseHandle(run.hThread);
    return code;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

class ServiceBench : public Bench {
protected:
    // From the menu's command to the success report on the screen, in ms.
    double CommandToReport() {
        const DWORD pid = pi.dwProcessId;
        LARGE_INTEGER begin, shown;
        QueryPerformanceCounter(&begin);
        shown = begin;
        PostMessageW(menus, WM_COMMAND, IDM_NTP, 0);
        HWND report = nullptr;
        while (!(report = FindTop(pid, L"#32770")) && MsBetween(begin, shown) < 10000) {
            Sleep(1);
            QueryPerformanceCounter(&shown);
        }
        QueryPerformanceCounter(&shown);
        if (!report || ReportText(report).find("同期しました") == std::string::npos) return -1;
        PostMessageW(report, WM_COMMAND, IDOK, 0);
        WaitFor([&] { return !IsWindow(report); });
        return MsBetween(begin, shown);
    }
    void TearDown() override {
        Bench::TearDown();
        RunExe(exe, L"/uninstall-service");
    }
    // Five menu runs of a clock, the median.
    double MedianOfRuns(bool limited, const char* what) {
        Prepare("[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=No\r\n");
        Start(limited);
        std::vector<double> runs;
        for (int i = 0; i < 5; ++i) runs.push_back(CommandToReport());
        std::printf("menu synchronisation, command to report, %s: median %.1f ms (5 runs, %.1f to %.1f)\n", what,
                    Median(runs), *std::min_element(runs.begin(), runs.end()), *std::max_element(runs.begin(), runs.end()));
        EXPECT_TRUE(ExitThroughMenuCommand());
        ClockTest::TearDown();
        pi = {};
        return Median(runs);
    }
};

TEST_F(ServiceBench, MenuRunThroughTheServiceBesideTheRunInTheProcess) {
    FakeSntpServer server;
    ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Answer));
    const double inProcess = MedianOfRuns(false, "in the clock's process");
    ASSERT_EQ(0u, RunExe(exe, L"/install-service 127.0.0.1"));
    // The first run of a limited clock starts the service.
    Prepare("[Velkaro 1.20]\r\nNTPServer=127.0.0.1\r\nTopMost=No\r\n");
    Start(true);
    std::printf("menu synchronisation, command to report, through the service started by it (cold): %.1f ms\n",
                CommandToReport());
    EXPECT_TRUE(ExitThroughMenuCommand());
    ClockTest::TearDown();
    pi = {};
    const double routed = MedianOfRuns(true, "through the running service");
    std::printf("the service's cost: %+.1f ms\n", routed - inProcess);
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc > 1) g_seconds = std::max(1, std::atoi(argv[1]));
    return RUN_ALL_TESTS();
}
