#include "prediction.h"

#include "app/clock.h"
#include "game/gem.h"
#include "game/piece.h"
#include "input/key_bindings.h"
#include "play_field.h"
#include "x_session.h"

#include <GL/freeglut.h>
#include <map>

namespace
{
constexpr float kHeadlessFrame = 0.005f;
}

std::unique_ptr<Game> predictedGame()
{
    return std::unique_ptr<Game>(newSeededGame(kFakeEpoch));
}

void pressKey(Game& game, const std::string& name)
{
    static const std::map<std::string, int> kSpecial = {{"Left", GLUT_KEY_LEFT},
                                                        {"Up", GLUT_KEY_UP},
                                                        {"Right", GLUT_KEY_RIGHT},
                                                        {"Down", GLUT_KEY_DOWN}};
    const auto special = kSpecial.find(name);
    if (special != kSpecial.end())
    {
        handleSpecialKey(game, special->second);
    }
    else if (name == "space")
    {
        handleKey(game, ' ');
    }
    else if (name.size() == 1)
    {
        handleKey(game, static_cast<unsigned char>(name[0]));
    }
}

void playScript(Game& game, const std::vector<std::string>& keys)
{
    for (const std::string& key : keys)
    {
        pressKey(game, key);
        if (key == "space")
        {
            const Piece* dropped = game.piece;
            g_frameSeconds = kHeadlessFrame;
            for (int frame = 0; frame < 100000 && game.piece == dropped; ++frame)
            {
                if (game.state == GameOver)
                {
                    return;
                }
                game.update();
            }
        }
    }
}

double secondsUntilGameOver(Game& game)
{
    g_frameSeconds = kHeadlessFrame;
    int frames = 0;
    while (game.state != GameOver && frames < 10000000)
    {
        game.update();
        ++frames;
    }
    return frames * static_cast<double>(kHeadlessFrame);
}

std::vector<int> pieceColours(const Game& game)
{
    std::vector<int> colours;
    for (const Gem* gem : game.piece->gems)
    {
        colours.push_back(gem != nullptr ? gem->colourIndex : -1);
    }
    return colours;
}
