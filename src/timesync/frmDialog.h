// The result dialog "時刻の同期": every report of a synchronisation, modally.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "common/window.h"
#include "resource.h"

class FrmDialog : public ModalDialog<FrmDialog> {
public:
    // offerElevation: beside OK, the button that runs the synchronisation again as administrator.
    explicit FrmDialog(std::string text, bool offerElevation = false)
        : text_(std::move(text)), offerElevation_(offerElevation) {}
    // Shows the text (UTF-8) and returns when the user (or CloseAll) has closed the dialog: true
    // when it was closed with the button that asks to synchronise as administrator.
    bool Show() { return ShowModal(IDD_RESULT) == IDC_RESULT_ELEVATE; }
    // Closes every report that is open, the ones under the topmost included (the program is
    // ending): each returns as soon as the ones above it have.
    static void CloseAll();

private:
    friend ModalDialog;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Form_Load();

    std::string text_;
    bool offerElevation_;
    static std::vector<HWND> open_;  // every report shown, the innermost last
};

// Shows the report; afterwards the clock goes back on top when TopMost is set. True when the user
// asked to synchronise as administrator (only offered with offerElevation).
bool ShowResultDialog(const std::string& text, HWND mainWindow, bool offerElevation = false);
void CloseResultDialog();
