// Drives the real Velkaro.exe as a person would: a fresh copy in a scratch folder with a
// prepared settings file, synthetic mouse and keyboard input, and what the screen shows.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "resource.h"  // the program's menu command and control identifiers

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

// ---- input (SendInput reaches the app as real hardware messages) ----
void MouseTo(int x, int y, DWORD flags = 0);
void Click(int x, int y, bool right = false);
void DoubleClick(int x, int y);
void Key(WORD vk, WORD modifier = 0);  // the modifier held down around the key
void ParkMouse();

// ---- windows of another process ----
HWND FindTop(DWORD pid, const wchar_t* className, bool visibleOnly = true);
std::wstring WindowText(HWND window);  // WM_GETTEXT, which Wine copies between processes
// Sends a message whose lParam points to a block of memory: the block is placed at the same
// address in both processes (whether or not the system copies it for the message) and read
// back afterwards.
bool SendWithBlock(HWND window, HANDLE process, UINT message, WPARAM wParam, void* block, size_t size,
                   LRESULT* result = nullptr);
RECT RectOf(HWND window);
bool IsTopMost(HWND window);
DWORD GuiFlags(DWORD threadId);

// ---- the screen ----
struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> data;  // row by row, RGB() values
    COLORREF at(int x, int y) const { return data[size_t(y) * width + x]; }
    bool operator==(const Pixels&) const = default;
};
Pixels CaptureScreen(const RECT& area);

// The face as it must look: the executable's own background with the cells for the time; at a
// scale above 1 each of its pixels a square block of that side.
// With a second (0..59) the face shows the seconds too.
Pixels ExpectedFace(const std::wstring& exe, int windowSize, int hour, int minute, bool colonLit, int scale = 1,
                    int second = -1);
// Captures the face with the time read before and after; retries when a minute turned.
struct FaceShot {
    Pixels pixels;
    SYSTEMTIME time;
};
FaceShot CaptureFace(HWND clock);
// Whether the face shows the current time with the colon lit, within the time-out (a face that
// changed size shows its new pictures from the next tick on).
bool ShowsTheTime(HWND clock, const std::wstring& exe, int windowSize, int timeoutMs = 3000, int scale = 1);
// Whether the (large) face's colon was lit, in captures over a little more than one blink cycle.
std::vector<bool> ColonSeries(HWND clock, const std::wstring& exe, int scale = 1);

using IniMap = std::map<std::string, std::string>;
// "key=value" lines of the program's section, in file order.
std::vector<std::pair<std::string, std::string>> IniEntries(const std::string& text);
IniMap IniValues(const std::string& text);
extern const char* const kAllKeys[13];

// A record line's time as a regular expression, with its offset from UTC and the tab after it.
inline const std::string kRecordStampPattern = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d [+-]\\d\\d:\\d\\d\t";
// The local time that many minutes ago, and as an earlier version's record wrote it
// ("2026-12-08 06:40:05", no offset: read at the offset in force now).
SYSTEMTIME LocalTimeAgo(int minutesAgo);
std::string RecordStamp(const SYSTEMTIME& t);

std::wstring DriverFolder();
void WriteBytes(const std::wstring& path, const std::string& text);
std::string ReadBytes(const std::wstring& path);
// The DPI every program of the prefix started from now on sees (LogPixels); 0 for the default, 96.
bool UseDisplayDpi(DWORD dpi);
std::string Utf8(const std::wstring& text);

// ---- the process as Linux sees it (Wine reports no times for another process) ----
// The Linux process id of a running Windows program, found by its path in Z:\proc; 0 if none.
int LinuxPidOf(const std::wstring& exePath);
// CPU time of all of a Linux process's threads, in ms, from the scheduler's statistics
// (exact to the nanosecond, where /proc/<pid>/stat counts 10 ms ticks); -1 if it is gone.
double LinuxCpuMs(int linuxPid);

class ClockTest : public testing::Test {
protected:
    void TearDown() override;

    // A fresh folder with a copy of the executable and, when given, a settings file.
    void Prepare(std::optional<std::string> settingsText);
    // Starts the copy (with the limited token of an administrator, or with the driver's own) and
    // waits for its clock window to show.
    void Start(bool limitedToken = false);
    void PrepareAndStart(std::optional<std::string> settingsText, bool limitedToken = false) {
        Prepare(std::move(settingsText));
        Start(limitedToken);
    }
    // A clock of the size (1 normal, 2 small), with or without seconds, near the screen's left
    // and not topmost; its window checked to be the face's size. The window's rectangle.
    RECT StartSized(int size, bool seconds) {
        PrepareAndStart("[Velkaro 1.20]\r\nWindowSize=" + std::to_string(size) + "\r\nTopMost=No\r\nXPosR=0.1\r\nShowSeconds=" +
                        (seconds ? "Yes" : "No") + "\r\n");
        const RECT r = RectOf(clock);
        EXPECT_EQ(size == 1 ? (seconds ? 139 : 97) : (seconds ? 77 : 54), r.right - r.left);
        EXPECT_EQ(size == 1 ? 39 : 22, r.bottom - r.top);
        return r;
    }
    // Asks the clock to end through its menu's exit command and waits for the process.
    bool ExitThroughMenuCommand(int timeoutMs = 3000);
    bool Running() const { return pi.hProcess && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; }
    bool WaitForExit(int timeoutMs) const { return WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0; }

    std::string SettingsText() const;
    POINT Center() const;
    HWND WaitForMenu(int timeoutMs = 3000) const;
    // The clock's visible top-level window with this title, or none.
    HWND FindTitled(const wchar_t* title) const;
    void OpenMenu();
    // The result dialog of a synchronisation once it shows (or none), its text, and closing it
    // with Enter.
    HWND WaitForReport(int timeoutMs = 3000, const wchar_t* title = L"時刻の同期") const;
    std::string ReportText(HWND report) const;
    bool CloseReport(HWND report) const;
    // Starts a synchronisation as a person does: the pop-up menu, then its access key.
    void SyncFromMenu();
    // Waits until no other window of the clock (its tooltip, a menu, a dialog) covers the face.
    bool WaitForClearFace(int timeoutMs = 3000) const;
    // Drags the clock with the left button from its centre by this distance, in ten steps.
    bool DragBy(int dx, int dy);

    std::wstring folder, exe;
    // When set, the place the system gives a window that leaves its place to the system (the
    // starting program's STARTF_USEPOSITION).
    std::optional<POINT> systemPlace;
    PROCESS_INFORMATION pi{};
    HWND clock = nullptr;   // frmMain
    HWND menus = nullptr;   // frmMenus
    DWORD threadId = 0;
};
