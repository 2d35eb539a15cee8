// The About box: its texts from the version information, its links, icon and separator.
#include "about/about_box_win.h"

#include <shellapi.h>

#include <vector>

#include "about/about_box.h"
#include "common/enlargement.h"
#include "common/executable.h"
#include "common/message_pump.h"
#include "common/numeric.h"
#include "common/system_library.h"
#include "common/text_encoding.h"

namespace {

constexpr int kIconTwips = 480;

struct VersionInfo {
    std::string title, legal;
    unsigned major = 0, minor = 0, revision = 0;
};

// The running executable's version information in the language: file version
// major.minor.0.revision, and the texts of the language's block.
VersionInfo ReadOwnVersion(Language language) {
    VersionInfo info;
    const VersionFunctions* version = Version();
    if (!version) return info;
    const std::wstring path = ExecutablePath();
    DWORD ignored = 0;
    std::vector<BYTE> block(version->GetFileVersionInfoSizeW(path.c_str(), &ignored));
    if (block.empty() || !version->GetFileVersionInfoW(path.c_str(), 0, DWORD(block.size()), block.data())) return info;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (version->VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
        info.major = HIWORD(fixed->dwFileVersionMS);
        info.minor = LOWORD(fixed->dwFileVersionMS);
        info.revision = LOWORD(fixed->dwFileVersionLS);
    }
    wchar_t prefix[64];
    constexpr WORD kUnicode = 1200;
    wsprintfW(prefix, L"\\StringFileInfo\\%04X%04X\\", LanguageId(language), kUnicode);
    auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT size = 0;
        const std::wstring key = std::wstring(prefix) + name;
        return version->VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &size) && value
                   ? WideToUtf8(value)
                   : std::string();
    };
    info.title = text(L"ProductName");
    info.legal = text(L"LegalCopyright");
    return info;
}

}  // namespace

FrmAbout::Link* FrmAbout::LinkOf(int id) {
    for (Link& link : links_)
        if (link.id == id) return &link;
    return nullptr;
}

void FrmAbout::Form_Load() {
    const HWND dialog = hwnd_;
    const VersionInfo version = ReadOwnVersion(language());
    SetWindowTextW(dialog, Utf8ToWide(AboutCaption(language(), version.title)).c_str());
    SetText(IDC_ABOUT_VERSION, VersionLine(language(), version.major, version.minor, version.revision));
    SetText(IDC_ABOUT_TITLE, version.title);
    SetText(IDC_ABOUT_DESCRIPTION, version.legal);
    SetText(IDC_ABOUT_URL, kWebPage);
    SetText(IDC_ABOUT_MAIL, kMailAddress);
    links_[0] = {IDC_ABOUT_URL, kWebPage, false};
    links_[1] = {IDC_ABOUT_MAIL, std::string("mailto:") + kMailAddress, false};

    LayOut(5730, 3555,
           {
                     {IDOK, 4245, 2625, 1380, 345},
                     {IDC_ABOUT_ICON, 240, 240, kIconTwips, kIconTwips},
                     {IDC_ABOUT_DESCRIPTION, 1080, 1125, 3765, 180},
                     {IDC_ABOUT_TITLE, 1080, 240, 3885, 360},
                     {IDC_ABOUT_VERSION, 1080, 600, 3885, 225},
                     {IDC_ABOUT_URL, 720, 2640, 2490, 180},
                     {IDC_ABOUT_MAIL, 720, 2880, 2490, 180},  // as wide as the web link: the address fits
                     {IDC_ABOUT_LABEL3, 120, 2640, 600, 180},  // both up to the links
                     {IDC_ABOUT_LABEL4, 120, 2880, 600, 180},
                 });
    ScaleToDpi();
}

// The links' font (the dialog's, underlined), the links' hand cursor and the icon, at the DPI the
// dialog is laid out at.
void FrmAbout::ScaleToDpi() {
    LOGFONTW lf{};
    GetObjectW(font(), sizeof lf, &lf);
    lf.lfUnderline = TRUE;
    OwnedFont linkFont(CreateFontIndirectW(&lf));
    for (const Link& link : links_) SendDlgItemMessageW(hwnd_, link.id, WM_SETFONT, WPARAM(linkFont.get()), TRUE);
    linkFont_ = std::move(linkFont);  // the old font goes once no link uses it

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    OwnedCursor hand = EnlargedCursor(instance, IDC_HAND_LINK, WholeScale(dpi()));
    if (hand_ && GetCursor() == hand_.get()) SetCursor(hand.get());  // the one shown is let go only once replaced
    hand_ = std::move(hand);
    // As large as its box: 32 pixels at 96 DPI.
    const int side = Pixels(kIconTwips);
    OwnedIcon icon(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_VELKARO), IMAGE_ICON, side, side, 0)));
    if (icon) {
        SendDlgItemMessageW(hwnd_, IDC_ABOUT_ICON, STM_SETICON, WPARAM(icon.get()), 0);
        icon_ = std::move(icon);
    }
}

// The etched separator: a grey line with a white one of two pixels just below it.
void FrmAbout::Form_Paint() {
    const HWND dialog = hwnd_;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    auto px = [this](int twips) { return Pixels(twips); };
    const int scale = WholeScale(dpi());
    const OwnedPen grey(CreatePen(PS_INSIDEFRAME, scale, RGB(128, 128, 128))),
        white(CreatePen(PS_INSIDEFRAME, 2 * scale, RGB(255, 255, 255)));
    {
        const SelectedObject pen(dc, grey.get());
        MoveToEx(dc, px(90), px(2445), nullptr);
        LineTo(dc, px(5654), px(2445));
    }
    {
        const SelectedObject pen(dc, white.get());
        MoveToEx(dc, px(105), px(2460), nullptr);
        LineTo(dc, px(5654), px(2460));
    }
    EndPaint(dialog, &ps);
}

void FrmAbout::lblLink_Click(Link& link) {
    const HWND dialog = hwnd_;
    link.clicked = true;
    InvalidateRect(GetDlgItem(dialog, link.id), nullptr, TRUE);
    PumpMessages();  // the new colour shows before the shell starts
    ShellExecuteW(dialog, L"open", Utf8ToWide(link.target).c_str(), nullptr, nullptr, SW_SHOW);
}

INT_PTR FrmAbout::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Form_Load();
        return TRUE;
    case WM_PAINT:
        Form_Paint();
        return TRUE;
    case WM_DPICHANGED:  // laid out again already
        ScaleToDpi();
        return TRUE;
    case WM_DESTROY:  // the hand goes with the box: it must not stay the cursor
        if (hand_ && GetCursor() == hand_.get()) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        return FALSE;
    case WM_CTLCOLORSTATIC:
        if (const Link* link = LinkOf(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)))) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, link->clicked ? RGB(136, 0, 136) : RGB(0, 0, 255));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        }
        return FALSE;
    case WM_SETCURSOR:
        if (LinkOf(GetDlgCtrlID(reinterpret_cast<HWND>(wParam))) && hand_) {
            SetCursor(hand_.get());
            return Answer(TRUE);
        }
        return FALSE;
    case WM_COMMAND:  // OK, Enter and Esc close the box
        if (Link* link = LinkOf(LOWORD(wParam)); link && HIWORD(wParam) == STN_CLICKED) {
            lblLink_Click(*link);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
