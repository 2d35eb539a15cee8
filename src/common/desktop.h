// The topmost band and the shell's recent-documents list.
#pragma once
#include <windows.h>

// Into or out of the topmost band, without moving or resizing the window (and, when asked,
// without activating it).
void SetTopMost(HWND window, bool withoutActivation = false);
void ClearTopMost(HWND window);
// See-through: a layered window with this alpha (0..255) over its whole face; 255 leaves the
// window an ordinary one, not layered at all.
void SetWindowAlpha(HWND window, unsigned char alpha);
// Behind the other window, and so out of the topmost band unless that window is in it.
void PutBehind(HWND window, HWND front);
// The foreground window when it is a full-screen program on the given monitor rectangle: its
// client area covers it (or, without a caption, its window does), it is not cloaked, and it is
// neither the desktop, the shell's windows nor a window of this process.
HWND FullScreenForeground(const RECT& monitor);
// The rectangle of the monitor the window is on, or nearest to.
RECT MonitorRectOf(HWND window);
// Empties the current user's list of recently used documents.
void ClearRecentDocuments();
