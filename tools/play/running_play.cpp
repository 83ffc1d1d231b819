#include "running_play.h"

#include "game/gem.h"
#include "game/piece.h"
#include "play_field.h"
#include "prediction.h"
#include "screenshot.h"

namespace
{
// The lowest `rows` rows of a well, top first; none of a well with fewer.
std::vector<std::string> lowestRows(const std::vector<std::string>& well, int rows)
{
    return well.size() < static_cast<size_t>(rows)
               ? std::vector<std::string>()
               : std::vector<std::string>(well.end() - rows, well.end());
}

std::string describeWell(const Screenshot& seen)
{
    return "this well:" + wellLines(wellText(seen));
}
}  // namespace

std::string wellLines(const std::vector<std::string>& rows)
{
    std::string text;
    for (const std::string& row : rows)
    {
        text += "\n  " + row;
    }
    return text;
}

bool playKeys(GameWindow& game, std::vector<std::string>& played,
              const std::vector<std::string>& script, int rows)
{
    for (const std::string& key : script)
    {
        played.push_back(key);
        const std::string step = "key " + std::to_string(played.size()) + " (" + key + ")";
        if (!game.pressKeys({key}, step))
        {
            return false;
        }
        const auto predicted = predictedGame();
        playScript(*predicted, played);
        Screenshot shot;
        // After a drop, the next piece too: a key sent before it is in play would be lost.
        if ((key == "space" && !waitForWell(game, *predicted, rows, step, shot)) ||
            !waitForPiece(game, *predicted, step))
        {
            return false;
        }
    }
    return true;
}

bool waitForWell(GameWindow& game, const Game& predicted, int rows, const std::string& step,
                 Screenshot& shot)
{
    const auto want = lowestRows(boardText(predicted), rows);
    return game.waitForPicture(
        step, "these lowest rows of the well:" + wellLines(want),
        [&](const Screenshot& seen) { return lowestRows(wellText(seen), rows) == want; }, shot,
        describeWell);
}

bool waitForPiece(GameWindow& game, const Game& predicted, const std::string& step)
{
    const int column = predicted.piece->gems[0]->target[0];
    const std::vector<int> colours = pieceColours(predicted);
    const auto shown = [&](const Screenshot& seen)
    {
        const double top = topOfColumn(seen, column) - 0.5;  // a gem's radius: half a cell
        if (top < 2.0)
        {
            return false;
        }
        for (int slot = 0; slot < 3; ++slot)
        {
            const double row = top - 2 + slot;
            if (colourAtCell(seen, column, row) != colours[slot] ||
                (column > 0 && colourAtCell(seen, column - 1, row) != kBlack) ||
                (column + 1 < kColumns && colourAtCell(seen, column + 1, row) != kBlack))
            {
                return false;
            }
        }
        return true;
    };
    Screenshot shot;
    return game.waitForPicture(step,
                               "the piece " + std::to_string(colours[0]) +
                                   std::to_string(colours[1]) + std::to_string(colours[2]) +
                                   " (bottom first) in column " + std::to_string(column),
                               shown, shot, describeWell);
}
