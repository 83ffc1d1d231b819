// Arcade mode's record: the score, the level, the chain and the next column. Owned by the Game,
// which has none in classic mode; the rules that fill it are in arcade.cpp.
#pragma once

#include "game/arcade_tuning.h"

#include <cstdint>

// What the app does with the final score and level before the process ends; never exits.
using KeepScore = void (*)(int32_t score, int32_t level);

// The moments of an arcade game worth telling a player who cannot see the display (the page's
// status line): not every gem, only these. Game over is told through KeepScore.
enum class ArcadeNews : int32_t
{
    NewLevel = 0,
    WellLost = 1,
};

// Told as the news happens, with the score, the level and the wells left just after it.
using WatchArcade = void (*)(ArcadeNews news, int32_t score, int32_t level, int32_t wellsLeft);

// Who is told the news of every arcade game started from now on; none unless a platform sets one.
void watchArcade(WatchArcade watch);

struct Arcade
{
    int32_t score = 0;
    int32_t level = 1;
    int32_t cleared = 0;          // gems cleared this game, over every well
    int32_t chain = 0;            // match passes with lines since the piece landed
    int32_t next[3] = {};         // the next piece's colours, bottom slot first
    KeepScore keep = nullptr;     // called once, at game over
    WatchArcade watch = nullptr;  // told each new level and each lost well
};

// Points for one match pass that clears `gems` gems, on lines that hold `beyondThree` gems past
// their third in all, as link `link` of a chain (1 for the pass right after a landing).
int32_t passPoints(int32_t gems, int32_t beyondThree, int32_t link);

// The level after `cleared` gems: 1 at the start, one more every kGemsPerLevel, up to kTopLevel.
int32_t levelForCleared(int32_t cleared);

// Rows per second at which a piece spawned at `level` falls.
float fallSpeedForLevel(int32_t level);
