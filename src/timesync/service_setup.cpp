// Installing and removing the time service, its approved servers, and the options dialog's button.
#include "timesync/service_setup.h"

#include <sddl.h>
#include <shlobj.h>

#include "common/executable.h"
#include "common/handles.h"
#include "common/message_pump.h"
#include "common/text_encoding.h"
#include "timesync/elevation.h"
#include "timesync/result_dialog.h"
#include "timesync/time_service.h"

namespace {

constexpr const wchar_t* kDisplayName = L"Velkaro 時刻合わせ";
constexpr const wchar_t* kDescription =
    L"Velkaro の時計が、登録された NTP サーバーからパソコンの時刻を合わせるためのサービスです。";
constexpr const wchar_t* kAccount = L"NT AUTHORITY\\LocalService";
// Administrators and SYSTEM have every right; interactive users may start the service and ask
// its state (SERVICE_QUERY_STATUS, SERVICE_START), nothing more.
constexpr const wchar_t* kServiceSecurity =
    L"D:(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;SY)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;BA)(A;;LCRP;;;IU)";
constexpr DWORD kStopWaitMs = 10000;

// The folder of the installed copy: Velkaro under Program Files, which a standard user cannot
// write to.
std::wstring InstallFolder() {
    wchar_t* programFiles = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramFiles, 0, nullptr, &programFiles)))
        folder = std::wstring(programFiles) + L"\\Velkaro";
    CoTaskMemFree(programFiles);
    return folder;
}

// Stops the service when it runs and waits (at most 10 s) for it to have stopped.
void StopService(SC_HANDLE service) {
    SERVICE_STATUS status{};
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status) && GetLastError() != ERROR_SERVICE_CANNOT_ACCEPT_CTRL)
        return;  // not running
    const int64_t start = PerformanceNow();
    while (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED &&
           MillisecondsSince(start) < kStopWaitMs)
        Sleep(50);
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
    return DWORD(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kServiceKeyPath, kServersValueName, REG_MULTI_SZ, list.data(),
                                 DWORD(list.size() * sizeof(wchar_t))));
}

DWORD CreateOrUpdateService(SC_HANDLE manager, const std::wstring& copy) {
    const std::wstring command = L"\"" + copy + L"\" /service";
    ServiceHandle service(OpenServiceW(manager, kServiceName, SERVICE_ALL_ACCESS));
    if (service) {
        if (!ChangeServiceConfigW(service.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                  command.c_str(), nullptr, nullptr, L"", kAccount, L"", kDisplayName))
            return GetLastError();
    } else {
        service.reset(CreateServiceW(manager, kServiceName, kDisplayName, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                     SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr,
                                     nullptr, kAccount, nullptr));
        if (!service) return GetLastError();
    }
    SERVICE_DESCRIPTIONW description{const_cast<wchar_t*>(kDescription)};
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
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kServiceKeyPath, kServersValueName, RRF_RT_REG_MULTI_SZ, nullptr, nullptr,
                     &size) != ERROR_SUCCESS)
        return {};
    std::wstring list(size / sizeof(wchar_t) + 1, L'\0');
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kServiceKeyPath, kServersValueName, RRF_RT_REG_MULTI_SZ, nullptr, list.data(),
                     &size) != ERROR_SUCCESS)
        return {};
    std::vector<std::string> servers;
    for (const wchar_t* s = list.c_str(); *s; s += wcslen(s) + 1) servers.push_back(WideToUtf8(s));
    return servers;
}

DWORD InstallTimeService(const std::vector<std::string>& approved) {
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
    if (const DWORD error = CreateOrUpdateService(manager.get(), copy)) return error;
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
    const LSTATUS deleted = RegDeleteTreeW(HKEY_LOCAL_MACHINE, kServiceKeyPath);
    if (deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND) RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServiceKeyPath);
    else return DWORD(deleted);
    return ERROR_SUCCESS;
}

std::string ServiceErrorText(DWORD error) {
    const std::string message = SystemMessage(error);
    return message.empty() ? "エラー No." + std::to_string(error) : message;
}

void ChangeTimeService(bool install, const std::string& server, HWND owner, bool topMost) {
    auto report = [&](const std::string& message) {
        ResultReports().ShowResultDialog(install ? InstallFailedReport(message) : UninstallFailedReport(message), owner,
                                         topMost);
    };
    // The elevated run would refuse such a server at once, unseen: no prompt for it.
    if (install && !IsSyncServer(server)) return report(ServiceErrorText(ERROR_INVALID_PARAMETER));
    const std::string parameters = install ? InstallServiceParameters(server) : kUninstallServiceParameters;
    if (StartElevated(GetActiveWindow(), parameters, true) == ElevatedStart::Failed)
        report("管理者として実行できませんでした。");
}
