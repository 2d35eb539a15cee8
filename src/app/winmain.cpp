#include <windows.h>
#include <commctrl.h>

#include "app/modMain.h"
#include "common/win32.h"
#include "timesync/sync_command.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const CommandLine command = ParseCommandLine(CommandLineArguments());
    if (command.kind == CommandLine::Kind::Invalid) return 2;  // before anything is shown or sent
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    if (command.kind == CommandLine::Kind::Sync) return SyncMain(command.server);
    if (!Main()) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
