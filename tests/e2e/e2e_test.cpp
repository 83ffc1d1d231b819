// The real game in a real X server: real key events in, real screenshots and exit statuses out.
#include "app/clock.h"
#include "game/gem.h"
#include "game/piece.h"
#include "play_field.h"
#include "prediction.h"
#include "process.h"
#include "running_play.h"
#include "stepped_play.h"
#include "wait.h"
#include "x_session.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
constexpr const char* kGameOverOutput = "GAME OVER MAN!\n";

class EndToEnd : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(x.ready()) << "Xvfb did not start"; }

    // Starts the game and waits for its first picture. A wait that fails saves the screen in
    // the working directory (the build tree), named after the test.
    std::unique_ptr<GameWindow> launch(const GameOptions& options = GameOptions())
    {
        auto game = std::make_unique<GameWindow>(x, options);
        game->saveFailuresTo(std::string("gemwell-failed-") +
                             testing::UnitTest::GetInstance()->current_test_info()->name() +
                             ".png");
        const bool shown = game->waitUntilShown();
        EXPECT_TRUE(shown) << game->errors();
        return shown ? std::move(game) : nullptr;
    }

    // Compares the lowest `rows` rows of the well on screen with the predicted board.
    static void expectWellShows(const Screenshot& shot, const Game& predicted, int rows)
    {
        const auto want = boardText(predicted);
        const auto seen = wellText(shot);
        ASSERT_EQ(seen.size(), want.size()) << "no screenshot: the game's window is gone";
        for (int line = kRows - rows; line < kRows; ++line)
        {
            EXPECT_EQ(seen[line], want[line]) << "row " << kRows - 1 - line;
        }
        if (testing::Test::HasFailure())
        {
            // In the working directory (the build tree), not the shared /tmp, where a link
            // planted under this fixed name would be written through.
            writePng(shot, "gemwell-failed-screenshot.png");
        }
    }

    XServer x;
};

// The keys as the stepped clock plays them (tools/play/stepped_play.h): the game's clock stands
// still while each key is taken and drawn, then moves one step after every key but a soft drop,
// for a slide, a cycle or a clearing to finish. However long a busy machine takes over a key,
// the piece cannot fall meanwhile, so the key never lands in the next one.
std::vector<Step> keySteps(const std::vector<std::string>& keys)
{
    std::vector<Step> steps;
    for (const std::string& key : keys)
    {
        steps.push_back({Step::Key, key});
        if (key != "x" && key != "Down")
        {
            steps.push_back({Step::Advance, "", kStepMillis});
        }
    }
    return steps;
}
}  // namespace

TEST_F(EndToEnd, WindowIsBlack640x480WithTheFirstPieceFallingInColumnTwo)
{
    const auto game = launch();
    ASSERT_TRUE(game);
    const Screenshot shot = game->screenshot();
    const double seconds = game->secondsSinceLaunch();
    ASSERT_EQ(shot.width, 640);
    ASSERT_EQ(shot.height, 480);
    for (const auto& corner : {std::pair{0, 0}, {639, 0}, {0, 479}, {639, 479}, {100, 240}})
    {
        EXPECT_EQ(classifyPixel(shot.at(corner.first, corner.second)), kBlack);
    }
    // Only column 2 shows anything, and the piece in it has fallen at most 2 rows a second.
    for (int column : {0, 1, 3, 4, 5})
    {
        EXPECT_LT(topOfColumn(shot, column), 0.0) << column;
    }
    const double top = topOfColumn(shot, 2) - 0.5;  // a gem's radius is half a cell
    EXPECT_LE(top, 14.05);
    EXPECT_GE(top, 14.0 - 2.0 * seconds - 0.1);
    const auto predicted = pieceColours(*predictedGame());
    for (int slot = 0; slot < 3; ++slot)
    {
        EXPECT_EQ(colourAtCell(shot, 2, top - 2 + slot), predicted[slot]) << "slot " << slot;
    }
}

TEST_F(EndToEnd, LandedPiecesStackInColumnTwoInThePredictedColours)
{
    // Left alone, the first piece lands after 6 s and the second falls until 10.5 s.
    const auto predicted = predictedGame();
    stepFrames(*predicted, 1800, 0.005f);  // 9 s of game time
    const auto game = launch();
    ASSERT_TRUE(game);
    Screenshot shot;
    ASSERT_TRUE(waitForWell(*game, *predicted, 3, "the first piece's landing", shot));
    expectWellShows(shot, *predicted, 3);
    EXPECT_EQ(predicted->columnHeight(2), 3);
}

TEST_F(EndToEnd, WithNoInputThreeOverflowsEndTheGame)
{
    const auto predicted = predictedGame();
    const double gameSeconds = secondsUntilGameOver(*predicted);
    const auto game = launch();
    ASSERT_TRUE(game);
    const int status = game->waitForExit(gameSeconds + 30.0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(game->output(), kGameOverOutput);
    EXPECT_GE(game->secondsSinceLaunch(), gameSeconds - 1.0);
}

TEST_F(EndToEnd, QQuitsAtOnceWithStatus42ButShiftQDoesNot)
{
    const auto game = launch();
    ASSERT_TRUE(game);
    const uint64_t before = game->counts().characters;
    game->keys({"shift+q", "Q"});
    const auto taken = [&game, before]
    {
        const GameCounts now = game->counts();
        return now.characters >= before + 2 && now.swaps > now.swapsAtKey;
    };
    ASSERT_TRUE(waitFor("shift+q and Q: the game to take both and draw a frame after them", taken,
                        [&game] { return game->failureState(); }));
    EXPECT_TRUE(game->running());
    game->keys({"q"});
    EXPECT_EQ(game->waitForExit(10.0), 42);
    EXPECT_EQ(game->output(), "");
}

TEST_F(EndToEnd, MovesCyclesAndHardDropsBuildThePredictedBoard)
{
    const std::vector<std::string> script = {
        "z",    "z",     "space",           // 2 2 4 into column 0
        "s",    "space",                    // 3 1 3 cycled to 1 3 3, column 2
        "c",    "c",     "Right", "space",  // 1 2 3 into column 5
        "Left", "Up",    "space",           // 1 2 1 cycled to 2 1 1, column 1
        "x",    "Down",  "Down",  "x",      // soft drops only lower the next piece
    };
    const auto predicted = predictedGame();
    playScript(*predicted, script);
    ASSERT_EQ(boardGemCount(*predicted), 12);

    std::vector<Step> steps = keySteps(script);
    steps.push_back({Step::Shot, "moves-cycles-drops"});
    SteppedGame game(x, {}, {});
    // Shots and a failure's screen go to the working directory, the build tree.
    ASSERT_TRUE(game.play(steps, "."));
    expectWellShows(game.shot("moves-cycles-drops"), *predicted, 6);
}

TEST_F(EndToEnd, HoldingSpaceEndsTheGameQuickly)
{
    const auto game = launch();
    ASSERT_TRUE(game);
    const double start = game->secondsSinceLaunch();
    game->keyDown("space");
    const int status = game->waitForExit(20.0);
    game->keyUp("space");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(game->output(), kGameOverOutput);
    EXPECT_LT(game->secondsSinceLaunch() - start, 10.0);
}

TEST_F(EndToEnd, ALineVanishesAndTheGemsAboveFallIntoTheGap)
{
    const std::vector<std::string> before = {
        "z",     "z", "space",  // 2 2 4 into column 0
        "s",     "z", "space",  // 3 1 3 cycled to 1 3 3, column 1
        "space",                // 1 2 3 in column 2: row 0 now reads 2 1 1
    };
    const std::vector<std::string> clearing = {"c", "space"};  // 1 2 1 in column 3: 1 1 1
    const auto predicted = predictedGame();
    playScript(*predicted, before);
    ASSERT_EQ(boardGemCount(*predicted), 9);

    std::vector<Step> steps = keySteps(before);
    steps.push_back({Step::Shot, "line-before"});
    const std::vector<Step> clearingSteps = keySteps(clearing);
    steps.insert(steps.end(), clearingSteps.begin(), clearingSteps.end());
    steps.push_back({Step::Shot, "line-cleared"});
    SteppedGame game(x, {}, {});
    ASSERT_TRUE(game.play(steps, "."));
    expectWellShows(game.shot("line-before"), *predicted, 6);

    playScript(*predicted, clearing);
    ASSERT_EQ(boardGemCount(*predicted), 9);  // three in, three out
    ASSERT_EQ(predicted->colours[cellIndex(1, 0)], 3);
    expectWellShows(game.shot("line-cleared"), *predicted, 6);
}

TEST_F(EndToEnd, ResizingToExtremesKeepsPlayingAndDrawingInPlace)
{
    const auto game = launch();
    ASSERT_TRUE(game);
    // X refuses a zero width or height outright; the rest reach the game as reshapes.
    for (const auto& size :
         {std::pair{1, 1}, {4000, 4000}, {640, 0}, {0, 0}, {1280, 480}, {640, 480}})
    {
        game->resize(size.first, size.second);
        // A size X refuses never reaches the game: the request is done with once resize returns.
        if (size.first > 0 && size.second > 0)
        {
            ASSERT_TRUE(game->waitForReshape(size.first, size.second, "the resize"));
        }
        ASSERT_TRUE(game->running()) << size.first << " x " << size.second << "\n"
                                     << game->errors();
    }
    const Screenshot shot = game->screenshot();
    ASSERT_EQ(shot.width, 640);
    ASSERT_EQ(shot.height, 480);
    // Back at the first size, the picture is where it was: the piece in column 2 only.
    EXPECT_GT(topOfColumn(shot, 2), 0.0);
    for (int column : {0, 1, 3, 4, 5})
    {
        EXPECT_LT(topOfColumn(shot, column), 0.0) << column;
    }
}

TEST_F(EndToEnd, StartsWithAnEmptyArgumentVector)
{
    GameOptions options;
    options.emptyArgv = true;
    GameWindow game(x, options);
    // With no program name to take its title from, the window is titled "gemwell".
    ASSERT_TRUE(game.waitUntilShown()) << game.errors();
    EXPECT_NE(x.findWindow("^gemwell$"), 0u);
    game.keys({"q"});
    EXPECT_EQ(game.waitForExit(10.0), 42) << game.errors();
    // The window is gone now: its screenshot is empty, and reading it is safe.
    EXPECT_TRUE(wellText(game.screenshot()).empty());
}

namespace
{
struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
};

// The real binary with no display at all: none of these may need one. `env` adds NAME=value.
Outcome runWithoutDisplay(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& env = {})
{
    ScratchDir dir;
    ProcessOptions options;
    options.argv = {"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"};
    options.argv.insert(options.argv.end(), env.begin(), env.end());
    options.argv.push_back(GEMWELL_BINARY);
    options.argv.insert(options.argv.end(), arguments.begin(), arguments.end());
    options.stdoutPath = dir.file("out");
    options.stderrPath = dir.file("err");
    Outcome run;
    {
        Process process(options);
        run.status = process.wait(10.0);
    }
    run.out = readFile(options.stdoutPath);
    run.err = readFile(options.stderrPath);
    return run;
}
}  // namespace

TEST(CommandLine, HelpAndVersionSucceedAndAWrongOptionFailsWithTheUsageAllWithoutADisplay)
{
    const Outcome help = runWithoutDisplay({"--help"});
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_EQ(help.out.rfind("Usage: " + std::string(GEMWELL_BINARY), 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--shapes"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("space        hard drop"), std::string::npos) << help.out;
    EXPECT_EQ(help.err, "");

    const Outcome version = runWithoutDisplay({"--version"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "gemwell " GEMWELL_VERSION "\n");

    const Outcome wrong = runWithoutDisplay({"--shapes", "--colour-blind"});
    EXPECT_EQ(wrong.status, 2) << wrong.err;
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err.rfind(std::string(GEMWELL_BINARY) + ": unknown option --colour-blind\n"
                                                            "Usage: ",
                              0),
              0u)
        << wrong.err;

    // The same binary does need its display to play: so the three above never reached it.
    EXPECT_NE(runWithoutDisplay({"--shapes"}).status, 0);
}

TEST(CommandLine, ScoresPrintsTheTableWithoutADisplayAndWritesNothing)
{
    ScratchDir data;
    const std::vector<std::string> env = {"XDG_DATA_HOME=" + data.path()};
    const Outcome none = runWithoutDisplay({"--scores"}, env);
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.out,
              "No arcade scores yet (gemwell --arcade to play for some); they are kept in " +
                  data.path() + "/gemwell/high-scores\n");
    EXPECT_EQ(none.err, "");
    EXPECT_FALSE(std::filesystem::exists(data.file("gemwell")));

    std::filesystem::create_directory(data.file("gemwell"));
    std::ofstream(data.file("gemwell/high-scores"))
        << "gemwell-scores 1\narcade 4321 6 2026-12-10\n";
    const Outcome one = runWithoutDisplay({"--scores"}, env);
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_NE(one.out.find("\n  1        4321      6  2026-12-10\n"), std::string::npos) << one.out;
}
