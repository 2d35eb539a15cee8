// The running executable's command line, path and folder.
#include "common/executable.h"

#include <windows.h>
#include <shellapi.h>


#include "common/handles.h"
#include "common/text_encoding.h"

std::vector<std::string> CommandLineArguments() {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const LocalMemory owned(argv);
    std::vector<std::string> arguments;
    for (int i = 1; argv && i < count; ++i) arguments.push_back(WideToUtf8(argv[i]));
    return arguments;
}

std::wstring ExecutablePath() {
    std::wstring path(32768, L'\0');  // the longest path the system has
    path.resize(GetModuleFileNameW(nullptr, path.data(), DWORD(path.size())));
    return path;
}

std::string ExeFolderUtf8() {
    std::wstring folder = ExecutablePath();
    size_t slash = folder.find_last_of(L'\\');
    if (slash != std::wstring::npos)
        folder.resize(slash == 2 && folder[1] == L':' ? slash + 1 : slash);  // keep the root's "C:\\"
    return WideToUtf8(folder);
}
