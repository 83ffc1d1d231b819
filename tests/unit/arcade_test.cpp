// Arcade mode's rules on the real Game: the score of chosen boards, the next column drawn from
// the classic stream, the level curve and its cap, and the end of the game.
#include "game/arcade.h"
#include "game/gem.h"
#include "game/piece.h"
#include "play_field.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace
{
std::unique_ptr<Game> arcadeGame(unsigned seed = kTestSeed)
{
    std::unique_ptr<Game> game(newSeededGame(seed));
    game->startArcade(nullptr);
    return game;
}

// Lets the match passes, clears and settling run until the next piece falls.
void settle(Game& game)
{
    for (int frame = 0; frame < 1000 && game.state != Falling; ++frame)
    {
        stepFrames(game, 1, 0.05f);
        ASSERT_EQ(invariantViolation(game), "") << "frame " << frame;
    }
    ASSERT_EQ(game.state, Falling);
}

int gemsOn(const std::vector<std::string>& board)
{
    int gems = 0;
    for (const std::string& row : board)
    {
        for (char cell : row)
        {
            gems += cell != '.' ? 1 : 0;
        }
    }
    return gems;
}

std::vector<int32_t> pieceColours(const Game& game)
{
    return {game.piece->gems[0]->colourIndex, game.piece->gems[1]->colourIndex,
            game.piece->gems[2]->colourIndex};
}

struct ScoreCase
{
    const char* name;
    std::vector<std::string> board;
    int32_t score;    // after every pass the board sets off
    int32_t cleared;  // gems
};

// 10 a gem, 20 more for each gem of a line past its third, times the link of the chain.
const ScoreCase kScoreCases[] = {
    {"vertical three", {"1.....", "1.....", "1....."}, 30, 3},
    {"horizontal four", {"4444.."}, 40 + 20, 4},
    {"horizontal five", {"22222."}, 50 + 40, 5},
    {"lines of four crossing share a gem", {"..3...", "..3...", "..3...", "3333.."}, 70 + 40, 7},
    {"L of five: two lines of three", {"0.....", "0.....", "000..."}, 50, 5},
    {"two separate lines in one pass", {"1....2", "1....2", "1....2"}, 60, 6},
    {"chain of two", {"1.....", "2.....", "2.....", "211..."}, 30 + 2 * 30, 6},
    // 2s, then the 1s they leave in a line, then the 3s those leave: a vertical four.
    {"chain of three, the last link a line of four",
     {"3", "3", "1", "1", "2", "2", "2", "1", "3", "3"},
     30 + 2 * 30 + 3 * (40 + 20),
     10},
};
}  // namespace

TEST(ArcadeScore, ChosenBoardsScoreExactlyAndTheChainStartsAgainAtTheNextLanding)
{
    for (const ScoreCase& c : kScoreCases)
    {
        SCOPED_TRACE(c.name);
        const auto game = arcadeGame();
        std::vector<std::string> rows;
        for (const std::string& row : c.board)
        {
            rows.push_back(row + std::string(kColumns - row.size(), '.'));
        }
        setBoard(*game, rows);
        game->findMatches();
        settle(*game);
        EXPECT_EQ(game->arcade->score, c.score);
        EXPECT_EQ(game->arcade->cleared, c.cleared);
        EXPECT_EQ(game->arcade->chain, 0);
        EXPECT_EQ(boardGemCount(*game), gemsOn(c.board) - c.cleared);
        // A fresh line after the chain is the first link of a new one.
        setBoard(*game, {"4.....", "4.....", "4....."});
        game->findMatches();
        EXPECT_EQ(game->arcade->score, c.score + 30);
    }
    // Classic mode keeps no record and its speed never changes.
    const std::unique_ptr<Game> classic(newSeededGame());
    setBoard(*classic, {"1.....", "1.....", "1....."});
    classic->findMatches();
    settle(*classic);
    EXPECT_EQ(classic->arcade, nullptr);
    EXPECT_EQ(classic->fallSpeed, kFallSpeed);
}

TEST(ArcadeScore, PassPointsSaturateAtTheLargestScoreShown)
{
    EXPECT_EQ(passPoints(3, 0, 1), 30);
    EXPECT_EQ(passPoints(84, 80, 4098), 9999120);
    EXPECT_EQ(passPoints(84, 80, 4099), kMaxScore);
    const auto game = arcadeGame();
    game->arcade->score = kMaxScore - 10;
    setBoard(*game, {"1.....", "1.....", "1....."});
    game->findMatches();
    EXPECT_EQ(game->arcade->score, kMaxScore);
}

namespace
{
// Plays `pieces` pieces through the real cycle, each hard-dropped into the next column in turn,
// and returns every piece's colours; in arcade mode also the next column shown at each spawn.
void playPieces(Game& game, int pieces, std::vector<std::vector<int32_t>>& spawned,
                std::vector<std::vector<int32_t>>& shown)
{
    for (int piece = 0; piece < pieces && game.state != GameOver; ++piece)
    {
        spawned.push_back(pieceColours(game));
        if (game.arcade != nullptr)
        {
            shown.emplace_back(game.arcade->next, game.arcade->next + 3);
        }
        for (int step = 0; step < piece % kColumns; ++step)
        {
            game.moveRight();
        }
        game.hardDrop();
        const Piece* dropped = game.piece;
        for (int frame = 0; frame < 2000 && game.piece == dropped && game.state != GameOver;
             ++frame)
        {
            stepFrames(game, 1, 0.02f);
        }
    }
}
}  // namespace

TEST(ArcadeNextColumn, SeededAlikeBothModesSpawnTheSameColumnsAndTheNextIsWhatComes)
{
    for (unsigned seed : {1u, 7u, 20261210u})
    {
        SCOPED_TRACE(seed);
        // One game after the other: the generator is the process's own.
        std::vector<std::vector<int32_t>> classic;
        std::vector<std::vector<int32_t>> arcade;
        std::vector<std::vector<int32_t>> shown;
        std::vector<std::vector<int32_t>> none;
        playPieces(*std::unique_ptr<Game>(newSeededGame(seed)), 60, classic, none);
        const auto game = arcadeGame(seed);
        playPieces(*game, 60, arcade, shown);
        EXPECT_GE(arcade.size(), 30u);
        EXPECT_GT(game->arcade->cleared, 0);  // the columns keep coming through clears
        EXPECT_EQ(arcade, classic);
        ASSERT_EQ(shown.size(), arcade.size());
        for (size_t piece = 0; piece + 1 < arcade.size(); ++piece)
        {
            EXPECT_EQ(shown[piece], arcade[piece + 1]) << "piece " << piece;
        }
    }
}

TEST(ArcadeLevels, TheCurveRisesEveryTwentyFiveGemsToTheTopLevel)
{
    EXPECT_EQ(levelForCleared(0), 1);
    EXPECT_EQ(levelForCleared(kGemsPerLevel - 1), 1);
    EXPECT_EQ(levelForCleared(kGemsPerLevel), 2);
    EXPECT_EQ(levelForCleared(kGemsPerLevel * (kTopLevel - 1) - 1), kTopLevel - 1);
    EXPECT_EQ(levelForCleared(kGemsPerLevel * (kTopLevel - 1)), kTopLevel);
    EXPECT_EQ(levelForCleared(1000000), kTopLevel);
    // Level 1 is classic's speed; every level after is faster, the top one 9.2 rows a second.
    EXPECT_EQ(fallSpeedForLevel(1), kFallSpeed);
    // 2 + 9 * 0.8f in double, rounded once: the float below 9.2, not the one above it.
    EXPECT_EQ(fallSpeedForLevel(kTopLevel), 9.19999981f);
    for (int level = 2; level <= kTopLevel; ++level)
    {
        EXPECT_GT(fallSpeedForLevel(level), fallSpeedForLevel(level - 1)) << level;
    }

    // In play: the clear that reaches 25 gems makes the next piece fall at level 2's speed.
    const auto game = arcadeGame();
    game->arcade->cleared = kGemsPerLevel - 3;
    setBoard(*game, {"2.....", "2.....", "2....."});
    const Piece* before = game->piece;
    game->findMatches();
    EXPECT_EQ(game->arcade->level, 2);
    settle(*game);
    ASSERT_NE(game->piece, before);
    EXPECT_EQ(game->piece->gems[0]->speed[1], fallSpeedForLevel(2));
}

TEST(ArcadeLevels, AtTheTopLevelAPieceTakesAtLeastASecondFromItsSpawnToAnEmptyFloor)
{
    for (float frame : {1.0f / 60.0f, 0.016f, 0.1f, 0.25f, 0.5f, 0.999f})
    {
        SCOPED_TRACE(frame);
        const auto game = arcadeGame();
        // The last clear before the top level, through the real pass, leaves an empty well.
        game->arcade->cleared = kGemsPerLevel * (kTopLevel - 1) - 3;
        setBoard(*game, {"3.....", "3.....", "3....."});
        game->findMatches();
        settle(*game);
        ASSERT_EQ(game->arcade->level, kTopLevel);
        ASSERT_EQ(boardGemCount(*game), 0);
        const Piece* piece = game->piece;
        ASSERT_EQ(piece->gems[0]->position[1], 12.0f);
        ASSERT_EQ(piece->gems[0]->speed[1], fallSpeedForLevel(kTopLevel));
        double seconds = 0.0;
        // Landing with no line spawns the next piece and releases this one, so only its address
        // is compared from here on.
        while (game->piece == piece && seconds < 10.0)
        {
            stepFrames(*game, 1, frame);
            seconds += frame;
        }
        // It lands, on the floor, no sooner than a second after it spawned, and not much later
        // than 11.9 rows at 9.2 rows a second and a frame.
        EXPECT_NE(game->piece, piece);
        EXPECT_EQ(game->columnHeight(kSpawnColumn), 3);
        EXPECT_GE(seconds, 1.0);
        EXPECT_LE(seconds, 11.9 / 9.2 + 2.0 * frame);
    }
}

namespace
{
void keepForTest(int32_t score, int32_t level)
{
    std::fprintf(stderr, "kept %d at level %d\n", static_cast<int>(score), static_cast<int>(level));
}

// The game's last step, its standard output sent to the standard error the pattern reads.
void gameOverStep(Game& game)
{
    std::fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    game.update();
}

std::unique_ptr<Game> atGameOver(KeepScore keep)
{
    std::unique_ptr<Game> game(newSeededGame());
    game->startArcade(keep);
    game->arcade->score = 1230;
    game->arcade->level = 4;
    game->lives = 0;
    stackColumn(*game, 2, 12);
    stepFrames(*game, 1, 0.016f);
    return game;
}
}  // namespace

TEST(ArcadeGameOverDeathTest, TheScoreFollowsTheMessageOnItsOwnLineAndIsHandedOnBeforeExitZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto kept = atGameOver(keepForTest);
    ASSERT_EQ(kept->state, GameOver);
    EXPECT_EXIT(gameOverStep(*kept), testing::ExitedWithCode(0),
                "^GAME OVER MAN!\n1230\nkept 1230 at level 4\n$");
    const auto unkept = atGameOver(nullptr);
    EXPECT_EXIT(gameOverStep(*unkept), testing::ExitedWithCode(0), "^GAME OVER MAN!\n1230\n$");
}

namespace
{
struct Told
{
    ArcadeNews news;
    int32_t score;
    int32_t level;
    int32_t wellsLeft;
};
std::vector<Told> g_told;

void tellForTest(ArcadeNews news, int32_t score, int32_t level, int32_t wellsLeft)
{
    g_told.push_back({news, score, level, wellsLeft});
}
}  // namespace

// What the page's status line says comes from here: a new level and a lost well, each once,
// never an ordinary clear, and nothing to a game started before anyone watched.
TEST(ArcadeNews, ANewLevelAndALostWellAreToldOnceAndAnOrdinaryClearIsNot)
{
    g_told.clear();
    watchArcade(tellForTest);
    const auto game = arcadeGame();
    watchArcade(nullptr);

    setBoard(*game, {"1.....", "1.....", "1....."});
    game->findMatches();
    settle(*game);
    EXPECT_TRUE(g_told.empty());

    game->arcade->cleared = kGemsPerLevel - 3;
    setBoard(*game, {"2.....", "2.....", "2....."});
    game->findMatches();
    settle(*game);
    ASSERT_EQ(g_told.size(), 1u);
    EXPECT_EQ(g_told[0].news, ArcadeNews::NewLevel);
    EXPECT_EQ(g_told[0].score, 60);
    EXPECT_EQ(g_told[0].level, 2);
    EXPECT_EQ(g_told[0].wellsLeft, kStartLives + 1);

    stackColumn(*game, kSpawnColumn, 12);
    stepFrames(*game, 1, 0.016f);
    ASSERT_EQ(game->state, Restarting);
    ASSERT_EQ(g_told.size(), 2u);
    EXPECT_EQ(g_told[1].news, ArcadeNews::WellLost);
    EXPECT_EQ(g_told[1].score, 60);
    EXPECT_EQ(g_told[1].level, 2);
    EXPECT_EQ(g_told[1].wellsLeft, kStartLives);

    g_told.clear();
    const auto unwatched = arcadeGame();
    setBoard(*unwatched, {"2.....", "2.....", "2....."});
    unwatched->arcade->cleared = kGemsPerLevel - 3;
    unwatched->findMatches();
    EXPECT_EQ(unwatched->arcade->level, 2);
    EXPECT_TRUE(g_told.empty());
}
