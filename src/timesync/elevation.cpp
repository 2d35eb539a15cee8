// The process's elevation, and the elevated start of the synchronisation on a thread of its own.
#include "timesync/elevation.h"

#include <objbase.h>
#include <shellapi.h>

#include <memory>
#include <vector>

#include "common/executable.h"
#include "common/handles.h"
#include "common/message_pump.h"
#include "common/text_encoding.h"

bool ProcessIsElevated() {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return true;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return true;
    return elevation.TokenIsElevated != 0;
}

bool ProcessMaySetTime() {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return true;
    TOKEN_ELEVATION_TYPE type{};
    DWORD size = 0;
    if (GetTokenInformation(token.get(), TokenElevationType, &type, sizeof type, &size) && type == TokenElevationTypeLimited)
        return false;
    LUID systemTime{};
    if (!LookupPrivilegeValueW(nullptr, SE_SYSTEMTIME_NAME, &systemTime)) return true;
    GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size)) return true;
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID& luid = privileges->Privileges[i].Luid;
        if (luid.LowPart == systemTime.LowPart && luid.HighPart == systemTime.HighPart) return true;
    }
    return false;
}

namespace {

struct RunAsRequest {
    HWND owner;
    std::wstring file, parameters;
    bool waitForExit = false;
    bool executed = false;
    DWORD error = ERROR_SUCCESS;
};
using SharedRequest = std::shared_ptr<RunAsRequest>;

// ShellExecuteEx does not return before the user has answered the elevation prompt, and it
// serves no window meanwhile: it runs on a thread of its own, which holds its own share of the
// request (the caller may stop waiting for it).
DWORD WINAPI RunAs(void* parameter) {
    const std::unique_ptr<SharedRequest> share(static_cast<SharedRequest*>(parameter));
    RunAsRequest& request = **share;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | (request.waitForExit ? SEE_MASK_NOCLOSEPROCESS : 0);
    info.hwnd = request.owner;
    info.lpVerb = L"runas";
    info.lpFile = request.file.c_str();
    info.lpParameters = request.parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    request.executed = ShellExecuteExW(&info) != FALSE;  // a failure is reported by the caller
    if (!request.executed) request.error = GetLastError();
    if (info.hProcess) {
        const KernelHandle process(info.hProcess);
        WaitForSingleObject(process.get(), INFINITE);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

}  // namespace

ElevatedStart StartElevated(HWND owner, const std::string& parameters, bool waitForExit) {
    const auto request =
        std::make_shared<RunAsRequest>(RunAsRequest{owner, ExecutablePath(), Utf8ToWide(parameters), waitForExit});
    auto share = std::make_unique<SharedRequest>(request);
    const KernelHandle thread(CreateThread(nullptr, 0, RunAs, share.get(), 0, nullptr));
    if (!thread) return ElevatedStart::Failed;
    share.release();  // the thread's now
    HANDLE handle = thread.get();
    // The clock ticks on while the prompt is open. Once the program is ending (a WM_QUIT met),
    // nothing is served any more. A wait that fails leaves the thread its share of the request
    // and counts as a failure.
    DWORD woke;
    while ((woke = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT)) == WAIT_OBJECT_0 + 1)
        if (!PumpMessages()) WaitForSingleObject(handle, INFINITE);
    if (woke != WAIT_OBJECT_0) return ElevatedStart::Failed;
    return ElevatedStartOf(request->executed, request->error);
}
