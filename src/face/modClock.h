// Draws the current time into the face and renews its date tooltip.
#pragma once

class ClockFace;

void DrawClock(ClockFace& face);
