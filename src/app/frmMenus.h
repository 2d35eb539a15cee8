// The hidden window that owns the clock's pop-up menu and runs its commands (IDM_… in
// resource.h).
#pragma once
#include <windows.h>

#include "common/window.h"

class FrmMenus : public Window<FrmMenus> {
public:
    bool Load(HINSTANCE instance);
    void Unload();

    // Opens the pop-up at the mouse position with the exit item as the default (bold) item.
    void PopupMenu();
    void SetChecked(UINT item, bool checked);

private:
    friend Window;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void mnuExit_Click();
    void mnuBlink_Click();
    void mnuNTP_Click();
    void mnuOption_Click();
    void mnuInfo_Click();
    void Form_Unload();

    OwnedMenu mnuMenus_;     // the menu bar that is never shown; its one item is the pop-up
    HMENU popup_ = nullptr;  // goes with mnuMenus_
};

extern FrmMenus* frmMenus;
