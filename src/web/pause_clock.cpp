// The page's pause: no frame runs while the game is paused, so the frame clock's last reading is
// from before it. Resuming takes a fresh reading, so the next frame measures only its own time.
#include "app/clock.h"

#include <emscripten.h>

extern "C" EMSCRIPTEN_KEEPALIVE void gemwell_web_resume()
{
    g_lastClock = clockMillis();
}
