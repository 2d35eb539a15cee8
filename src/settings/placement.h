// Where the clock goes at start-up and how its place is written back. Portable.
#pragma once

struct ScreenPoint {
    int x, y;
};

struct ScreenRect {
    int left, top, right, bottom;
};

// The stored fractions times the screen size, each product in single precision.
ScreenPoint StoredPosition(float xFraction, float yFraction, int screenWidth, int screenHeight);

// A window edge as a fraction of the screen size, the quotient in single precision.
float PositionFraction(int edge, int screenSize);

// The top-left corner that brings a window of this rectangle wholly inside the area, moved as
// little as it can be; a window larger than the area keeps its top-left edges at the area's.
ScreenPoint BroughtInside(const ScreenRect& window, const ScreenRect& area);
