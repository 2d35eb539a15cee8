// The time service's installation and removal (run elevated), its approved servers, and the
// options dialog's button that runs either.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/language.h"

// True when the service VelkaroTime is registered with the service manager.
bool TimeServiceRegistered();
// The approved servers as the installation wrote them; none when it cannot be read.
std::vector<std::string> ReadApprovedServers();
// The largest step the service may take (MaxCorrection), in seconds; none when it is not set.
std::optional<uint32_t> ReadMaxCorrection();

// /install-service: copies this executable under Program Files (the service stopped first),
// creates or updates the service that runs that copy as LOCAL SERVICE, sets who may do what
// with it (its name and description in the language), and writes the approved servers (the first
// the server given). 0, or the error that stopped it.
DWORD InstallTimeService(const std::vector<std::string>& approved, Language language);
// /uninstall-service: stops and deletes the service, deletes the copy (at the next restart when
// it is in use) and its folder when empty, and the approved servers' key. 0, or the error.
DWORD UninstallTimeService();
// The system's text for the error, or its number where the system has none.
std::string ServiceErrorText(Language language, DWORD error);

// The options dialog's button: runs /install-service "SERVER" or /uninstall-service elevated
// and waits for it, serving the windows. A declined prompt changes nothing; a run that could not
// be started is reported (in the topmost band with topMost); a run that fails shows its own
// report.
// Where elevated runs are not safe (mayElevate false: no SetDefaultDllDirectories), the report
// that says so instead, and nothing elevated.
void ChangeTimeService(Language language, bool install, const std::string& server, HWND owner, bool topMost,
                       bool mayElevate);
