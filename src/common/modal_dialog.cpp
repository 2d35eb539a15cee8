// The dialogs' shared layout, font and modal run.
#include "common/modal_dialog.h"

#include "common/localized_resource.h"
#include "common/text_encoding.h"

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

OwnedFont CreateDialogFont(int dpi, Language language) {
    if (language == Language::English) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        LOGFONTW message = metrics.lfMessageFont;
        message.lfHeight = -MulDiv(9, dpi, 72);
        message.lfWidth = 0;
        return OwnedFont(CreateFontIndirectW(&message));
    }
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

OwnedFont LayOutDialog(HWND dialog, const DialogLayout& layout, int dpi, Language language, const POINT* topLeft) {
    OwnedFont font = CreateDialogFont(dpi, language);
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

INT_PTR RunModalDialog(int templateId, Language language, DLGPROC procedure, LPARAM parameter,
                       std::vector<HWND>& disabled) {
    const auto* dialog = static_cast<const DLGTEMPLATE*>(LocalizedResource(language, RT_DIALOG, templateId));
    if (!dialog) return -1;
    EnumThreadWindows(GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(&disabled));
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog, nullptr, procedure, parameter);
    EnableWindows(disabled);  // where the dialog was ended from outside (the program's end)
    return result;
}

void EnableWindows(std::vector<HWND>& disabled) {
    for (HWND window : disabled)
        if (IsWindow(window)) EnableWindow(window, TRUE);
    disabled.clear();
}

void SetDialogText(HWND dialog, int id, std::string_view utf8) { SetDlgItemTextW(dialog, id, Utf8ToWide(utf8).c_str()); }
