// The links' hand cursor at a whole-number scale, from the program's own resource.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "common/enlargement.h"
#include "resource.h"

namespace {

// The hot spot, the mask's size and its pixels (the AND mask over the XOR mask, row by row).
struct Shape {
    POINT hotSpot{};
    SIZE size{};
    std::vector<COLORREF> mask;
};

Shape ShapeOf(HCURSOR cursor) {
    Shape shape;
    ICONINFO info{};
    if (!cursor || !GetIconInfo(cursor, &info)) return shape;
    const OwnedBitmap mask(info.hbmMask), colour(info.hbmColor);  // a two-colour cursor has only the mask
    BITMAP bitmap{};
    GetObjectW(mask.get(), sizeof bitmap, &bitmap);
    shape = {{LONG(info.xHotspot), LONG(info.yHotspot)}, {bitmap.bmWidth, bitmap.bmHeight}, {}};
    const MemoryDC dc(CreateCompatibleDC(nullptr));
    const SelectedObject selected(dc.get(), mask.get());
    for (int y = 0; y < bitmap.bmHeight; ++y)
        for (int x = 0; x < bitmap.bmWidth; ++x) shape.mask.push_back(GetPixel(dc.get(), x, y));
    return shape;
}

TEST(EnlargedCursor, EveryPixelBecomesASquareBlockAndTheHotSpotStaysOnTheFingertip) {
    const HINSTANCE self = GetModuleHandleW(nullptr);
    const OwnedCursor original(static_cast<HCURSOR>(LoadImageW(self, MAKEINTRESOURCEW(IDC_HAND_LINK), IMAGE_CURSOR, 0, 0, 0)));
    const Shape one = ShapeOf(original.get());
    ASSERT_EQ(32, one.size.cx);
    ASSERT_EQ(64, one.size.cy);
    ASSERT_EQ(5, one.hotSpot.x);
    for (int s : {1, 2, 3}) {
        const Shape big = ShapeOf(EnlargedCursor(self, IDC_HAND_LINK, s).get());
        EXPECT_EQ((std::vector<LONG>{5 * s, 0, 32 * s, 64 * s}),
                  (std::vector<LONG>{big.hotSpot.x, big.hotSpot.y, big.size.cx, big.size.cy})) << s;
        if (big.mask.size() != one.mask.size() * size_t(s * s)) continue;
        int differ = 0;
        for (int y = 0; y < big.size.cy; ++y)
            for (int x = 0; x < big.size.cx; ++x)
                differ += big.mask[size_t(y * big.size.cx + x)] != one.mask[size_t(y / s * one.size.cx + x / s)];
        EXPECT_EQ(0, differ) << s;
    }
}

}  // namespace
