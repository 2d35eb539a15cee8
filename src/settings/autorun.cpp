// The data of the start-with-Windows entry.
#include "settings/autorun.h"

std::string AutoRunData(std::string_view exeFolder, std::string_view exeFileName) {
    const size_t dot = exeFileName.rfind('.');
    const std::string data = std::string(exeFolder) + "\\" + std::string(exeFileName.substr(0, dot));
    // Unquoted, a path with a blank makes Windows try its shorter prefixes first at logon
    // ("C:\Program.exe" for "C:\Program Files\...").
    return data.find(' ') == std::string::npos ? data : '"' + data + '"';
}

bool SwitchedOffAtStartup(const std::vector<uint8_t>& approved) { return approved.size() == 12 && (approved[0] & 1); }
