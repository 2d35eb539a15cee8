#include "face/modClock.h"

#include <windows.h>
#include <mmsystem.h>

#include "face/clock_face.h"
#include "face/face_layout.h"
#include "face/japanese_date.h"
#include "face/modBitBlt.h"
#include "settings/settings_rules.h"

void DrawClock(ClockFace& face) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const FaceGeometry& g = GeometryFor(Settings.WindowSize);
    const bool lit = ColonLit(Settings.Blink, Settings.BlinkDelay, BlinkPhase(timeGetTime()));
    // Most ticks copy the same cells onto the same picture: they cost no more than reading the clock.
    const ClockFace::Drawn cells{&g, face.picBody.generation(), CellsForTime(g, now.wHour, now.wMinute, lit)};
    const bool changed = !(cells == face.drawn);
    if (changed) {
        const PictureBox& sheet = face.picFigures[SizeIndex(Settings.WindowSize)];
        for (const SpriteCopy& cell : cells.cells) {
            const SpriteCopy c = Scaled(cell, face.scale());
            BlitSprite(face.picBody, c.destX, c.destY, c.width, c.height, sheet, c.sourceX, 0, SRCCOPY);
        }
        face.drawn = cells;
    }

    SYSTEMTIME today;  // read again: the date of the tooltip may have turned since the time above
    GetLocalTime(&today);
    const int date = today.wYear * 10000 + today.wMonth * 100 + today.wDay;
    if (date != face.tooltipDate) {
        face.SetTooltipText(DateTooltipText(today.wYear, today.wMonth, today.wDay));
        face.tooltipDate = date;
    }
    if (changed) face.Refresh();
}
