#include "face/clock_face.h"

#include <commctrl.h>

#include "common/win32.h"
#include "resource.h"

bool ClockFace::LoadPictures(HINSTANCE instance) {
    return picFigures[0].LoadPicture(instance, IDB_FIGURES_LARGE) && picFigures[1].LoadPicture(instance, IDB_FIGURES_SMALL) &&
           imgBody[0].LoadPicture(instance, IDB_FACE_LARGE) && imgBody[1].LoadPicture(instance, IDB_FACE_SMALL);
}

void ClockFace::Attach(HWND window, HWND tooltip) {
    window_ = window;
    tooltip_ = tooltip;
    tooltipText_.clear();
    tooltipDate = 0;  // a new tooltip gets the date at the next tick
}

void ClockFace::ShowSize(int windowSize) {
    picBody.CopyPicture(imgBody[SizeIndex(windowSize)]);
    if (window_)
        SetWindowPos(window_, nullptr, 0, 0, picBody.width(), picBody.height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ClockFace::Refresh() {
    if (!window_) return;
    if (const WindowDC dc(window_); dc) Paint(dc.get());
}

void ClockFace::Paint(HDC dc) const { BitBlt(dc, 0, 0, picBody.width(), picBody.height(), picBody.hdc(), 0, 0, SRCCOPY); }

void ClockFace::SetTooltipText(const std::string& utf8) {
    std::wstring text = Utf8ToWide(utf8);
    if (!tooltip_ || text == tooltipText_) return;  // the same text again would only make a shown tip flicker
    tooltipText_ = std::move(text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(window_);
    tool.lpszText = tooltipText_.data();
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}
