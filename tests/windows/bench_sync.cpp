// Prints, for synchronisations against a server in this process on 127.0.0.1:123: the time
// from the reply's departure to the SetSystemTime call, how far the time handed over lies from
// the server's time at that moment, and the CPU time of a one-second wait for a silent server.
// Run by scripts/bench; not part of the test run.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "../support/fake_sntp.h"
#include "app/frmMain.h"
#include "common/win32.h"
#include "timesync/modNTP.h"

namespace {
HANDLE uiThread;
double waitCpuMs = 0, waitWallMs = 0;
int64_t waitStart = 0;

double ThreadCpuMs(HANDLE thread) {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(thread, &created, &exited, &kernel, &user);
    auto ms = [](FILETIME t) { return double(ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}
double cpuBefore = 0;

// Notes the UI thread's CPU time when the time-out report appears, then closes it.
DWORD WINAPI WatchForReport(LPVOID) {
    for (;;) {
        if (HWND report = FindWindowW(L"#32770", L"時刻の同期")) {
            waitCpuMs = ThreadCpuMs(uiThread) - cpuBefore;
            waitWallMs = MillisecondsSince(waitStart);
            PostMessageW(report, WM_COMMAND, IDOK, 0);
            return 0;
        }
        Sleep(2);
    }
}
}  // namespace

int main() {
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &uiThread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    static FrmMain form;
    frmMain = &form;
    if (!form.Load(GetModuleHandleW(nullptr))) return 1;

    {
        FakeSntpServer server;
        if (!server.Start(FakeSntpServer::Mode::Answer)) {
            std::puts("cannot bind 127.0.0.1:123");
            return 1;
        }
        std::vector<double> replyToSet, takenToSet, error;
        for (int i = 0; i < 50; ++i) {
            SyncSystemTime(false, "127.0.0.1");
            const SyncTimings t = LastSyncTimings();
            replyToSet.push_back(MillisecondsSince(server.lastAnsweredAt, t.setAt));
            takenToSet.push_back(MillisecondsSince(t.takenAt, t.setAt));
            // The server's time at the moment of the call: its transmit time plus what passed since.
            error.push_back(double(t.setUnixMs) - (server.lastAnswerUnixMs + replyToSet.back()));
            Sleep(20);
        }
        std::sort(replyToSet.begin(), replyToSet.end());
        std::sort(takenToSet.begin(), takenToSet.end());
        double meanAbs = 0, maxAbs = 0;
        for (double e : error) meanAbs += std::fabs(e) / double(error.size()), maxAbs = std::max(maxAbs, std::fabs(e));
        std::printf("reply sent to SetSystemTime: median %.3f ms, max %.3f ms (50 runs)\n", replyToSet[25], replyToSet.back());
        std::printf("reply taken from the socket to SetSystemTime: median %.3f ms, max %.3f ms\n", takenToSet[25],
                    takenToSet.back());
        std::printf("time handed over vs server time: mean |error| %.3f ms, max %.3f ms\n", meanAbs, maxAbs);
    }

    // The CPU clock of a thread counts in coarse steps: ten waits give a fair mean.
    double totalCpu = 0, totalWall = 0;
    for (int i = 0; i < 10; ++i) {
        cpuBefore = ThreadCpuMs(uiThread);
        waitStart = PerformanceNow();
        HANDLE watcher = CreateThread(nullptr, 0, WatchForReport, nullptr, 0, nullptr);
        SyncSystemTime(false, "127.0.0.1");  // nobody listens now: the wait runs its second out
        WaitForSingleObject(watcher, 5000);
        CloseHandle(watcher);
        totalCpu += waitCpuMs;
        totalWall += waitWallMs;
    }
    std::printf("one-second wait for a silent server: %.0f ms until the report, %.1f ms of CPU (mean of 10)\n",
                totalWall / 10, totalCpu / 10);
    return 0;
}
