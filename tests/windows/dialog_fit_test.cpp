// Every caption, label and button text of the three dialogs fits its control, in Japanese and in
// English, measured with the font the dialog itself gives the control.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "about/about_box_win.h"
#include "common/dpi.h"
#include "common/text_encoding.h"
#include "settings/options_dialog.h"
#include "timesync/result_dialog.h"
#include "timesync/run_record.h"
#include "timesync/sntp.h"
#include "timesync/sync_outcome.h"

namespace {

// The controls whose text does not fit, each with what it needs and what it has. Beside a
// check box's text are its box and the gap (13 + 5 pixels at 96 DPI), beside a frame's and a
// button's their edges, and the shield and its gap (16 + 4) on the button that carries one; a label of two lines or more must hold the wrapped text's height.
std::vector<std::string> Overflows(HWND dialog) {
    std::vector<std::string> cut;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        wchar_t kind[32] = L"", raw[512] = L"";
        GetClassNameW(control, kind, 32);
        GetWindowTextW(control, raw, 512);
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        const bool isStatic = lstrcmpiW(kind, L"Static") == 0, isButton = lstrcmpiW(kind, L"Button") == 0;
        // (a label that cuts its text to fit with an ellipsis is meant to)
        if (!raw[0] || !(isStatic || isButton) || (isStatic && (style & SS_TYPEMASK) == SS_ICON) ||
            (isStatic && (style & SS_ENDELLIPSIS)))
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
        RECT wrapped{0, 0, box.right, 0};
        DrawTextW(dc.get(), text.c_str(), int(text.size()), &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SIZE extent{};
        GetTextExtentPoint32W(dc.get(), text.c_str(), int(text.size()), &extent);
        const int type = style & BS_TYPEMASK, beside = !isButton ? 0
                                                       : type == BS_AUTOCHECKBOX || type == BS_CHECKBOX ? 18
                                                       : type == BS_GROUPBOX                            ? 16
                                                       : GetDlgCtrlID(control) == IDC_RESULT_ELEVATE ||
                                                                 GetDlgCtrlID(control) == IDC_CMD_SERVICE
                                                             ? 8 + 16 + 4
                                                                                                        : 8;
        const bool wraps = isStatic && box.bottom >= 2 * metrics.tmHeight && !(style & SS_LEFTNOWORDWRAP);
        const int need = wraps ? wrapped.bottom : extent.cx;
        const int have = wraps ? box.bottom : box.right - MulDiv(beside, DpiOf(dialog), 96);
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

TEST(DialogFit, EveryTextFitsItsControlWithTheDialogsFontInBothLanguages) {
    using Cut = std::vector<std::string>;
    for (const Language language : {Language::Japanese, Language::English}) {
        SCOPED_TRACE(language == Language::Japanese ? "Japanese" : "English");
        SettingsRecord settings;
        settings.NTPInterval = 168;
        FrmOption::Actions longest;  // the longest lines the record can give
        const RecordEntry set{{2026, 12, 8, 23, 59, 0, 0}, true, -1234567};
        longest.readRecord = [&] {
            return FrmOption::RecordLines{LastRunText(language, {set}),
                                          DriftText(language, {{{2026, 12, 8, 22, 59, 0, 0}, true, 0}, set}, 0), true};
        };
        longest.serviceRegistered = [] { return false; };
        longest.maySetTime = [] { return false; };  // the line that asks for the service shows
        EXPECT_EQ(Cut{}, OverflowsOf([&] { FrmOption(settings, language, longest).Show(); })) << "options";
        EXPECT_EQ(Cut{}, OverflowsOf([&] { FrmAbout().Show(language, false, nullptr); })) << "About";
        std::vector<HWND> open;
        SyncOutcome kinds[3]{SyncOutcome(SyncOutcome::Kind::Refused), SyncOutcome(SyncOutcome::Kind::NoUsableTime),
                             SyncOutcome(SyncOutcome::Kind::TooLarge)};
        const SntpReply reply{2, 6, 0xE9, 123, 5000, 1780000000};
        std::vector<std::string> reports{SuccessReport(language, "time.cloudflare.com", reply, 25.6)};
        for (const SyncOutcome& o : kinds) reports.push_back(OutcomeReport(language, o, "time.cloudflare.com"));
        for (const std::string& report : reports)
            EXPECT_EQ(Cut{}, OverflowsOf([&] { FrmDialog(language, report, false, open).Show(false, nullptr); })) << report;
        EXPECT_EQ(Cut{}, OverflowsOf([&] { FrmDialog(language, reports[1], /*offerElevation=*/true, open).Show(false, nullptr); }));
    }
}

// The same at display scales of 150 % and 200 %: this program again, started with the prefix's
// DPI (LogPixels, which a program reads as it starts) at 144 and 192.
TEST(DialogFit, AndAtLargerScales) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    constexpr const wchar_t* kDesktop = L"Control Panel\\Desktop";
    for (DWORD dpi : {144u, 192u}) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", REG_DWORD, &dpi, sizeof dpi));
        std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=DialogFit.EveryText*";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        DWORD code = 99;
        if (CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            WaitForSingleObject(pi.hProcess, 60000);
            GetExitCodeProcess(pi.hProcess, &code);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
        EXPECT_EQ(0u, code) << "at " << dpi << " DPI";
    }
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels");
}

}  // namespace
