// The picture box: a bitmap held in a memory DC.
#include "face/picture_box.h"

#include "common/enlargement.h"

bool PictureBox::Adopt(HBITMAP bitmap) {
    if (!bitmap) return false;
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    if (!dc_) {
        dc_.reset(CreateCompatibleDC(nullptr));
        selection_ = SelectedObject(dc_.get(), bitmap);  // remembers the DC's own bitmap
    } else {
        SelectObject(dc_.get(), bitmap);
    }
    bitmap_.reset(bitmap);  // the previous picture goes once it is no longer selected
    width_ = info.bmWidth;
    height_ = info.bmHeight;
    ++generation_;
    return true;
}

bool PictureBox::LoadPicture(HINSTANCE instance, int resourceId) {
    return Adopt(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

bool PictureBox::CopyPicture(const PictureBox& from, int scale) {
    return Adopt(EnlargedCopy(from.hdc(), from.width_, from.height_, scale).release());
}
