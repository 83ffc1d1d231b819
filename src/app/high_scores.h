// The player's arcade high scores, kept in $XDG_DATA_HOME/gemwell/high-scores (by default
// ~/.local/share/gemwell/high-scores): what the game over path and --scores call.
#pragma once

#include <cstdint>
#include <cstdio>

// Records a finished arcade game with today's date. Never exits and never throws, and waits a
// few seconds at most for another game's write; any problem (no home, a folder it cannot write,
// a bad table set aside) is said on one line of standard error, once per process.
void keepArcadeScore(int32_t score, int32_t level);

// --scores: prints the arcade table to `out`, or says there is none yet; a problem with the
// table goes on one line of `err`. Writes, sets aside and locks nothing. Returns the exit
// status, 0.
int printHighScores(std::FILE* out, std::FILE* err);
