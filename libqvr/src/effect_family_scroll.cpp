// Scroll family steps. PENDING: not built yet; each ends its phase at once.
// The scrolling wait, effect_0400W, is effect_scroll_wait.cpp.
#include "qvr/effect.h"

DWORD CEffect::effect_0400S() { return kEffectEnd; }
DWORD CEffect::effect_0400E() { return kEffectEnd; }
