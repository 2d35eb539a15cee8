// Where every piece of the LED face comes from and goes to. Portable.
#pragma once
#include <array>
#include <cstdint>
#include <string>

// One face size: the background, its sprite sheet and the five destination slots (eight with
// the seconds: a second colon and two more figures, the background wider by what they need).
struct FaceGeometry {
    int faceWidth, faceHeight;
    int cellWidth;    // width of a figure cell and of the blank cell
    int colonWidth;   // width of each colon cell
    int sheetHeight;  // every cell is as high as its sheet and starts at y 0
    int blankX, colonLitX, colonDarkX;
    std::array<int, 4> digitSlotX;  // hour tens, hour units, minute tens, minute units
    int colonSlotX;
    int slotY;
    int secondsColonSlotX = 0;         // 0: a face without seconds
    std::array<int, 2> secondsSlotX{};  // second tens, second units

    int SheetWidth() const { return colonDarkX + colonWidth; }
    int FigureX(int figure) const { return figure * cellWidth; }
    bool HasSeconds() const { return secondsColonSlotX > 0; }
};

inline constexpr FaceGeometry kLargeFace{97, 39, 16, 5, 21, 160, 176, 181, {10, 29, 52, 71}, 46, 9};
inline constexpr FaceGeometry kSmallFace{54, 22, 9, 2, 12, 90, 99, 101, {6, 16, 29, 39}, 26, 5};
// The seconds continue the minutes' spacing: the colon and the figures as far from the minute
// units as the minutes' from the hour units.
inline constexpr FaceGeometry kLargeSecondsFace{139, 39, 16, 5, 21, 160, 176, 181, {10, 29, 52, 71}, 46, 9, 88, {94, 113}};
inline constexpr FaceGeometry kSmallSecondsFace{77, 22, 9, 2, 12, 90, 99, 101, {6, 16, 29, 39}, 26, 5, 49, {52, 62}};

// WindowSize 1 is the large face; any other value the small one. The pictures of each size sit
// at this index: 0 large, 1 small (and 2, 3 the same with seconds, for the face backgrounds).
int SizeIndex(int windowSize);
int FaceIndex(int windowSize, bool seconds);
const FaceGeometry& GeometryFor(int windowSize, bool seconds = false);

// One copy from the sheet onto the face.
struct SpriteCopy {
    int destX, destY, width, height, sourceX;
    bool operator==(const SpriteCopy&) const = default;
};

// The five copies for a time, left to right: hour tens (blank for hours below 10), hour
// units, colon, minute tens (a zero included), minute units.
std::array<SpriteCopy, 5> CellsForTime(const FaceGeometry& g, int hour, int minute, bool colonLit);

// The three copies of the seconds, left to right: the second colon (lit as the first), the
// second's tens (a zero included) and units. None on a face without seconds.
std::array<SpriteCopy, 3> SecondsCells(const FaceGeometry& g, int second, bool colonLit);

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

// With seconds on the face: the milliseconds until the next second begins or, while the colon
// blinks, until it goes dark (both colons are lit for the first blinkDelay ms of each system
// second).
int MsUntilSecondsFaceChanges(bool blink, int blinkDelay, int msIntoSecond);

// The time as a screen reader says it: the hour without a leading zero, a colon, two digits of
// the minute ("9:05", "20:19").
std::string SpokenTime(int hour, int minute);
// The same with the seconds ("9:05:07").
std::string SpokenTimeWithSeconds(int hour, int minute, int second);
