// The match pass: finds every straight line of three or more equal colours.
#include "game/game.h"

namespace
{
// Up, right and down, right, right and up: every line is seen from its lowest or leftmost end,
// so these four cover all eight directions.
constexpr int kDirections[4][2] = {{0, 1}, {1, -1}, {1, 0}, {1, 1}};
}  // namespace

void Game::findMatches()
{
    const auto holds = [this](int column, int row, int32_t colour)
    { return onBoard(column, row) && colours[cellIndex(column, row)] == colour; };

    bool found = false;
    for (int column = 0; column < kColumns; ++column)
    {
        for (int row = 0; row < kRows; ++row)
        {
            const int32_t colour = colours[cellIndex(column, row)];
            if (colour == kEmpty)
            {
                continue;
            }
            for (const auto& direction : kDirections)
            {
                const int dx = direction[0];
                const int dy = direction[1];
                if (holds(column + dx, row + dy, colour) &&
                    holds(column + 2 * dx, row + 2 * dy, colour))
                {
                    marks[cellIndex(column, row)] = 1;
                    marks[cellIndex(column + dx, row + dy)] = 1;
                    marks[cellIndex(column + 2 * dx, row + 2 * dy)] = 1;
                    found = true;
                }
            }
        }
    }

    if (found)
    {
        if (arcade != nullptr)
        {
            scorePass();
        }
        state = Clearing;
    }
    else
    {
        if (arcade != nullptr)
        {
            arcade->chain = 0;
        }
        spawnPiece();
        state = Falling;
    }
}
