#include "game/piece.h"
#include "play_field.h"

#include <gtest/gtest.h>
#include <memory>

namespace
{
// Builds the board, runs one match pass and returns the marks in the board's text format
// ('x' marked, '.' not), top row first, only as many rows as were given.
std::vector<std::string> marksAfterPass(Game& game, const std::vector<std::string>& rows)
{
    setBoard(game, rows);
    game.findMatches();
    std::vector<std::string> marks;
    const int top = static_cast<int>(rows.size()) - 1;
    for (int row = top; row >= 0; --row)
    {
        std::string line;
        for (int column = 0; column < kColumns; ++column)
        {
            line += game.marks[cellIndex(column, row)] == 1 ? 'x' : '.';
        }
        marks.push_back(line);
    }
    return marks;
}

struct MatchCase
{
    const char* name;
    std::vector<std::string> board;
    std::vector<std::string> marks;
    int lift = 0;  // empty rows below the picture, to put it against the top of the well
};

const MatchCase kCases[] = {
    {"vertical three", {"1.....", "1.....", "1....."}, {"x.....", "x.....", "x....."}},
    {"vertical two", {"2.....", "1.....", "1....."}, {"......", "......", "......"}},
    {"horizontal three", {"......", "......", "...444"}, {"......", "......", "...xxx"}},
    {"rising diagonal", {"....3.", "...31.", "..312."}, {"....x.", "...x..", "..x..."}},
    {"falling diagonal", {"2.....", "02....", "012..."}, {"x.....", ".x....", "..x..."}},
    {"horizontal five", {"22222."}, {"xxxxx."}},
    {"vertical four",
     {"3.....", "3.....", "3.....", "3....."},
     {"x.....", "x.....", "x.....", "x....."}},
    {"L of five", {"0.....", "0.....", "000..."}, {"x.....", "x.....", "xxx..."}},
    {"crossing lines", {".1.2..", "1112..", ".1.2.."}, {".x.x..", "xxxx..", ".x.x.."}},
    {"mixed colours", {"012340", "340123", "123401"}, {"......", "......", "......"}},
    {"no wrap from column 5 to 0", {"3...33"}, {"......"}},
    {"vertical in the last column", {".....4", ".....4", ".....4"}, {".....x", ".....x", ".....x"}},
    {"horizontal along the top row", {"111..."}, {"xxx..."}, 13},
    {"falling diagonal from the top row",
     {"2.....", ".2....", "..2..."},
     {"x.....", ".x....", "..x..."},
     11},
};
}  // namespace

TEST(MatchFinding, MarksEveryLineOfThreeAndNothingElseAndClearingRemovesJustThose)
{
    for (const MatchCase& c : kCases)
    {
        SCOPED_TRACE(c.name);
        std::vector<std::string> board = c.board;
        std::vector<std::string> marks = c.marks;
        board.insert(board.end(), c.lift, "......");
        marks.insert(marks.end(), c.lift, "......");
        const std::unique_ptr<Game> game(newSeededGame());
        EXPECT_EQ(marksAfterPass(*game, board), marks);
        const bool anyMark = marks != std::vector<std::string>(marks.size(), "......");
        EXPECT_EQ(game->state, anyMark ? Clearing : Falling);
        if (!anyMark)
        {
            continue;
        }
        // The next step empties the marked cells, and only those.
        std::vector<std::string> cleared = boardText(*game);
        for (size_t line = 0; line < marks.size(); ++line)
        {
            std::string& row = cleared[kRows - marks.size() + line];
            for (int column = 0; column < kColumns; ++column)
            {
                row[column] = marks[line][column] == 'x' ? '.' : row[column];
            }
        }
        stepFrames(*game, 1, 0.016f);
        EXPECT_EQ(boardText(*game), cleared);
        EXPECT_EQ(game->state, Settling);
    }
}

TEST(MatchFinding, NoLineWrapsFromTheTopOfOneColumnToTheBottomOfTheNext)
{
    const std::unique_ptr<Game> game(newSeededGame());
    // Rows 12 and 13 of column 0 are adjacent in the grid to row 0 of column 1.
    stackColumn(*game, 0, 12, 2, 3);
    putGem(*game, 0, 12, 1);
    putGem(*game, 0, 13, 1);
    putGem(*game, 1, 0, 1);
    game->findMatches();
    EXPECT_EQ(game->state, Falling);
    for (int cell = 0; cell < kCells; ++cell)
    {
        EXPECT_EQ(game->marks[cell], 0) << cell;
    }
}

TEST(MatchFinding, APassThatFindsNothingSpawnsTheNextPieceAtOnce)
{
    const std::unique_ptr<Game> game(newSeededGame());
    const Piece* before = game->piece;
    setBoard(*game, {"12...."});
    game->findMatches();
    EXPECT_NE(game->piece, before);
    EXPECT_EQ(game->piece->active, 1);
    EXPECT_EQ(game->state, Falling);

    // A pass that finds a line leaves the piece alone until the board is still.
    const Piece* current = game->piece;
    setBoard(*game, {"111..."});
    game->findMatches();
    EXPECT_EQ(game->piece, current);
    EXPECT_EQ(game->state, Clearing);
}
