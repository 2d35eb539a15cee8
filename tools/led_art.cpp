#include "led_art.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr Rgb kWhite{255, 255, 255};

Rgb Mix(Rgb from, Rgb to, double t) {
    auto c = [t](uint8_t a, uint8_t b) { return uint8_t(std::lround(a + (b - a) * t)); };
    return {c(from.r, to.r), c(from.g, to.g), c(from.b, to.b)};
}

// The digit windows: light at the top edge, darkest on the middle row, light at the bottom.
Rgb WindowGradient(int row, int height) {
    const Rgb top = RgbOf(0x398DEC), middle = RgbOf(0x3B61C9), bottom = RgbOf(0x4594ED);
    const double mid = (height - 1) / 2.0;
    if (row <= mid) return Mix(middle, top, (mid - row) / mid);
    return Mix(middle, bottom, (row - mid) / (height - 1 - mid));
}

struct FigureStyle {
    int thickness, leftCol, rightCol, spanLeft, spanRight, aRow, gRow, dRow, upperTop, upperBottom, lowerTop, lowerBottom;
};

Segments SegmentsOf(const FigureStyle& s) {
    const int spanW = s.spanRight - s.spanLeft + 1, t = s.thickness;
    const int upperH = s.upperBottom - s.upperTop + 1, lowerH = s.lowerBottom - s.lowerTop + 1;
    return {{
        {s.spanLeft, s.aRow, spanW, t},         // a top
        {s.rightCol, s.upperTop, t, upperH},    // b upper right
        {s.rightCol, s.lowerTop, t, lowerH},    // c lower right
        {s.spanLeft, s.dRow, spanW, t},         // d bottom
        {s.leftCol, s.lowerTop, t, lowerH},     // e lower left
        {s.leftCol, s.upperTop, t, upperH},     // f upper left
        {s.spanLeft, s.gRow, spanW, t},         // g middle
    }};
}

constexpr FigureStyle kLargeStyle{2, 2, 12, 4, 11, 1, 9, 17, 3, 8, 11, 16};
constexpr FigureStyle kSmallStyle{1, 1, 7, 2, 6, 1, 5, 10, 2, 4, 6, 9};
// The icon's figure sits in a 20-pixel blue band in the middle of the 32×32 picture.
constexpr FigureStyle kIconStyle{2, 2, 16, 4, 15, 2, 15, 28, 4, 14, 17, 27};
constexpr int kIconBandLeft = 6, kIconBandWidth = 20, kIconSize = 32;

// Lights the given segments on a cell: white bars with a soft edge of lighter tone. The edge
// is a little stronger right of the upper bars and left of the lower ones, which slants the
// figure to the right.
void LightSegments(Image& cell, const Segments& segments, int mask, double edge, double corner, double slant) {
    std::vector<char> core(cell.pixels.size(), 0);
    for (int s = 0; s < 7; ++s) {
        if (!(mask & (1 << s))) continue;
        const CellRect& r = segments[s];
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x) core[size_t(y) * cell.width + x] = 1;
    }
    auto isCore = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < cell.width && y < cell.height && core[size_t(y) * cell.width + x];
    };
    const Image base = cell;
    const int middle = cell.height / 2;
    for (int y = 0; y < cell.height; ++y)
        for (int x = 0; x < cell.width; ++x) {
            if (isCore(x, y)) {
                cell.at(x, y) = kWhite;
                continue;
            }
            double alpha = 0;
            if (isCore(x - 1, y)) alpha = std::max(alpha, y < middle ? slant : edge);
            if (isCore(x + 1, y)) alpha = std::max(alpha, y >= middle ? slant : edge);
            if (isCore(x, y - 1) || isCore(x, y + 1)) alpha = std::max(alpha, edge);
            if (isCore(x - 1, y - 1) || isCore(x + 1, y - 1) || isCore(x - 1, y + 1) || isCore(x + 1, y + 1))
                alpha = std::max(alpha, corner);
            if (alpha > 0) cell.at(x, y) = Mix(base.at(x, y), kWhite, alpha);
        }
}

const FigureStyle& StyleFor(const FaceGeometry& g) { return g.cellWidth == kLargeFace.cellWidth ? kLargeStyle : kSmallStyle; }

}  // namespace

Segments SegmentsFor(const FaceGeometry& g) { return SegmentsOf(StyleFor(g)); }

int LitSegments(int figure) {
    //                       0     1     2     3     4     5     6     7     8     9
    static const int masks[] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x27, 0x7F, 0x6F};
    return masks[figure];
}

std::array<CellRect, 2> ColonDotsFor(const FaceGeometry& g) {
    if (g.cellWidth == kLargeFace.cellWidth)
        return {{{2, 5, 2, 2}, {1, 14, 2, 2}}};  // the upper dot one pixel further right: the slant
    return {{{0, 2, 2, 2}, {0, 7, 2, 2}}};
}

Image DrawFaceBackground(const FaceGeometry& g) {
    const bool large = g.cellWidth == kLargeFace.cellWidth;
    const int frame = large ? 4 : 2;
    const Rgb bezel = RgbOf(large ? 0x42433B : 0x41423A);
    Image face(g.faceWidth, g.faceHeight, bezel);
    for (int y = 0; y < g.faceHeight; ++y)
        for (int x = 0; x < g.faceWidth; ++x) {
            const int depth = std::min({x, y, g.faceWidth - 1 - x, g.faceHeight - 1 - y});
            if (depth >= frame) continue;
            // The large frame darkens slightly towards the bezel.
            face.at(x, y) = large ? Mix(RgbOf(0x7A7D69), RgbOf(0x767966), depth / 3.0) : RgbOf(0x787967);
        }
    std::vector<int> digits(g.digitSlotX.begin(), g.digitSlotX.end()), colons{g.colonSlotX};
    if (g.HasSeconds()) {
        digits.insert(digits.end(), g.secondsSlotX.begin(), g.secondsSlotX.end());
        colons.push_back(g.secondsColonSlotX);
    }
    for (int slot : digits)
        for (int row = 0; row < g.sheetHeight; ++row)
            for (int col = 0; col < g.cellWidth; ++col) face.at(slot + col, g.slotY + row) = WindowGradient(row, g.sheetHeight);
    for (int slot : colons)
        for (const CellRect& dot : ColonDotsFor(g))
            for (int y = dot.y; y < dot.y + dot.h; ++y)
                for (int x = dot.x; x < dot.x + dot.w; ++x) face.at(slot + x, g.slotY + y) = WindowGradient(y, g.sheetHeight);
    return face;
}

Image DrawSpriteSheet(const FaceGeometry& g) {
    const bool large = g.cellWidth == kLargeFace.cellWidth;
    const Image face = DrawFaceBackground(g);
    const Image blank = face.Crop(g.digitSlotX[0], g.slotY, g.cellWidth, g.sheetHeight);
    Image colonDark = face.Crop(g.colonSlotX, g.slotY, g.colonWidth, g.sheetHeight);
    Image colonLit = colonDark;
    for (const CellRect& dot : ColonDotsFor(g))
        for (int y = dot.y; y < dot.y + dot.h; ++y)
            for (int x = dot.x; x < dot.x + dot.w; ++x) colonLit.at(x, y) = kWhite;

    Image sheet(g.SheetWidth(), g.sheetHeight);
    const Segments segments = SegmentsFor(g);
    for (int figure = 0; figure <= 9; ++figure) {
        Image cell = blank;
        if (large) LightSegments(cell, segments, LitSegments(figure), 0.45, 0.18, 0.6);
        else LightSegments(cell, segments, LitSegments(figure), 0.3, 0.1, 0.4);
        sheet.Paste(cell, g.FigureX(figure), 0);
    }
    sheet.Paste(blank, g.blankX, 0);
    sheet.Paste(colonLit, g.colonLitX, 0);
    sheet.Paste(colonDark, g.colonDarkX, 0);
    return sheet;
}

Image DrawIcon() {
    Image icon(kIconSize, kIconSize, RgbOf(0x42433B));
    Image band(kIconBandWidth, kIconSize);
    for (int y = 0; y < kIconSize; ++y)
        for (int x = 0; x < kIconBandWidth; ++x) band.at(x, y) = WindowGradient(y, kIconSize);
    LightSegments(band, SegmentsOf(kIconStyle), LitSegments(8), 0.45, 0.18, 0.6);
    icon.Paste(band, kIconBandLeft, 0);
    return icon;
}

std::vector<uint8_t> DrawHandCursor() {
    static const char* const kHand[] = {
        ".....##..........",
        "....#oo#.........",
        "....#oo#.........",
        "....#oo#.........",
        "....#oo###.......",
        "....#oo#oo##.....",
        "....#oo#oo#o##...",
        ".##.#oo#oo#oo#o#.",
        "#oo##oooooooooo#.",
        "#ooo#oooooooooo#.",
        ".#ooooooooooooo#.",
        "..#oooooooooooo#.",
        "..#ooooooooooo#..",
        "...#oooooooooo#..",
        "...#ooooooooo#...",
        "....#oooooooo#...",
        "....##########...",
    };
    constexpr int size = 32, stride = size / 8;
    // A monochrome cursor: AND 1 and XOR 0 is transparent, AND 0 with XOR 0 black, XOR 1 white.
    std::vector<uint8_t> xorBits(size * stride, 0), andBits(size * stride, 0xFF);
    for (int y = 0; y < int(std::size(kHand)); ++y)
        for (int x = 0; kHand[y][x]; ++x) {
            const char c = kHand[y][x];
            if (c == '.') continue;
            const int row = size - 1 - y, bit = 0x80 >> (x % 8);  // rows bottom-up
            andBits[row * stride + x / 8] &= uint8_t(~bit);
            if (c == 'o') xorBits[row * stride + x / 8] |= uint8_t(bit);
        }
    std::vector<uint8_t> out;
    auto put16 = [&](unsigned v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    };
    auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    put16(0);
    put16(2);  // a cursor
    put16(1);
    out.insert(out.end(), {uint8_t(size), uint8_t(size), 2, 0});
    put16(kHandHotSpotX);
    put16(kHandHotSpotY);
    put32(uint32_t(40 + 8 + 2 * size * stride));
    put32(6 + 16);
    for (uint32_t v : {40u, uint32_t(size), uint32_t(size * 2)}) put32(v);
    put16(1);
    put16(1);  // one bit per pixel
    for (uint32_t v : {0u, uint32_t(2 * size * stride), 0u, 0u, 2u, 0u}) put32(v);
    out.insert(out.end(), {0, 0, 0, 0, 255, 255, 255, 0});  // black, white
    out.insert(out.end(), xorBits.begin(), xorBits.end());
    out.insert(out.end(), andBits.begin(), andBits.end());
    return out;
}

std::vector<ArtFile> DrawAllArtwork() {
    return {
        {"face_large.bmp", EncodeBmp(DrawFaceBackground(kLargeFace))},
        {"face_small.bmp", EncodeBmp(DrawFaceBackground(kSmallFace))},
        {"face_large_seconds.bmp", EncodeBmp(DrawFaceBackground(kLargeSecondsFace))},
        {"face_small_seconds.bmp", EncodeBmp(DrawFaceBackground(kSmallSecondsFace))},
        {"figures_large.bmp", EncodeBmp(DrawSpriteSheet(kLargeFace))},
        {"figures_small.bmp", EncodeBmp(DrawSpriteSheet(kSmallFace))},
        {"Velkaro.ico", EncodeIco(DrawIcon())},
        {"hand.cur", DrawHandCursor()},
    };
}
