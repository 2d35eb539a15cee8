// The clock's artwork, drawn from the face geometry: face backgrounds, sprite sheets and the
// window icon. Portable; tools/artgen writes it to resources/ and the tests redraw it.
#pragma once
#include <array>
#include <vector>

#include "bitmap.h"
#include "face/clock_face.h"

struct CellRect {
    int x, y, w, h;
};

// The seven segments a..g of a figure, as rectangles of fully white pixels in a cell.
using Segments = std::array<CellRect, 7>;
Segments SegmentsFor(const FaceGeometry& g);
// Bit s (a = 0 .. g = 6) is set when segment s of the figure is lit.
int LitSegments(int figure);

// The dot rectangles of the colon column, in cell coordinates.
std::array<CellRect, 2> ColonDotsFor(const FaceGeometry& g);

Image DrawFaceBackground(const FaceGeometry& g);
Image DrawSpriteSheet(const FaceGeometry& g);
Image DrawIcon();

// The links' pointing hand: 32×32, black outline, white inside, the rest transparent; the
// tip of the index finger at (5, 0) is the hot spot.
inline constexpr int kHandHotSpotX = 5, kHandHotSpotY = 0;
std::vector<uint8_t> DrawHandCursor();

struct ArtFile {
    const char* name;
    std::vector<uint8_t> bytes;
};
// Everything the generator writes, by file name under resources/.
std::vector<ArtFile> DrawAllArtwork();
