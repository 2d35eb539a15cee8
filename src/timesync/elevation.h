// The synchronisation run again as administrator, for a clock started with a limited token.
#pragma once
#include <windows.h>

#include <string>

#include "timesync/sync_command.h"

// False only when the system says this process runs with a limited token (or as a standard
// user); where it cannot say, nothing could be gained by asking again, and it counts as elevated.
bool ProcessIsElevated();

// Starts this executable elevated (the system asks the user first) with /sync "SERVER". The
// calling thread serves its windows while the system's prompt is open. Declined when the user
// said no; Failed when it could not be started for any other reason.
ElevatedStart StartElevatedSync(HWND owner, const std::string& server);
