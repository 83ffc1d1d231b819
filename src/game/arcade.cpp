// Arcade mode's rules: scoring a match pass, the level curve, and the next column drawn from the
// same random stream, in the same order, as classic mode's pieces.
#include "game/arcade.h"

#include "game/game.h"
#include "game/random.h"

namespace
{
// The same four directions as the match pass: each line is seen once, from its first cell.
constexpr int kLineDirections[4][2] = {{0, 1}, {1, -1}, {1, 0}, {1, 1}};

WatchArcade g_watch = nullptr;

int32_t saturatedSum(int32_t a, int64_t b)
{
    const int64_t sum = static_cast<int64_t>(a) + b;
    return sum > kMaxScore ? kMaxScore : static_cast<int32_t>(sum);
}
}  // namespace

int32_t passPoints(int32_t gems, int32_t beyondThree, int32_t link)
{
    const int64_t points = static_cast<int64_t>(gems) * kPointsPerGem +
                           static_cast<int64_t>(beyondThree) * kPointsPerLongerGem;
    const int64_t total = points * link;
    return total > kMaxScore ? kMaxScore : static_cast<int32_t>(total);
}

int32_t levelForCleared(int32_t cleared)
{
    const int32_t level = 1 + cleared / kGemsPerLevel;
    return level < kTopLevel ? level : kTopLevel;
}

float fallSpeedForLevel(int32_t level)
{
    // In double, rounded once to float as it is stored: float arithmetic of two steps rounds
    // twice on most processors but once on an x87 unit, whatever its precision.
    const double speed = static_cast<double>(kFallSpeed) +
                         static_cast<double>(kLevelSpeedStep) * static_cast<double>(level - 1);
    return static_cast<float>(speed);
}

void watchArcade(WatchArcade watch)
{
    g_watch = watch;
}

void Game::startArcade(KeepScore keep)
{
    delete arcade;
    arcade = new Arcade();
    arcade->keep = keep;
    arcade->watch = g_watch;
    // The current piece has drawn its colours; the next three draws are the following piece's,
    // just as they would be in classic mode.
    drawNextColumn();
}

void Game::drawNextColumn()
{
    for (int32_t& colour : arcade->next)
    {
        colour = randomColour();
    }
}

void Game::scorePass()
{
    const auto holds = [this](int column, int row, int32_t colour)
    { return onBoard(column, row) && colours[cellIndex(column, row)] == colour; };

    int32_t gems = 0;
    int32_t beyondThree = 0;
    for (int column = 0; column < kColumns; ++column)
    {
        for (int row = 0; row < kRows; ++row)
        {
            const int32_t colour = colours[cellIndex(column, row)];
            gems += marks[cellIndex(column, row)];
            if (colour == kEmpty)
            {
                continue;
            }
            for (const auto& direction : kLineDirections)
            {
                const int dx = direction[0];
                const int dy = direction[1];
                if (holds(column - dx, row - dy, colour))
                {
                    continue;  // not the first cell of its run
                }
                int length = 1;
                while (holds(column + length * dx, row + length * dy, colour))
                {
                    ++length;
                }
                beyondThree += length > 3 ? length - 3 : 0;
            }
        }
    }
    ++arcade->chain;
    arcade->score = saturatedSum(arcade->score, passPoints(gems, beyondThree, arcade->chain));
    arcade->cleared += gems;
    const int32_t before = arcade->level;
    arcade->level = levelForCleared(arcade->cleared);
    fallSpeed = fallSpeedForLevel(arcade->level);
    if (arcade->level != before)
    {
        tellArcade(ArcadeNews::NewLevel);
    }
}

void Game::tellArcade(ArcadeNews news) const
{
    if (arcade != nullptr && arcade->watch != nullptr)
    {
        arcade->watch(news, arcade->score, arcade->level, lives + 1);
    }
}
