// A picture box: an off-screen image that holds its picture and everything drawn on it.
// Hidden boxes serve as copy sources; the face box is shown by its window.
#pragma once
#include <windows.h>

#include "common/handles.h"

class PictureBox {
public:
    PictureBox() = default;
    PictureBox(const PictureBox&) = delete;
    PictureBox& operator=(const PictureBox&) = delete;

    // Takes a bitmap resource as the picture; the box sizes itself to it.
    bool LoadPicture(HINSTANCE instance, int resourceId);
    // Takes a copy of another box's picture, enlarged by a whole-number scale with each pixel a
    // square block; the box sizes itself to it.
    bool CopyPicture(const PictureBox& from, int scale = 1);

    HDC hdc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    // Counts the pictures the box has taken: drawing on it does not change it.
    unsigned generation() const { return generation_; }

private:
    bool Adopt(HBITMAP bitmap);

    // Released in this order: the DC's own bitmap selected again, the DC, then the picture.
    OwnedBitmap bitmap_;
    MemoryDC dc_;
    SelectedObject selection_;
    int width_ = 0, height_ = 0;
    unsigned generation_ = 0;
};
