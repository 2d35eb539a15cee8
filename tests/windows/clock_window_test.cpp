// The clock window on its own, with an owner that asks for nothing: what a new time or time zone
// does to the face.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/main_window.h"

namespace {

class QuietOwner final : public FrmMain::Owner {
public:
    void PopupMenu(const POINT*) override {}
    void Winsock1_Event(WPARAM, LPARAM) override {}
    bool ReadyToEnd() override { return true; }
    void ShutdownApp() override {}
    void Form_Unload() override {}
    int64_t Tick() override { return FrmMain::kNoTickNeeded; }
};

int64_t UtcMinuteNow() {
    FILETIME t;
    GetSystemTimeAsFileTime(&t);
    return int64_t((uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 600'000'000);
}

// Nothing blinks, so the clock's next tick is the next minute's: a new time or time zone must not
// wait for it. The face is made to show another hour, read as though in this very minute, and the
// message must bring back the time.
TEST(ClockWindow, ANewTimeOrTimeZoneIsDrawnAtOnce) {
    QuietOwner owner;
    const SettingsRecord settings;
    FrmMain clock(owner, settings);
    ASSERT_TRUE(clock.Load(GetModuleHandleW(nullptr)));
    for (const UINT message : {UINT(WM_TIMECHANGE), UINT(WM_SETTINGCHANGE)}) {
        SCOPED_TRACE(message);
        SYSTEMTIME now;
        GetLocalTime(&now);
        SYSTEMTIME before = now;
        before.wHour = WORD((now.wHour + 12) % 24);
        clock.face.localTime = before;
        clock.face.localTimeMinute = UtcMinuteNow();
        clock.Redraw();
        if (clock.face.reading->hour != before.wHour) {  // the minute turned meanwhile: once more
            clock.face.localTime = before;
            clock.face.localTimeMinute = UtcMinuteNow();
            clock.Redraw();
        }
        ASSERT_EQ(before.wHour, clock.face.reading->hour);
        SYSTEMTIME after;
        do {
            GetLocalTime(&now);
            SendMessageW(clock.hwnd(), message, 0, 0);
            GetLocalTime(&after);
        } while (now.wMinute != after.wMinute);
        EXPECT_EQ(after.wHour, clock.face.reading->hour);
        EXPECT_EQ(after.wMinute, clock.face.reading->minute);
    }
    clock.Unload();
}

}  // namespace
