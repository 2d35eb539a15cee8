#include "face/picture_box.h"

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

bool PictureBox::CopyPicture(const PictureBox& from) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = from.width_;
    bi.bmiHeader.biHeight = -from.height_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!Adopt(copy)) return false;
    BitBlt(dc_.get(), 0, 0, width_, height_, from.hdc(), 0, 0, SRCCOPY);
    return true;
}
