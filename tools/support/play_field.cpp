#include "play_field.h"

#include "game/frame_time.h"
#include "game/gem.h"
#include "game/piece.h"
#include "game/random.h"

Game* newSeededGame(unsigned seed)
{
    Game* game = new Game();
    seedRandom(seed);
    game->spawnPiece();
    return game;
}

void putGem(Game& game, int column, int row, int colour)
{
    const float position[3] = {float(column), float(row), 0.0f};
    Gem* gem = new Gem(colour, position, game.fallSpeed);
    gem->target[1] = row;
    const int cell = cellIndex(column, row);
    delete game.gems[cell];
    game.gems[cell] = gem;
    game.colours[cell] = colour;
}

void setBoard(Game& game, const std::vector<std::string>& rows)
{
    const int top = static_cast<int>(rows.size()) - 1;
    for (int line = 0; line <= top; ++line)
    {
        const int row = top - line;
        for (int column = 0; column < kColumns; ++column)
        {
            const char symbol = rows[line].at(column);
            if (symbol != '.')
            {
                putGem(game, column, row, symbol - '0');
            }
        }
    }
}

void stackColumn(Game& game, int column, int count, int colourA, int colourB)
{
    for (int row = 0; row < count; ++row)
    {
        putGem(game, column, row, row % 2 == 0 ? colourA : colourB);
    }
}

void paintPiece(Game& game, std::initializer_list<int> colours)
{
    int slot = 0;
    for (int colour : colours)
    {
        Gem* gem = game.piece->gems[slot++];
        gem->colourIndex = colour;
        const float* rgb = colourOf(colour);
        for (int channel = 0; channel < 3; ++channel)
        {
            gem->colour[channel] = rgb[channel];
        }
    }
}

std::vector<std::string> boardText(const Game& game)
{
    std::vector<std::string> rows;
    for (int row = kRows - 1; row >= 0; --row)
    {
        std::string line;
        for (int column = 0; column < kColumns; ++column)
        {
            const int colour = game.colours[cellIndex(column, row)];
            line += colour == kEmpty ? '.' : char('0' + colour);
        }
        rows.push_back(line);
    }
    return rows;
}

void stepFrames(Game& game, int frames, float seconds)
{
    g_frameSeconds = seconds;
    for (int i = 0; i < frames; ++i)
    {
        game.update();
    }
}

int boardGemCount(const Game& game)
{
    int count = 0;
    for (const Gem* gem : game.gems)
    {
        count += gem != nullptr ? 1 : 0;
    }
    return count;
}

namespace
{
std::string at(int column, int row)
{
    return " at column " + std::to_string(column) + " row " + std::to_string(row);
}

std::string arcadeViolation(const Arcade& arcade, float fallSpeed)
{
    if (arcade.score < 0 || arcade.score > kMaxScore || arcade.cleared < 0 || arcade.chain < 0)
    {
        return "arcade score, cleared count or chain out of range";
    }
    if (arcade.level != levelForCleared(arcade.cleared) ||
        fallSpeed != fallSpeedForLevel(arcade.level))
    {
        return "arcade level or fall speed does not follow the gems cleared";
    }
    for (int32_t colour : arcade.next)
    {
        if (colour < 0 || colour > 4)
        {
            return "next column colour out of range";
        }
    }
    return "";
}
}  // namespace

std::string invariantViolation(const Game& game)
{
    if (game.state < Falling || game.state > GameOver)
    {
        return "state out of range";
    }
    const bool gapsAllowed = game.state == Clearing || game.state == Settling;
    for (int column = 0; column < kColumns; ++column)
    {
        bool gap = false;
        for (int row = 0; row < kRows; ++row)
        {
            const int cell = cellIndex(column, row);
            const Gem* gem = game.gems[cell];
            if (game.marks[cell] != 0 && game.state != Clearing)
            {
                return "mark left outside a found match" + at(column, row);
            }
            if ((gem == nullptr) != (game.colours[cell] == kEmpty))
            {
                return "colour grid and gem grid disagree" + at(column, row);
            }
            if (gem == nullptr)
            {
                gap = true;
                continue;
            }
            if (gem->colourIndex != game.colours[cell])
            {
                return "colour grid holds a different colour from the gem" + at(column, row);
            }
            if (gem->target[0] != column || gem->target[1] != row || gem->target[2] != 0)
            {
                return "board gem's target is not its cell" + at(column, row);
            }
            if (gap && !gapsAllowed)
            {
                return "gap below a gem outside clearing and settling" + at(column, row);
            }
        }
    }
    if (game.piece == nullptr)
    {
        return "no current piece";
    }
    int pieceGems = 0;
    for (const Gem* gem : game.piece->gems)
    {
        pieceGems += gem != nullptr ? 1 : 0;
    }
    if (game.piece->active == 1 && pieceGems != 3)
    {
        return "active piece without three gems";
    }
    if (Gem::liveCount() != boardGemCount(game) + pieceGems)
    {
        return "live gems " + std::to_string(Gem::liveCount()) + " but board and piece hold " +
               std::to_string(boardGemCount(game) + pieceGems);
    }
    if (game.lives < 0 || game.lives > kStartLives || (game.settling != 0 && game.settling != 1))
    {
        return "lives or settling flag out of range";
    }
    return game.arcade != nullptr ? arcadeViolation(*game.arcade, game.fallSpeed) : "";
}
