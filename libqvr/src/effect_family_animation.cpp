// Animation family steps. PENDING: not built yet; each ends its phase at once.
#include "qvr/effect.h"

DWORD CEffect::effect_0200S() { return kEffectEnd; }
DWORD CEffect::effect_0200W() { return kEffectEnd; }
DWORD CEffect::effect_0200E() { return kEffectEnd; }
