#include "input/key_bindings.h"

#include "game/game.h"
#include "input/key_table.h"

#include <GL/freeglut.h>
#include <cstdlib>

namespace
{
int glutKey(Arrow arrow)
{
    switch (arrow)
    {
        case Arrow::left:
            return GLUT_KEY_LEFT;
        case Arrow::up:
            return GLUT_KEY_UP;
        case Arrow::right:
            return GLUT_KEY_RIGHT;
        case Arrow::down:
            return GLUT_KEY_DOWN;
        case Arrow::none:
            break;
    }
    return -1;
}

void run(Command command, Game& game)
{
    switch (command)
    {
        case Command::moveLeft:
            game.moveLeft();
            break;
        case Command::moveRight:
            game.moveRight();
            break;
        case Command::cycleColours:
            game.cycleColours();
            break;
        case Command::softDrop:
            game.softDrop();
            break;
        case Command::hardDrop:
            game.hardDrop();
            break;
        case Command::quit:
            std::exit(kQuitStatus);
    }
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
        if (binding.arrow != Arrow::none && glutKey(binding.arrow) == key)
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
