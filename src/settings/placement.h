// Where the clock goes at start-up and how its place is written back. Portable.
#pragma once

struct ScreenPoint {
    int x, y;
};

// The stored fractions times the screen size, each product in single precision.
ScreenPoint StoredPosition(float xFraction, float yFraction, int screenWidth, int screenHeight);

// A window edge as a fraction of the screen size, the quotient in single precision.
float PositionFraction(int edge, int screenSize);
