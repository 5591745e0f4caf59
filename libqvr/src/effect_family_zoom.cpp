// Zoom family steps. PENDING: not built yet; each ends its phase at once.
#include "qvr/effect.h"

DWORD CEffect::effect_0600S() { return kEffectEnd; }
DWORD CEffect::effect_0600W() { return kEffectEnd; }
DWORD CEffect::effect_0600E() { return kEffectEnd; }
