#include <gtest/gtest.h>

#include "clock_fixture.h"

#include "face/clock_face.h"
#include "resource.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        if (condition()) return true;
        Sleep(15);
    }
    return condition();
}

void MouseTo(int x, int y, DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = (x * 65535 + sw / 2) / (sw - 1);
    in.mi.dy = (y * 65535 + sh / 2) / (sh - 1);
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &in, sizeof in);
}

void Click(int x, int y, bool right) {
    MouseTo(x, y);
    Sleep(30);
    MouseTo(x, y, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    Sleep(30);
    MouseTo(x, y, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
    Sleep(30);
}

void DoubleClick(int x, int y) {
    Click(x, y);
    Sleep(50);
    Click(x, y);
}

void Key(WORD vk, WORD modifier) {
    INPUT in[4]{};
    for (INPUT& i : in) i.type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[3].ki.wVk = modifier;
    in[1].ki.wVk = in[2].ki.wVk = vk;
    in[2].ki.dwFlags = in[3].ki.dwFlags = KEYEVENTF_KEYUP;
    if (modifier) SendInput(4, in, sizeof in[0]);
    else SendInput(2, in + 1, sizeof in[0]);
}

void ParkMouse() { MouseTo(2, GetSystemMetrics(SM_CYSCREEN) - 3); }

namespace {
struct FindArgs {
    DWORD pid;
    const wchar_t* className;
    bool visibleOnly;
    HWND found;
};
BOOL CALLBACK FindProc(HWND h, LPARAM lp) {
    auto* a = reinterpret_cast<FindArgs*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    wchar_t cls[128] = L"";
    GetClassNameW(h, cls, 128);
    if (pid != a->pid || wcscmp(cls, a->className) != 0 || (a->visibleOnly && !IsWindowVisible(h))) return TRUE;
    a->found = h;
    return FALSE;
}
}  // namespace

HWND FindTop(DWORD pid, const wchar_t* className, bool visibleOnly) {
    FindArgs a{pid, className, visibleOnly, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&a));
    return a.found;
}

std::wstring WindowText(HWND window) {
    wchar_t buffer[512] = L"";
    DWORD_PTR result;
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &result);
    return buffer;
}

bool SendWithBlock(HWND window, HANDLE process, UINT message, WPARAM wParam, void* block, size_t size, LRESULT* result) {
    void* at = nullptr;  // the first address free in both processes
    for (uintptr_t a = 0x10000000; !at && a < 0x70000000; a += 0x01000000) {
        void* here = VirtualAlloc(reinterpret_cast<void*>(a), 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (here && VirtualAllocEx(process, here, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE) == here) at = here;
        else if (here) VirtualFree(here, 0, MEM_RELEASE);
    }
    if (!at) return false;
    std::memcpy(at, block, size);
    DWORD_PTR answer = 0;
    const bool sent = WriteProcessMemory(process, at, block, size, nullptr) &&
                      SendMessageTimeoutW(window, message, wParam, reinterpret_cast<LPARAM>(at), SMTO_ABORTIFHUNG, 5000,
                                          &answer) &&
                      ReadProcessMemory(process, at, block, size, nullptr);
    if (result) *result = LRESULT(answer);
    VirtualFreeEx(process, at, 0, MEM_RELEASE);
    VirtualFree(at, 0, MEM_RELEASE);
    return sent;
}

RECT RectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

bool IsTopMost(HWND window) { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

DWORD GuiFlags(DWORD threadId) {
    GUITHREADINFO gi{};
    gi.cbSize = sizeof gi;
    GetGUIThreadInfo(threadId, &gi);
    return gi.flags;
}

namespace {
Pixels BitmapPixels(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    Pixels p;
    p.width = info.bmWidth;
    p.height = info.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = p.width;
    bi.bmiHeader.biHeight = -p.height;  // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<uint8_t> bgra(size_t(p.width) * p.height * 4);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, p.height, bgra.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    for (size_t i = 0; i < bgra.size() / 4; ++i) p.data.push_back(RGB(bgra[4 * i + 2], bgra[4 * i + 1], bgra[4 * i]));
    return p;
}
}  // namespace

SYSTEMTIME LocalTimeAgo(int minutesAgo) {
    FILETIME utc, local;
    GetSystemTimeAsFileTime(&utc);
    FileTimeToLocalFileTime(&utc, &local);
    const uint64_t t = (uint64_t(local.dwHighDateTime) << 32 | local.dwLowDateTime) - uint64_t(minutesAgo) * 600000000;
    local = {DWORD(t), DWORD(t >> 32)};
    SYSTEMTIME s;
    FileTimeToSystemTime(&local, &s);
    return s;
}

std::string RecordStamp(const SYSTEMTIME& s) {
    char text[32];
    snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute, s.wSecond);
    return text;
}

bool UseDisplayDpi(DWORD dpi) {
    constexpr const wchar_t* kDesktop = L"Control Panel\\Desktop";
    if (!dpi) return RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels") == ERROR_SUCCESS;
    return RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", REG_DWORD, &dpi, sizeof dpi) == ERROR_SUCCESS;
}

Pixels CaptureScreen(const RECT& area) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP copy = CreateCompatibleBitmap(screen, area.right - area.left, area.bottom - area.top);
    HGDIOBJ old = SelectObject(memory, copy);
    BitBlt(memory, 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    Pixels p = BitmapPixels(copy);
    DeleteObject(copy);
    return p;
}

// The face as it must look: the executable's own background with the cells for the time.
Pixels ExpectedFace(const std::wstring& exe, int windowSize, int hour, int minute, bool colonLit, int scale, int second) {
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    auto load = [&](int id) {
        HBITMAP b = static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        Pixels p = BitmapPixels(b);
        DeleteObject(b);
        return p;
    };
    const bool seconds = second >= 0;
    Pixels face = load(windowSize == 1 ? (seconds ? IDB_FACE_LARGE_SECONDS : IDB_FACE_LARGE)
                                       : (seconds ? IDB_FACE_SMALL_SECONDS : IDB_FACE_SMALL));
    const Pixels sheet = load(windowSize == 1 ? IDB_FIGURES_LARGE : IDB_FIGURES_SMALL);
    FreeLibrary(module);
    const FaceGeometry& g = GeometryFor(windowSize, seconds);
    std::vector<SpriteCopy> cells;
    for (const SpriteCopy& c : CellsForTime(g, hour, minute, colonLit)) cells.push_back(c);
    if (seconds)
        for (const SpriteCopy& c : SecondsCells(g, second, colonLit)) cells.push_back(c);
    for (const SpriteCopy& c : cells)
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                face.data[size_t(c.destY + y) * face.width + c.destX + x] = sheet.at(c.sourceX + x, y);
    if (scale == 1) return face;
    Pixels enlarged{face.width * scale, face.height * scale, {}};
    for (int y = 0; y < enlarged.height; ++y)
        for (int x = 0; x < enlarged.width; ++x) enlarged.data.push_back(face.at(x / scale, y / scale));
    return enlarged;
}

FaceShot CaptureFace(HWND clock) {
    for (;;) {
        SYSTEMTIME before, after;
        GetLocalTime(&before);
        Pixels p = CaptureScreen(RectOf(clock));
        GetLocalTime(&after);
        // The clock shows a new minute at its next tick, up to 75 ms after the turn: a capture
        // just after it may still show the old one.
        const bool justTurned = before.wSecond == 0 && before.wMilliseconds < 250;
        if (before.wMinute == after.wMinute && before.wHour == after.wHour && !justTurned) return {p, before};
        Sleep(50);
    }
}

bool ShowsTheTime(HWND clock, const std::wstring& exe, int windowSize, int timeoutMs, int scale) {
    return WaitFor(
        [&] {
            const FaceShot shot = CaptureFace(clock);
            return shot.pixels == ExpectedFace(exe, windowSize, shot.time.wHour, shot.time.wMinute, true, scale);
        },
        timeoutMs);
}

// The colon's pixels in a series of captures over a little more than one blink cycle.
std::vector<bool> ColonSeries(HWND clock, const std::wstring& exe, int scale) {
    std::vector<bool> lit;
    Pixels on, off;  // the faces of the minute of the last capture
    int minuteOfDay = -1;
    const ULONGLONG end = GetTickCount64() + 1300;
    while (GetTickCount64() < end) {
        FaceShot shot = CaptureFace(clock);
        if (shot.time.wHour * 60 + shot.time.wMinute != minuteOfDay) {
            minuteOfDay = shot.time.wHour * 60 + shot.time.wMinute;
            on = ExpectedFace(exe, 1, shot.time.wHour, shot.time.wMinute, true, scale);
            off = ExpectedFace(exe, 1, shot.time.wHour, shot.time.wMinute, false, scale);
        }
        if (!(shot.pixels == on || shot.pixels == off)) {
            int differ = 0, x0 = -1, y0 = -1;
            for (int y = 0; y < on.height; ++y)
                for (int x = 0; x < on.width; ++x)
                    if (shot.pixels.at(x, y) != on.at(x, y) && ++differ == 1) x0 = x, y0 = y;
            ADD_FAILURE() << "face neither lit nor dark: " << differ << " pixels differ, first at " << x0 << "," << y0
                          << " colour " << std::hex << shot.pixels.at(x0, y0) << " expected " << on.at(x0, y0);
        }
        lit.push_back(shot.pixels == on);
        Sleep(40);
    }
    return lit;
}

const char* const kAllKeys[13] = {"XPosR",    "YPosR",          "ResumeDelay", "WindowSize", "TopMost",
                                  "Blink",    "BlinkDelay",     "FixWindowPosition", "EXITbyDblClick",
                                  "UseNTP",   "UseNTP2",        "NTPServer",   "ClearRecent"};

std::vector<std::pair<std::string, std::string>> IniEntries(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> out;
    std::istringstream in(text);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inSection = line == "[Velkaro 1.20]";
            continue;
        }
        const size_t eq = line.find('=');
        if (inSection && eq != std::string::npos) out.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return out;
}

IniMap IniValues(const std::string& text) {
    IniMap m;
    for (auto& [k, v] : IniEntries(text)) m[k] = v;
    return m;
}

std::string Utf8(const std::wstring& w) {
    std::string s(size_t(WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), s.data(), int(s.size()), nullptr, nullptr);
    return s;
}

std::wstring DriverFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    *wcsrchr(path, L'\\') = 0;
    return path;
}

void WriteBytes(const std::wstring& path, const std::string& text) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n;
    WriteFile(f, text.data(), DWORD(text.size()), &n, nullptr);
    CloseHandle(f);
}
std::string ReadBytes(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "";
    std::string s;
    char buffer[4096];
    DWORD n;
    while (ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n) s.append(buffer, n);
    CloseHandle(f);
    return s;
}

// ---- the process as Linux sees it ----

int LinuxPidOf(const std::wstring& exePath) {
    std::string wanted = Utf8(exePath);
    std::transform(wanted.begin(), wanted.end(), wanted.begin(), [](char c) { return char(tolower(static_cast<unsigned char>(c))); });
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int found = 0;
    do {
        const int pid = _wtoi(entry.cFileName);
        if (pid <= 0) continue;
        std::string command = ReadBytes(L"Z:\\proc\\" + std::to_wstring(pid) + L"\\cmdline");
        std::transform(command.begin(), command.end(), command.begin(), [](char c) { return char(tolower(c)); });
        if (command.find(wanted) != std::string::npos) found = pid;
    } while (!found && FindNextFileW(find, &entry));
    FindClose(find);
    return found;
}

double LinuxCpuMs(int linuxPid) {
    const std::wstring tasks = L"Z:\\proc\\" + std::to_wstring(linuxPid) + L"\\task\\";
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((tasks + L"*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return -1;
    double ns = 0;
    do {
        if (_wtoi(entry.cFileName) > 0) ns += std::atof(ReadBytes(tasks + entry.cFileName + L"\\schedstat").c_str());
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return ns / 1e6;
}

void ClockTest::Prepare(std::optional<std::string> settingsText) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    std::replace(name.begin(), name.end(), '/', '-');  // parameterised tests: Suite/Test/Value
    // A name that no ANSI code page spells: everything is reached by its full UTF-16 path.
    folder = std::wstring(temp) + L"velkaro-e2e-\u2603-" + std::wstring(name.begin(), name.end());
    CreateDirectoryW(folder.c_str(), nullptr);
    exe = folder + L"\\Velkaro.exe";
    ASSERT_TRUE(CopyFileW((DriverFolder() + L"\\Velkaro.exe").c_str(), exe.c_str(), FALSE)) << GetLastError();
    DeleteFileW((folder + L"\\Velkaro.ini").c_str());
    DeleteFileW((folder + L"\\Velkaro.log").c_str());  // an earlier run's record
    if (settingsText) WriteBytes(folder + L"\\Velkaro.ini", *settingsText);
}

void ClockTest::Start(bool limitedToken) {
    // Wherever an earlier test left the pointer, it is not where the clock opens: a tooltip would
    // cover the face's pixels.
    ParkMouse();
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (systemPlace) {
        si.dwFlags |= STARTF_USEPOSITION;
        si.dwX = DWORD(systemPlace->x);
        si.dwY = DWORD(systemPlace->y);
    }
    std::wstring command = L"\"" + exe + L"\"";
    HANDLE own = nullptr, limited = nullptr;
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    // An administrator's program on a system that asks before elevating gets the limited token
    // linked to the full one (the driver's).
    if (limitedToken) {
        ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own) &&
                    GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size) &&
                    DuplicateTokenEx(linked.LinkedToken, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary, &limited));
    }
    auto create = [&] {
        return limited ? CreateProcessAsUserW(limited, exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                              folder.c_str(), &si, &pi)
                       : CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi);
    };
    // Wine refused a start once in many runs (the error was not kept): the start is asked for again
    // once, after a pause, and a second refusal says why.
    DWORD firstError = 0;
    if (!create()) {
        firstError = GetLastError();
        Sleep(500);
        ASSERT_TRUE(create()) << "error " << GetLastError() << ", the first time " << firstError;
    }
    for (HANDLE h : {own, linked.LinkedToken, limited})
        if (h) CloseHandle(h);
    ASSERT_TRUE(WaitFor([&] { return (clock = FindTop(pi.dwProcessId, L"VelkaroClock")) != nullptr; }, 10000));
    // Shown means painted: the face has more than the one colour of an empty window.
    ASSERT_TRUE(WaitFor([&] {
        RECT visible, screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, r = RectOf(clock);
        IntersectRect(&visible, &r, &screen);  // the screen cannot be read beyond its edges
        const Pixels p = CaptureScreen(visible);
        return std::any_of(p.data.begin(), p.data.end(), [&](COLORREF c) { return c != p.data[0]; });
    }));
    menus = FindTop(pi.dwProcessId, L"VelkaroMenus", false);
    ASSERT_TRUE(menus);
    threadId = GetWindowThreadProcessId(clock, nullptr);
}

bool ClockTest::ExitThroughMenuCommand(int timeoutMs) {
    PostMessageW(menus, WM_COMMAND, IDM_EXIT, 0);
    return WaitForExit(timeoutMs);
}

void ClockTest::TearDown() {
    if (pi.hProcess) {
        if (Running() && !ExitThroughMenuCommand()) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        pi = {};
    }
    ParkMouse();
}

std::string ClockTest::SettingsText() const { return ReadBytes(folder + L"\\Velkaro.ini"); }

POINT ClockTest::Center() const {
    RECT r = RectOf(clock);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

HWND ClockTest::WaitForMenu(int timeoutMs) const {
    HWND m = nullptr;
    WaitFor([&] { return (m = FindTop(pi.dwProcessId, L"#32768")) != nullptr; }, timeoutMs);
    return m;
}

HWND ClockTest::FindTitled(const wchar_t* title) const {
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        wchar_t text[128] = L"";
        GetWindowTextW(h, text, 128);
        if (pid == pi.dwProcessId && IsWindowVisible(h) && wcscmp(text, title) == 0) return h;
    }
    return nullptr;
}

HWND ClockTest::WaitForReport(int timeoutMs, const wchar_t* title) const {
    HWND report = nullptr;
    WaitFor([&] { return (report = FindTitled(title)) != nullptr; }, timeoutMs);
    return report;
}

std::string ClockTest::ReportText(HWND report) const { return Utf8(WindowText(GetDlgItem(report, IDC_RESULT_MESSAGE))); }

bool ClockTest::CloseReport(HWND report) const {
    PostMessageW(GetDlgItem(report, IDOK), WM_KEYDOWN, VK_RETURN, 0);  // Enter presses OK
    return WaitFor([&] { return !IsWindow(report); });
}

void ClockTest::SyncFromMenu() {
    OpenMenu();
    ASSERT_TRUE(WaitForMenu());
    Key('N');
}

namespace {
struct Overlap {
    HWND clock;
    RECT area;
    bool found;
};
BOOL CALLBACK FindOverlap(HWND window, LPARAM context) {
    auto* o = reinterpret_cast<Overlap*>(context);
    RECT r = RectOf(window), common;
    if (window != o->clock && IsWindowVisible(window) && IntersectRect(&common, &r, &o->area)) o->found = true;
    return !o->found;
}
}  // namespace

bool ClockTest::WaitForClearFace(int timeoutMs) const {
    return WaitFor(
        [&] {
            Overlap o{clock, RectOf(clock), false};
            EnumThreadWindows(threadId, FindOverlap, reinterpret_cast<LPARAM>(&o));
            return !o.found;
        },
        timeoutMs);
}

bool ClockTest::DragBy(int dx, int dy) {
    const POINT c = Center();
    MouseTo(c.x, c.y);
    Sleep(30);
    MouseTo(c.x, c.y, MOUSEEVENTF_LEFTDOWN);
    if (!WaitFor([&] { return (GuiFlags(threadId) & GUI_INMOVESIZE) != 0; }, 2000)) return false;
    for (int i = 1; i <= 10; ++i) {
        MouseTo(c.x + dx * i / 10, c.y + dy * i / 10);
        Sleep(10);
    }
    MouseTo(c.x + dx, c.y + dy, MOUSEEVENTF_LEFTUP);
    return WaitFor([&] { return (GuiFlags(threadId) & GUI_INMOVESIZE) == 0; }, 2000);
}

void ClockTest::OpenMenu() {
    POINT c = Center();
    Click(c.x, c.y, true);
}
