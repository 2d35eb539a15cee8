// The DLLs loaded from System32 alone, and their functions.
#include "common/system_library.h"

#include <optional>
#include <string>

namespace {

// The DLL from System32. Windows without the search flags (Vista, 7 without its update) is
// given the full path instead.
HMODULE SystemLibrary(const wchar_t* name) {
    if (const HMODULE dll = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return dll;
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return LoadLibraryExW((std::wstring(folder, length) + L'\\' + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <class Function>
void LookUp(HMODULE dll, const char* name, Function& function) {
    function = dll ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(dll, name))) : nullptr;
}

template <class Functions>
const Functions* Found(const std::optional<Functions>& functions) {
    return functions ? &*functions : nullptr;
}

}  // namespace

void LoadLibrariesFromSystem32Only() {
    // Looked up, not imported: Windows before the search flags has no such function.
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    SetDirectories set = nullptr;
    LookUp(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories", set);
    if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
    else SetDllDirectoryW(L"");  // at least the current folder leaves the search
}

const ComctlFunctions* Comctl() {
    static const std::optional<ComctlFunctions> functions = []() -> std::optional<ComctlFunctions> {
        const HMODULE dll = SystemLibrary(L"comctl32.dll");
        ComctlFunctions f{};
        LookUp(dll, "InitCommonControlsEx", f.InitCommonControlsEx);
        LookUp(dll, "SetWindowSubclass", f.SetWindowSubclass);
        LookUp(dll, "RemoveWindowSubclass", f.RemoveWindowSubclass);
        LookUp(dll, "DefSubclassProc", f.DefSubclassProc);
        if (!f.InitCommonControlsEx || !f.SetWindowSubclass || !f.RemoveWindowSubclass || !f.DefSubclassProc)
            return std::nullopt;
        return f;
    }();
    return Found(functions);
}

const OleaccFunctions* Oleacc() {
    static const std::optional<OleaccFunctions> functions = []() -> std::optional<OleaccFunctions> {
        const HMODULE dll = SystemLibrary(L"oleacc.dll");
        OleaccFunctions f{};
        LookUp(dll, "LresultFromObject", f.LresultFromObject);
        LookUp(dll, "CreateStdAccessibleObject", f.CreateStdAccessibleObject);
        if (!f.LresultFromObject || !f.CreateStdAccessibleObject) return std::nullopt;
        return f;
    }();
    return Found(functions);
}

const VersionFunctions* Version() {
    static const std::optional<VersionFunctions> functions = []() -> std::optional<VersionFunctions> {
        const HMODULE dll = SystemLibrary(L"version.dll");
        VersionFunctions f{};
        LookUp(dll, "GetFileVersionInfoSizeW", f.GetFileVersionInfoSizeW);
        LookUp(dll, "GetFileVersionInfoW", f.GetFileVersionInfoW);
        LookUp(dll, "VerQueryValueW", f.VerQueryValueW);
        if (!f.GetFileVersionInfoSizeW || !f.GetFileVersionInfoW || !f.VerQueryValueW) return std::nullopt;
        return f;
    }();
    return Found(functions);
}

const DwmFunctions* Dwm() {
    static const std::optional<DwmFunctions> functions = []() -> std::optional<DwmFunctions> {
        DwmFunctions f{};
        LookUp(SystemLibrary(L"dwmapi.dll"), "DwmGetWindowAttribute", f.DwmGetWindowAttribute);
        if (!f.DwmGetWindowAttribute) return std::nullopt;
        return f;
    }();
    return Found(functions);
}
