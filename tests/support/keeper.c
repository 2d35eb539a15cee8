/* Keeps Wine's desktop process alive between test processes by owning one hidden window.
   Started in the background (output redirected) before the tests; "keeper --stop" ends it. */
#include <windows.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], "--stop") == 0) {
        HWND h = FindWindowW(L"VelkaroTestKeeper", NULL);
        if (h) PostMessageW(h, WM_CLOSE, 0, 0);
        return h ? 0 : 1;
    }
    WNDCLASSW wc = {0};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"VelkaroTestKeeper";
    RegisterClassW(&wc);
    CreateWindowW(L"VelkaroTestKeeper", L"keeper", WS_OVERLAPPED, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    MSG m;
    while (GetMessageW(&m, NULL, 0, 0) > 0) {
        if (m.message == WM_CLOSE) break;
        DispatchMessageW(&m);
    }
    return 0;
}
