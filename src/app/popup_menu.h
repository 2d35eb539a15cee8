// The hidden window that owns the clock's pop-up menu and runs its commands.
#pragma once
#include <windows.h>

#include "app/main_window.h"
#include "common/handles.h"
#include "common/window.h"
#include "settings/options_dialog.h"
#include "settings/settings_file.h"
#include "timesync/sync_run.h"

class FrmMenus : public Window<FrmMenus> {
public:
    // What the menu's commands ask of the program that owns it.
    class Owner {
    public:
        virtual void ApplyAppearance() = 0;  // after the options dialog's OK
        virtual void StoreSettings() = 0;    // writes the settings file, saying so once when it cannot
        virtual void Form_Unload() = 0;      // the window is gone

    protected:
        ~Owner() = default;
    };

    // The commands act on the settings, the clock window and the synchronisation run.
    FrmMenus(Owner& owner, SettingsRecord& settings, FrmMain& main, SyncRun& run)
        : owner_(owner), Settings(settings), frmMain(main), run_(run) {}

    bool Load(HINSTANCE instance);
    void Unload();

    // The menu, and every window a command opens, in the language from now on (Japanese at
    // first); the check marks are set again by the caller.
    void ShowLanguage(Language language);
    // Opens the pop-up at the mouse position with the exit item as the default (bold) item.
    void PopupMenu(const POINT* at);
    void SetChecked(UINT item, bool checked);

private:
    friend Window;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void mnuExit_Click();
    void mnuBlink_Click();
    void mnuNTP_Click();
    void mnuOption_Click();
    void mnuInfo_Click();
    // The options page's lines about the record of runs, and the record opened for reading.
    FrmOption::RecordLines RecordLines() const;
    void OpenRecord() const;
    void Form_Unload();

    Owner& owner_;
    SettingsRecord& Settings;
    FrmMain& frmMain;
    SyncRun& run_;
    OwnedMenu mnuMenus_;     // the menu bar that is never shown; its one item is the pop-up
    HMENU popup_ = nullptr;  // goes with mnuMenus_
    Language language_ = Language::Japanese;
};
