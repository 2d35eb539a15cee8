// The clock as screen readers see it: an accessible clock object for the face's window.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

// What the face shows now; DrawClock writes it, the accessible object reads it.
struct FaceReading {
    int hour = -1, minute = -1;  // the figures on the face
    int second = -1;             // and the seconds, where the face shows them
    std::string date;            // the tooltip's date, in the user's language
};

// The answer to WM_GETOBJECT for the face's window: for its client area a clock (ROLE_SYSTEM_CLOCK)
// whose name is the time on the face ("9:05"), whose value gives the seconds too where the face
// shows them ("9:05:07"), and whose description is the tooltip's date;
// otherwise what the system answers. The object keeps the reading alive and refuses every call
// once the window is gone.
LRESULT AnswerGetObject(HWND window, UINT message, WPARAM flags, LPARAM objectId,
                        const std::shared_ptr<const FaceReading>& reading);

// Tells screen readers that the clock's name changed (the minute turned).
void NotifyNameChange(HWND window);
