// The topmost band and the shell's recent-documents list.
#pragma once
#include <windows.h>

// Into or out of the topmost band, without moving or resizing the window.
void SetTopMost(HWND window);
void ClearTopMost(HWND window);
// Empties the current user's list of recently used documents.
void ClearRecentDocuments();
