// The face's geometry, the cells for a time, the blink phase and the next change.
#include "face/clock_face.h"

#include <algorithm>

int SizeIndex(int windowSize) { return windowSize == 1 ? 0 : 1; }

int FaceIndex(int windowSize, bool seconds) { return SizeIndex(windowSize) + (seconds ? 2 : 0); }

const FaceGeometry& GeometryFor(int windowSize, bool seconds) {
    static constexpr const FaceGeometry* kFaces[] = {&kLargeFace, &kSmallFace, &kLargeSecondsFace, &kSmallSecondsFace};
    return *kFaces[FaceIndex(windowSize, seconds)];
}

std::array<SpriteCopy, 5> CellsForTime(const FaceGeometry& g, int hour, int minute, bool colonLit) {
    const int figures[4] = {hour / 10, hour % 10, minute / 10, minute % 10};
    auto digit = [&](int slot, int sourceX) {
        return SpriteCopy{g.digitSlotX[slot], g.slotY, g.cellWidth, g.sheetHeight, sourceX};
    };
    // The hour goes without a leading zero; the minute tens keep theirs.
    return {{
        digit(0, figures[0] == 0 ? g.blankX : g.FigureX(figures[0])),
        digit(1, g.FigureX(figures[1])),
        SpriteCopy{g.colonSlotX, g.slotY, g.colonWidth, g.sheetHeight, colonLit ? g.colonLitX : g.colonDarkX},
        digit(2, g.FigureX(figures[2])),
        digit(3, g.FigureX(figures[3])),
    }};
}

std::array<SpriteCopy, 3> SecondsCells(const FaceGeometry& g, int second, bool colonLit) {
    if (!g.HasSeconds()) return {};
    auto digit = [&](int slot, int figure) {
        return SpriteCopy{g.secondsSlotX[slot], g.slotY, g.cellWidth, g.sheetHeight, g.FigureX(figure)};
    };
    return {{
        SpriteCopy{g.secondsColonSlotX, g.slotY, g.colonWidth, g.sheetHeight, colonLit ? g.colonLitX : g.colonDarkX},
        digit(0, second / 10),
        digit(1, second % 10),
    }};
}

SpriteCopy Scaled(const SpriteCopy& c, int scale) {
    return {c.destX * scale, c.destY * scale, c.width * scale, c.height * scale, c.sourceX * scale};
}

int BlinkPhase(uint32_t tickMs) { return static_cast<int>(tickMs % 1000); }

bool ColonLit(bool blink, int blinkDelay, int phase) { return !blink || phase < blinkDelay; }

int MsUntilFaceChanges(bool blink, int blinkDelay, uint32_t tickMs, int msIntoMinute) {
    int64_t wait = 60000 - msIntoMinute;
    if (blink && blinkDelay > 0 && blinkDelay < 1000) {  // otherwise the colon never changes
        const int phase = BlinkPhase(tickMs);
        wait = std::min<int64_t>({wait, phase < blinkDelay ? blinkDelay - phase : 1000 - phase,
                                  (int64_t{1} << 32) - int64_t{tickMs}});
    }
    return int(wait);
}

int MsUntilSecondsFaceChanges(bool blink, int blinkDelay, int msIntoSecond) {
    if (blink && msIntoSecond < blinkDelay && blinkDelay < 1000) return blinkDelay - msIntoSecond;
    return 1000 - msIntoSecond;
}

std::string SpokenTimeWithSeconds(int hour, int minute, int second) {
    return SpokenTime(hour, minute) + ':' + char('0' + second / 10) + char('0' + second % 10);
}

std::string SpokenTime(int hour, int minute) {
    return std::to_string(hour) + ':' + char('0' + minute / 10) + char('0' + minute % 10);
}
