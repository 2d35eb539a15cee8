// Rounding rules shared by the settings, the placement and the time arithmetic. Portable.
#pragma once

// Halves to the even neighbour (2.5 gives 2, 3.5 gives 4), as integer fields are read and as
// the milliseconds of a synchronisation are rounded.
double RoundHalfEven(double value);
