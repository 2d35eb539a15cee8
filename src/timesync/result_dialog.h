// The result dialog "時刻の同期": every report of a synchronisation, modally.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "common/modal_dialog.h"
#include "resource.h"

class FrmDialog : public ModalDialog<FrmDialog> {
public:
    // offerElevation: beside OK, the button that runs the synchronisation again as administrator.
    // The report is listed in `open` for as long as it is shown.
    FrmDialog(Language language, std::string text, bool offerElevation, std::vector<HWND>& open)
        : language_(language), text_(std::move(text)), offerElevation_(offerElevation), open_(open) {}
    // Shows the text (UTF-8) and returns when the user (or an exit) has closed the dialog: true
    // when it was closed with the button that asks to synchronise as administrator, which only a
    // report that offers it has. With topMost it shows in the topmost band, and the clock
    // (backOnTop) goes back on top after it.
    bool Show(bool topMost, HWND backOnTop) {
        return ShowModal(IDD_RESULT, language_, topMost, backOnTop) == IDC_RESULT_ELEVATE;
    }

private:
    friend ModalDialog;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Form_Load();
    void KeepFiveLines() const;

    Language language_;
    std::string text_;
    bool offerElevation_;
    std::vector<HWND>& open_;
};

// The reports of one run owner, each shown modally and listed while it is open.
class ResultReports {
public:
    // Shows the report (see FrmDialog::Show) in the dialog of the language, in the topmost band
    // when topMost is set, and then puts the clock (mainWindow, if any) back on top. True when the
    // user asked to synchronise as administrator.
    bool ShowResultDialog(Language language, const std::string& text, HWND mainWindow, bool topMost,
                          bool offerElevation = false);
    // Closes every report that is open, the ones under the topmost included (the program is
    // ending): each returns as soon as the ones above it have.
    void CloseResultDialog();

private:
    std::vector<HWND> open_;  // the innermost last
};
