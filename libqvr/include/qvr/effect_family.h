// SPDX-License-Identifier: BSD-2-Clause
// Values the effect families keep for the whole process, shared by every
// engine and page, and the tables they read, offered to hosts and tests.
#pragma once

#include <common/platform.h>

namespace qvr {

// Destination rectangle of the last Zoom copy (left, top, right = left +
// width, bottom = top + height).
RECT LastZoomRect();
// The View wait's toggle: 0 at first, 1 while a wait shows the text back,
// -1 after a cycle.
long ViewWaitToggle();
// The colour value the blinking Color waits remove, 0 at first.
unsigned long ColorWaitColour();
// Puts the three values back to their first state (a new preview session).
void ResetSharedEffectState();

// The twisting copier's cosine of a whole number of degrees, truncated
// toward zero to three decimals.
double TwistCosine(int degrees);

// Row offset of entry i (0 to 316) of the Wave bounce; 0 outside.
int WaveBounce(int entry);
// Entry i (0 to 64) of the Zoom scale table; 0 outside.
float ZoomScale(int entry);

} // namespace qvr
