// The result dialog "時刻の同期": every report of a synchronisation, modally.
#pragma once
#include <string>

// Shows the text (UTF-8) and returns when the user has closed the dialog.
void ShowResultDialog(const std::string& text);
// Closes a dialog that is open (the program is ending).
void CloseResultDialog();
