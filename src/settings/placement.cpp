// The stored place as fractions of the screen, and back.
#include "settings/placement.h"

#include "common/numeric.h"

#include <algorithm>

namespace {
// A fraction saved on a far larger desktop (or typed by hand) still gives a sane coordinate;
// such a place lies off every monitor and is refused by the caller.
int ToPixels(float product) {
    return static_cast<int>(std::clamp(RoundHalfEven(static_cast<double>(product)), -1e8, 1e8));
}
}  // namespace

ScreenPoint StoredPosition(float xFraction, float yFraction, int screenWidth, int screenHeight) {
    return {ToPixels(xFraction * static_cast<float>(screenWidth)), ToPixels(yFraction * static_cast<float>(screenHeight))};
}

float PositionFraction(int edge, int screenSize) { return static_cast<float>(edge) / static_cast<float>(screenSize); }

ScreenPoint BroughtInside(const ScreenRect& window, const ScreenRect& area) {
    auto edge = [](int low, int size, int areaLow, int areaHigh) {
        return std::max(areaLow, std::min(low, areaHigh - size));
    };
    return {edge(window.left, window.right - window.left, area.left, area.right),
            edge(window.top, window.bottom - window.top, area.top, area.bottom)};
}
