// Pictures and cursors enlarged by a whole-number scale, each pixel a square block.
#pragma once
#include <windows.h>

#include "common/handles.h"

// A copy of the picture in a DC, enlarged by a whole-number scale with each pixel a square block
// (no smoothing): 32 bits a pixel, or one bit for a mask.
OwnedBitmap EnlargedCopy(HDC source, int width, int height, int scale, bool monochrome = false);

// A cursor of the program's resources enlarged by a whole-number scale, with its hot spot on the
// same pixel.
OwnedCursor EnlargedCursor(HINSTANCE instance, int resourceId, int scale);
