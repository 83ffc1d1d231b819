// Everything the page calls in the game (gemwell_page_*), and what the game tells the page as its
// module starts: the exit statuses, so that the page names no number, and the keys, so that the
// page names no key. src/web/README.md lists the whole contract, both ways.
#include "app/clock.h"
#include "app/high_scores.h"
#include "game/game.h"
#include "game/gem_marks.h"
#include "input/key_bindings.h"
#include "input/key_table.h"

#include <cstdio>
#include <emscripten.h>
#include <string>

// clang-format off
EM_JS(void, gemwell_page_tell_exit_statuses, (int gameOver, int quit), {
    Module['exitStatuses'] = {'gameOver': gameOver, 'quit': quit};
});

// One key of a command: `key` as the browser names it in a KeyboardEvent, `label` as the page
// shows it. A command's first key is the one the page's buttons and pads press.
EM_JS(void, gemwell_page_tell_key, (const char* command, const char* key, const char* label), {
    var bindings = Module['bindings'] = Module['bindings'] || {};
    var name = UTF8ToString(command);
    bindings[name] = bindings[name] || [];
    bindings[name].push({'key': UTF8ToString(key), 'label': UTF8ToString(label)});
});

// Arcade mode's news for the page's status line and its high scores: `news` is "level", "well"
// or "over"; the score, level and wells left just after it.
EM_JS(void, gemwell_page_tell_arcade, (const char* news, int score, int level, int wells), {
    if (Module['arcadeNews']) {
        Module['arcadeNews'](UTF8ToString(news), score, level, wells);
    }
});
// clang-format on

namespace
{
// The page's own command: its keys pause the game and go on, and never reach the game.
struct PageKey
{
    const char* key;
    const char* label;
};
constexpr PageKey kPauseKeys[] = {{"p", "p"}, {"Escape", "Esc"}};

void tellArcadeNews(ArcadeNews news, int32_t score, int32_t level, int32_t wellsLeft)
{
    gemwell_page_tell_arcade(news == ArcadeNews::NewLevel ? "level" : "well", score, level,
                             wellsLeft);
}

bool tellThePage()
{
    gemwell_page_tell_exit_statuses(kGameOverStatus, kQuitStatus);
    for (const KeyBinding& binding : kKeyBindings)
    {
        const std::string key(1, static_cast<char>(binding.key));
        gemwell_page_tell_key(binding.name, key.c_str(), keyName(binding.key).c_str());
        if (binding.arrow != Arrow::none)
        {
            const ArrowNames& names = arrowNames(binding.arrow);
            const std::string arrow = std::string("Arrow") + names.name;
            gemwell_page_tell_key(binding.name, arrow.c_str(), names.symbol);
        }
    }
    for (const PageKey& pause : kPauseKeys)
    {
        gemwell_page_tell_key("pause", pause.key, pause.label);
    }
    watchArcade(tellArcadeNews);
    return true;
}

// As the module starts, before main: the page knows both before the game's first frame.
const bool g_told = tellThePage();
}  // namespace

// The "Shapes on gems" switch: the marks show from the next frame.
extern "C" EMSCRIPTEN_KEEPALIVE void gemwell_page_show_shapes(int on)
{
    showGemMarks(on != 0);
}

// A pause ends: no frame ran during it, so the clock takes up from now, and the first frame after
// it measures its own time, not the pause's.
extern "C" EMSCRIPTEN_KEEPALIVE void gemwell_page_resume()
{
    restartClock();
}

// The page keeps the high scores, in the browser's storage: an arcade game's end hands them there
// in place of the native game's file.
void keepArcadeScore(int32_t score, int32_t level)
{
    gemwell_page_tell_arcade("over", score, level, 0);
}

// The page has no --scores: its table is on the page.
int printHighScores(std::FILE* out, std::FILE*)
{
    std::fputs("The browser edition shows its high scores on the page.\n", out);
    return 0;
}
