// The power watch: the main window's messages seen first, for the resume from standby.
#pragma once
#include <windows.h>

#include <functional>

// What the watch does after a resume, and its guard: while one resume is handled (the delay
// and the run process messages), the messages that come in meanwhile pass unexamined, so a
// second resume starts nothing.
struct ResumeWatch {
    std::function<void()> OnResumeFromStandby;
    bool HookBusy = false;
};

// The watch stands in front of the window's own procedure (a subclass) from HookWindow (before
// the window shows) to UnhookWindow (after the settings are saved, before the window goes), so
// that the window's last messages reach the form without it. A resume message reaches the form
// only after the whole action is over. The watch lives as long as it is hooked.
void HookWindow(HWND window, ResumeWatch& watch);
void UnhookWindow(HWND window);
