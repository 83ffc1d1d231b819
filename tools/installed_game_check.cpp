// Starts a command that runs the game (an installed one, say through chroot) under a private
// Xvfb, waits for its window and its first drawn gems, quits it with "q" and checks the status.
// Usage: installed_game_check COMMAND [ARGUMENT...]
#include "x_session.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: %s COMMAND [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    XServer x;
    if (!x.ready())
    {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    GameOptions options;
    // The command may run where the host's libfaketime and the harness's probe are not.
    options.fakeTime = false;
    options.probe = false;
    options.binary = argv[1];
    options.args.assign(argv + 2, argv + argc);
    GameWindow game(x, options);
    if (!game.waitUntilShown(60.0))
    {
        std::fprintf(stderr, "no game window appeared (status %d)\n%s", game.waitForExit(0.0),
                     game.errors().c_str());
        return 1;
    }
    std::printf("the game's window appeared after %.1f s\n", game.secondsSinceLaunch());
    game.keys({"q"});
    const int status = game.waitForExit(20.0);
    std::printf("\"q\" ended it with status %d\n", status);
    return status == 42 ? 0 : 1;
}
