// The real binary, built with the sanitizers, under a minute of random keys and resizes.
#include "x_session.h"

#include <chrono>
#include <gtest/gtest.h>
#include <random>

namespace
{
constexpr double kStressSeconds = 60.0;

// Bound keys (but q), shifted and unbound keys, control characters and other special keys.
// No caps lock: with it on, shift+q types a lower-case q, which rightly quits.
const char* const kKeyNames[] = {
    "space",  "c",         "s",     "x",           "z",      "Left",    "Right",  "Up",
    "Down",   "shift+c",   "Q",     "shift+z",     "a",      "1",       "Return", "Escape",
    "Tab",    "BackSpace", "F1",    "F12",         "Home",   "Page_Up", "Insert", "KP_5",
    "ctrl+z", "ctrl+c",    "alt+x", "shift+space", "Delete", "End",
};
const char* const kRepeatable[] = {"x", "Down", "space", "Left", "c", "z"};

// Sizes to reshape the window to; X refuses a zero width or height, which is fine: the
// request is made and the game must be unaffected either way.
const int kSizes[][2] = {{1, 1}, {4000, 4000}, {640, 0}, {0, 0}, {320, 240}, {641, 1}, {640, 480}};
}  // namespace

namespace
{
// Checks what a finished game left on its standard error for sanitizer reports.
void expectNoSanitizerReport(const GameWindow& game)
{
    const std::string errors = game.errors();
    EXPECT_EQ(errors.find("AddressSanitizer"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("runtime error"), std::string::npos) << errors;
}

// One random input: a burst of keys, a held key, or a resize.
void sendRandomInput(GameWindow& game, std::mt19937& random)
{
    const uint32_t roll = random() % 100;
    if (roll < 70)
    {
        std::vector<std::string> burst;
        const uint32_t count = 1 + random() % 12;
        for (uint32_t i = 0; i < count; ++i)
        {
            burst.push_back(kKeyNames[random() % std::size(kKeyNames)]);
        }
        game.keys(burst, static_cast<int>(random() % 30));
    }
    else if (roll < 85)
    {
        const std::string key = kRepeatable[random() % std::size(kRepeatable)];
        game.keyDown(key);
        pause(0.2 + (random() % 100) / 100.0);  // long enough for the server's key repeat
        game.keyUp(key);
    }
    else
    {
        const auto& size = kSizes[random() % std::size(kSizes)];
        game.resize(size[0], size[1]);
        pause(0.2);
    }
}
}  // namespace

TEST(Stress, RandomKeysAndResizesLeaveNoSanitizerReport)
{
    XServer x;
    ASSERT_TRUE(x.ready());
    GameOptions options;
    // The sanitizer runtime must come first, so no libfaketime and no probe here. No leak check:
    // Mesa unloads its driver before the check runs at exit, so the driver's leaks come with
    // nameless frames that no suppression can match. The game's own objects are checked for
    // leaks where they are released: the unit tests in this build and the fuzz target.
    options.fakeTime = false;
    options.probe = false;
    options.env = {"ASAN_OPTIONS=detect_leaks=0:halt_on_error=1",
                   "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1"};

    std::mt19937 random(42);
    int games = 0;
    int events = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&start]
    { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    while (true)
    {
        GameWindow game(x, options);
        ++games;
        ASSERT_TRUE(game.waitUntilShown(60.0)) << game.errors();
        while (elapsed() < kStressSeconds && game.running())
        {
            sendRandomInput(game, random);
            ++events;
        }
        if (game.running())
        {
            game.resize(640, 480);
            game.keys({"q"});
            EXPECT_EQ(game.waitForExit(30.0), 42) << game.errors();
            EXPECT_EQ(game.output(), "");
            expectNoSanitizerReport(game);
            break;
        }
        // Random drops end games: each must have ended cleanly with its message.
        EXPECT_EQ(game.waitForExit(1.0), 0) << game.errors();
        EXPECT_EQ(game.output(), "GAME OVER MAN!\n");
        expectNoSanitizerReport(game);
        if (testing::Test::HasFailure())
        {
            break;
        }
    }
    EXPECT_GT(events, 50);
    std::printf("%d games, %d input events in %.0f s\n", games, events, elapsed());
}
