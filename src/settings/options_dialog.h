// The options dialog "オプション": every setting with a control, on three tabs.
#pragma once
#include <windows.h>

#include <functional>
#include <span>
#include <string>

#include "common/modal_dialog.h"
#include "resource.h"
#include "settings/settings_file.h"

class FrmOption : public ModalDialog<FrmOption> {
public:
    // What the page 時刻合わせ shows of the record of runs.
    struct RecordLines {
        std::string lastRun;
        std::string drift;  // empty without a drift to tell
        bool exists = false;
    };
    // What the dialog needs of the rest of the program, handed to it by whoever opens it.
    struct Actions {
        std::function<void()> saveSettings;     // writes the settings file; none: nothing is saved
        std::function<void()> applyAppearance;  // the face size, topmost band and menu checks, from Settings
        std::function<void(const std::string& server)> testServer;  // one synchronisation, its success reported
        std::function<bool()> serviceRegistered;                    // the time service's state
        std::function<bool()> maySetTime;                           // this process may set the time itself
        // Installs the time service approving the server, or removes it, elevated, at once.
        std::function<void(bool install, const std::string& server)> changeService;
        std::function<RecordLines()> readRecord;  // read when the dialog opens and after a test
        std::function<void()> openRecord;         // in the user's program for text files
    };
    // The dialog edits the record it is given, in the language it is given.
    FrmOption(SettingsRecord& settings, Language language, Actions actions)
        : Settings(settings), language_(language), actions_(std::move(actions)) {}

    // Shows the dialog modally, in the topmost band when TopMost is set; OK applies and saves
    // everything (the language too), キャンセル changes nothing.
    void Show() { ShowModal(IDD_OPTION, language_, Settings.TopMost); }

private:
    friend ModalDialog;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Form_Load();
    void TabStrip1_Click();
    void cmdOK_Click();
    void cmdTestNTP_Click();
    void cmdService_Click();
    void ShowServiceState();
    void FillNumbers(int id, std::span<const int> choices, int stored, const std::function<std::string(int)>& name);
    int ChosenNumber(int id, int otherwise) const;
    void FillLanguages();
    void ShowRecord();

    void CaptureTabBody();
    HBRUSH AlignedTabBody(HDC dc, HWND window) const;
    void EraseBackground(HDC dc) const;
    HBRUSH PageBackground(HDC dc, HWND control) const;
    void ShowPage(int page, bool show) const;
    std::string ServerText() const;

    SettingsRecord& Settings;
    Language language_;
    Actions actions_;
    int visiblePage_ = 1;
    bool serviceRegistered_ = false;
    bool serviceNeeded_ = false;  // no service, and no right to set the time
    OwnedBitmap tabPicture_;  // the tab strip as drawn at the current size
    GdiObject<HBRUSH> tabBody_;
    POINT tabOrigin_{};  // the tab strip's top-left in the dialog's client area
};
