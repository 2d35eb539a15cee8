// The topmost band and the shell's recent-documents list.
#include "common/desktop.h"

#include <shlobj.h>

void SetTopMost(HWND window) { SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

void ClearTopMost(HWND window) { SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

void ClearRecentDocuments() { SHAddToRecentDocs(SHARD_PATHA, nullptr); }
