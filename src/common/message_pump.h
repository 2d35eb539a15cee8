// Waiting while the windows stay alive: the message pump, the performance counter, the sleep.
#pragma once
#include <cstdint>
#include <functional>

// Processes the window messages that are pending, once. A WM_QUIT met on the way is posted
// again for the main loop, and the result is then false.
bool PumpMessages();

// The performance counter, and the milliseconds (with fractions) since an earlier reading.
int64_t PerformanceNow();
double MillisecondsSince(int64_t earlier, int64_t now = PerformanceNow());
// A reading of the performance counter (now by default) in milliseconds.
inline double PerformanceMs(int64_t at = PerformanceNow()) { return MillisecondsSince(0, at); }

// Waits until a message arrives or the given milliseconds pass, whichever comes first.
void WaitForMessages(double milliseconds);
// Waits for a kernel object (a HANDLE) while the windows stay alive, processing the messages as
// they come: over once it is signalled, after limitMs (infinity: no limit), or when `abandoned`
// says so after a turn of the messages (or a WM_QUIT was met).
enum class WaitEnd { Signalled, TimedOut, Abandoned };
WaitEnd WaitServingWindows(void* object, double limitMs, const std::function<bool()>& abandoned);
