// The main window: the clock itself, a borderless window exactly as large as its face.
#pragma once
#include <windows.h>

#include <string>

#include "face/picture_box.h"
#include "timesync/udp_socket.h"

class FrmMain {
public:
    // Creates the window, hidden, with its pictures loaded and the clock timer running.
    bool Load(HINSTANCE instance);
    // Destroys the window; its unload handler clears the frmMain reference.
    void Unload();
    HWND hwnd() const { return hwnd_; }

    // Makes the window exactly as large as the face box.
    void FitToFace();
    // Shows the face box's surface on the screen now.
    void RefreshFace();
    void SetTooltipText(const std::string& utf8);
    // An exit request: the deferred exit runs on the timer's first tick, 100 ms later.
    void EnableExitTimer();

    PictureBox picBody;          // the face, the only thing shown
    PictureBox picFigures[2];    // sprite sheets: 0 large, 1 small
    PictureBox imgBody[2];       // face backgrounds: 0 large (97×39), 1 small (54×22)
    UdpSocket Winsock1;          // the time server exchange

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void FormMouseMove(WPARAM buttons);
    void FormMouseUp(int button);
    void FormDblClick();
    void FormUnload();

    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    bool trackingLeave_ = false;  // a WM_MOUSELEAVE is asked for
    std::wstring tooltipText_;
    bool exitTimerEnabled_ = false;
};

// The process-wide reference; empty before Main creates the window and after it unloads.
extern FrmMain* frmMain;
