#include "input/key_bindings.h"

#include "game/game.h"

#include <GL/freeglut.h>
#include <cstddef>
#include <cstdlib>

namespace
{
using Action = void (*)(Game&);

template <typename Key> struct Binding
{
    Key key;
    Action action;
};

// One binding a line, so the tables read at a glance.
// clang-format off
void hardDrop(Game& game) { game.hardDrop(); }
void moveLeft(Game& game) { game.moveLeft(); }
void moveRight(Game& game) { game.moveRight(); }
void cycleColours(Game& game) { game.cycleColours(); }
void softDrop(Game& game) { game.softDrop(); }
[[noreturn]] void quit(Game&) { std::exit(kQuitStatus); }

constexpr Binding<unsigned char> kKeys[] = {
    {' ', hardDrop},
    {'c', moveRight},
    {'q', quit},
    {'s', cycleColours},
    {'x', softDrop},
    {'z', moveLeft},
};

constexpr Binding<int> kSpecialKeys[] = {
    {GLUT_KEY_LEFT, moveLeft},
    {GLUT_KEY_UP, cycleColours},
    {GLUT_KEY_RIGHT, moveRight},
    {GLUT_KEY_DOWN, softDrop},
};
// clang-format on

template <typename Key, size_t Count>
bool runBinding(const Binding<Key> (&table)[Count], Key key, Game& game)
{
    for (const Binding<Key>& binding : table)
    {
        if (binding.key == key)
        {
            binding.action(game);
            return true;
        }
    }
    return false;
}
}  // namespace

bool handleKey(Game& game, unsigned char key)
{
    return runBinding(kKeys, key, game);
}

bool handleSpecialKey(Game& game, int key)
{
    return runBinding(kSpecialKeys, key, game);
}

void onKeyboard(unsigned char key, int, int)
{
    handleKey(*g_game, key);
}

void onSpecialKey(int key, int, int)
{
    handleSpecialKey(*g_game, key);
}
