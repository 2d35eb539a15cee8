#include <gtest/gtest.h>

#include "led_art.h"

namespace {

Image Load(const std::string& name) {
    auto bytes = ReadFileBytes(std::string(VELKARO_RESOURCES) + "/" + name);
    if (!bytes) {
        ADD_FAILURE() << "missing " << name;
        return {};
    }
    auto image = DecodeBmp(*bytes);
    if (!image) ADD_FAILURE() << "not a 24-bit BMP: " << name;
    return image.value_or(Image{});
}

TEST(Artwork, CommittedFilesAreWhatTheGeneratorDraws) {
    for (const ArtFile& file : DrawAllArtwork()) {
        auto committed = ReadFileBytes(std::string(VELKARO_RESOURCES) + "/" + file.name);
        ASSERT_TRUE(committed) << file.name;
        EXPECT_TRUE(*committed == file.bytes) << file.name << " differs from the generator's output: run artgen resources";
    }
}

struct Sizes {
    const FaceGeometry* g;
    const char* face;
    const char* sheet;
};
const Sizes kSizes[] = {{&kLargeFace, "face_large.bmp", "figures_large.bmp"},
                        {&kSmallFace, "face_small.bmp", "figures_small.bmp"},
                        {&kLargeSecondsFace, "face_large_seconds.bmp", "figures_large.bmp"},
                        {&kSmallSecondsFace, "face_small_seconds.bmp", "figures_small.bmp"}};

TEST(Artwork, BlankAndColonCellsArePiecesOfTheirFace) {
    for (const Sizes& s : kSizes) {
        const FaceGeometry& g = *s.g;
        Image face = Load(s.face), sheet = Load(s.sheet);
        ASSERT_EQ(g.faceWidth, face.width);
        ASSERT_EQ(g.faceHeight, face.height);
        ASSERT_EQ(g.SheetWidth(), sheet.width);
        ASSERT_EQ(g.sheetHeight, sheet.height);
        Image blank = sheet.Crop(g.blankX, 0, g.cellWidth, g.sheetHeight);
        std::vector<int> digits(g.digitSlotX.begin(), g.digitSlotX.end()), colons{g.colonSlotX};
        if (g.HasSeconds()) {
            digits.insert(digits.end(), g.secondsSlotX.begin(), g.secondsSlotX.end());
            colons.push_back(g.secondsColonSlotX);
            // The face of the same size without seconds, up to its minute units: the same pixels.
            const Sizes& plain = kSizes[&s - &kSizes[2]];
            const int kept = plain.g->digitSlotX[3] + plain.g->cellWidth;
            EXPECT_EQ(Load(plain.face).Crop(0, 0, kept, g.faceHeight), face.Crop(0, 0, kept, g.faceHeight)) << s.face;
        }
        for (int slot : digits) EXPECT_EQ(blank, face.Crop(slot, g.slotY, g.cellWidth, g.sheetHeight)) << s.face << " slot " << slot;
        Image dark = sheet.Crop(g.colonDarkX, 0, g.colonWidth, g.sheetHeight);
        for (int slot : colons) EXPECT_EQ(dark, face.Crop(slot, g.slotY, g.colonWidth, g.sheetHeight)) << s.face << " colon " << slot;

        // The lit colon is the dark one with its two blue dots turned white.
        Image lit = sheet.Crop(g.colonLitX, 0, g.colonWidth, g.sheetHeight);
        Image expected = dark;
        int dotPixels = 0;
        for (const CellRect& dot : ColonDotsFor(g))
            for (int y = dot.y; y < dot.y + dot.h; ++y)
                for (int x = dot.x; x < dot.x + dot.w; ++x, ++dotPixels) {
                    EXPECT_GT(dark.at(x, y).b, 150) << "dark dot not blue";
                    expected.at(x, y) = {255, 255, 255};
                }
        EXPECT_EQ(expected, lit) << s.sheet;
        EXPECT_GE(dotPixels, 4);
        // The bezel around the windows and the colon column is the dark bezel, not blue.
        EXPECT_LT(face.at(g.colonSlotX, g.slotY).b, 80);
        EXPECT_LT(face.at(g.digitSlotX[0] - 1, g.slotY).b, 80);
    }
}

TEST(Artwork, FigureCellsShowExactlyTheLitSegments) {
    for (const Sizes& s : kSizes) {
        const FaceGeometry& g = *s.g;
        Image sheet = Load(s.sheet);
        ASSERT_EQ(g.SheetWidth(), sheet.width);
        Image blank = sheet.Crop(g.blankX, 0, g.cellWidth, g.sheetHeight);
        const Segments segments = SegmentsFor(g);
        for (int figure = 0; figure <= 9; ++figure) {
            Image cell = sheet.Crop(g.FigureX(figure), 0, g.cellWidth, g.sheetHeight);
            std::vector<char> core(cell.pixels.size(), 0);
            for (int seg = 0; seg < 7; ++seg) {
                if (!(LitSegments(figure) & (1 << seg))) continue;
                const CellRect& r = segments[seg];
                for (int y = r.y; y < r.y + r.h; ++y)
                    for (int x = r.x; x < r.x + r.w; ++x) core[size_t(y) * cell.width + x] = 1;
            }
            auto nearCore = [&](int x, int y) {
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        int nx = x + dx, ny = y + dy;
                        if (nx >= 0 && ny >= 0 && nx < cell.width && ny < cell.height && core[size_t(ny) * cell.width + nx]) return true;
                    }
                return false;
            };
            for (int y = 0; y < cell.height; ++y)
                for (int x = 0; x < cell.width; ++x) {
                    const Rgb p = cell.at(x, y), b = blank.at(x, y);
                    const bool white = p == Rgb{255, 255, 255};
                    SCOPED_TRACE(testing::Message() << s.sheet << " figure " << figure << " at " << x << "," << y);
                    EXPECT_EQ(bool(core[size_t(y) * cell.width + x]), white);
                    if (!nearCore(x, y)) {
                        EXPECT_EQ(b, p);
                    } else if (!white) {
                        EXPECT_TRUE(p.r >= b.r && p.g >= b.g && p.b >= b.b);  // the soft edge is lighter
                    }
                }
        }
    }
}

TEST(Artwork, SegmentsFollowTheFigureStyle) {
    // Large: bars two pixels thick on rows 1-2, 9-10, 17-18 and columns 2-3, 12-13.
    const Segments large = SegmentsFor(kLargeFace);
    EXPECT_EQ(1, large[0].y);
    EXPECT_EQ(9, large[6].y);
    EXPECT_EQ(17, large[3].y);
    EXPECT_EQ(2, large[5].x);
    EXPECT_EQ(12, large[1].x);
    for (const CellRect& r : large) EXPECT_EQ(2, std::min(r.w, r.h));
    const Segments small = SegmentsFor(kSmallFace);
    EXPECT_EQ(1, small[0].y);
    EXPECT_EQ(5, small[6].y);
    EXPECT_EQ(10, small[3].y);
    EXPECT_EQ(1, small[4].x);
    EXPECT_EQ(7, small[2].x);
    for (const CellRect& r : small) EXPECT_EQ(1, std::min(r.w, r.h));
    // 7 has its upper-left bar; 6 and 9 their top and bottom bars.
    EXPECT_EQ(0x27, LitSegments(7));
    EXPECT_TRUE(LitSegments(6) & 1);
    EXPECT_TRUE(LitSegments(9) & 8);
}

TEST(Artwork, IconIsAWhiteEightOnBlueBetweenDarkBands) {
    Image icon = DrawIcon();
    ASSERT_EQ(32, icon.width);
    ASSERT_EQ(32, icon.height);
    for (int y = 0; y < 32; ++y) {
        EXPECT_EQ(RgbOf(0x42433B), icon.at(0, y));
        EXPECT_EQ(RgbOf(0x42433B), icon.at(31, y));
    }
    int white = 0;
    for (const Rgb& p : icon.pixels) white += p == Rgb{255, 255, 255};
    EXPECT_GT(white, 100);
    EXPECT_GT(icon.at(16, 8).b, 150);  // blue inside the upper loop of the 8
    EXPECT_EQ((Rgb{255, 255, 255}), icon.at(16, 15));  // the middle bar
    auto ico = ReadFileBytes(std::string(VELKARO_RESOURCES) + "/Velkaro.ico");
    ASSERT_TRUE(ico);
    EXPECT_EQ(6u + 16 + 40 + 32 * 32 * 4 + 32 * 4, ico->size());
}

TEST(Artwork, HandCursorIsThirtyTwoSquareWithItsHotSpotAtTheFingerTip) {
    const std::vector<uint8_t> cursor = DrawHandCursor();
    ASSERT_EQ(6u + 16 + 40 + 8 + 2 * 128, cursor.size());
    EXPECT_EQ(2, cursor[2]);   // a cursor, not an icon
    EXPECT_EQ(32, cursor[6]);  // width
    EXPECT_EQ(32, cursor[7]);  // height
    EXPECT_EQ(5, cursor[10] | cursor[11] << 8);  // hot spot x
    EXPECT_EQ(0, cursor[12] | cursor[13] << 8);  // hot spot y
    // The hot spot pixel is part of the hand (AND bit clear); the corner is transparent.
    const uint8_t* andMask = &cursor[6 + 16 + 40 + 8 + 128];
    auto opaque = [&](int x, int y) { return !(andMask[(31 - y) * 4 + x / 8] & (0x80 >> (x % 8))); };
    EXPECT_TRUE(opaque(5, 0));
    EXPECT_FALSE(opaque(0, 0));
    EXPECT_FALSE(opaque(31, 31));
}

}  // namespace
