// Plays the real game a little under Xvfb and saves a screenshot as a PNG.
// Usage: readme_screenshot OUTPUT.png
#include "play_field.h"
#include "prediction.h"
#include "running_play.h"
#include "x_session.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    XServer x;
    if (!x.ready())
    {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    GameWindow game(x);
    game.saveFailuresTo(std::string(argv[1]) + ".failed.png");
    if (!game.waitUntilShown())
    {
        std::fprintf(stderr, "the game did not show: %s\n", game.errors().c_str());
        return 1;
    }
    // A few pieces placed by hand, one line cleared, and the next piece on its way down. Each
    // key once the screen shows what the rules predict of the keys before it.
    const std::vector<std::string> script = {"z", "z",     "space", "s", "z", "space", "space",
                                             "c", "space", "c",     "c", "c", "space", "s",
                                             "c", "c",     "space", "z", "z", "space"};
    std::vector<std::string> played;
    if (!playKeys(game, played, script, 6))
    {
        return 1;
    }
    // The next piece on its way down: inside the well, all three gems above column 2's stack.
    const auto predicted = predictedGame();
    playScript(*predicted, script);
    const int stack = predicted->columnHeight(2);
    Screenshot shot;
    if (!game.waitForPicture(
            "the last drop", "the next piece inside the well",
            [stack](const Screenshot& seen)
            {
                const double top = topOfColumn(seen, 2);
                return top < 13.0 && top > stack + 3;
            },
            shot))
    {
        return 1;
    }
    game.keys({"q"});
    game.waitForExit(10.0);
    if (shot.width == 0 || !writePng(shot, argv[1]))
    {
        std::fprintf(stderr, "could not take or write the screenshot\n");
        return 1;
    }
    return 0;
}
