// The message pump of the nested waits, and their clock.
#include "common/message_pump.h"

#include <windows.h>

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

void WaitForMessagesOrObject(void* object, double milliseconds) {
    if (milliseconds <= 0) return;
    const HANDLE handle = object;
    MsgWaitForMultipleObjects(handle ? 1 : 0, &handle, FALSE, DWORD(milliseconds + 0.999), QS_ALLINPUT);
}
