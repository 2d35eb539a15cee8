// The one way a window or a modal dialog is bound to its object: the object's pointer is stored
// in the window as it is created, and every message after that goes to the object's
// HandleMessage. A form derives from Window<Form> or ModalDialog<Form> and declares the base
// its friend.
#pragma once
#include <windows.h>

#include <initializer_list>

#include "common/dpi.h"
#include "common/win32.h"

template <class Form>
class Window {
public:
    HWND hwnd() const { return hwnd_; }

protected:
    // Registers the window class (a second registration of the same name changes nothing) and
    // creates the window bound to this object (with HWND_MESSAGE as the parent, a message-only
    // window).
    HWND CreateBound(HINSTANCE instance, WNDCLASSEXW windowClass, DWORD exStyle, const wchar_t* title, DWORD style,
                     int x, int y, int width, int height, HWND parent = nullptr) {
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = instance;
        RegisterClassExW(&windowClass);
        return CreateWindowExW(exStyle, windowClass.lpszClassName, title, style, x, y, width, height, parent, nullptr,
                               instance, static_cast<Form*>(this));
    }

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        if (message == WM_NCCREATE) {
            auto* created = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
            created->hwnd_ = window;
        }
        auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self) return DefWindowProcW(window, message, wParam, lParam);
        if (message != WM_NCDESTROY) return self->HandleMessage(message, wParam, lParam);
        // The last message: the object lets go of the window before its handler runs, so that
        // the handler may end the program or let the object go.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->HandleMessage(message, wParam, lParam);
        return DefWindowProcW(window, message, wParam, lParam);
    }
};

template <class Form>
class ModalDialog {
public:
    HWND hwnd() const { return hwnd_; }

protected:
    // Shows the dialog template of the program's resources modally, without an owner (see
    // RunModalDialog), bound to this object; returns the value given to EndDialog.
    INT_PTR ShowModal(int templateId) {
        return RunModalDialog(templateId, DialogProc, reinterpret_cast<LPARAM>(static_cast<Form*>(this)));
    }
    // Lays the dialog out from twips at the DPI of its monitor (see LayOutDialog), centred; on a
    // change of DPI it is laid out again at the new one. The font lives as long as the object.
    void LayOut(int clientWidth, int clientHeight, std::initializer_list<TwipsRect> controls) {
        layout_ = {clientWidth, clientHeight, controls};
        dpi_ = DpiOf(hwnd_);
        KeepDialogLayout(hwnd_);
        font_ = LayOutDialog(hwnd_, layout_, dpi_);
    }
    HFONT font() const { return font_.get(); }
    int dpi() const { return dpi_; }
    int Pixels(int twips) const { return TwipsToPixels(twips, dpi_); }

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
            self->font_ = LayOutDialog(dialog, self->layout_, self->dpi_, &topLeft);
            RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            self->HandleMessage(message, wParam, lParam);
            return TRUE;
        }
        const INT_PTR result = self->HandleMessage(message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(dialog, DWLP_USER, 0);
            self->hwnd_ = nullptr;
        }
        return result;
    }

    DialogLayout layout_;
    int dpi_ = 96;
    OwnedFont font_;
};
