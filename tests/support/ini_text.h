// A whole settings file read from its text the way the private-profile functions read it, for
// the native tests and the fuzz targets: sections and keys compared without regard to case,
// blanks around keys and values dropped, one pair of enclosing quotes taken off, the first of
// repeated keys counting, and values cut to the 99 bytes the program's reads take.
#pragma once
#include <string>
#include <string_view>

#include "settings/settings_file.h"

std::string IniTextValue(std::string_view fileText, std::string_view section, std::string_view key);

// The record the program would load from a settings file with this text.
SettingsRecord LoadSettingsText(std::string_view fileText);
