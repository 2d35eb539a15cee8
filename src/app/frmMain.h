// The main window: the clock itself, a borderless window exactly as large as its face.
#pragma once
#include <windows.h>

#include "common/window.h"
#include "face/clock_face.h"
#include "timesync/udp_socket.h"

class FrmMain : public Window<FrmMain> {
public:
    // Creates the window, hidden, with its pictures loaded, its socket handed to the
    // synchronisation and the clock timer running.
    bool Load(HINSTANCE instance);
    // Destroys the window; its unload handler clears the frmMain reference.
    void Unload();
    // An exit request: the deferred exit runs on the timer's first tick, 100 ms later.
    void EnableExitTimer();

    ClockFace face;      // picBody, picFigures, imgBody: what DrawClock draws with and into
    UdpSocket Winsock1;  // the time server exchange

private:
    friend Window;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam);
    void Form_Paint();
    void Form_MouseMove(WPARAM buttons);
    void Form_MouseUp(int button);
    void Form_DblClick();
    void Form_QueryUnload();
    void Form_Unload();
    void Form_DpiChanged(int dpi, const RECT& suggested);
    void Timer1_Timer();
    void tmrExit_Timer();

    HWND tooltip_ = nullptr;
    bool trackingLeave_ = false;  // a WM_MOUSELEAVE is asked for
    bool exitTimerEnabled_ = false;
};

// The process-wide reference; empty before Main creates the window and after it unloads.
extern FrmMain* frmMain;
