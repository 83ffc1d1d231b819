// The page says how a game ended by its exit status, and learns which status is which from here
// (the module's exitStatuses), as the game is set up.
#include "game/game.h"
#include "input/key_bindings.h"

#include <emscripten.h>

// clang-format off
EM_JS(void, gemwell_tell_exit_statuses, (int gameOver, int quit), {
    Module['exitStatuses'] = {'gameOver': gameOver, 'quit': quit};
});
// clang-format on

namespace
{
const bool g_told = (gemwell_tell_exit_statuses(kGameOverStatus, kQuitStatus), true);
}  // namespace
