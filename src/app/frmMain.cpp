#include "app/frmMain.h"

#include <commctrl.h>
#include <windowsx.h>

#include "app/frmMenus.h"
#include "app/modMain.h"
#include "face/modClock.h"
#include "resource.h"
#include "settings/settings_rules.h"
#include "timesync/modNTP.h"

FrmMain* frmMain = nullptr;

namespace {

constexpr wchar_t kClassName[] = L"VelkaroClock";
constexpr UINT_PTR kTimer1 = 1;    // the clock tick
constexpr UINT_PTR kTmrExit = 2;   // the deferred exit
constexpr UINT kTickMs = 75, kExitDelayMs = 100;
constexpr UINT kWinsock1Event = WM_APP + 1;

}  // namespace

bool FrmMain::Load(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_VELKARO));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);

    if (!picFigures[0].LoadPicture(instance, IDB_FIGURES_LARGE) || !picFigures[1].LoadPicture(instance, IDB_FIGURES_SMALL) ||
        !imgBody[0].LoadPicture(instance, IDB_FACE_LARGE) || !imgBody[1].LoadPicture(instance, IDB_FACE_SMALL))
        return false;

    // Created as an ordinary overlapped window so that the system picks its default place for
    // a new window, then stripped of its frame. No owner: a tool window keeps it off the
    // taskbar, and an unowned window changes its topmost state reliably everywhere.
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"Form1", WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
    if (!hwnd_) return false;
    SetWindowLongPtrW(hwnd_, GWL_STYLE, WS_POPUP | WS_CLIPSIBLINGS);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    // The tooltip has no parent window either (see above).
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                               0, nullptr, nullptr, instance, nullptr);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;  // the mouse is relayed by Handle
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));

    Winsock1.Attach(hwnd_, kWinsock1Event);
    SetTimer(hwnd_, kTimer1, kTickMs, nullptr);
    return true;
}

void FrmMain::Unload() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void FrmMain::FitToFace() {
    SetWindowPos(hwnd_, nullptr, 0, 0, picBody.width(), picBody.height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FrmMain::RefreshFace() {
    if (HDC dc = GetDC(hwnd_)) {
        BitBlt(dc, 0, 0, picBody.width(), picBody.height(), picBody.hdc(), 0, 0, SRCCOPY);
        ReleaseDC(hwnd_, dc);
    }
}

void FrmMain::SetTooltipText(const std::string& utf8) {
    std::wstring text = Utf8ToWide(utf8);
    if (text == tooltipText_) return;  // the same text again would only make a shown tip flicker
    tooltipText_ = std::move(text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    tool.lpszText = tooltipText_.data();
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void FrmMain::EnableExitTimer() {
    if (exitTimerEnabled_) return;  // a second request changes nothing
    exitTimerEnabled_ = true;
    SetTimer(hwnd_, kTmrExit, kExitDelayMs, nullptr);
}

void FrmMain::FormMouseMove(WPARAM buttons) {
    // Only the left button alone drags; the face is the caption.
    if ((buttons & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != MK_LBUTTON) return;
    ReleaseCapture();
    SendMessageA(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void FrmMain::FormMouseUp(int button) {
    if (button == 2 && frmMenus) frmMenus->PopupMenu();
}

void FrmMain::FormDblClick() {
    if (Settings.EXITbyDblClick) EnableExitTimer();
}

void FrmMain::FormUnload() {
    if (tooltip_) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
    hwnd_ = nullptr;
    frmMain = nullptr;
    if (!frmMenus) PostQuitMessage(0);  // no window left
}

LRESULT CALLBACK FrmMain::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<FrmMain*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<FrmMain*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

LRESULT FrmMain::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = hwnd_;
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST && tooltip_) {
        // The tooltip sees the mouse through this relay rather than by subclassing the window,
        // which would cost a window-property lookup on every message, each tick included.
        const DWORD at = GetMessagePos();
        MSG relayed{hwnd, message, wParam, lParam, DWORD(GetMessageTime()), {GET_X_LPARAM(at), GET_Y_LPARAM(at)}};
        SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
        if (message == WM_MOUSEMOVE && !trackingLeave_) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
            trackingLeave_ = TrackMouseEvent(&track);
        }
    } else if (message == WM_MOUSELEAVE) {
        trackingLeave_ = false;
        if (tooltip_) SendMessageW(tooltip_, TTM_POP, 0, 0);  // the mouse left: so does the tip
    }
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        BitBlt(dc, 0, 0, picBody.width(), picBody.height(), picBody.hdc(), 0, 0, SRCCOPY);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // the face covers every pixel
    case WM_MOUSEMOVE:
        FormMouseMove(wParam);
        return 0;
    case WM_LBUTTONDOWN:
        // The press itself already hands the window to the system's move loop, so that the
        // very first movement carries it; a click without movement still moves nothing.
        FormMouseMove(wParam);
        return 0;
    case WM_RBUTTONUP:
        FormMouseUp(2);
        return 0;
    case WM_LBUTTONDBLCLK:
        FormDblClick();
        return 0;
    case WM_TIMER:
        if (wParam == kTimer1) {
            DrawClock();
        } else if (wParam == kTmrExit) {
            // A synchronisation still on the stack (waiting, reporting, or in the resume
            // delay) is told to end quietly first; the timer ticks again once it has.
            if (TimeSyncBusy()) {
                CancelTimeSync();
                return 0;
            }
            KillTimer(hwnd, kTmrExit);
            ShutdownApp();
        }
        return 0;
    case kWinsock1Event:
        if (!Winsock1.Owns(wParam)) return 0;  // an event of a socket closed since
        if (const int error = WSAGETSELECTERROR(lParam)) Winsock1_Error(error, SocketErrorDescription(error));
        else if (WSAGETSELECTEVENT(lParam) == FD_READ) Winsock1_DataArrival();
        return 0;
    case WM_CLOSE:
        // The system's close command and Alt+F4 take the same way out as the menu's exit,
        // so the place the clock was dragged to is saved.
        EnableExitTimer();
        return 0;
    case WM_ENDSESSION:
        // Windows is ending the session and may end the process right after this message.
        if (wParam) ShutdownApp();
        return 0;
    case WM_DESTROY:
        KillTimer(hwnd, kTimer1);
        KillTimer(hwnd, kTmrExit);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        FormUnload();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
