// The links' hand cursor at a whole-number scale, from the program's own resource.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "common/dpi.h"
#include "resource.h"

namespace {

struct CursorShape {
    POINT hotSpot{};
    int width = 0, height = 0;
    std::vector<COLORREF> mask;  // AND mask over XOR mask, row by row
};

CursorShape ShapeOf(HCURSOR cursor) {
    CursorShape shape;
    ICONINFO info{};
    if (!GetIconInfo(cursor, &info)) return shape;
    const OwnedBitmap mask(info.hbmMask), colour(info.hbmColor);
    EXPECT_FALSE(colour) << "a two-colour cursor has no colour bitmap";
    BITMAP size{};
    GetObjectW(mask.get(), sizeof size, &size);
    shape.hotSpot = {LONG(info.xHotspot), LONG(info.yHotspot)};
    shape.width = size.bmWidth;
    shape.height = size.bmHeight;
    const MemoryDC dc(CreateCompatibleDC(nullptr));
    const SelectedObject selected(dc.get(), mask.get());
    for (int y = 0; y < shape.height; ++y)
        for (int x = 0; x < shape.width; ++x) shape.mask.push_back(GetPixel(dc.get(), x, y));
    return shape;
}

TEST(EnlargedCursor, EveryPixelBecomesASquareBlockAndTheHotSpotStaysOnTheFingertip) {
    const HINSTANCE self = GetModuleHandleW(nullptr);
    const OwnedCursor original(static_cast<HCURSOR>(LoadImageW(self, MAKEINTRESOURCEW(IDC_HAND_LINK), IMAGE_CURSOR, 0, 0, 0)));
    const CursorShape one = ShapeOf(original.get());
    ASSERT_EQ(32, one.width);
    ASSERT_EQ(64, one.height);
    EXPECT_EQ(5, one.hotSpot.x);
    EXPECT_EQ(0, one.hotSpot.y);
    for (int scale : {1, 2, 3}) {
        SCOPED_TRACE(scale);
        const OwnedCursor cursor = EnlargedCursor(self, IDC_HAND_LINK, scale);
        ASSERT_TRUE(cursor);
        const CursorShape big = ShapeOf(cursor.get());
        EXPECT_EQ(5 * scale, big.hotSpot.x);
        EXPECT_EQ(0, big.hotSpot.y);
        ASSERT_EQ(32 * scale, big.width);
        ASSERT_EQ(64 * scale, big.height);
        int differ = 0;
        for (int y = 0; y < big.height; ++y)
            for (int x = 0; x < big.width; ++x)
                differ += big.mask[size_t(y) * big.width + x] != one.mask[size_t(y / scale) * one.width + x / scale];
        EXPECT_EQ(0, differ);
    }
}

}  // namespace
