#include "face/modClock.h"

#include <windows.h>
#include <mmsystem.h>

#include <array>

#include "app/frmMain.h"
#include "face/face_layout.h"
#include "face/japanese_date.h"
#include "face/modBitBlt.h"
#include "settings/settings_rules.h"

namespace {

// The face as last drawn. A tick that would copy the same cells onto the same picture leaves
// the picture and the window alone, so most ticks cost no more than reading the clock.
struct DrawnFace {
    const FaceGeometry* geometry = nullptr;
    unsigned pictureGeneration = 0;
    std::array<SpriteCopy, 5> cells{};
    bool operator==(const DrawnFace&) const = default;
};
DrawnFace drawn;
int tooltipDate = 0;  // yyyymmdd of the tooltip's text

}  // namespace

void DrawClock() {
    if (!frmMain) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const FaceGeometry& g = GeometryFor(Settings.WindowSize);
    const bool lit = ColonLit(Settings.Blink, Settings.BlinkDelay, BlinkPhase(timeGetTime()));
    const DrawnFace face{&g, frmMain->picBody.generation(), CellsForTime(g, now.wHour, now.wMinute, lit)};
    const bool changed = !(face == drawn);
    if (changed) {
        const PictureBox& sheet = frmMain->picFigures[&g == &kLargeFace ? 0 : 1];
        for (const SpriteCopy& c : face.cells)
            BlitSprite(frmMain->picBody, c.destX, c.destY, c.width, c.height, sheet, c.sourceX, 0, SRCCOPY);
        drawn = face;
    }

    SYSTEMTIME today;  // read again: the date of the tooltip may have turned since the time above
    GetLocalTime(&today);
    const int date = today.wYear * 10000 + today.wMonth * 100 + today.wDay;
    if (date != tooltipDate) {
        frmMain->SetTooltipText(DateTooltipText(today.wYear, today.wMonth, today.wDay));
        tooltipDate = date;
    }
    if (changed) frmMain->RefreshFace();
}
