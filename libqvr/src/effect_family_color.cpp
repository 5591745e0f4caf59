// Color family steps. PENDING: not built yet; each ends its phase at once.
#include "qvr/effect.h"

DWORD CEffect::effect_0700S() { return kEffectEnd; }
DWORD CEffect::effect_0700W() { return kEffectEnd; }
DWORD CEffect::effect_0700E() { return kEffectEnd; }

long CEffect::_draw_symbol(long) { return 0; }
