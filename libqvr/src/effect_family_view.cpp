// View family steps. PENDING: not built yet; each ends its phase at once.
#include "qvr/effect.h"

DWORD CEffect::effect_0300S() { return kEffectEnd; }
DWORD CEffect::effect_0300W() { return kEffectEnd; }
DWORD CEffect::effect_0300E() { return kEffectEnd; }
