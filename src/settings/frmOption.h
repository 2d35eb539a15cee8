// The options dialog "オプション": every setting with a control, on three tabs.
#pragma once

// Shows the dialog modally; OK applies and saves everything, キャンセル changes nothing.
void ShowOptionDialog();
