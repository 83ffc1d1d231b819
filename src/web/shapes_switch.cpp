// The page's "Shapes on gems" switch reaches the game here: the marks show from the next frame.
#include "game/gem_marks.h"

#include <emscripten.h>

extern "C" EMSCRIPTEN_KEEPALIVE void gemwell_show_shapes(int on)
{
    showGemMarks(on != 0);
}
