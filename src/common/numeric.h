// Rounding rules shared by the settings, the placement and the time arithmetic. Portable.
#pragma once

// Halves to the even neighbour (2.5 gives 2, 3.5 gives 4), as integer fields are read and as
// the milliseconds of a synchronisation are rounded.
double RoundHalfEven(double value);

// The display's scale as a whole number: the DPI over 96, halves rounded up, at least 1 (96 and
// 120 DPI give 1; 144 to 216 give 2; 240 and 288 give 3). The face and the links' hand cursor
// are enlarged by it, each pixel a square block, so that they stay sharp.
int WholeScale(int dpi);
