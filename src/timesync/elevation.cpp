#include "timesync/elevation.h"

#include <objbase.h>
#include <shellapi.h>

#include "common/win32.h"
#include "timesync/sync_command.h"

bool ProcessIsElevated() {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return true;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return true;
    return elevation.TokenIsElevated != 0;
}

namespace {

struct RunAsRequest {
    HWND owner;
    std::wstring file, parameters;
    DWORD error = ERROR_SUCCESS;
};

// ShellExecuteEx does not return before the user has answered the elevation prompt, and it
// serves no window meanwhile: it runs on a thread of its own.
DWORD WINAPI RunAs(void* parameter) {
    auto& request = *static_cast<RunAsRequest*>(parameter);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;  // a failure is reported by the caller
    info.hwnd = request.owner;
    info.lpVerb = L"runas";
    info.lpFile = request.file.c_str();
    info.lpParameters = request.parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) request.error = GetLastError();
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

}  // namespace

ElevatedStart StartElevatedSync(HWND owner, const std::string& server) {
    RunAsRequest request{owner, ExecutablePath(), Utf8ToWide(SyncParameters(server))};
    const KernelHandle thread(CreateThread(nullptr, 0, RunAs, &request, 0, nullptr));
    if (!thread) return ElevatedStart::Failed;
    HANDLE handle = thread.get();
    // The clock ticks on while the prompt is open. The thread is always waited for: the request
    // lives here. Once the program is ending (a WM_QUIT met), nothing is served any more.
    while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        if (!PumpMessages()) WaitForSingleObject(handle, INFINITE);
    if (request.error == ERROR_SUCCESS) return ElevatedStart::Started;
    return request.error == ERROR_CANCELLED ? ElevatedStart::Declined : ElevatedStart::Failed;
}
