// The DLLs loaded from System32 alone, and their functions.
#include "common/system_library.h"

#include <optional>
#include <string>
#include <utility>

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
bool LookUp(HMODULE dll, const char* name, Function& function) {
    function = dll ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(dll, name))) : nullptr;
    return function != nullptr;
}

// The DLL's functions, each named beside the member it goes to; none unless all are there.
template <class Functions, class... Members>
std::optional<Functions> LoadFunctions(const wchar_t* name, std::pair<const char*, Members Functions::*>... members) {
    const HMODULE dll = SystemLibrary(name);
    Functions functions{};
    if (!(LookUp(dll, members.first, functions.*members.second) && ...)) return std::nullopt;
    return functions;
}

}  // namespace

bool LoadLibrariesFromSystem32Only() {
    // Looked up, not imported: Windows before the search flags has no such function.
    BOOL(WINAPI * setDirectories)(DWORD) = nullptr;
    if (LookUp(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories", setDirectories) &&
        setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return true;
    SetDllDirectoryW(L"");  // at least the current folder leaves the search
    return false;
}

const ComctlFunctions* Comctl() {
    using F = ComctlFunctions;
    static const std::optional<F> functions = LoadFunctions<F>(
        L"comctl32.dll", std::pair{"InitCommonControlsEx", &F::InitCommonControlsEx},
        std::pair{"SetWindowSubclass", &F::SetWindowSubclass}, std::pair{"RemoveWindowSubclass", &F::RemoveWindowSubclass},
        std::pair{"DefSubclassProc", &F::DefSubclassProc});
    return functions ? &*functions : nullptr;
}

const OleaccFunctions* Oleacc() {
    using F = OleaccFunctions;
    static const std::optional<F> functions =
        LoadFunctions<F>(L"oleacc.dll", std::pair{"LresultFromObject", &F::LresultFromObject},
                         std::pair{"CreateStdAccessibleObject", &F::CreateStdAccessibleObject});
    return functions ? &*functions : nullptr;
}

const VersionFunctions* Version() {
    using F = VersionFunctions;
    static const std::optional<F> functions = LoadFunctions<F>(
        L"version.dll", std::pair{"GetFileVersionInfoSizeW", &F::GetFileVersionInfoSizeW},
        std::pair{"GetFileVersionInfoW", &F::GetFileVersionInfoW}, std::pair{"VerQueryValueW", &F::VerQueryValueW});
    return functions ? &*functions : nullptr;
}

const DwmFunctions* Dwm() {
    using F = DwmFunctions;
    static const std::optional<F> functions =
        LoadFunctions<F>(L"dwmapi.dll", std::pair{"DwmGetWindowAttribute", &F::DwmGetWindowAttribute});
    return functions ? &*functions : nullptr;
}

const BcryptFunctions* Bcrypt() {
    using F = BcryptFunctions;
    static const std::optional<F> functions = LoadFunctions<F>(L"bcrypt.dll", std::pair{"BCryptGenRandom", &F::BCryptGenRandom});
    return functions ? &*functions : nullptr;
}

const WinmmFunctions* Winmm() {
    using F = WinmmFunctions;
    static const std::optional<F> functions = LoadFunctions<F>(
        L"winmm.dll", std::pair{"waveOutGetNumDevs", &F::waveOutGetNumDevs}, std::pair{"waveOutOpen", &F::waveOutOpen},
        std::pair{"waveOutPrepareHeader", &F::waveOutPrepareHeader},
        std::pair{"waveOutUnprepareHeader", &F::waveOutUnprepareHeader}, std::pair{"waveOutWrite", &F::waveOutWrite},
        std::pair{"waveOutGetPosition", &F::waveOutGetPosition}, std::pair{"waveOutReset", &F::waveOutReset},
        std::pair{"waveOutClose", &F::waveOutClose}, std::pair{"timeBeginPeriod", &F::timeBeginPeriod},
        std::pair{"timeEndPeriod", &F::timeEndPeriod});
    return functions ? &*functions : nullptr;
}
