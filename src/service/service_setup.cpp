// Installing and removing the time service, its approved servers, and the options dialog's button.
#include "service/service_setup.h"

#include <sddl.h>
#include <shlobj.h>

#include <algorithm>

#include "common/executable.h"
#include "common/handles.h"
#include "common/message_pump.h"
#include "common/text_encoding.h"
#include "service/time_service.h"
#include "timesync/elevation.h"
#include "timesync/result_dialog.h"

namespace {

constexpr const wchar_t* kAccount = L"NT AUTHORITY\\LocalService";
// Administrators and SYSTEM have every right; interactive users may start the service and ask
// its state (SERVICE_QUERY_STATUS, SERVICE_START), nothing more.
constexpr const wchar_t* kServiceSecurity =
    L"D:(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;SY)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;BA)(A;;LCRP;;;IU)";
constexpr DWORD kStopWaitMs = 10000;

// Both builds use the 64-bit view of the machine's registry: the 32-bit one, redirected to
// WOW6432Node, would keep a second list that the other build never sees.
constexpr REGSAM kMachineView = KEY_WOW64_64KEY;

// One value of a key of HKEY_LOCAL_MACHINE in that view; RegGetValueW's flags and result.
LSTATUS ReadMachineValue(const wchar_t* keyPath, const wchar_t* name, DWORD flags, void* data, DWORD* size) {
    OwnedKey key;
    const LSTATUS opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE | kMachineView, key.put());
    return opened != ERROR_SUCCESS ? opened : RegGetValueW(key.get(), nullptr, name, flags, nullptr, data, size);
}

// The folder of the installed copy: Velkaro under the native Program Files folder, which a
// standard user cannot write to. The machine's registry names it in its 64-bit view, whichever
// build asks (the environment's ProgramW6432 is the user's, who asked for the elevation).
std::wstring InstallFolder() {
    wchar_t native[MAX_PATH] = L"";
    DWORD size = sizeof native;
    if (ReadMachineValue(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir", RRF_RT_REG_SZ, native,
                         &size) != ERROR_SUCCESS)
        native[0] = L'\0';
    wchar_t* programFiles = nullptr;
    const bool known = SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramFiles, 0, nullptr, &programFiles));
    const std::wstring folder = ServiceFolder(native, known ? programFiles : L"");
    CoTaskMemFree(programFiles);
    return folder;
}

// Stops the service when it runs and waits (at most 10 s in all) until its process has ended,
// not only until it reports STOPPED: the process may still hold the executable then.
void StopService(SC_HANDLE service) {
    SERVICE_STATUS_PROCESS running{};
    DWORD size = 0;
    const KernelHandle process(
        QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&running), sizeof running, &size) &&
                running.dwProcessId
            ? OpenProcess(SYNCHRONIZE, FALSE, running.dwProcessId)
            : nullptr);
    SERVICE_STATUS status{};
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status) && GetLastError() != ERROR_SERVICE_CANNOT_ACCEPT_CTRL)
        return;  // not running
    const int64_t start = PerformanceNow();
    while (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED &&
           MillisecondsSince(start) < kStopWaitMs)
        Sleep(50);
    if (process) WaitForSingleObject(process.get(), DWORD(std::max(0.0, kStopWaitMs - MillisecondsSince(start))));
}

// A setting the system does not know at all (ERROR_INVALID_LEVEL, or no error named, as under
// Wine, which does not keep a service to its privileges anyway) is left out; any other refusal
// ends the installation.
DWORD ChangeConfig(SC_HANDLE service, DWORD level, void* info) {
    SetLastError(ERROR_SUCCESS);
    if (ChangeServiceConfig2W(service, level, info)) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    return error == ERROR_INVALID_LEVEL ? ERROR_SUCCESS : error;
}

DWORD SetServiceSecurity(SC_HANDLE service) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kServiceSecurity, SDDL_REVISION_1, &descriptor, nullptr))
        return GetLastError();
    const LocalMemory owned(descriptor);
    return SetServiceObjectSecurity(service, DACL_SECURITY_INFORMATION, descriptor) ? ERROR_SUCCESS : GetLastError();
}

DWORD WriteApprovedServers(const std::vector<std::string>& approved) {
    std::wstring list;  // REG_MULTI_SZ: each server and its NUL, then one more NUL
    for (const std::string& server : approved) list += Utf8ToWide(server) + L'\0';
    list += L'\0';
    OwnedKey key;
    if (const LSTATUS error = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServiceKeyPath, 0, nullptr, 0,
                                              KEY_SET_VALUE | kMachineView, nullptr, key.put(), nullptr))
        return DWORD(error);
    return DWORD(RegSetValueExW(key.get(), kServersValueName, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list.data()),
                                DWORD(list.size() * sizeof(wchar_t))));
}

// Services, the Event Viewer and sc show the name and the description in the language of the run
// that installed the service.
DWORD CreateOrUpdateService(SC_HANDLE manager, const std::wstring& copy, Language language) {
    const std::wstring command = L"\"" + copy + L"\" /service";
    const std::wstring displayName = Utf8ToWide(Words(language, Text::ServiceDisplayName));
    std::wstring descriptionText = Utf8ToWide(Words(language, Text::ServiceDescription));
    ServiceHandle service(OpenServiceW(manager, kServiceName, SERVICE_ALL_ACCESS));
    if (service) {
        if (!ChangeServiceConfigW(service.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                  command.c_str(), nullptr, nullptr, L"", kAccount, L"", displayName.c_str()))
            return GetLastError();
    } else {
        service.reset(CreateServiceW(manager, kServiceName, displayName.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                     SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr,
                                     nullptr, kAccount, nullptr));
        if (!service) return GetLastError();
    }
    SERVICE_DESCRIPTIONW description{descriptionText.data()};
    wchar_t privileges[] = L"SeSystemtimePrivilege\0";  // the only one the service keeps
    SERVICE_REQUIRED_PRIVILEGES_INFOW required{privileges};
    for (const auto& [level, info] : {std::pair<DWORD, void*>{SERVICE_CONFIG_DESCRIPTION, &description},
                                      {SERVICE_CONFIG_REQUIRED_PRIVILEGES_INFO, &required}})
        if (const DWORD error = ChangeConfig(service.get(), level, info)) return error;
    return SetServiceSecurity(service.get());
}

}  // namespace

bool TimeServiceRegistered() {
    const ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    return manager && ServiceHandle(OpenServiceW(manager.get(), kServiceName, SERVICE_QUERY_STATUS));
}

std::vector<std::string> ReadApprovedServers() {
    DWORD size = 0;
    if (ReadMachineValue(kServiceKeyPath, kServersValueName, RRF_RT_REG_MULTI_SZ, nullptr, &size) != ERROR_SUCCESS)
        return {};
    std::wstring list(size / sizeof(wchar_t) + 1, L'\0');
    if (ReadMachineValue(kServiceKeyPath, kServersValueName, RRF_RT_REG_MULTI_SZ, list.data(), &size) != ERROR_SUCCESS)
        return {};
    std::vector<std::string> servers;
    for (const wchar_t* s = list.c_str(); *s; s += wcslen(s) + 1) servers.push_back(WideToUtf8(s));
    return servers;
}

std::optional<uint32_t> ReadMaxCorrection() {
    DWORD value = 0, size = sizeof value;
    if (ReadMachineValue(kServiceKeyPath, kMaxCorrectionValueName, RRF_RT_REG_DWORD, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

DWORD InstallTimeService(const std::vector<std::string>& approved, Language language) {
    const std::wstring folder = InstallFolder(), copy = folder + L"\\Velkaro.exe", self = ExecutablePath();
    if (folder.empty()) return ERROR_PATH_NOT_FOUND;
    const ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE));
    if (!manager) return GetLastError();
    if (lstrcmpiW(self.c_str(), copy.c_str()) != 0) {  // run from the copy itself, it stays as it is
        if (const ServiceHandle running{OpenServiceW(manager.get(), kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS)})
            StopService(running.get());
        if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return GetLastError();
        if (!CopyFileW(self.c_str(), copy.c_str(), FALSE)) return GetLastError();
    }
    if (const DWORD error = CreateOrUpdateService(manager.get(), copy, language)) return error;
    return WriteApprovedServers(approved);
}

DWORD UninstallTimeService() {
    const ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return GetLastError();
    if (const ServiceHandle service{OpenServiceW(manager.get(), kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE)}) {
        StopService(service.get());
        if (!DeleteService(service.get()) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) return GetLastError();
    } else if (GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST) {
        return GetLastError();
    }
    const std::wstring folder = InstallFolder(), copy = folder + L"\\Velkaro.exe";
    if (!folder.empty()) {
        // A copy still in use (the service not yet gone, or this very process) goes at the next
        // restart, and its folder with it.
        if (!DeleteFileW(copy.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND) {
            if (!MoveFileExW(copy.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return GetLastError();
            MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        } else {
            RemoveDirectoryW(folder.c_str());  // only when empty
        }
    }
    OwnedKey key;
    LSTATUS deleted = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kServiceKeyPath, 0, DELETE | KEY_ENUMERATE_SUB_KEYS |
                                    KEY_QUERY_VALUE | KEY_SET_VALUE | kMachineView, key.put());
    if (deleted == ERROR_SUCCESS) deleted = RegDeleteTreeW(key.get(), nullptr);
    if (deleted == ERROR_SUCCESS) deleted = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kServiceKeyPath, kMachineView, 0);
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : DWORD(deleted);
}

std::string ServiceErrorText(Language language, DWORD error) {
    const std::string message = SystemMessage(error);
    return message.empty() ? Words(language, Text::ErrorNumber, {std::to_string(error)}) : message;
}

void ChangeTimeService(Language language, bool install, const std::string& server, HWND owner, bool topMost,
                       bool mayElevate) {
    auto report = [&](const std::string& message) {
        ResultReports().ShowResultDialog(language, ServiceChangeFailedReport(language, install, message), owner, topMost);
    };
    // Where the DLL search still looks in the program's folder, nothing runs elevated.
    if (!mayElevate) return void(ResultReports().ShowResultDialog(language, Words(language, Text::UnsafeDllSearch), owner, topMost));
    // The elevated run would refuse such a server at once, unseen: no prompt for it.
    if (install && !IsSyncServer(server)) return report(ServiceErrorText(language, ERROR_INVALID_PARAMETER));
    const std::string parameters = install ? InstallServiceParameters(server) : kUninstallServiceParameters;
    if (StartElevated(GetActiveWindow(), parameters, true) == ElevatedStart::Failed)
        report(Words(language, Text::RunAsAdministratorFailed));
}
