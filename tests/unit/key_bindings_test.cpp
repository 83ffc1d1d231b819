#include "app/clock.h"
#include "game/gem.h"
#include "game/piece.h"
#include "input/key_bindings.h"
#include "play_field.h"

#include <GL/freeglut.h>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace
{
// Everything a command can change about the piece, bottom slot first.
std::vector<float> pieceState(const Game& game)
{
    std::vector<float> state;
    for (const Gem* gem : game.piece->gems)
    {
        state.push_back(float(gem->colourIndex));
        state.insert(state.end(), gem->position, gem->position + 3);
        state.insert(state.end(), gem->target, gem->target + 3);
    }
    return state;
}

struct Fixture
{
    std::unique_ptr<Game> game{newSeededGame()};
    Fixture()
    {
        paintPiece(*game, {0, 2, 4});
        g_frameSeconds = 0.1f;
    }
};

void pressQuit(unsigned char key)
{
    std::fflush(stdout);  // what the test runner printed so far is not the game's output
    dup2(STDERR_FILENO, STDOUT_FILENO);
    onKeyboard(key, 0, 0);
}
}  // namespace

TEST(KeyBindings, EveryBoundKeyReachesItsCommand)
{
    // Each key, alone on a fresh game, must do what its command does.
    struct Case
    {
        bool special;
        int key;
        int column;  // bottom gem's target column afterwards
        float row;   // bottom gem's height afterwards
        int bottomColour;
    };
    const Case cases[] = {
        {false, ' ', 2, 0.0f, 0},
        {false, 'c', 3, 12.0f, 0},
        {false, 'z', 1, 12.0f, 0},
        {false, 's', 2, 12.0f, 2},
        {false, 'x', 2, 11.8f, 0},
        {true, GLUT_KEY_LEFT, 1, 12.0f, 0},
        {true, GLUT_KEY_RIGHT, 3, 12.0f, 0},
        {true, GLUT_KEY_UP, 2, 12.0f, 2},
        {true, GLUT_KEY_DOWN, 2, 11.8f, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.key);
        Fixture f;
        g_game = f.game.get();
        if (c.special)
        {
            onSpecialKey(c.key, 10, 10);
        }
        else
        {
            onKeyboard(static_cast<unsigned char>(c.key), 10, 10);
        }
        const Gem* bottom = f.game->piece->gems[0];
        EXPECT_EQ(bottom->target[0], c.column);
        EXPECT_EQ(bottom->position[1], c.row);
        EXPECT_EQ(bottom->colourIndex, c.bottomColour);
    }
    g_game = nullptr;
}

TEST(KeyBindings, UnboundCharactersAndSpecialKeysChangeNothing)
{
    Fixture f;
    const auto before = pieceState(*f.game);
    const std::string bound = " cqsxz";
    for (int key = 0; key < 256; ++key)
    {
        if (bound.find(static_cast<char>(key)) != std::string::npos)
        {
            continue;
        }
        EXPECT_FALSE(handleKey(*f.game, static_cast<unsigned char>(key))) << key;
    }
    for (int key = -5; key < 300; ++key)
    {
        if (key >= GLUT_KEY_LEFT && key <= GLUT_KEY_DOWN)
        {
            continue;
        }
        EXPECT_FALSE(handleSpecialKey(*f.game, key)) << key;
    }
    EXPECT_EQ(pieceState(*f.game), before);
}

TEST(KeyBindingsDeathTest, QExitsWithFortyTwoAndPrintsNothing)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Fixture f;
    g_game = f.game.get();
    EXPECT_EXIT(pressQuit('q'), testing::ExitedWithCode(kQuitStatus), "^$");
    // Upper-case Q (shift held) is not bound.
    EXPECT_FALSE(handleKey(*f.game, 'Q'));
    g_game = nullptr;
}
