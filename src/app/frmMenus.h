// The hidden window that owns the clock's pop-up menu and runs its commands.
#pragma once
#include <windows.h>

// Command identifiers of the pop-up's items.
enum MenuItem : UINT {
    mnuExit = 101,
    mnuBlink,
    mnuTopMost,
    mnuNTP,
    mnuOption,
    mnuInfo,
};

class FrmMenus {
public:
    bool Load(HINSTANCE instance);
    void Unload();
    HWND hwnd() const { return hwnd_; }

    // Opens the pop-up at the mouse position with the exit item as the default (bold) item.
    void PopupMenu();
    void SetChecked(MenuItem item, bool checked);

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Command(UINT item);
    void mnuExit_Click();
    void mnuBlink_Click();
    void mnuNTP_Click();
    void mnuOption_Click();
    void mnuInfo_Click();

    HWND hwnd_ = nullptr;
    HMENU mnuMenus_ = nullptr;  // the menu bar that is never shown; its one item is the pop-up
    HMENU popup_ = nullptr;
};

extern FrmMenus* frmMenus;
