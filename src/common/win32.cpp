#include "common/win32.h"

#include <shellapi.h>

#include "common/dpi.h"

#include <iterator>
#include <vector>

namespace {

std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), out.data(), n);
    return out;
}

std::string FromWide(UINT codePage, std::wstring_view text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view text) { return ToWide(CP_UTF8, text); }
std::string WideToUtf8(std::wstring_view text) { return FromWide(CP_UTF8, text); }
std::string Utf8ToAnsi(std::string_view text) { return FromWide(CP_ACP, Utf8ToWide(text)); }
std::string AnsiToUtf8(std::string_view text) { return WideToUtf8(ToWide(CP_ACP, text)); }

std::vector<std::string> CommandLineArguments() {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const LocalMemory owned(argv);
    std::vector<std::string> arguments;
    for (int i = 1; argv && i < count; ++i) arguments.push_back(WideToUtf8(argv[i]));
    return arguments;
}

std::wstring ExecutablePath() {
    std::wstring path(32768, L'\0');  // the longest path the system has
    path.resize(GetModuleFileNameW(nullptr, path.data(), DWORD(path.size())));
    return path;
}

std::string ExeFolderUtf8() {
    std::wstring folder = ExecutablePath();
    // A folder whose name the ANSI code page cannot spell is reached by its short name, so
    // that the A functions of the settings file still find it.
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, folder.c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (lossy) {
        wchar_t shortPath[MAX_PATH * 2] = L"";
        DWORD m = GetShortPathNameW(folder.c_str(), shortPath, DWORD(std::size(shortPath)));
        if (m > 0 && m < std::size(shortPath)) folder.assign(shortPath, m);
    }
    size_t slash = folder.find_last_of(L'\\');
    if (slash != std::wstring::npos)
        folder.resize(slash == 2 && folder[1] == L':' ? slash + 1 : slash);  // keep the root's "C:\\"
    return WideToUtf8(folder);
}

bool PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

int64_t PerformanceNow() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double MillisecondsSince(int64_t earlier, int64_t now) {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return double(frequency.QuadPart) / 1000.0;
    }();
    return double(now - earlier) / ticksPerMs;
}

void WaitForMessages(double milliseconds) {
    if (milliseconds <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(milliseconds + 0.999), QS_ALLINPUT);
}

namespace {
int CALLBACK NoteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) noexcept {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}
bool FontExists(HDC dc, const wchar_t* face) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    EnumFontFamiliesExW(dc, &lf, NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}
}  // namespace

OwnedFont CreateDialogFont(int dpi) {
    const WindowDC screen(nullptr);
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(9, dpi, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    // Without any of these, the Shift-JIS character set alone lets the system pick a font
    // that can show the Japanese texts.
    for (const wchar_t* face : {L"MS UI Gothic", L"Meiryo UI", L"Yu Gothic UI"})
        if (FontExists(screen.get(), face)) {
            lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
            break;
        }
    return OwnedFont(CreateFontIndirectW(&lf));
}

OwnedBitmap EnlargedCopy(HDC source, int width, int height, int scale, bool monochrome) {
    const int w = width * scale, h = height * scale;
    OwnedBitmap copy;
    if (monochrome) {
        copy.reset(CreateBitmap(w, h, 1, 1, nullptr));
    } else {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        copy.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    }
    if (!copy) return copy;
    const MemoryDC dc(CreateCompatibleDC(nullptr));
    const SelectedObject selected(dc.get(), copy.get());
    SetStretchBltMode(dc.get(), COLORONCOLOR);  // whole pixels, never blended
    StretchBlt(dc.get(), 0, 0, w, h, source, 0, 0, width, height, SRCCOPY);
    return copy;
}

OwnedFont LayOutDialog(HWND dialog, const DialogLayout& layout, int dpi, const POINT* topLeft) {
    OwnedFont font = CreateDialogFont(dpi);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, WPARAM(font.get()), FALSE);

    auto px = [dpi](int twips) { return TwipsToPixels(twips, dpi); };
    const int wantWidth = px(layout.clientWidth), wantHeight = px(layout.clientHeight);
    RECT frame{0, 0, wantWidth, wantHeight};
    AdjustWindowRectForDpi(frame, DWORD(GetWindowLongW(dialog, GWL_STYLE)), DWORD(GetWindowLongW(dialog, GWL_EXSTYLE)), dpi);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    POINT at{};
    if (topLeft) {
        at = *topLeft;
    } else {
        RECT work;
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        at = {work.left + (work.right - work.left - width) / 2, work.top + (work.bottom - work.top - height) / 2};
    }
    SetWindowPos(dialog, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // Where the frame the window has differs from the one computed (its frame may still be at
    // another DPI), the window takes the difference: the client area is exactly the twips.
    RECT client;
    GetClientRect(dialog, &client);
    if (client.right != wantWidth || client.bottom != wantHeight)
        SetWindowPos(dialog, nullptr, 0, 0, width + wantWidth - client.right, height + wantHeight - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (const TwipsRect& c : layout.controls)
        SetWindowPos(GetDlgItem(dialog, c.id), nullptr, px(c.left), px(c.top), px(c.width), px(c.height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    return font;
}

namespace {
BOOL CALLBACK DisableWindow(HWND window, LPARAM disabled) noexcept {
    if (IsWindowVisible(window) && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        reinterpret_cast<std::vector<HWND>*>(disabled)->push_back(window);
    }
    return TRUE;
}
}  // namespace

INT_PTR RunModalDialog(int templateId, DLGPROC procedure, LPARAM parameter) {
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(&disabled));
    const INT_PTR result =
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr, procedure, parameter);
    for (HWND window : disabled)
        if (IsWindow(window)) EnableWindow(window, TRUE);
    return result;
}
