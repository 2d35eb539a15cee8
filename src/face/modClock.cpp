#include "face/modClock.h"

#include <windows.h>
#include <mmsystem.h>

#include "app/frmMain.h"
#include "face/face_layout.h"
#include "face/japanese_date.h"
#include "face/modBitBlt.h"
#include "settings/settings_rules.h"

void DrawClock() {
    if (!frmMain) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const FaceGeometry& g = GeometryFor(Settings.WindowSize);
    const PictureBox& sheet = frmMain->picFigures[&g == &kLargeFace ? 0 : 1];
    const bool lit = ColonLit(Settings.Blink, Settings.BlinkDelay, BlinkPhase(timeGetTime()));
    for (const SpriteCopy& c : CellsForTime(g, now.wHour, now.wMinute, lit))
        BlitSprite(frmMain->picBody, c.destX, c.destY, c.width, c.height, sheet, c.sourceX, 0, SRCCOPY);

    SYSTEMTIME today;  // read again: the date of the tooltip may have turned since the time above
    GetLocalTime(&today);
    frmMain->SetTooltipText(DateTooltipText(today.wYear, today.wMonth, today.wDay));
    frmMain->RefreshFace();
}
