// Plays the real game a little under Xvfb and saves a screenshot as a PNG.
// Usage: readme_screenshot OUTPUT.png
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
    if (!game.waitUntilShown())
    {
        std::fprintf(stderr, "the game did not show: %s\n", game.errors().c_str());
        return 1;
    }
    // A few pieces placed by hand, one line cleared, and the next piece on its way down.
    const char* script[] = {"z", "z", "space", "s", "z", "space", "space", "c", "space", "c",
                            "c", "c", "space", "s", "c", "c",     "space", "z", "z",     "space"};
    for (const char* key : script)
    {
        game.keys({key});
        pause(std::string(key) == "space" ? 1.0 : 0.1);
    }
    pause(1.0);
    const Screenshot shot = game.screenshot();
    game.keys({"q"});
    game.waitForExit(10.0);
    if (shot.width == 0 || !writePng(shot, argv[1]))
    {
        std::fprintf(stderr, "could not take or write the screenshot\n");
        return 1;
    }
    return 0;
}
