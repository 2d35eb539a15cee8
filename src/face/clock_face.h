// Where every piece of the LED face comes from and goes to. Portable.
#pragma once
#include <array>
#include <cstdint>
#include <string>

// One face size: the background, its sprite sheet and the five destination slots.
struct FaceGeometry {
    int faceWidth, faceHeight;
    int cellWidth;    // width of a figure cell and of the blank cell
    int colonWidth;   // width of each colon cell
    int sheetHeight;  // every cell is as high as its sheet and starts at y 0
    int blankX, colonLitX, colonDarkX;
    std::array<int, 4> digitSlotX;  // hour tens, hour units, minute tens, minute units
    int colonSlotX;
    int slotY;

    int SheetWidth() const { return colonDarkX + colonWidth; }
    int FigureX(int figure) const { return figure * cellWidth; }
};

inline constexpr FaceGeometry kLargeFace{97, 39, 16, 5, 21, 160, 176, 181, {10, 29, 52, 71}, 46, 9};
inline constexpr FaceGeometry kSmallFace{54, 22, 9, 2, 12, 90, 99, 101, {6, 16, 29, 39}, 26, 5};

// WindowSize 1 is the large face; any other value the small one. The pictures of each size sit
// at this index: 0 large, 1 small.
int SizeIndex(int windowSize);
const FaceGeometry& GeometryFor(int windowSize);

// One copy from the sheet onto the face.
struct SpriteCopy {
    int destX, destY, width, height, sourceX;
    bool operator==(const SpriteCopy&) const = default;
};

// The five copies for a time, left to right: hour tens (blank for hours below 10), hour
// units, colon, minute tens (a zero included), minute units.
std::array<SpriteCopy, 5> CellsForTime(const FaceGeometry& g, int hour, int minute, bool colonLit);

// The same copy on a face enlarged by a whole-number scale: every coordinate and size times it.
SpriteCopy Scaled(const SpriteCopy& copy, int scale);

// The blink phase: the last three decimal digits of the millisecond tick count.
int BlinkPhase(uint32_t tickMs);

// The colon is dark only while blinking and past BlinkDelay in the current 1000 ms cycle.
bool ColonLit(bool blink, int blinkDelay, int phase);

// Milliseconds until the face next changes: the start of the next minute (msIntoMinute: how far
// the system time is into its minute) and, while the colon blinks, the next boundary of its
// phase on the tick counter (the counter's wrap included, where a new cycle starts early).
int MsUntilFaceChanges(bool blink, int blinkDelay, uint32_t tickMs, int msIntoMinute);

// The time as a screen reader says it: the hour without a leading zero, a colon, two digits of
// the minute ("9:05", "20:19").
std::string SpokenTime(int hour, int minute);
