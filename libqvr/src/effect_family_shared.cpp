// SPDX-License-Identifier: BSD-2-Clause
// The values the families keep for the whole process.
#include "effect_family_util.h"

#include "qvr/effect_family.h"

namespace qvr {

long g_ViewToggle = 0;
unsigned long g_ColorValue = 0;
RECT g_ZoomRect{};

RECT LastZoomRect() { return g_ZoomRect; }
long ViewWaitToggle() { return g_ViewToggle; }
unsigned long ColorWaitColour() { return g_ColorValue; }

void ResetSharedEffectState()
{
    g_ViewToggle = 0;
    g_ColorValue = 0;
    g_ZoomRect = RECT{};
}

} // namespace qvr
