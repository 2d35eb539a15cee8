// Small Win32 helpers shared by the shells: RAII owners and text at the API boundary.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Owns one handle and releases it with the given function when it goes (or is reset). Every
// resource the program holds is released by one of these owners, never by hand.
template <class Handle, auto Release, Handle Empty = Handle{}>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~Owned() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Empty; }
    Handle release() {
        const Handle h = handle_;
        handle_ = Empty;
        return h;
    }
    void reset(Handle handle = Empty) {
        if (handle_ != Empty) Release(handle_);
        handle_ = handle;
    }
    // For the functions that hand a new handle back through a pointer (RegOpenKeyEx, ...).
    Handle* put() {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Empty;
};

template <class GdiHandle>
using GdiObject = Owned<GdiHandle, DeleteObject>;
using OwnedBitmap = GdiObject<HBITMAP>;
using OwnedFont = GdiObject<HFONT>;
using OwnedPen = GdiObject<HPEN>;
using MemoryDC = Owned<HDC, DeleteDC>;
using OwnedKey = Owned<HKEY, RegCloseKey>;
using KernelHandle = Owned<HANDLE, CloseHandle>;
using OwnedMenu = Owned<HMENU, DestroyMenu>;
using LocalMemory = Owned<HLOCAL, LocalFree>;

// A window's DC for the time of a scope.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a DC; the DC's earlier object is selected again when this goes.
class SelectedObject {
public:
    SelectedObject() = default;
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), original_(SelectObject(dc, object)) {}
    SelectedObject(SelectedObject&& other) noexcept
        : dc_(std::exchange(other.dc_, nullptr)), original_(std::exchange(other.original_, nullptr)) {}
    SelectedObject& operator=(SelectedObject&& other) noexcept {
        Restore();
        dc_ = std::exchange(other.dc_, nullptr);
        original_ = std::exchange(other.original_, nullptr);
        return *this;
    }
    ~SelectedObject() { Restore(); }

private:
    void Restore() {
        if (dc_ && original_) SelectObject(dc_, original_);
    }

    HDC dc_ = nullptr;
    HGDIOBJ original_ = nullptr;
};

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
// The system ANSI code page, as the private-profile and registry A functions use it.
std::string Utf8ToAnsi(std::string_view text);
std::string AnsiToUtf8(std::string_view text);

// The arguments after the program's own name, split as the system splits a command line (UTF-8).
std::vector<std::string> CommandLineArguments();

// The full path of the running executable.
std::wstring ExecutablePath();

// The folder that holds the running executable, without a trailing backslash unless it is a
// drive root (C:\). Worked out in UTF-16, where a backslash is never half of a character.
std::string ExeFolderUtf8();

// Processes the window messages that are pending, once. A WM_QUIT met on the way is posted
// again for the main loop, and the result is then false.
bool PumpMessages();

// The performance counter, and the milliseconds (with fractions) since an earlier reading.
int64_t PerformanceNow();
double MillisecondsSince(int64_t earlier, int64_t now = PerformanceNow());

// Waits until a message arrives or the given milliseconds pass, whichever comes first.
void WaitForMessages(double milliseconds);

// A copy of the picture in a DC, enlarged by a whole-number scale with each pixel a square block
// (no smoothing): 32 bits a pixel, or one bit for a mask.
OwnedBitmap EnlargedCopy(HDC source, int width, int height, int scale, bool monochrome = false);

// The dialogs' font: MS UI Gothic 9 pt at the given DPI, or the nearest Japanese UI font the
// system has.
OwnedFont CreateDialogFont(int dpi);
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
[[nodiscard]] OwnedFont LayOutDialog(HWND dialog, const DialogLayout& layout, int dpi, const POINT* topLeft = nullptr);

// Shows a dialog of the program's resources modally, without an owner: every other window of
// the program takes no input until it closes (the clock keeps ticking).
INT_PTR RunModalDialog(int templateId, DLGPROC procedure, LPARAM parameter);
