// Helpers for tests that drive the real Game: build boards, step frames, check invariants.
#pragma once

#include "game/game.h"

#include <initializer_list>
#include <string>
#include <vector>

// Seed used by tests that need a known run of colours.
constexpr unsigned kTestSeed = 1;

// A game seeded with `seed`, its first piece drawn from that seed.
Game* newSeededGame(unsigned seed = kTestSeed);

// Places a resting gem of `colour` in cell (column, row), as a landing would.
void putGem(Game& game, int column, int row, int colour);

// Fills the board from text: one string per row, the top row first and row 0 last; '.' is empty
// and '0' to '4' are colours. Rows not given stay as they are.
void setBoard(Game& game, const std::vector<std::string>& rows);

// Stacks gems in a column from row 0, alternating two colours so they never form a line.
void stackColumn(Game& game, int column, int count, int colourA = 0, int colourB = 1);

// Gives the current piece these colours, bottom slot first.
void paintPiece(Game& game, std::initializer_list<int> colours);

// The board as text in setBoard's format, all 14 rows.
std::vector<std::string> boardText(const Game& game);

// Runs `frames` steps of the game with a fixed frame time.
void stepFrames(Game& game, int frames, float seconds);

// Number of gems on the board.
int boardGemCount(const Game& game);

// An empty string when every invariant of the game holds, otherwise the first one broken.
std::string invariantViolation(const Game& game);
