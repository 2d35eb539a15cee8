// The About box: title, version, legal notice and two links, from the executable's own
// version information.
#pragma once

// Shows the box modally; returns when it is closed.
void ShowAboutDialog();
