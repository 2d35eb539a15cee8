// Whole-number enlargement of pictures and cursors.
#include "common/enlargement.h"

OwnedBitmap EnlargedCopy(HDC source, int width, int height, int scale, bool monochrome) {
    const int w = width * scale, h = height * scale;
    OwnedBitmap copy;
    if (monochrome) {
        copy.reset(CreateBitmap(w, h, 1, 1, nullptr));
    } else {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        copy.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    }
    if (!copy) return copy;
    const MemoryDC dc(CreateCompatibleDC(nullptr));
    const SelectedObject selected(dc.get(), copy.get());
    SetStretchBltMode(dc.get(), COLORONCOLOR);  // whole pixels, never blended
    StretchBlt(dc.get(), 0, 0, w, h, source, 0, 0, width, height, SRCCOPY);
    return copy;
}

OwnedCursor EnlargedCursor(HINSTANCE instance, int resourceId, int scale) {
    // The resource's own size (the default size would already be stretched at a high DPI).
    const OwnedCursor original(
        static_cast<HCURSOR>(LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_CURSOR, 0, 0, 0)));
    ICONINFO info{};
    if (!original || !GetIconInfo(original.get(), &info)) return {};
    const OwnedBitmap mask(info.hbmMask), colour(info.hbmColor);
    auto enlarged = [scale](HBITMAP bitmap) {
        if (!bitmap) return OwnedBitmap();
        BITMAP size{};
        GetObjectW(bitmap, sizeof size, &size);
        const MemoryDC dc(CreateCompatibleDC(nullptr));
        const SelectedObject selected(dc.get(), bitmap);
        return EnlargedCopy(dc.get(), size.bmWidth, size.bmHeight, scale, size.bmBitsPixel == 1);
    };
    const OwnedBitmap bigMask = enlarged(mask.get()), bigColour = enlarged(colour.get());
    ICONINFO big{FALSE, info.xHotspot * DWORD(scale), info.yHotspot * DWORD(scale), bigMask.get(), bigColour.get()};
    return OwnedCursor(CreateIconIndirect(&big));
}
