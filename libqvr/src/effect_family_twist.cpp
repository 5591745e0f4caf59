// Twist family steps. PENDING: not built yet; each ends its phase at once.
#include "qvr/effect.h"

DWORD CEffect::effect_0800S() { return kEffectEnd; }
DWORD CEffect::effect_0800W() { return kEffectEnd; }
DWORD CEffect::effect_0800E() { return kEffectEnd; }
