// Scripts of keys, clock steps and shots, planned on the headless rules and played on the real
// game with its clock frozen (libfaketime) and stepped only by the script. The clock stands still
// between steps, so every shot is of a state the game rests in: a landing, a clear and a spawn
// all happen in frames of zero length, sliding, falling and settling only in a step. The browser
// tests and the browser bench play the same scripts on the page.
#pragma once

#include "game/game.h"
#include "x_session.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// One clock step: long enough for any slide, a two-row fall or any settling to finish.
constexpr int kStepMillis = 1000;

struct Step
{
    enum Kind
    {
        Key,
        Advance,
        Shot
    } kind;
    std::string text;  // key name or shot name
    int millis = 0;    // for Advance
};

// Zero-length frames until the game is at rest.
void rest(Game& game);

// The game the steps leave, as the real one is left with the clock frozen between them.
std::unique_ptr<Game> replay(const std::vector<Step>& steps);

// The well as a shot must show it, top row first, a character a cell: '.' or the colour index.
std::vector<std::string> sceneText(const Game& game);

// Adds the first placement of the current piece, lowest column first, after which `good` holds;
// false if none does.
bool placeWhere(std::vector<Step>& steps,
                const std::function<bool(const Game& before, const Game& after)>& good);

// How a stack may grow: no column above maxHeight, nor the spawn column (2) above
// maxSpawnHeight, nor the highest column more than maxSpread above the lowest.
struct StackShape
{
    int maxHeight;
    int maxSpread = 3;
    int maxSpawnHeight = maxHeight - 1;
};

// A landing that clears nothing and keeps the stack within `shape`.
bool quietLanding(const Game& before, const Game& after, const StackShape& shape);

// Steps that stack the well to at least `gems` gems, within `shape` where they can; exits the
// program if they cannot. The default is the page's half-full well: low, even, and column 2
// clear for the spawns.
std::vector<Step> planStack(int gems, const StackShape& shape = {10});

// The most zero-length frames any one key or clock step of `steps` takes to bring the rules to
// rest (at most the 20 that replay lets each step have): how many frames a player of the script
// must let each step run before the next.
int restingFrames(const std::vector<Step>& steps);

bool writeLines(const std::string& path, const std::vector<std::string>& lines);
std::vector<std::string> readLines(const std::string& path);

// The script as the browser reads it, a step a line (OUTDIR/NAME), and each shot's well beside
// it (OUTDIR/SHOT.well).
void writeScript(const std::vector<Step>& steps, const std::string& outDir,
                 const std::string& name);

// The real game under Xvfb with libfaketime's clock frozen at kFakeEpoch, played through steps;
// shots go to OUTDIR/native-NAME.png.
class SteppedGame
{
public:
    SteppedGame(const XServer& x, std::vector<std::string> preload, std::vector<std::string> env,
                std::vector<std::string> args = {});

    bool play(const std::vector<Step>& steps, const std::string& outDir, int width = 0,
              int height = 0);
    // Resizes the window and waits until a frame of the new size is drawn.
    bool resizeTo(int width, int height);
    // Quits with q; true if the game ended with its quit status.
    bool quit();
    // The shot `play` took under that name; an empty screenshot if it took none.
    Screenshot shot(const std::string& name) const;

private:
    ScratchDir clockDir_;
    std::string clock_ = clockDir_.file("clock");
    int seconds_ = 0;
    // With --shapes the marks cover the gems' centres, where the well is read: a shot then waits
    // for the gems in the predicted cells, whatever their colour.
    bool marked_ = false;
    std::unique_ptr<GameWindow> game_;
    std::map<std::string, Screenshot> shots_;
};
