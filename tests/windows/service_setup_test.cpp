// The options page's service buttons where elevated runs are not safe (no SetDefaultDllDirectories).
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <thread>

#include "common/text_encoding.h"
#include "resource.h"
#include "service/service_setup.h"

namespace {

// This process's children that are still running.
int Children() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    int children = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        children += entry.th32ParentProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return children;
}

TEST(ServiceSetup, TheServiceButtonsShowWhyAndStartNothingWhereElevationIsUnsafe) {
    const DWORD thread = GetCurrentThreadId();
    for (const bool install : {true, false}) {
        const int before = Children();
        std::wstring shown;
        // The report is modal: a thread of the test reads it and presses OK.
        std::thread reader([&] {
            for (int i = 0; i < 500 && shown.empty(); ++i, Sleep(10))
                EnumThreadWindows(thread, [](HWND window, LPARAM text) {
                    wchar_t message[512] = L"";
                    if (!IsWindowVisible(window) || !GetDlgItemTextW(window, IDC_RESULT_MESSAGE, message, 512)) return TRUE;
                    *reinterpret_cast<std::wstring*>(text) = message;
                    PostMessageW(window, WM_COMMAND, IDOK, 0);
                    return FALSE;
                }, LPARAM(&shown));
        });
        ChangeTimeService(Language::English, install, "ntp.nict.jp", nullptr, false, false);
        reader.join();
        EXPECT_EQ(Utf8ToWide(Words(Language::English, Text::UnsafeDllSearch)), shown) << install;
        EXPECT_EQ(before, Children()) << install;
    }
}

}  // namespace
