// The clock's side of the time service: whether a run goes through it, and the run that does.
#pragma once
#include <functional>
#include <string>

#include "service/time_service.h"

// True when the time service is registered and this process may not set the time itself.
bool UseTimeService();

// The synchronisation run by the service: started when it does not run (its pipe awaited for at
// most 5 s), its pipe checked to be the service's own, the request sent and the answer read.
// The windows are served meanwhile; once `abandoned` says so, the run ends quietly (Abandoned).
// `automatic`: the service holds the run to the rules of sending.
SyncOutcome SyncThroughService(const std::string& server, bool automatic, const std::function<bool()>& abandoned);
