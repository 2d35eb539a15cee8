// The face's one drawing primitive.
#pragma once
#include <windows.h>

#include "face/picture_box.h"

// Copies a rectangle from one picture box's surface to another's; the result of the copy is
// not examined: a copy that fails leaves the old pixels until the next tick.
void BlitSprite(PictureBox& dest, int x, int y, int width, int height, const PictureBox& source, int sourceX,
                int sourceY, DWORD rasterOperation);
