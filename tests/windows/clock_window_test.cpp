// The clock window on its own, with an owner that asks for nothing.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include "app/main_window.h"

namespace {

struct QuietOwner final : FrmMain::Owner {
    void PopupMenu(const POINT*) override {}
    void Winsock1_Event(WPARAM, LPARAM) override {}
    bool ReadyToEnd() override { return true; }
    void ShutdownApp(bool) override {}
    void Form_Unload() override {}
    int64_t Tick() override { return FrmMain::kNoTickNeeded; }
};

// Nothing blinks, so the next tick is the next minute's: a new time or time zone must not wait for
// it. The face is made to show another hour, read as though in this very minute.
TEST(ClockWindow, ANewTimeOrTimeZoneIsDrawnAtOnce) {
    QuietOwner owner;
    const SettingsRecord settings;
    FrmMain clock(owner, settings);
    ASSERT_TRUE(clock.Load(GetModuleHandleW(nullptr)));
    for (const UINT message : {UINT(WM_TIMECHANGE), UINT(WM_SETTINGCHANGE)}) {
        SYSTEMTIME before, after;
        GetLocalTime(&before);
        const int otherHour = (before.wHour + 12) % 24;
        do {
            clock.Redraw();  // the time read in this minute
            clock.face.localTime.wHour = WORD(otherHour);
            clock.Redraw();
        } while (clock.face.reading->hour != otherHour);  // the minute turned in between: once more
        do {
            GetLocalTime(&before);
            SendMessageW(clock.hwnd(), message, 0, 0);
            GetLocalTime(&after);
        } while (before.wMinute != after.wMinute);
        EXPECT_EQ(after.wHour * 100 + after.wMinute, clock.face.reading->hour * 100 + clock.face.reading->minute) << message;
    }
    clock.Unload();
}

// A screen reader may keep the clock's object after the window is gone: its calls are refused
// then, not answered from a stale reading.
TEST(ClockWindow, TheAccessibleObjectRefusesItsCallsOnceItsWindowIsGone) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    QuietOwner owner;
    const SettingsRecord settings;
    FrmMain clock(owner, settings);
    ASSERT_TRUE(clock.Load(GetModuleHandleW(nullptr)));
    clock.Redraw();
    IAccessible* object = nullptr;
    ASSERT_EQ(S_OK, AccessibleObjectFromWindow(clock.hwnd(), DWORD(OBJID_CLIENT), __uuidof(IAccessible),
                                               reinterpret_cast<void**>(&object)));
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    auto call = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
        BSTR text = nullptr;
        const HRESULT result = (object->*get)(self, &text);
        SysFreeString(text);
        return result;
    };
    EXPECT_EQ(S_OK, call(&IAccessible::get_accName));
    EXPECT_EQ(S_OK, call(&IAccessible::get_accDescription));
    clock.Unload();
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, call(&IAccessible::get_accName));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, call(&IAccessible::get_accDescription));
    object->Release();
    CoUninitialize();
}

}  // namespace
