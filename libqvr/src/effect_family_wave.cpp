// Wave family steps. PENDING: not built yet; each ends its phase at once.
#include "qvr/effect.h"

DWORD CEffect::effect_0500S() { return kEffectEnd; }
DWORD CEffect::effect_0500W() { return kEffectEnd; }
DWORD CEffect::effect_0500E() { return kEffectEnd; }
