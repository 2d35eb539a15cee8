// The clock face on the screen: the face object, DrawClock and BlitSprite.
// The face object holds the pictures DrawClock draws with and into; the main window owns it and
// hands it its window and tooltip, and the face never looks for them.
#pragma once
#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "common/language.h"
#include "face/clock_accessible.h"
#include "face/clock_face.h"
#include "face/picture_box.h"

class ClockFace {
public:
    // The face backgrounds and sprite sheets from the program's resources, at scale 1.
    bool LoadPictures(HINSTANCE instance);
    // The display's whole-number scale (see WholeScale): the backgrounds and the sheets become
    // that many times as large, each pixel a square block, once for each new scale. The face
    // box and the window take it at the next ShowSize.
    bool SetScale(int scale);
    int scale() const { return scale_; }
    // The window that shows the face (sized to it) and the tooltip whose text is the date;
    // nullptr for both when the window goes.
    void Attach(HWND window, HWND tooltip);

    // The face box takes the background of this size (at the scale), with or without the
    // seconds, and the window becomes exactly as large, its top-left corner where it is or at
    // the given point.
    void ShowSize(int windowSize, bool seconds, const POINT* topLeft = nullptr);
    // Shows the face box's surface on the window now: the area given, or all of it.
    void Refresh(const RECT* area = nullptr);
    // The face box's surface onto a DC of the window (its WM_PAINT).
    void Paint(HDC dc) const;
    void SetTooltipText(const std::string& utf8);
    // The language of the tooltip's date (and of what screen readers are told), from the next tick.
    void ShowLanguage(Language language) {
        language_ = language;
        tooltipDate = 0;
    }
    Language language() const { return language_; }

    PictureBox picBody;        // the face, the only thing shown
    PictureBox picFigures[2];  // sprite sheets at the scale: 0 large, 1 small
    // Face backgrounds at the scale: 0 large (97×39 at 1), 1 small (54×22), 2 and 3 the same with
    // seconds (139×39, 77×22).
    PictureBox imgBody[4];

    // The face as DrawClock last drew it. A tick that would copy the same cells onto the same
    // picture leaves the picture and the window alone.
    struct Drawn {
        const FaceGeometry* geometry = nullptr;
        unsigned pictureGeneration = 0;  // a new scale comes with a new picture (ShowSize)
        std::array<SpriteCopy, 5> cells{};
        std::array<SpriteCopy, 3> secondsCells{};  // none without seconds
        bool operator==(const Drawn&) const = default;
    };
    Drawn drawn;
    int tooltipDate = 0;  // yyyymmdd of the tooltip's text
    // The local time last read, and the minute of the system time (UTC) in which it was read;
    // -1 makes the next tick read it again.
    SYSTEMTIME localTime{};
    int64_t localTimeMinute = -1;
    // The time and date on the face as screen readers are told them; shared with the accessible
    // objects handed out, which may outlive the window.
    std::shared_ptr<FaceReading> reading = std::make_shared<FaceReading>();
    HWND window() const { return window_; }

private:
    Language language_ = Language::Japanese;
    PictureBox figures_[2], bodies_[4];  // the resources' pictures, at scale 1
    int scale_ = 0;
    HWND window_ = nullptr;
    HWND tooltip_ = nullptr;
    std::wstring tooltipText_;
};

// Copies a rectangle from one picture box's surface to another's; the result of the copy is
// not examined: a copy that fails leaves the old pixels until the next tick.
void BlitSprite(PictureBox& dest, int x, int y, int width, int height, const PictureBox& source, int sourceX,
                int sourceY, DWORD rasterOperation);

// Draws the current time into the face (the size of WindowSize, with the seconds or without, the
// colon blinking as Blink and BlinkDelay say) and renews its date tooltip. Returns the
// milliseconds until the face changes.
int DrawClock(ClockFace& face, int windowSize, bool seconds, bool blink, int blinkDelay);
