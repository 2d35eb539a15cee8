// The face object, DrawClock and BlitSprite.
#include "face/clock_face_win.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <iterator>

#include "common/text_encoding.h"
#include "face/japanese_date.h"
#include "resource.h"

bool ClockFace::LoadPictures(HINSTANCE instance) {
    scale_ = 0;
    return figures_[0].LoadPicture(instance, IDB_FIGURES_LARGE) && figures_[1].LoadPicture(instance, IDB_FIGURES_SMALL) &&
           bodies_[0].LoadPicture(instance, IDB_FACE_LARGE) && bodies_[1].LoadPicture(instance, IDB_FACE_SMALL) &&
           bodies_[2].LoadPicture(instance, IDB_FACE_LARGE_SECONDS) &&
           bodies_[3].LoadPicture(instance, IDB_FACE_SMALL_SECONDS) && SetScale(1);
}

bool ClockFace::SetScale(int scale) {
    if (scale == scale_) return true;
    scale_ = scale;
    bool copied = true;
    for (int i = 0; i < 2; ++i) copied = picFigures[i].CopyPicture(figures_[i], scale) && copied;
    for (int i = 0; i < 4; ++i) copied = imgBody[i].CopyPicture(bodies_[i], scale) && copied;
    return copied;
}

void ClockFace::Attach(HWND window, HWND tooltip) {
    window_ = window;
    tooltip_ = tooltip;
    tooltipText_.clear();
    tooltipDate = 0;  // a new tooltip gets the date at the next tick
}

void ClockFace::ShowSize(int windowSize, bool seconds, const POINT* topLeft) {
    picBody.CopyPicture(imgBody[FaceIndex(windowSize, seconds)]);
    if (window_)
        SetWindowPos(window_, nullptr, topLeft ? topLeft->x : 0, topLeft ? topLeft->y : 0, picBody.width(),
                     picBody.height(), (topLeft ? 0 : SWP_NOMOVE) | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ClockFace::Refresh(const RECT* area) {
    if (!window_) return;
    const WindowDC dc(window_);
    if (!dc) return;
    if (area)
        BitBlt(dc.get(), area->left, area->top, area->right - area->left, area->bottom - area->top, picBody.hdc(),
               area->left, area->top, SRCCOPY);
    else
        Paint(dc.get());
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

void BlitSprite(PictureBox& dest, int x, int y, int width, int height, const PictureBox& source, int sourceX,
                int sourceY, DWORD rasterOperation) {
    BitBlt(dest.hdc(), x, y, width, height, source.hdc(), sourceX, sourceY, rasterOperation);
}

namespace {
// The tooltip's date: with the Japanese era in Japanese, the long date of the user's locale in
// English (no era).
std::string TooltipDate(Language language, const SYSTEMTIME& day) {
    if (language == Language::Japanese) return DateTooltipText(day.wYear, day.wMonth, day.wDay);
    wchar_t text[128] = L"";
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, &day, nullptr, text, int(std::size(text)), nullptr);
    return WideToUtf8(text);
}
}  // namespace

int DrawClock(ClockFace& face, int windowSize, bool seconds, bool blink, int blinkDelay) {
    // The local time is read once a minute: within one minute of the system time the face's
    // figures and date cannot change (time zones and daylight saving move by whole minutes, and
    // a new time zone or time comes with a message that makes the face read it again). Reading
    // it costs far more than the rest of a tick.
    FILETIME utc;
    GetSystemTimeAsFileTime(&utc);
    const uint64_t utcMs = (uint64_t(utc.dwHighDateTime) << 32 | utc.dwLowDateTime) / 10'000;
    const int64_t utcMinute = int64_t(utcMs / 60'000);
    if (utcMinute != face.localTimeMinute) {
        GetLocalTime(&face.localTime);
        face.localTimeMinute = utcMinute;
    }
    const SYSTEMTIME& now = face.localTime;
    const FaceGeometry& g = GeometryFor(windowSize, seconds);
    // The local second is the system time's (time zones differ by whole minutes). With seconds
    // on the face, the colons are lit from the start of each system second; without, the colon
    // keeps its phase on the tick counter, which only matters while it blinks.
    const int msIntoSecond = int(utcMs % 1000), second = int(utcMs / 1000 % 60);
    const uint32_t tick = blink && !seconds ? GetTickCount() : 0;
    const bool lit = ColonLit(blink, blinkDelay, seconds ? msIntoSecond : BlinkPhase(tick));
    // A tick that finds the same cells on the same picture (one that came early) costs no more
    // than reading the clock.
    const ClockFace::Drawn cells{&g, face.picBody.generation(), CellsForTime(g, now.wHour, now.wMinute, lit),
                                 SecondsCells(g, second, lit)};
    // Only the cells that differ are copied and shown anew, mostly the colon alone; a new
    // picture (a new size or scale) takes every cell and is shown whole.
    const bool samePicture = cells.geometry == face.drawn.geometry && cells.pictureGeneration == face.drawn.pictureGeneration;
    RECT changed{};
    auto copy = [&](const SpriteCopy& cell, const SpriteCopy& before) {
        if ((samePicture && cell == before) || cell.width == 0) return;
        const SpriteCopy c = Scaled(cell, face.scale());
        BlitSprite(face.picBody, c.destX, c.destY, c.width, c.height, face.picFigures[SizeIndex(windowSize)], c.sourceX,
                   0, SRCCOPY);
        const RECT area{c.destX, c.destY, c.destX + c.width, c.destY + c.height};
        UnionRect(&changed, &changed, &area);
    };
    for (size_t i = 0; i < cells.cells.size(); ++i) copy(cells.cells[i], face.drawn.cells[i]);
    for (size_t i = 0; i < cells.secondsCells.size(); ++i) copy(cells.secondsCells[i], face.drawn.secondsCells[i]);
    face.drawn = cells;

    const SYSTEMTIME& today = now;  // the date of the very moment the figures show
    const int date = today.wYear * 10000 + today.wMonth * 100 + today.wDay;
    if (date != face.tooltipDate) {
        face.reading->date = TooltipDate(face.language(), today);
        face.SetTooltipText(face.reading->date);
        face.tooltipDate = date;
    }
    if (!IsRectEmpty(&changed)) face.Refresh(samePicture ? &changed : nullptr);
    face.reading->second = seconds ? second : -1;
    if (now.wHour != face.reading->hour || now.wMinute != face.reading->minute) {
        face.reading->hour = now.wHour;
        face.reading->minute = now.wMinute;
        if (face.window()) NotifyNameChange(face.window());
    }
    if (seconds) return MsUntilSecondsFaceChanges(blink, blinkDelay, msIntoSecond);
    return MsUntilFaceChanges(blink, blinkDelay, tick, int(utcMs % 60'000));
}
