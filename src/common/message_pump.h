// Waiting while the windows stay alive: the message pump, the performance counter, the sleep.
#pragma once
#include <cstdint>

// Processes the window messages that are pending, once. A WM_QUIT met on the way is posted
// again for the main loop, and the result is then false.
bool PumpMessages();

// The performance counter, and the milliseconds (with fractions) since an earlier reading.
int64_t PerformanceNow();
double MillisecondsSince(int64_t earlier, int64_t now = PerformanceNow());

// Waits until a message arrives or the given milliseconds pass, whichever comes first.
void WaitForMessages(double milliseconds);
