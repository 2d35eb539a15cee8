// The main window: the clock itself, a borderless window exactly as large as its face.
#pragma once
#include <windows.h>

#include <cstdint>

#include "common/window.h"
#include "face/clock_face_win.h"
#include "settings/settings_file.h"

class FrmMain : public Window<FrmMain> {
public:
    // What the clock asks of the program that owns it.
    class Owner {
    public:
        // A right click (at the cursor), or Shift+F10 and the Application key (at this point).
        virtual void PopupMenu(const POINT* at) = 0;
        virtual void Winsock1_Event(WPARAM socket, LPARAM event) = 0;  // the socket's events arrive here
        // Asked on the exit timer's tick: false while a synchronisation is still on the stack,
        // which is then told to end quietly (the timer ticks again).
        virtual bool ReadyToEnd() = 0;
        // The exit timer's work, and Windows ending the session (sessionEnds: nobody is there to
        // read a box, and Windows waits for none).
        virtual void ShutdownApp(bool sessionEnds) = 0;
        virtual void Form_Unload() = 0;  // the window is gone
        // Every tick of the clock, after the face is drawn: cheap, most ticks do nothing. Returns
        // the milliseconds until the owner needs the next tick, or kNoTickNeeded.
        virtual int64_t Tick() = 0;

    protected:
        ~Owner() = default;
    };

    static constexpr int64_t kNoTickNeeded = INT64_MAX;

    // The clock reads the face's size, the blink and the double-click exit from the settings.
    FrmMain(Owner& owner, const SettingsRecord& settings) : owner_(owner), Settings(settings) {}

    // Creates the window, hidden, with its pictures loaded, its tooltip and the clock timer
    // running.
    bool Load(HINSTANCE instance);
    void Unload();
    // An exit request: the deferred exit runs on the timer's first tick, 100 ms later.
    void EnableExitTimer();
    // Draws the face at once (after a new time, time zone, size or setting) and plans the ticks
    // afresh.
    void Redraw();

    ClockFace face;  // picBody, picFigures, imgBody: what DrawClock draws with and into

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
    SIZE Form_GetDpiScaledSize(int dpi) const;
    void Form_DisplayChange();
    void Form_KeyboardMenu();
    LRESULT Form_GetObject(WPARAM flags, LPARAM objectId);
    void KeepClearOfFullScreen();
    int DrawClock();  // the milliseconds until the face changes
    void Timer1_Timer();
    static void CALLBACK Timer1Proc(HWND window, UINT message, UINT_PTR id, DWORD time) noexcept;
    void tmrExit_Timer();

    Owner& owner_;
    const SettingsRecord& Settings;
    HWND tooltip_ = nullptr;
    bool trackingLeave_ = false;  // a WM_MOUSELEAVE is asked for
    bool exitTimerEnabled_ = false;
    ULONGLONG fullScreenCheckedAt_ = 0;  // the tick count of the last full-screen check
    bool yielded_ = false;     // out of the topmost band for a full-screen program
    RECT monitor_{};           // the clock's monitor, while monitorKnown_
    bool monitorKnown_ = false;
    bool comStarted_ = false;  // COM, for the accessible objects, from the first screen reader's request
};
