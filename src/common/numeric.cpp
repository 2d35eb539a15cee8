// The rounding rules and the display's whole-number scale.
#include "common/numeric.h"

#include <algorithm>
#include <cmath>

double RoundHalfEven(double value) {
    double whole = std::floor(value);
    double rest = value - whole;
    if (rest > 0.5) return whole + 1;
    if (rest < 0.5) return whole;
    return std::fmod(whole, 2.0) == 0 ? whole : whole + 1;
}

int WholeScale(int dpi) { return std::max(1, (dpi + 48) / 96); }
