#include "face/modBitBlt.h"

void BlitSprite(PictureBox& dest, int x, int y, int width, int height, const PictureBox& source, int sourceX,
                int sourceY, DWORD rasterOperation) {
    BitBlt(dest.hdc(), x, y, width, height, source.hdc(), sourceX, sourceY, rasterOperation);
}
