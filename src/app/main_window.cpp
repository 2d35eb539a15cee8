// The clock window: its face, tooltip, mouse, timers and the messages of the system.
#include "app/main_window.h"

#include <commctrl.h>
#include <objbase.h>
#include <windowsx.h>

#include <algorithm>

#include "common/desktop.h"
#include "common/dpi.h"
#include "common/numeric.h"
#include "face/clock_accessible.h"
#include "resource.h"
#include "settings/placement.h"
#include "timesync/sntp_win.h"

namespace {

constexpr UINT_PTR kTimer1 = 1;    // the clock tick, set each time for the next one
constexpr UINT_PTR kTmrExit = 2;   // the deferred exit
// WM_GETDPISCALEDSIZE, sent by Windows 10 1703 and later; the headers show it only to programs
// that require that version.
constexpr UINT kGetDpiScaledSize = 0x02E4;
constexpr UINT kExitDelayMs = 100;
// How often a topmost clock looks for a full-screen program in front: on a tick at least 450 ms
// after the last look, and a tick of its own at the latest a second after it, so the clock
// returns to the top within a second of the program's going. Most checks cost two questions to
// the system (the foreground window and its rectangle).
constexpr ULONGLONG kFullScreenCheckMs = 450, kFullScreenLatestMs = 1000;

bool InTopMostBand(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

}  // namespace

bool FrmMain::Load(HINSTANCE instance) {
    if (!face.LoadPictures(instance)) return false;
    WNDCLASSEXW wc{};
    wc.style = CS_DBLCLKS | CS_OWNDC;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_VELKARO));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"VelkaroClock";
    // Created as an ordinary overlapped window so that the system picks its default place for
    // a new window, then stripped of its frame. No owner: a tool window keeps it off the
    // taskbar, and an unowned window changes its topmost state reliably everywhere.
    if (!CreateBound(instance, wc, WS_EX_TOOLWINDOW, L"Form1", WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT,
                     CW_USEDEFAULT, CW_USEDEFAULT))
        return false;
    SetWindowLongPtrW(hwnd_, GWL_STYLE, WS_POPUP | WS_CLIPSIBLINGS);
    face.SetScale(WholeScale(DpiOf(hwnd_)));
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    // The tooltip has no parent window either (see above).
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                               0, nullptr, nullptr, instance, nullptr);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;  // the mouse is relayed by HandleMessage
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    face.Attach(hwnd_, tooltip_);
    SetTimer(hwnd_, kTimer1, USER_TIMER_MINIMUM, Timer1Proc);  // the first tick plans the next
    return true;
}

void FrmMain::Unload() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void FrmMain::EnableExitTimer() {
    if (exitTimerEnabled_ || !hwnd_) return;  // a second request changes nothing
    exitTimerEnabled_ = true;
    SetTimer(hwnd_, kTmrExit, kExitDelayMs, nullptr);
}

void FrmMain::Form_Paint() {
    PAINTSTRUCT ps;
    face.Paint(BeginPaint(hwnd_, &ps));
    EndPaint(hwnd_, &ps);
}

void FrmMain::Form_MouseMove(WPARAM buttons) {
    // Only the left button alone drags; the face is the caption.
    if ((buttons & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != MK_LBUTTON) return;
    ReleaseCapture();
    SendMessageA(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void FrmMain::Form_MouseUp(int button) {
    if (button == 2) owner_.PopupMenu(nullptr);
}

void FrmMain::Form_DblClick() {
    if (Settings.EXITbyDblClick) EnableExitTimer();
}

// The system's close command and Alt+F4 take the same way out as the menu's exit, so the place
// the clock was dragged to is saved.
void FrmMain::Form_QueryUnload() { EnableExitTimer(); }

void FrmMain::Form_Unload() {
    face.Attach(nullptr, nullptr);
    if (tooltip_) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
    owner_.Form_Unload();
}

// Moved to a monitor of another scale: the face at the new scale at once, its top-left corner
// where the system suggests.
void FrmMain::Form_DpiChanged(int dpi, const RECT& suggested) {
    face.SetScale(WholeScale(dpi));
    const POINT topLeft{suggested.left, suggested.top};
    face.ShowSize(Settings.WindowSize, Settings.ShowSeconds, &topLeft);
    Redraw();
}

// Asked before a move to a monitor of another scale: the face's own size at that scale, so the
// rectangle that WM_DPICHANGED then suggests fits it, and the corner stays where the system puts it.
SIZE FrmMain::Form_GetDpiScaledSize(int dpi) const {
    const FaceGeometry& g = GeometryFor(Settings.WindowSize, Settings.ShowSeconds);
    const int scale = WholeScale(dpi);
    return {g.faceWidth * scale, g.faceHeight * scale};
}

// After a change of the displays or of the work area, a clock wholly off every monitor (its
// monitor unplugged) comes back onto the nearest one.
void FrmMain::Form_DisplayChange() {
    if (MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONULL)) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    RECT r;
    GetWindowRect(hwnd_, &r);
    const RECT& area = monitor.rcWork;
    const ScreenPoint p =
        BroughtInside({r.left, r.top, r.right, r.bottom}, {area.left, area.top, area.right, area.bottom});
    SetWindowPos(hwnd_, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Shift+F10 and the Application key: the pop-up menu at the clock's bottom-left corner.
void FrmMain::Form_KeyboardMenu() {
    RECT r;
    GetWindowRect(hwnd_, &r);
    const POINT bottomLeft{r.left, r.bottom};
    owner_.PopupMenu(&bottomLeft);
}

LRESULT FrmMain::Form_GetObject(WPARAM flags, LPARAM objectId) {
    if (!comStarted_ && DWORD(objectId) == DWORD(OBJID_CLIENT))
        comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    return AnswerGetObject(hwnd_, WM_GETOBJECT, flags, objectId, face.reading);
}

// A topmost clock leaves the band while a full-screen program is in front on its monitor, so
// that the program covers it, and comes back once that program is gone, leaves full screen or
// loses the foreground. The setting and the menu's check mark stay as they are.
void FrmMain::KeepClearOfFullScreen() {
    if (!Settings.TopMost && !yielded_) return;
    if (!monitorKnown_) monitor_ = MonitorRectOf(hwnd_);  // asked again only after the window moved
    monitorKnown_ = true;
    const HWND front = Settings.TopMost ? FullScreenForeground(monitor_) : nullptr;
    if (front) {
        // Once; again only when something put the clock back above a program outside the band.
        if (!yielded_ || (InTopMostBand(hwnd_) && !InTopMostBand(front))) PutBehind(hwnd_, front);
    } else if (yielded_ && Settings.TopMost) {
        SetTopMost(hwnd_, /*withoutActivation=*/true);  // the keys stay with the window the user went to
    }
    yielded_ = front != nullptr;
}

int FrmMain::DrawClock() {
    return ::DrawClock(face, Settings.WindowSize, Settings.ShowSeconds, Settings.Blink, Settings.BlinkDelay);
}

void FrmMain::Redraw() {
    DrawClock();
    if (hwnd_) SetTimer(hwnd_, kTimer1, USER_TIMER_MINIMUM, Timer1Proc);  // that tick plans the next
}

// The clock wakes only when something it shows may change: the timer is set each time for the
// next change of the face, the next full-screen check and the owner's next need, whichever comes
// first. A tick that comes early draws nothing new and sets the timer again.
void FrmMain::Timer1_Timer() {
    DrawClock();
    if ((Settings.TopMost || yielded_) && GetTickCount64() - fullScreenCheckedAt_ >= kFullScreenCheckMs) {
        KeepClearOfFullScreen();
        fullScreenCheckedAt_ = GetTickCount64();
    }
    const int64_t ownerWait = owner_.Tick();
    if (!hwnd_) return;  // the owner's tick ran a synchronisation, and the session ended meanwhile
    // Drawn again: the owner may have run a whole synchronisation, and the wait counts from now.
    int64_t wait = std::min<int64_t>(DrawClock(), ownerWait);
    if (Settings.TopMost || yielded_)
        wait = std::min(wait, int64_t(fullScreenCheckedAt_ + kFullScreenLatestMs) - int64_t(GetTickCount64()));
    SetTimer(hwnd_, kTimer1, UINT(std::max<int64_t>(wait, USER_TIMER_MINIMUM)), Timer1Proc);
}

// The tick is handed straight to the form, not through the window procedure and what stands in
// front of it (the power watch, a subclass that looks itself up on every message): most ticks
// change nothing and should cost no more than reading the clock.
void CALLBACK FrmMain::Timer1Proc(HWND window, UINT, UINT_PTR, DWORD) noexcept {
    if (FrmMain* self = BoundTo(window)) self->Timer1_Timer();
}

// A synchronisation still on the stack (waiting, reporting, or in the resume delay) is told to
// end quietly first; the timer ticks again once it has.
void FrmMain::tmrExit_Timer() {
    if (!owner_.ReadyToEnd()) return;
    KillTimer(hwnd_, kTmrExit);
    owner_.ShutdownApp(false);
}

void FrmMain::RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        // The tooltip sees the mouse through this relay rather than by subclassing the window,
        // which would cost a window-property lookup on every message, each tick included.
        const DWORD at = GetMessagePos();
        MSG relayed{hwnd_, message, wParam, lParam, DWORD(GetMessageTime()), {GET_X_LPARAM(at), GET_Y_LPARAM(at)}};
        SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
        if (message == WM_MOUSEMOVE && !trackingLeave_) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
            trackingLeave_ = TrackMouseEvent(&track);
        }
    } else if (message == WM_MOUSELEAVE) {
        trackingLeave_ = false;
        SendMessageW(tooltip_, TTM_POP, 0, 0);  // the mouse left: so does the tip
    }
}

LRESULT FrmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (tooltip_) RelayToTooltip(message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        Form_Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the face covers every pixel
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
        // The press itself already hands the window to the system's move loop, so that the very
        // first movement carries it; a click without movement still moves nothing.
        Form_MouseMove(wParam);
        return 0;
    case WM_RBUTTONUP:
        Form_MouseUp(2);
        return 0;
    case WM_LBUTTONDBLCLK:
        Form_DblClick();
        return 0;
    case WM_TIMER:
        if (wParam == kTmrExit) tmrExit_Timer();
        return 0;
    case kWinsock1Event:
        owner_.Winsock1_Event(wParam, lParam);
        return 0;
    case WM_CLOSE:
        Form_QueryUnload();
        return 0;
    case WM_DPICHANGED:
        Form_DpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case kGetDpiScaledSize:
        *reinterpret_cast<SIZE*>(lParam) = Form_GetDpiScaledSize(int(wParam));
        return TRUE;
    case WM_DISPLAYCHANGE:
        monitorKnown_ = false;
        Form_DisplayChange();
        return 0;
    case WM_WINDOWPOSCHANGED:
        if (!(reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_NOMOVE)) monitorKnown_ = false;
        break;
    case WM_TIMECHANGE:
        face.localTimeMinute = -1;  // a new time or time zone: read at once
        Redraw();
        break;
    case WM_SETTINGCHANGE:
        face.localTimeMinute = -1;
        Redraw();
        if (wParam == SPI_SETWORKAREA) {
            monitorKnown_ = false;
            Form_DisplayChange();
        }
        break;
    case WM_CONTEXTMENU:
        if (lParam == -1) Form_KeyboardMenu();  // from the keyboard; the mouse's menu comes on the button's release
        return 0;
    case WM_GETOBJECT:
        return Form_GetObject(wParam, lParam);
    case WM_ENDSESSION:
        // Windows is ending the session and may end the process right after this message.
        if (wParam) owner_.ShutdownApp(true);
        return 0;
    case WM_DESTROY:
        KillTimer(hwnd_, kTimer1);
        KillTimer(hwnd_, kTmrExit);
        return 0;
    case WM_NCDESTROY:
        Form_Unload();
        if (comStarted_) CoUninitialize();
        comStarted_ = false;
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}
