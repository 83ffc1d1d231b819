// Settling: after a clear, the gems above each gap are given lower cells and fall into them.
#include "game/game.h"
#include "game/gem.h"

void Game::stepSettlingState()
{
    if (settling == 0)
    {
        // The first frame only reassigns cells; the gems start moving in the next one.
        settling = 1;
        compactColumns();
        return;
    }
    if (!stepSettling())
    {
        settling = 0;
        findMatches();
    }
}

void Game::compactColumns()
{
    for (int column = 0; column < kColumns; ++column)
    {
        int freeRow = 0;
        for (int row = 0; row < kRows; ++row)
        {
            Gem* gem = gems[cellIndex(column, row)];
            if (gem == nullptr)
            {
                continue;
            }
            if (gem->target[1] != freeRow)
            {
                gem->target[1] = freeRow;
                gem->speed[1] = kSettleSpeed;
                colours[cellIndex(column, freeRow)] = gem->colourIndex;
                gems[cellIndex(column, freeRow)] = gem;
                colours[cellIndex(column, row)] = kEmpty;
                gems[cellIndex(column, row)] = nullptr;
            }
            ++freeRow;
        }
    }
}

bool Game::stepSettling()
{
    bool any = false;
    for (int cell = 0; cell < kCells; ++cell)
    {
        if (colours[cell] == kEmpty)
        {
            continue;
        }
        Gem* gem = gems[cell];
        bool away = false;
        for (int axis = 0; axis < 3; ++axis)
        {
            away = away || gem->position[axis] != static_cast<float>(gem->target[axis]);
        }
        gem->approachTarget();
        any = any || away;
    }
    return any;
}
