// The About box: its texts from the version information, closing keys, and the links.
#include "clock_fixture.h"

#include "resource.h"

namespace {

constexpr const wchar_t* kCaption = L"Tarnvik （LCDタイプ） のバージョン情報";

class AboutTest : public ClockTest {
protected:
    HWND OpenAbout(bool throughThePopUp = false) {
        if (throughThePopUp) {
            OpenMenu();
            if (WaitForMenu()) Key('A');
        } else {
            PostMessageW(menus, WM_COMMAND, IDM_INFO, 0);
        }
        HWND d = nullptr;
        WaitFor([&] {
            d = FindTop(pi.dwProcessId, L"#32770");
            return d && WindowText(d) == kCaption;
        });
        return d && WindowText(d) == kCaption ? d : nullptr;
    }
};

TEST_F(AboutTest, ShowsTitleVersionAndNoticeAndClosesWithEnterAndEsc) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=Yes\r\n");
    HWND about = OpenAbout(/*throughThePopUp=*/true);
    ASSERT_TRUE(about);
    EXPECT_TRUE(IsTopMost(about));
    EXPECT_FALSE(IsWindowEnabled(clock));
    EXPECT_EQ(L"Tarnvik （LCDタイプ）", WindowText(GetDlgItem(about, IDC_ABOUT_TITLE)));
    EXPECT_EQ(L"バージョン 1.43.0086", WindowText(GetDlgItem(about, IDC_ABOUT_VERSION)));
    EXPECT_EQ(L"Copyright (C) 2026 The Velkaro developers", WindowText(GetDlgItem(about, IDC_ABOUT_DESCRIPTION)));
    EXPECT_EQ(L"URL:", WindowText(GetDlgItem(about, IDC_ABOUT_LABEL3)));
    EXPECT_EQ(L"E-Mail:", WindowText(GetDlgItem(about, IDC_ABOUT_LABEL4)));
    RECT client;
    GetClientRect(about, &client);
    EXPECT_EQ(382, client.right);   // 5730 twips
    EXPECT_EQ(237, client.bottom);  // 3555 twips
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(about); }));
    EXPECT_TRUE(WaitFor([&] { return IsTopMost(clock) && IsWindowEnabled(clock); }));

    about = OpenAbout();
    ASSERT_TRUE(about);
    Key(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }));
}

// Points the shell's handler of a link scheme at this driver, which records the target.
struct LinkRecorder {
    std::wstring scheme, old;
    bool hadOld = false;
    explicit LinkRecorder(const wchar_t* s) : scheme(s) {
        const std::wstring key = scheme + L"\\shell\\open\\command";
        wchar_t value[1024] = L"";
        DWORD size = sizeof value;
        hadOld = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS;
        old = value;
        wchar_t me[MAX_PATH];
        GetModuleFileNameW(nullptr, me, MAX_PATH);
        const std::wstring command = L"\"" + std::wstring(me) + L"\" --record-link \"%1\"";
        RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, command.c_str(), DWORD((command.size() + 1) * 2));
    }
    ~LinkRecorder() {
        const std::wstring key = scheme + L"\\shell\\open\\command";
        if (hadOld) RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, old.c_str(), DWORD((old.size() + 1) * 2));
    }
};

std::string Recorded() {
    HANDLE f = CreateFileW((DriverFolder() + L"\\recorded-links.txt").c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "";
    char buffer[4096];
    DWORD n = 0;
    ReadFile(f, buffer, sizeof buffer, &n, nullptr);
    CloseHandle(f);
    return std::string(buffer, n);
}

COLORREF TextColourOf(HWND label) {
    // The darkest pixel of the label is its text's colour.
    const Pixels p = CaptureScreen(RectOf(label));
    COLORREF darkest = RGB(255, 255, 255);
    for (COLORREF c : p.data)
        if (GetRValue(c) + GetGValue(c) + GetBValue(c) < GetRValue(darkest) + GetGValue(darkest) + GetBValue(darkest))
            darkest = c;
    return darkest;
}

// Whether the label shows its text in this colour, once it has painted.
bool ShowsInColour(HWND label, COLORREF colour) {
    return WaitFor([&] { return TextColourOf(label) == colour; }, 3000);
}

TEST_F(AboutTest, LinksOpenTheirTargetsAndTurnPurple) {
    DeleteFileW((DriverFolder() + L"\\recorded-links.txt").c_str());
    LinkRecorder web(L"https"), mail(L"mailto");
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\n");
    HWND about = OpenAbout();
    ASSERT_TRUE(about);
    const HWND url = GetDlgItem(about, IDC_ABOUT_URL), address = GetDlgItem(about, IDC_ABOUT_MAIL);
    const std::wstring shownUrl = WindowText(url), shownAddress = WindowText(address);
    EXPECT_EQ(0u, shownUrl.find(L"https://"));
    EXPECT_EQ(std::wstring::npos, shownAddress.find(L"mailto:"));
    EXPECT_TRUE(ShowsInColour(url, RGB(0, 0, 255))) << std::hex << TextColourOf(url);
    EXPECT_TRUE(ShowsInColour(address, RGB(0, 0, 255))) << std::hex << TextColourOf(address);

    RECT r = RectOf(address);
    Click(r.left + 5, (r.top + r.bottom) / 2);
    const std::string expected = "mailto:" + std::string(shownAddress.begin(), shownAddress.end());
    EXPECT_TRUE(WaitFor([&] { return Recorded().find(expected) != std::string::npos; }, 15000)) << Recorded();
    EXPECT_TRUE(ShowsInColour(address, RGB(136, 0, 136))) << std::hex << TextColourOf(address);
    EXPECT_EQ(RGB(0, 0, 255), TextColourOf(url));  // only the clicked one
    EXPECT_TRUE(IsWindow(about));                   // the box stays open

    r = RectOf(url);
    Click(r.left + 5, (r.top + r.bottom) / 2);
    const std::string target(shownUrl.begin(), shownUrl.end());
    EXPECT_TRUE(WaitFor([&] { return Recorded().find(target + "\n") != std::string::npos; }, 15000)) << Recorded();
    EXPECT_TRUE(ShowsInColour(url, RGB(136, 0, 136))) << std::hex << TextColourOf(url);
    ParkMouse();
    Key(VK_ESCAPE);
}

}  // namespace
