// The options dialog: three pages of settings, OK and キャンセル, the server test.
#include "settings/options_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "common/text_encoding.h"
#include "settings/autorun_win.h"
#include "settings/settings_file_win.h"

namespace {

// The pages' controls, each page a plain panel at (240, 480) of the dialog; a page shows when
// its tab is selected.
constexpr int kPages[3][14] = {
    {IDC_OPT_LABEL1, IDC_CHK_TOPMOST, IDC_CHK_BLINK, IDC_CHK_WINDOWSIZE, IDC_CHK_FIXWINDOWPOSITION, IDC_CHK_EXITBYDBLCLICK,
     IDC_CHK_SHOWSECONDS, IDC_CHK_TIMESIGNAL, IDC_OPT_OPACITY_LABEL, IDC_CMB_OPACITY},
    {IDC_OPT_LABEL2, IDC_OPT_FRAME2, IDC_CMB_SERVERS, IDC_CMD_TESTNTP, IDC_CHK_USENTP, IDC_CHK_USENTP2,
     IDC_OPT_INTERVAL_LABEL, IDC_CMB_INTERVAL, IDC_OPT_SERVICE_NEEDED, IDC_OPT_SERVICE_STATE, IDC_CMD_SERVICE,
     IDC_OPT_LAST_RUN, IDC_OPT_DRIFT, IDC_CMD_OPEN_RECORD},
    {IDC_OPT_LABEL3, IDC_OPT_FRAME3, IDC_CHK_AUTORUN, IDC_OPT_FRAME4, IDC_CHK_CLEARRECENT, IDC_OPT_LANGUAGE_LABEL,
     IDC_CMB_LANGUAGE},
};
constexpr int kPageLeft = 240, kPageTop = 480;

}  // namespace

void FrmOption::ShowPage(int page, bool show) const {
    for (int id : kPages[page - 1]) {
        const bool shown = show && (id != IDC_OPT_SERVICE_NEEDED || serviceNeeded_);
        if (id) ShowWindow(GetDlgItem(hwnd_, id), shown ? SW_SHOW : SW_HIDE);
    }
}

std::string FrmOption::ServerText() const {
    wchar_t text[512] = L"";
    GetDlgItemTextW(hwnd_, IDC_CMB_SERVERS, text, int(std::size(text)));
    return WideToUtf8(text);
}

void FrmOption::Form_Load() {
    constexpr int x = kPageLeft, y = kPageTop;
    LayOut(5895, 6870,
           {
                     {IDC_OPT_TAB, 120, 120, 5670, 6285},
                     {IDC_OPT_LABEL1, x + 120, y + 120, 5100, 300},
                     {IDC_CHK_TOPMOST, x + 120, y + 600, 2535, 300},
                     {IDC_CHK_BLINK, x + 120, y + 960, 2535, 300},
                     {IDC_CHK_WINDOWSIZE, x + 120, y + 1320, 2535, 300},
                     // The widths of these three hold their captions in a proportional font.
                     {IDC_CHK_FIXWINDOWPOSITION, x + 120, y + 1920, 3960, 300},
                     {IDC_CHK_EXITBYDBLCLICK, x + 120, y + 2280, 3960, 300},
                     {IDC_CHK_SHOWSECONDS, x + 120, y + 2640, 3960, 300},
                     {IDC_CHK_TIMESIGNAL, x + 120, y + 3000, 3960, 300},
                     {IDC_OPT_OPACITY_LABEL, x + 120, y + 3465, 2535, 300},
                     {IDC_CMB_OPACITY, x + 2700, y + 3420, 1935, 300 + 1500},
                     {IDC_OPT_LABEL2, x + 120, y + 120, 5100, 660},
                     {IDC_OPT_FRAME2, x + 120, y + 720, 5175, 1215},
                     {IDC_CMB_SERVERS, x + 360, y + 1080, 4695, 300 + 1500},  // the list drops below
                     {IDC_CMD_TESTNTP, x + 360, y + 1440, 2055, 315},
                     {IDC_CHK_USENTP, x + 120, y + 2160, 3375, 300},
                     {IDC_CHK_USENTP2, x + 120, y + 2520, 5175, 315},
                     {IDC_OPT_INTERVAL_LABEL, x + 120, y + 2985, 2535, 300},
                     {IDC_CMB_INTERVAL, x + 2700, y + 2940, 1935, 300 + 1500},
                     // two lines in English
                     {IDC_OPT_SERVICE_NEEDED, x + 120, y + 3300, 5175, language() == Language::Japanese ? 300 : 480},
                     {IDC_OPT_SERVICE_STATE, x + 120, y + 3780, 5175, 300},
                     {IDC_CMD_SERVICE, x + 360, y + 4140, 2415, 375},  // the shield beside the text
                     {IDC_OPT_LAST_RUN, x + 120, y + 4680, 5175, 300},
                     {IDC_OPT_DRIFT, x + 120, y + 5040, 5175, 300},
                     {IDC_CMD_OPEN_RECORD, x + 360, y + 5400, 2055, 375},
                     {IDC_OPT_LABEL3, x + 120, y + 120, 5100, 300},
                     {IDC_OPT_FRAME3, x + 120, y + 480, 5175, 855},
                     {IDC_CHK_AUTORUN, x + 120 + 240, y + 480 + 360, 3615, 300},
                     {IDC_OPT_FRAME4, x + 120, y + 1560, 5175, 855},
                     {IDC_CHK_CLEARRECENT, x + 120 + 240, y + 1560 + 360, 4875, 300},  // to 4 px inside the frame
                     {IDC_OPT_LANGUAGE_LABEL, x + 120, y + 2685, 2535, 300},
                     {IDC_CMB_LANGUAGE, x + 2700, y + 2640, 2535, 300 + 1500},
                     {IDOK, 3060, 6465, 1320, 315},
                     {IDCANCEL, 4485, 6465, 1320, 315},
                 });
    const HWND tab = GetDlgItem(hwnd_, IDC_OPT_TAB);
    const Text tabs[] = {Text::PageDisplay, Text::PageTimeSync, Text::PageOther};
    for (int i = 0; i < 3; ++i) {
        std::wstring name = Utf8ToWide(Words(language(), tabs[i]));
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = name.data();
        SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    // The tab strip lies below the pages' controls, so that it never paints over them.
    SetWindowPos(tab, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    CaptureTabBody();

    visiblePage_ = 1;
    ShowPage(2, false);
    ShowPage(3, false);

    const HWND servers = GetDlgItem(hwnd_, IDC_CMB_SERVERS);
    // No more than the file gives back: what is typed is what the next start shows.
    SendMessageW(servers, CB_LIMITTEXT, kMaxValueBytes, 0);
    for (const char* host : kNtpServers) SendMessageW(servers, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(host).c_str()));
    if (!Settings.NTPServer.empty()) SetText(IDC_CMB_SERVERS, Settings.NTPServer);
    else SendMessageW(servers, CB_SETCURSEL, 0, 0);

    Check(IDC_CHK_WINDOWSIZE, Settings.WindowSize == 2);
    Check(IDC_CHK_TOPMOST, Settings.TopMost);
    Check(IDC_CHK_BLINK, Settings.Blink);
    Check(IDC_CHK_EXITBYDBLCLICK, Settings.EXITbyDblClick);
    Check(IDC_CHK_FIXWINDOWPOSITION, Settings.FixWindowPosition);
    Check(IDC_CHK_USENTP, Settings.UseNTP);
    Check(IDC_CHK_USENTP2, Settings.UseNTP2);
    Check(IDC_CHK_CLEARRECENT, Settings.ClearRecent);
    Check(IDC_CHK_SHOWSECONDS, Settings.ShowSeconds);
    Check(IDC_CHK_TIMESIGNAL, Settings.TimeSignal);
    FillNumbers(IDC_CMB_OPACITY, kOpacityChoices, Settings.Opacity,
                [this](int percent) { return Words(language(), Text::OpacityPercent, {std::to_string(percent)}); });
    FillNumbers(IDC_CMB_INTERVAL, kIntervalChoices, Settings.NTPInterval, [this](int h) { return IntervalText(language(), h); });
    FillLanguages();
    const bool AutoRunRegistered = QueryAutoRun();
    Check(IDC_CHK_AUTORUN, AutoRunRegistered);
    // The button acts at once, elevated, as the system's own shield buttons do.
    SendDlgItemMessageW(hwnd_, IDC_CMD_SERVICE, BCM_SETSHIELD, 0, TRUE);
    ShowServiceState();
    ShowRecord();
}

// The choices, and a stored value that is none of them as one more, as the server box shows a
// stored server; each item carries its number (hours, percent).
void FrmOption::FillNumbers(int id, std::span<const int> choices, int stored, const std::function<std::string(int)>& name) {
    const HWND list = GetDlgItem(hwnd_, id);
    std::vector<int> numbers(choices.begin(), choices.end());
    if (std::find(numbers.begin(), numbers.end(), stored) == numbers.end()) numbers.push_back(stored);
    for (int n : numbers) {
        const LRESULT item = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(name(n)).c_str()));
        SendMessageW(list, CB_SETITEMDATA, item, n);
        if (n == stored) SendMessageW(list, CB_SETCURSEL, item, 0);
    }
}

int FrmOption::ChosenNumber(int id, int otherwise) const {
    const LRESULT chosen = SendDlgItemMessageW(hwnd_, id, CB_GETCURSEL, 0, 0);
    return chosen == CB_ERR ? otherwise : int(SendDlgItemMessageW(hwnd_, id, CB_GETITEMDATA, WPARAM(chosen), 0));
}

// Automatic, then the two languages, each named in its own words; each item carries its setting.
void FrmOption::FillLanguages() {
    const HWND list = GetDlgItem(hwnd_, IDC_CMB_LANGUAGE);
    const std::optional<Language> stored = LanguageOfSetting(Settings.Language);
    const std::pair<Text, std::optional<Language>> choices[] = {
        {Text::LanguageAutomatic, std::nullopt}, {Text::LanguageJapanese, Language::Japanese}, {Text::LanguageEnglish, Language::English}};
    for (const auto& [name, choice] : choices) {
        const LRESULT item = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(Words(language(), name)).c_str()));
        SendMessageW(list, CB_SETITEMDATA, item, choice ? LPARAM(*choice) + 1 : 0);
        if (choice == stored) SendMessageW(list, CB_SETCURSEL, item, 0);
    }
}

void FrmOption::ShowRecord() {
    const RecordLines lines = actions_.readRecord ? actions_.readRecord() : RecordLines{};
    SetText(IDC_OPT_LAST_RUN, lines.lastRun);
    SetText(IDC_OPT_DRIFT, lines.drift);
    EnableWindow(GetDlgItem(hwnd_, IDC_CMD_OPEN_RECORD), lines.exists && actions_.openRecord);
}

// A clock that may not set the time itself and has no service to do it fails every periodic
// run in silence: the page says what it takes.
void FrmOption::ShowServiceState() {
    serviceRegistered_ = actions_.serviceRegistered && actions_.serviceRegistered();
    serviceNeeded_ = !serviceRegistered_ && actions_.maySetTime && !actions_.maySetTime();
    ShowWindow(GetDlgItem(hwnd_, IDC_OPT_SERVICE_NEEDED), serviceNeeded_ && visiblePage_ == 2 ? SW_SHOW : SW_HIDE);
    SetText(IDC_OPT_SERVICE_STATE, Words(language(), serviceRegistered_ ? Text::ServiceInstalled : Text::ServiceNotInstalled));
    SetText(IDC_CMD_SERVICE, Words(language(), serviceRegistered_ ? Text::RemoveService : Text::InstallService));
}

// Installs the service (approving the server in the box) or removes it; the line and the
// button then show what became of it.
void FrmOption::cmdService_Click() {
    if (actions_.changeService) actions_.changeService(!serviceRegistered_, ServerText());
    ShowServiceState();
}

// The tab strip as it draws itself (flat under Wine, the theme's pane on Windows), kept as a
// brush: the pages' labels, boxes and frames paint exactly the pixels that lie under them.
void FrmOption::CaptureTabBody() {
    tabBody_.reset();  // while the tab strip draws, what lies around its tabs is the dialog's face
    const HWND tab = GetDlgItem(hwnd_, IDC_OPT_TAB);
    RECT area;
    GetClientRect(tab, &area);
    const WindowDC screen(tab);
    OwnedBitmap picture(CreateCompatibleBitmap(screen.get(), area.right, area.bottom));
    {
        const MemoryDC dc(CreateCompatibleDC(screen.get()));
        const SelectedObject selected(dc.get(), picture.get());
        FillRect(dc.get(), &area, GetSysColorBrush(COLOR_BTNFACE));  // around the tabs: the dialog
        SendMessageW(tab, WM_PRINTCLIENT, WPARAM(dc.get()), PRF_CLIENT | PRF_ERASEBKGND);
    }
    tabBody_.reset(CreatePatternBrush(picture.get()));
    tabPicture_ = std::move(picture);
    tabOrigin_ = {0, 0};
    MapWindowPoints(tab, hwnd_, &tabOrigin_, 1);
}

// The tab brush lined up with the tab strip in a DC whose logical origin is the given window's
// client origin.
HBRUSH FrmOption::AlignedTabBody(HDC dc, HWND window) const {
    POINT origin = tabOrigin_;
    MapWindowPoints(hwnd_, window, &origin, 1);
    LPtoDP(dc, &origin, 1);  // a brush's origin is in device units
    SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
    return tabBody_.get();
}

// The dialog's face, with the tab strip's body where the tab strip is: what a control on a page
// that asks its parent for the background (a themed frame or box) gets.
void FrmOption::EraseBackground(HDC dc) const {
    RECT client;
    GetClientRect(hwnd_, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (!tabBody_) return;
    BITMAP size{};
    GetObjectW(tabPicture_.get(), sizeof size, &size);
    const RECT tab{tabOrigin_.x, tabOrigin_.y, tabOrigin_.x + size.bmWidth, tabOrigin_.y + size.bmHeight};
    FillRect(dc, &tab, AlignedTabBody(dc, hwnd_));
}

// The background of a label, box, frame or button on a page: the tab strip's body; others keep
// the system's.
HBRUSH FrmOption::PageBackground(HDC dc, HWND control) const {
    const int id = GetDlgCtrlID(control);
    const bool onAPage = std::any_of(std::begin(kPages), std::end(kPages), [id](const auto& page) {
        return std::find(std::begin(page), std::end(page), id) != std::end(page);
    });
    if (!onAPage || !tabBody_) return nullptr;
    SetBkMode(dc, TRANSPARENT);
    return AlignedTabBody(dc, control);
}

void FrmOption::TabStrip1_Click() {
    const int index = int(SendDlgItemMessageW(hwnd_, IDC_OPT_TAB, TCM_GETCURSEL, 0, 0)) + 1;
    if (index < 1 || index > 3 || index == visiblePage_) return;
    ShowPage(index, true);
    ShowPage(visiblePage_, false);
    visiblePage_ = index;
    // The tab strip's body under the old page's controls shows again.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void FrmOption::cmdOK_Click() {
    Settings.WindowSize = Checked(IDC_CHK_WINDOWSIZE) ? 2 : 1;
    Settings.TopMost = Checked(IDC_CHK_TOPMOST);
    Settings.Blink = Checked(IDC_CHK_BLINK);
    Settings.ShowSeconds = Checked(IDC_CHK_SHOWSECONDS);
    Settings.TimeSignal = Checked(IDC_CHK_TIMESIGNAL);
    Settings.Opacity = ChosenNumber(IDC_CMB_OPACITY, Settings.Opacity);
    const LRESULT chosen = SendDlgItemMessageW(hwnd_, IDC_CMB_LANGUAGE, CB_GETCURSEL, 0, 0);
    if (chosen != CB_ERR) {
        const LRESULT data = SendDlgItemMessageW(hwnd_, IDC_CMB_LANGUAGE, CB_GETITEMDATA, WPARAM(chosen), 0);
        Settings.Language = SettingOfLanguage(data ? std::optional(Language(data - 1)) : std::nullopt);
    }
    // The new face and language at once (its figures come with the next tick), the topmost band, the marks.
    if (actions_.applyAppearance) actions_.applyAppearance();
    Settings.EXITbyDblClick = Checked(IDC_CHK_EXITBYDBLCLICK);
    Settings.FixWindowPosition = Checked(IDC_CHK_FIXWINDOWPOSITION);
    Settings.UseNTP = Checked(IDC_CHK_USENTP);
    Settings.UseNTP2 = Checked(IDC_CHK_USENTP2);
    Settings.ClearRecent = Checked(IDC_CHK_CLEARRECENT);
    Settings.NTPServer = ServerText();
    Settings.NTPInterval = ChosenNumber(IDC_CMB_INTERVAL, Settings.NTPInterval);
    if (actions_.saveSettings) actions_.saveSettings();
    if (Checked(IDC_CHK_AUTORUN)) RegisterAutoRun();
    else UnregisterAutoRun();
    EndModal(IDOK);
}

// A real synchronisation with the typed server, not stored; the dialog stays open and shows the
// run it recorded.
void FrmOption::cmdTestNTP_Click() {
    if (actions_.testServer) actions_.testServer(ServerText());
    ShowRecord();
}

INT_PTR FrmOption::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Form_Load();
        return TRUE;
    case WM_DPICHANGED:  // laid out again already
        CaptureTabBody();
        return TRUE;
    case WM_ERASEBKGND:
        EraseBackground(reinterpret_cast<HDC>(wParam));
        return Answer(TRUE);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return reinterpret_cast<INT_PTR>(PageBackground(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->idFrom == IDC_OPT_TAB && reinterpret_cast<NMHDR*>(lParam)->code == TCN_SELCHANGE)
            TabStrip1_Click();
        return TRUE;
    case WM_COMMAND:  // キャンセル, Esc and the close box end the dialog without a change
        if (LOWORD(wParam) == IDOK) cmdOK_Click();
        else if (LOWORD(wParam) == IDC_CMD_TESTNTP && HIWORD(wParam) == BN_CLICKED) cmdTestNTP_Click();
        else if (LOWORD(wParam) == IDC_CMD_SERVICE && HIWORD(wParam) == BN_CLICKED) cmdService_Click();
        else if (LOWORD(wParam) == IDC_CMD_OPEN_RECORD && HIWORD(wParam) == BN_CLICKED && actions_.openRecord) actions_.openRecord();
        else return FALSE;
        return TRUE;
    }
    return FALSE;
}
