// The synchronisation run again as administrator, for a clock started with a limited token.
#pragma once
#include <windows.h>

#include <string>

#include "timesync/sync_command.h"

// False only when the system says this process runs with a limited token (or as a standard
// user); where it cannot say, nothing could be gained by asking again, and it counts as elevated.
bool ProcessIsElevated();

// False when the token is a limited one (an administrator's, unelevated) or does not hold the
// right to change the system time: the time service, where there is one, sets the time instead.
bool ProcessMaySetTime();

// Starts this executable elevated (the system asks the user first) with the parameters, and
// with waitForExit returns only once that process has ended. The calling thread serves its
// windows meanwhile. Declined when the user said no; Failed when it could not be started for
// any other reason.
ElevatedStart StartElevated(HWND owner, const std::string& parameters, bool waitForExit = false);
// The synchronisation run elevated: /sync "SERVER".
inline ElevatedStart StartElevatedSync(HWND owner, const std::string& server) {
    return StartElevated(owner, SyncParameters(server));
}
