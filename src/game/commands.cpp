// The player's commands: they act on the current piece at once, between frames.
#include "game/game.h"
#include "game/gem.h"
#include "game/piece.h"

void Game::moveLeft()
{
    moveSideways(-1);
}

void Game::moveRight()
{
    moveSideways(+1);
}

void Game::moveSideways(int columns)
{
    if (piece->active == 0)
    {
        return;
    }
    const Gem* bottom = piece->gems[0];
    const int column = bottom->target[0] + columns;
    const int row = truncateCell(bottom->position[1]);
    if (column < 0 || column >= kColumns)
    {
        return;
    }
    // In a gap-free column an empty cell beside the bottom gem means the cells above are empty
    // too. Above the well nothing can block; a gem pushed below the floor by a soft drop is
    // tested against the floor row, where it will come to rest.
    if (row < kRows && colours[cellIndex(column, row < 0 ? 0 : row)] != kEmpty)
    {
        return;
    }
    piece->shift(columns);
}

void Game::cycleColours()
{
    if (piece->active != 0)
    {
        piece->cycle();
    }
}

void Game::softDrop()
{
    if (piece->active != 0)
    {
        piece->fall();
    }
}

void Game::hardDrop()
{
    if (piece->active != 0)
    {
        piece->dropTo(columnHeight(piece->gems[0]->target[0]));
    }
}
