// Arcade mode in the real game under Xvfb: its display beside an unchanged well, the score it
// shows rising with a clear, and the final score after the game-over message.
#include "app/projection.h"
#include "game/hud_layout.h"
#include "play_field.h"
#include "prediction.h"
#include "running_play.h"
#include "x_session.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
class ArcadeEndToEnd : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(x.ready()) << "Xvfb did not start"; }

    std::unique_ptr<GameWindow> launch()
    {
        GameOptions options;
        options.args = {"--arcade"};
        auto game = std::make_unique<GameWindow>(x, options);
        game->saveFailuresTo(std::string("gemwell-failed-") +
                             testing::UnitTest::GetInstance()->current_test_info()->name() +
                             ".png");
        const bool shown = game->waitUntilShown();
        EXPECT_TRUE(shown) << game->errors();
        return shown ? std::move(game) : nullptr;
    }

    static std::unique_ptr<Game> predictedArcade()
    {
        auto game = predictedGame();
        game->startArcade(nullptr);
        return game;
    }

    XServer x;
};

// The next column where the layout puts it, bottom slot lowest, in the colours that will spawn.
void expectNextColumn(const Screenshot& shot, const Game& predicted)
{
    HudLayout layout;
    layoutHud(*predicted.arcade, predicted.lives + 1, aspectRatio(shot.width, shot.height),
              std::tan(kFieldOfViewDegrees * M_PI / 360.0), layout);
    for (int slot = 0; slot < 3; ++slot)
    {
        const double* centre = layout.next[slot];
        const WindowPoint point =
            projectToWindow(centre[0], centre[1], centre[2], shot.width, shot.height);
        EXPECT_EQ(classifyPixel(
                      shot.medianAround(static_cast<int>(point.x), static_cast<int>(point.y), 2)),
                  predicted.arcade->next[slot])
            << "slot " << slot;
    }
}

// Lit pixels left of the well, where the score, level and wells left are written.
int litLeftOfTheWell(const Screenshot& shot)
{
    int x = 0;
    int y = 0;
    cellCentre(-1.0, 0.0, shot.width, shot.height, x, y);
    int lit = 0;
    for (int row = 0; row < shot.height; ++row)
    {
        for (int column = 0; column < x; ++column)
        {
            const Rgb pixel = shot.at(column, row);
            lit += pixel.r > 100 && pixel.g > 100 && pixel.b > 100 ? 1 : 0;
        }
    }
    return lit;
}
}  // namespace

TEST_F(ArcadeEndToEnd, TheNextColumnAndTheScoreShowBesideTheWellAndTheScoreRisesWithAClear)
{
    const auto predicted = predictedArcade();
    const auto game = launch();
    ASSERT_TRUE(game);
    const Screenshot first = game->screenshot();
    const double seconds = game->secondsSinceLaunch();
    ASSERT_EQ(first.width, 640);

    expectNextColumn(first, *predicted);
    // The well itself reads as in classic mode: the first piece alone, in column 2, fallen
    // at most 2 rows a second, in the colours of classic's first piece.
    const double top = topOfColumn(first, 2) - 0.5;
    EXPECT_LE(top, 14.05);
    EXPECT_GE(top, 14.0 - 2.0 * seconds - 0.1);
    const auto colours = pieceColours(*predicted);
    for (int slot = 0; slot < 3; ++slot)
    {
        EXPECT_EQ(colourAtCell(first, 2, top - 2 + slot), colours[slot]) << "slot " << slot;
    }
    for (int column : {0, 1, 3, 4, 5})
    {
        EXPECT_LT(topOfColumn(first, column), 0.0) << column;
    }
    const int before = litLeftOfTheWell(first);
    EXPECT_GT(before, 200);

    // The README's first seven keys clear a line of three: the score goes from 0 to 30.
    const std::vector<std::string> script = {"z",     "z",     "space", "s",    "z",
                                             "space", "space", "c",     "space"};
    playScript(*predicted, script);
    ASSERT_EQ(predicted->arcade->score, 30);
    std::vector<std::string> played;
    ASSERT_TRUE(playKeys(*game, played, script, 6));
    Screenshot after;
    ASSERT_TRUE(game->waitForPicture(
        "after the clear", "more ink left of the well: 30 where 0 was",
        [before](const Screenshot& shot) { return litLeftOfTheWell(shot) > before + 50; }, after));
    // The next column has moved on with the pieces: the one the rules draw next.
    expectNextColumn(after, *predicted);
    game->keys({"q"});
    EXPECT_EQ(game->waitForExit(10.0), 42);
    EXPECT_EQ(game->output(), "");
}

TEST_F(ArcadeEndToEnd, HoldingSpaceEndsTheGameWithTheFinalScoreOnALineOfItsOwn)
{
    // Held, space drops every piece straight into column 2, as the game left alone would.
    const auto predicted = predictedArcade();
    secondsUntilGameOver(*predicted);
    const std::string score = std::to_string(predicted->arcade->score);
    const auto game = launch();
    ASSERT_TRUE(game);
    game->keyDown("space");
    const int status = game->waitForExit(20.0);
    game->keyUp("space");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(game->output(), "GAME OVER MAN!\n" + score + "\n");
    EXPECT_EQ(game->errors(), "");
    std::printf("predicted final score: %s\n", score.c_str());
}
