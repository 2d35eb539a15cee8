// The entry point: the command line decides between the clock and the elevated run.
#include <windows.h>
#include <commctrl.h>

#include "app/app.h"
#include "common/executable.h"
#include "common/system_library.h"
#include "timesync/sync_command.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const bool safeDllSearch = LoadLibrariesFromSystem32Only();  // before anything can load a DLL from this folder
    const CommandLine command = ParseCommandLine(CommandLineArguments());
    if (command.kind == CommandLine::Kind::Invalid) return 2;  // before anything is shown or sent
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    if (const ComctlFunctions* comctl = Comctl()) comctl->InitCommonControlsEx(&controls);
    App app(safeDllSearch);
    switch (command.kind) {
    case CommandLine::Kind::Sync: return app.SyncMain(command.server);
    case CommandLine::Kind::InstallService: return app.InstallServiceMain(command.server);
    case CommandLine::Kind::UninstallService: return app.UninstallServiceMain();
    case CommandLine::Kind::Service: return app.ServiceMain();
    default: return app.RunClock();
    }
}
