// Every caption, label and button text of the three dialogs fits its control, measured with the
// font the dialog itself gives the control.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "about/frmAbout.h"
#include "common/dpi.h"
#include "settings/frmOption.h"
#include "timesync/frmDialog.h"
#include "timesync/sntp.h"

namespace {

// What a text needs beside it: a check box's box and the gap before the text (13 + 5 pixels at
// 96 DPI), a button's or a frame's edges.
int Beside(HWND control, int dpi) {
    wchar_t kind[32] = L"";
    GetClassNameW(control, kind, 32);
    if (lstrcmpiW(kind, L"Button") != 0) return 0;
    switch (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX: return MulDiv(18, dpi, 96);
    case BS_GROUPBOX: return MulDiv(16, dpi, 96);
    default: return MulDiv(8, dpi, 96);
    }
}

// The controls whose text does not fit, each with what it needs and what it has.
std::vector<std::string> Overflows(HWND dialog) {
    std::vector<std::string> cut;
    const int dpi = DpiOf(dialog);
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        wchar_t kind[32] = L"";
        GetClassNameW(control, kind, 32);
        wchar_t raw[512] = L"";
        GetWindowTextW(control, raw, 512);
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        const bool isStatic = lstrcmpiW(kind, L"Static") == 0;
        if (!raw[0] || !(isStatic || lstrcmpiW(kind, L"Button") == 0) || (isStatic && (style & SS_TYPEMASK) == SS_ICON))
            continue;
        std::wstring text;  // as shown: "&&" is an ampersand, "&x" an underlined x
        for (const wchar_t* c = raw; *c; ++c)
            if (*c != L'&' || (isStatic && (style & SS_NOPREFIX)) || (c[1] == L'&' && ++c)) text += *c;
        RECT box;
        GetClientRect(control, &box);
        const WindowDC dc(control);
        const SelectedObject font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc.get(), &metrics);
        int need = 0, have = 0;
        if (isStatic && box.bottom >= 2 * metrics.tmHeight && !(style & SS_LEFTNOWORDWRAP)) {  // wraps: the height counts
            RECT wrapped{0, 0, box.right, 0};
            DrawTextW(dc.get(), text.c_str(), int(text.size()), &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
            need = wrapped.bottom, have = box.bottom;
        } else {
            SIZE extent{};
            GetTextExtentPoint32W(dc.get(), text.c_str(), int(text.size()), &extent);
            need = extent.cx, have = box.right - Beside(control, dpi);
        }
        if (need > have)
            cut.push_back(std::to_string(GetDlgCtrlID(control)) + ": " + WideToUtf8(text) + " needs " +
                          std::to_string(need) + ", has " + std::to_string(have));
    }
    return cut;
}

std::vector<std::string> g_cut;
bool g_checked = false;

// Runs in the dialog's modal loop: checks the dialog once it is up, then closes it.
void CALLBACK CheckAndClose(HWND, UINT, UINT_PTR timer, DWORD) noexcept {
    const HWND dialog = GetActiveWindow();
    if (!dialog || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, timer);
    g_cut = Overflows(dialog);
    g_checked = true;
    EndDialog(dialog, IDCANCEL);
}

std::vector<std::string> OverflowsOf(const std::function<void()>& show) {
    g_cut.clear();
    g_checked = false;
    SetTimer(nullptr, 0, 50, CheckAndClose);
    show();
    EXPECT_TRUE(g_checked) << "the dialog did not come up";
    return g_cut;
}

TEST(DialogFit, EveryTextFitsItsControlWithTheDialogsFont) {
    using Cut = std::vector<std::string>;
    EXPECT_EQ(Cut{}, OverflowsOf([] { FrmOption(FrmOption::Actions{}).Show(); })) << "options";
    EXPECT_EQ(Cut{}, OverflowsOf([] { FrmAbout().Show(); })) << "About";
    const SntpReply reply{2, 6, 0xE9, 123, 5000, 1780000000};
    for (const std::string& report : {SuccessReport("time.cloudflare.com", reply, 25.6), PermissionReport(),
                                      NoUsableTimeReport("time.cloudflare.com")})
        EXPECT_EQ(Cut{}, OverflowsOf([&] { FrmDialog(report).Show(); })) << report;
}

}  // namespace
