// The DLLs that are not among Windows' known DLLs (comctl32, oleacc, version, dwmapi, bcrypt, winmm):
// loaded
// from System32 (comctl32 from the side-by-side store the manifest names) when first needed,
// their functions looked up once. The executable imports none of them, so a DLL of the same
// name beside it (in the Downloads folder, say) is never taken, not even by its elevated runs;
// nor is one that they load in turn as they start (comctl32 loads uxtheme).
#pragma once
#include <windows.h>

#include <bcrypt.h>
#include <commctrl.h>
#include <dwmapi.h>
#include <mmsystem.h>
#include <oleacc.h>

// The first thing the program does, in every mode: whatever DLL is loaded later, by the program
// or by the system on its behalf (uxtheme, dwmapi, the input method), comes from System32. False
// on a Windows without the search flags (Vista, 7 and Server 2008 R2 without update KB2533623),
// where the program's own folder stays in the search: no elevated run is safe there.
bool LoadLibrariesFromSystem32Only();

struct ComctlFunctions {
    decltype(&::InitCommonControlsEx) InitCommonControlsEx;
    decltype(&::SetWindowSubclass) SetWindowSubclass;
    decltype(&::RemoveWindowSubclass) RemoveWindowSubclass;
    decltype(&::DefSubclassProc) DefSubclassProc;
};
struct OleaccFunctions {
    decltype(&::LresultFromObject) LresultFromObject;
    decltype(&::CreateStdAccessibleObject) CreateStdAccessibleObject;
};
struct VersionFunctions {
    decltype(&::GetFileVersionInfoSizeW) GetFileVersionInfoSizeW;
    decltype(&::GetFileVersionInfoW) GetFileVersionInfoW;
    decltype(&::VerQueryValueW) VerQueryValueW;
};
struct DwmFunctions {
    decltype(&::DwmGetWindowAttribute) DwmGetWindowAttribute;
};
// The random numbers. Not RtlGenRandom: advapi32 forwards it to cryptbase.dll, which is no known
// DLL, and the loader resolves a static import of it before the program's first line has
// restricted the search.
struct BcryptFunctions {
    decltype(&::BCryptGenRandom) BCryptGenRandom;
};

// The sound device, for the hour signal; a test stands in for it with functions of its own.
struct WinmmFunctions {
    decltype(&::waveOutGetNumDevs) waveOutGetNumDevs;
    decltype(&::waveOutOpen) waveOutOpen;
    decltype(&::waveOutPrepareHeader) waveOutPrepareHeader;
    decltype(&::waveOutUnprepareHeader) waveOutUnprepareHeader;
    decltype(&::waveOutWrite) waveOutWrite;
    decltype(&::waveOutGetPosition) waveOutGetPosition;
    decltype(&::waveOutReset) waveOutReset;
    decltype(&::waveOutClose) waveOutClose;
    decltype(&::timeBeginPeriod) timeBeginPeriod;
    decltype(&::timeEndPeriod) timeEndPeriod;
};

// Each DLL's functions, or nullptr where the DLL or one of them is missing.
const ComctlFunctions* Comctl();
const OleaccFunctions* Oleacc();
const VersionFunctions* Version();
const DwmFunctions* Dwm();
const BcryptFunctions* Bcrypt();
const WinmmFunctions* Winmm();
