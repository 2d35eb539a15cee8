// Small Win32 helpers shared by the shells: RAII owners and text at the API boundary.
#pragma once
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// Owns a GDI object (bitmap, font, brush) and deletes it.
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    GdiObject(GdiObject&& other) noexcept : object_(other.release()) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~GdiObject() { reset(); }
    HGDIOBJ get() const { return object_; }
    HGDIOBJ release() {
        HGDIOBJ o = object_;
        object_ = nullptr;
        return o;
    }
    void reset(HGDIOBJ object = nullptr) {
        if (object_) DeleteObject(object_);
        object_ = object;
    }

private:
    HGDIOBJ object_ = nullptr;
};

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
// The system ANSI code page, as the private-profile and registry A functions use it.
std::string Utf8ToAnsi(std::string_view text);
std::string AnsiToUtf8(std::string_view text);

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

// The dialogs' font: MS UI Gothic 9 pt, or the nearest Japanese UI font the system has. The
// caller deletes it.
HFONT CreateDialogFont(HWND dialog);
// Twips (1/1440 inch) to pixels of the dialog's screen.
int TwipsToPixels(HWND window, int twips);

// A control's place in twips, relative to the dialog's client area.
struct TwipsRect {
    int id, left, top, width, height;
};
// Sizes the dialog's client area, centres the dialog in the work area and places the
// controls, all from twips at the screen's resolution; gives every control the dialog font.
// The font belongs to the dialog and is deleted with it.
void LayOutDialog(HWND dialog, int clientWidth, int clientHeight, std::initializer_list<TwipsRect> controls);

// Shows a dialog of the program's resources modally, without an owner: every other window of
// the program takes no input until it closes (the clock keeps ticking).
INT_PTR RunModalDialog(int templateId, DLGPROC procedure, LPARAM parameter);
