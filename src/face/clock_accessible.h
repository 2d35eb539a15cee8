// The clock as screen readers see it: an accessible clock object for the face's window.
#pragma once
#include <windows.h>

#include <memory>

// What the face shows now; DrawClock writes it, the accessible object reads it.
struct FaceReading {
    int hour = -1, minute = -1;   // the figures on the face
    int year = 0, month = 0, day = 0;  // the date of the tooltip
};

// The answer to WM_GETOBJECT for the face's window: for its client area a clock (ROLE_SYSTEM_CLOCK)
// whose name is the time on the face ("9:05") and whose description is the tooltip's date;
// otherwise what the system answers. The object keeps the reading alive and refuses every call
// once the window is gone.
LRESULT AnswerGetObject(HWND window, UINT message, WPARAM flags, LPARAM objectId,
                        const std::shared_ptr<const FaceReading>& reading);

// Tells screen readers that the clock's name changed (the minute turned).
void NotifyNameChange(HWND window);
