// Draws the current time into the face and renews its date tooltip.
#pragma once

void DrawClock();
