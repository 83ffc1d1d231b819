// Every number that tunes the play field, named once.
#pragma once

constexpr int kColumns = 6;
constexpr int kRows = 14;
constexpr int kCells = kColumns * kRows;

// Colour grid value of a cell that holds no gem.
constexpr int kEmpty = -1;

// Rows per second at which a new piece falls.
constexpr float kFallSpeed = 2.0f;
// Cells per second at which a gem slides sideways (and along the unused depth axis).
constexpr float kSideSpeed = 11.0f;
// Rows per second at which a gem drops into a gap after a clear.
constexpr float kSettleSpeed = 10.0f;
// A gem this close to its target, in cells, snaps onto it.
constexpr double kSnapBand = 0.1;

// Overflows the player survives; the next one ends the game.
constexpr int kStartLives = 2;

// New pieces appear in this column, bottom gem in this row.
constexpr int kSpawnColumn = 2;
constexpr int kSpawnRow = 12;

// Cell index: the grids run column after column, each from the bottom up.
constexpr int cellIndex(int column, int row)
{
    return column * kRows + row;
}

constexpr bool onBoard(int column, int row)
{
    // The match pass looks only rightward, so it never asks about a column below 0.
    return column >= 0 && column < kColumns && row >= 0 && row < kRows;  // GCOVR_EXCL_BR_LINE
}

// Truncates toward zero like a cast, but saturates far from the board (a soft drop in a frame of
// days can carry a gem below INT_MIN, where a plain cast is undefined).
constexpr int truncateCell(double value)
{
    constexpr double kFar = 1.0e9;
    return value <= -kFar ? -1000000000 : value >= kFar ? 1000000000 : static_cast<int>(value);
}
