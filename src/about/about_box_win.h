// The About box: title, version, legal notice and two links, from the version information.
#pragma once
#include <windows.h>

#include <string>

#include "common/modal_dialog.h"
#include "resource.h"

class FrmAbout : public ModalDialog<FrmAbout> {
public:
    // Shows the box in the language modally, in the topmost band when topMost is set, and returns
    // when it is closed; the clock (backOnTop) then goes back on top.
    void Show(Language language, bool topMost, HWND backOnTop) { ShowModal(IDD_ABOUT, language, topMost, backOnTop); }

private:
    friend ModalDialog;
    struct Link {
        int id;
        std::string target;  // kept apart from the text the link shows
        bool clicked;        // purple once clicked; every opening starts blue
    };

    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Form_Load();
    void Form_Paint();
    void ScaleToDpi();
    void lblLink_Click(Link& link);
    Link* LinkOf(int id);

    Link links_[2]{};
    OwnedFont linkFont_;
    OwnedCursor hand_;
    OwnedIcon icon_;
};
