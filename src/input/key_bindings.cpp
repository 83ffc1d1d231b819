#include "input/key_bindings.h"

#include "game/game.h"
#include "input/key_table.h"

#include <GL/freeglut.h>
#include <cstdlib>
#include <iterator>

namespace
{
// GLUT's number for each arrow, by the arrow's place in Arrow (none has no key).
constexpr int kGlutArrows[] = {-1, GLUT_KEY_LEFT, GLUT_KEY_UP, GLUT_KEY_RIGHT, GLUT_KEY_DOWN};

// Each command's Game method, by the command's place in Command; quit, last, ends the process.
using Method = void (Game::*)();
constexpr Method kMethods[] = {&Game::moveLeft, &Game::moveRight, &Game::cycleColours,
                               &Game::softDrop, &Game::hardDrop};
static_assert(std::size(kMethods) == static_cast<size_t>(Command::quit), "one a command");

void run(Command command, Game& game)
{
    if (command == Command::quit)
    {
        std::exit(kQuitStatus);
    }
    (game.*kMethods[static_cast<size_t>(command)])();
}
}  // namespace

bool handleKey(Game& game, unsigned char key)
{
    for (const KeyBinding& binding : kKeyBindings)
    {
        if (binding.key == key)
        {
            run(binding.command, game);
            return true;
        }
    }
    return false;
}

bool handleSpecialKey(Game& game, int key)
{
    for (const KeyBinding& binding : kKeyBindings)
    {
        if (binding.arrow != Arrow::none && kGlutArrows[static_cast<size_t>(binding.arrow)] == key)
        {
            run(binding.command, game);
            return true;
        }
    }
    return false;
}

void onKeyboard(unsigned char key, int, int)
{
    handleKey(*g_game, key);
}

void onSpecialKey(int key, int, int)
{
    handleSpecialKey(*g_game, key);
}
