#include "app/float_precision.h"

#if defined(__i386__) && !defined(__SSE2_MATH__)
#include <fpu_control.h>

namespace
{
fpu_control_t precisionControl()
{
    fpu_control_t word = 0;
    _FPU_GETCW(word);
    return word;
}
}  // namespace

void roundToDoublePrecision()
{
    // Only the precision bits change: the rounding mode and the exception masks stay.
    fpu_control_t word = (precisionControl() & ~_FPU_EXTENDED) | _FPU_DOUBLE;
    _FPU_SETCW(word);
}

bool roundsToDoublePrecision()
{
    return (precisionControl() & _FPU_EXTENDED) == _FPU_DOUBLE;
}
#else
// SSE, WebAssembly and every other architecture round each result to its own type.
void roundToDoublePrecision() {}

bool roundsToDoublePrecision()
{
    return true;
}
#endif
