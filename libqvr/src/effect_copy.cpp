// Frame copiers of the geometric effects. PENDING: not built yet (they come
// with the effect families); only _copy_pBUFn3DRotate1, which does nothing by
// design, is final.
#include "qvr/effect.h"

long CEffect::_copy_pBUFnCLR(long, long, ROP_MODE, unsigned long, BITMAP*) { return 0; }

long CEffect::_copy_pBUFnFIX(long, long, long, long, long dx, long, long dw, long, BITMAP*)
{
    return dx + dw;
}

long CEffect::_copy_pBUFnTWIST(long, long, long, long, long, BITMAP*) { return 0; }
long CEffect::_copy_pBUFnANGLE(BITMAP*) { return 0; }
long CEffect::_copy_pBUFnCircle(int, BITMAP*) { return 0; }
long CEffect::_copy_pBUFn3DRotate1(BITMAP*) { return 0; }
long CEffect::_copy_pBUFn3DRotate2(BITMAP*) { return 0; }
long CEffect::_copy_pBUFn3DRotate3(BITMAP*) { return 0; }
