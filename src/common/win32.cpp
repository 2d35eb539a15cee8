#include "common/win32.h"

#include <iterator>

namespace {

std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), out.data(), n);
    return out;
}

std::string FromWide(UINT codePage, std::wstring_view text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view text) { return ToWide(CP_UTF8, text); }
std::string WideToUtf8(std::wstring_view text) { return FromWide(CP_UTF8, text); }
std::string Utf8ToAnsi(std::string_view text) { return FromWide(CP_ACP, Utf8ToWide(text)); }
std::string AnsiToUtf8(std::string_view text) { return WideToUtf8(ToWide(CP_ACP, text)); }

std::string ExeFolderUtf8() {
    wchar_t path[MAX_PATH * 2] = L"";
    DWORD n = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    std::wstring folder(path, n);
    // A folder whose name the ANSI code page cannot spell is reached by its short name, so
    // that the A functions of the settings file still find it.
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, folder.c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (lossy) {
        wchar_t shortPath[MAX_PATH * 2] = L"";
        DWORD m = GetShortPathNameW(folder.c_str(), shortPath, DWORD(std::size(shortPath)));
        if (m > 0 && m < std::size(shortPath)) folder.assign(shortPath, m);
    }
    size_t slash = folder.find_last_of(L'\\');
    if (slash != std::wstring::npos)
        folder.resize(slash == 2 && folder[1] == L':' ? slash + 1 : slash);  // keep the root's "C:\\"
    return WideToUtf8(folder);
}
