// What the rules say the real game will show: the same seed and the same keys, played headless.
#pragma once

#include "game/game.h"

#include <memory>
#include <string>
#include <vector>

// A headless game whose random draws match the real binary started at kFakeEpoch.
std::unique_ptr<Game> predictedGame();

// Presses a key by its X key name ("space", "c", "Left") on the headless game.
void pressKey(Game& game, const std::string& name);

// Presses each key; after each "space" (hard drop) steps until the next piece has spawned, so
// lines, settling and chains are all done.
void playScript(Game& game, const std::vector<std::string>& keys);

// Game seconds until the headless game, left alone, reaches GameOver.
double secondsUntilGameOver(Game& game);

// Colours of the three gems of the current piece, bottom first.
std::vector<int> pieceColours(const Game& game);
