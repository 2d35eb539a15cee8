// The running executable: its command line, its path and its folder.
#pragma once
#include <string>
#include <vector>

// The arguments after the program's own name, split as the system splits a command line (UTF-8).
std::vector<std::string> CommandLineArguments();

// The full path of the running executable.
std::wstring ExecutablePath();

// The folder that holds the running executable, without a trailing backslash unless it is a
// drive root (C:\). Worked out in UTF-16, where a backslash is never half of a character.
std::string ExeFolderUtf8();
