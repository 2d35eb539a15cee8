// The one way to run a modal dialog bound to its object, with what every dialog shares.
// That is its layout in twips at the monitor's DPI, its font, its check boxes and texts, OK and
// Cancel, and the topmost band. A dialog form derives from ModalDialog<Form> and declares the
// base its friend.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <string_view>
#include <vector>

#include "common/desktop.h"
#include "common/dpi.h"
#include "common/handles.h"
#include "common/language.h"

// The dialogs' font at the given DPI: in Japanese MS UI Gothic 9 pt, or the nearest Japanese UI
// font the system has; in English the system's message font (Segoe UI) at 9 pt.
OwnedFont CreateDialogFont(int dpi, Language language);
// Twips (1/1440 inch) to pixels at the given DPI.
inline int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

// A control's place in twips, relative to the dialog's client area.
struct TwipsRect {
    int id, left, top, width, height;
};
// A dialog's client area and its controls, in twips.
struct DialogLayout {
    int clientWidth = 0, clientHeight = 0;
    std::vector<TwipsRect> controls;
};
// Sizes the dialog's client area and places the controls from twips at the given DPI; the
// dialog goes to the given top-left corner, or without one to the centre of the work area.
// Gives every control the dialog font at that DPI, which the caller keeps until the dialog has
// gone.
[[nodiscard]] OwnedFont LayOutDialog(HWND dialog, const DialogLayout& layout, int dpi, Language language,
                                     const POINT* topLeft = nullptr);

// Shows a dialog of the program's resources, in the language, modally, without an owner: every
// other window of the program takes no input until it closes (the clock keeps ticking). The
// windows it disables are listed in `disabled` meanwhile.
INT_PTR RunModalDialog(int templateId, Language language, DLGPROC procedure, LPARAM parameter,
                       std::vector<HWND>& disabled);
// Lets the listed windows take input again, and empties the list.
void EnableWindows(std::vector<HWND>& disabled);

// A dialog control's text, UTF-8.
void SetDialogText(HWND dialog, int id, std::string_view utf8);

template <class Form>
class ModalDialog {
public:
    HWND hwnd() const { return hwnd_; }

protected:
    // Shows the dialog template of the program's resources modally, without an owner (see
    // RunModalDialog), bound to this object; returns the value given to EndDialog. With topMost
    // the dialog comes up in the topmost band (made topmost while still hidden), and backOnTop
    // (the clock) goes back on top once the dialog has closed.
    INT_PTR ShowModal(int templateId, Language language, bool topMost = false, HWND backOnTop = nullptr) {
        topMost_ = topMost;
        language_ = language;
        const INT_PTR result = RunModalDialog(templateId, language, DialogProc,
                                              reinterpret_cast<LPARAM>(static_cast<Form*>(this)), disabled_);
        if (topMost && backOnTop) SetTopMost(backOnTop, /*withoutActivation=*/true);
        return result;
    }
    // Ends the dialog. The windows it disabled take input again first, so that the system gives
    // the keyboard back to the one that had it (the options dialog under a report), not to
    // another program.
    void EndModal(INT_PTR result) {
        EnableWindows(disabled_);
        EndDialog(hwnd_, result);
    }
    // Lays the dialog out from twips at the DPI of its monitor (see LayOutDialog), centred; on a
    // change of DPI it is laid out again at the new one. The font lives as long as the object.
    void LayOut(int clientWidth, int clientHeight, std::initializer_list<TwipsRect> controls) {
        layout_ = {clientWidth, clientHeight, controls};
        dpi_ = DpiOf(hwnd_);
        KeepDialogLayout(hwnd_);
        font_ = LayOutDialog(hwnd_, layout_, dpi_, language_);
    }
    Language language() const { return language_; }
    HFONT font() const { return font_.get(); }
    int dpi() const { return dpi_; }
    int Pixels(int twips) const { return TwipsToPixels(twips, dpi_); }

    bool Checked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }
    void Check(int id, bool on) const { CheckDlgButton(hwnd_, id, on ? BST_CHECKED : BST_UNCHECKED); }
    void SetText(int id, std::string_view utf8) const { SetDialogText(hwnd_, id, utf8); }
    // The result of a message that a dialog answers through DWLP_MSGRESULT (WM_ERASEBKGND,
    // WM_SETCURSOR, ...): what the form's HandleMessage returns for it.
    INT_PTR Answer(LRESULT result) const {
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
    }

    HWND hwnd_ = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            reinterpret_cast<Form*>(lParam)->hwnd_ = dialog;
        }
        auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (!self) return FALSE;
        if (message == WM_DPICHANGED && self->font_) {
            // Moved to a monitor of another scale: the same twips at the new DPI, at the
            // top-left corner the system suggests. The form then sees the message too.
            self->dpi_ = LOWORD(wParam);
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            const POINT topLeft{suggested.left, suggested.top};
            self->font_ = LayOutDialog(dialog, self->layout_, self->dpi_, self->language_, &topLeft);
            RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            self->HandleMessage(message, wParam, lParam);
            return TRUE;
        }
        const INT_PTR result = self->HandleMessage(message, wParam, lParam);
        switch (message) {
        case WM_INITDIALOG:
            if (self->topMost_) SetTopMost(dialog);  // still hidden: it shows up in the band
            break;
        case WM_COMMAND:
            // OK, and Cancel (Esc, the close box), end the dialog with their own identifier
            // where the form does not take them itself.
            if (!result && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
                self->EndModal(LOWORD(wParam));
                return TRUE;
            }
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrW(dialog, DWLP_USER, 0);
            self->hwnd_ = nullptr;
            break;
        }
        return result;
    }

    DialogLayout layout_;
    std::vector<HWND> disabled_;  // while the dialog is shown
    int dpi_ = 96;
    OwnedFont font_;
    bool topMost_ = false;
    Language language_ = Language::Japanese;
};
