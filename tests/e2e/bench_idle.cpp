// Prints how long the clock takes from its start to the first painted face, then lets it tick
// for the given seconds while scripts/bench reads its CPU time from the Linux side (Wine does
// not report another process's times). Not part of the test run.
#include "clock_fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

int g_seconds = 60;

class Bench : public ClockTest {};

TEST_F(Bench, StartToFaceAndIdleCpu) {
    Prepare(std::nullopt);
    LARGE_INTEGER frequency, begin, painted;
    QueryPerformanceFrequency(&frequency);
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
    std::printf("start to first painted face: %.0f ms\n", double(painted.QuadPart - begin.QuadPart) * 1000.0 / double(frequency.QuadPart));

    std::fflush(stdout);
    Sleep(DWORD(g_seconds + 4) * 1000);
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc > 1) g_seconds = std::max(1, std::atoi(argv[1]));
    return RUN_ALL_TESTS();
}
