// The message pump of the nested waits, and their clock.
#include "common/message_pump.h"

#include <windows.h>

#include <cmath>

bool PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

int64_t PerformanceNow() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double MillisecondsSince(int64_t earlier, int64_t now) {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return double(frequency.QuadPart) / 1000.0;
    }();
    return double(now - earlier) / ticksPerMs;
}

void WaitForMessages(double milliseconds) {
    if (milliseconds <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(milliseconds + 0.999), QS_ALLINPUT);
}

WaitEnd WaitServingWindows(void* object, double limitMs, const std::function<bool()>& abandoned) {
    const HANDLE handle = object;
    const int64_t start = PerformanceNow();
    for (;;) {
        if (!handle || WaitForSingleObject(handle, 0) == WAIT_OBJECT_0) return WaitEnd::Signalled;
        const double left = limitMs - MillisecondsSince(start);
        if (left <= 0) return WaitEnd::TimedOut;
        const DWORD wait = std::isinf(left) ? INFINITE : DWORD(left + 0.999);
        MsgWaitForMultipleObjects(1, &handle, FALSE, wait, QS_ALLINPUT);
        if (!PumpMessages() || abandoned()) return WaitEnd::Abandoned;
    }
}
