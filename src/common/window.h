// The one way a window is bound to its object.
// The object's pointer is stored in the window as it is created, and every message after that
// goes to the object's HandleMessage. A form derives from Window<Form> and declares the base its
// friend (a dialog: ModalDialog<Form>).
#pragma once
#include <windows.h>

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

    // The object bound to a window of this form; nullptr before it is bound and once it is gone.
    static Form* BoundTo(HWND window) { return reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        if (message == WM_NCCREATE) {
            auto* created = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
            created->hwnd_ = window;
        }
        Form* self = BoundTo(window);
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
