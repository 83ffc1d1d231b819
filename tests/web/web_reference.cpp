// What the browser edition is held to: the native game's own picture and the headless rules.
//
//   web_reference native OUTDIR [WIDTH HEIGHT]
//     plans a script of keys, clock steps and shots on the headless rules, writes it to
//     OUTDIR/script.txt with what each shot must show (OUTDIR/NAME.well), then plays it on the
//     real game under Xvfb, with the clock frozen and stepped through libfaketime, and saves
//     each shot as OUTDIR/native-NAME.png. OUTDIR/game-over-drops says how many hard drops,
//     each followed by a clock step, end the game. With a size, the window is resized to it
//     first, as the browser's canvas is sized by its page.
//   web_reference compare NATIVE.png BROWSER.png EXPECTED.well
//     counts the pixels of BROWSER.png that differ from NATIVE.png by more than 8/255 in a
//     channel, and reads the well in both; fails above 0.5 % of the window, above 0.5 % of the
//     lit pixels, or where a cell is not as expected.
//   web_reference well BROWSER.png EXPECTED.well
//     reads the well alone, for a picture with no native one beside it; fails where a cell is
//     not as expected.
//   web_reference half-full OUTDIR SWAP_COUNTER.so [WIDTH HEIGHT]
//     for make bench: plays a script that stacks the well half full (OUTDIR/half-full.txt) on
//     the real game with the bench's swap counter preloaded, its window resized to the size if
//     one is given, and prints its median frame time.
//
// The clock stands still but for the script's steps, so every shot is of a state the game
// rests in: a landing, a clear and a spawn all happen in frames of zero length, sliding,
// falling and settling only in a step. The browser replays the same script with the same
// stepped clock and no seed or hook of its own.
#include "app/clock.h"
#include "game/gem.h"
#include "game/piece.h"
#include "play_field.h"
#include "prediction.h"
#include "swap_record.h"
#include "x_session.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <png.h>
#include <sstream>
#include <string>
#include <vector>

namespace
{
// The limits the browser's picture is held to: of the whole window, and, sharper, of the pixels
// either picture lights: the page differs from the native game by about 0.2 % of them, and a
// sphere's top fan left open, a dark notch on every gem, by 1.8 %.
constexpr int kChannelTolerance = 8;
constexpr double kMaxDifferingShare = 0.005;
constexpr double kMaxDifferingLitShare = 0.005;
constexpr int kLitThreshold = 40;

// Zero-length frames enough for any chain of states to come to rest.
constexpr int kRestingFrames = 20;
// One clock step: long enough for any slide, a two-row fall or any settling to finish.
constexpr int kStepMillis = 1000;

struct Step
{
    enum Kind
    {
        Key,
        Advance,
        Shot
    } kind;
    std::string text;  // key name or shot name
    int millis = 0;    // for Advance
};

void rest(Game& game)
{
    g_frameSeconds = 0.0f;
    for (int frame = 0; frame < kRestingFrames && game.state != GameOver; ++frame)
    {
        game.update();
    }
}

// The game the steps leave, as the real one is left with the clock frozen between them.
std::unique_ptr<Game> replay(const std::vector<Step>& steps)
{
    auto game = predictedGame();
    rest(*game);
    for (const Step& step : steps)
    {
        if (step.kind == Step::Key)
        {
            pressKey(*game, step.text);
        }
        else if (step.kind == Step::Advance)
        {
            g_frameSeconds = millisToSeconds(static_cast<uint32_t>(step.millis));
            game->update();
        }
        rest(*game);
    }
    return game;
}

// The well as a shot must show it: every gem where it is drawn, which for a landed gem still
// sliding towards its cell is not yet that cell.
std::vector<std::string> sceneText(const Game& game)
{
    std::vector<std::string> rows(kRows, std::string(kColumns, '.'));
    std::vector<const Gem*> drawn(std::begin(game.gems), std::end(game.gems));
    if (game.piece != nullptr && game.piece->active == 1)
    {
        drawn.insert(drawn.end(), std::begin(game.piece->gems), std::end(game.piece->gems));
    }
    for (const Gem* gem : drawn)
    {
        if (gem == nullptr)
        {
            continue;
        }
        const double column = gem->position[0];
        const double row = gem->position[1];
        if (column != std::floor(column) || row != std::floor(row))
        {
            std::fprintf(stderr, "web_reference: a shot of a gem between cells\n");
            std::exit(2);
        }
        if (row >= 0 && row < kRows && column >= 0 && column < kColumns)
        {
            rows[kRows - 1 - static_cast<int>(row)][static_cast<int>(column)] =
                char('0' + gem->colourIndex);
        }
    }
    return rows;
}

// Keys that take the current piece to `column` with `cycles` turns of its colours, a clock step
// for it to slide there (and fall two rows), and the hard drop; letters on even columns, arrows
// on odd ones.
std::vector<Step> placement(const Game& game, int column, int cycles)
{
    const bool letters = column % 2 == 0;
    std::vector<Step> keys;
    for (int turn = 0; turn < cycles; ++turn)
    {
        keys.push_back({Step::Key, letters ? "s" : "Up"});
    }
    for (int from = game.piece->gems[0]->target[0]; from != column; from += from < column ? 1 : -1)
    {
        keys.push_back(
            {Step::Key, from < column ? (letters ? "c" : "Right") : (letters ? "z" : "Left")});
    }
    keys.push_back({Step::Advance, "", kStepMillis});
    keys.push_back({Step::Key, "space"});
    return keys;
}

std::vector<Step> joined(std::vector<Step> a, const std::vector<Step>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Adds the first placement, lowest column first, after which `good` holds; false if none does.
bool placeWhere(std::vector<Step>& steps,
                const std::function<bool(const Game& before, const Game& after)>& good)
{
    const auto before = replay(steps);
    for (int column = 0; column < kColumns; ++column)
    {
        for (int cycles = 0; cycles < 3; ++cycles)
        {
            const auto candidate = joined(steps, placement(*before, column, cycles));
            if (good(*before, *replay(candidate)))
            {
                steps = candidate;
                return true;
            }
        }
    }
    return false;
}

// A landing that clears nothing, keeps column 2 free for spawns and the stack low and even.
bool quietLanding(const Game& before, const Game& after, int maxHeight, int maxSpread = 3)
{
    if (after.state != Falling || boardGemCount(after) != boardGemCount(before) + 3)
    {
        return false;
    }
    int lowest = kRows;
    int highest = 0;
    for (int column = 0; column < kColumns; ++column)
    {
        lowest = std::min(lowest, after.columnHeight(column));
        highest = std::max(highest, after.columnHeight(column));
    }
    return highest <= maxHeight && highest - lowest <= maxSpread &&
           after.columnHeight(kSpawnColumn) <= maxHeight - 1;
}

// The script of the three shots: the first piece at spawn; four pieces stacked and the fifth
// turned, moved right and a second into its fall; a line cleared, the gems above settled and the
// next piece at spawn.
std::vector<Step> planShots()
{
    std::vector<Step> steps = {{Step::Shot, "spawn"}};
    for (int piece = 0; piece < 4; ++piece)
    {
        const bool placed = placeWhere(steps, [](const Game& before, const Game& after)
                                       { return quietLanding(before, after, 6); });
        if (!placed)
        {
            std::fprintf(stderr, "web_reference: no quiet landing for piece %d\n", piece);
            std::exit(2);
        }
    }
    steps.push_back({Step::Key, "Up"});
    steps.push_back({Step::Key, "c"});
    steps.push_back({Step::Advance, "", kStepMillis});
    steps.push_back({Step::Shot, "stacked"});

    // Up to three more pieces, the last one clearing a line under other gems.
    const auto settlingClear = [](const Game&, const Game& after)
    { return after.state == Settling; };
    bool cleared = false;
    for (int piece = 0; piece < 3 && !cleared; ++piece)
    {
        cleared = placeWhere(steps, settlingClear);
        if (!cleared && !placeWhere(steps, [](const Game& before, const Game& after)
                                    { return quietLanding(before, after, 9); }))
        {
            break;
        }
    }
    if (!cleared)
    {
        std::fprintf(stderr, "web_reference: found no clear under other gems\n");
        std::exit(2);
    }
    // Settling, and any chain it sets off, until the next piece is in play.
    for (int step = 0; step < 5 && replay(steps)->state != Falling; ++step)
    {
        steps.push_back({Step::Advance, "", kStepMillis});
    }
    steps.push_back({Step::Shot, "cleared"});
    return steps;
}

// Hard drops, each followed by a clock step, until the game ends: how many the headless rules
// take from the start.
int dropsUntilGameOver()
{
    auto game = predictedGame();
    rest(*game);
    for (int drops = 1; drops < 1000; ++drops)
    {
        pressKey(*game, "space");
        rest(*game);
        if (game->state == GameOver)
        {
            return drops;
        }
        g_frameSeconds = millisToSeconds(kStepMillis);
        game->update();
        rest(*game);
    }
    return -1;
}

bool writeLines(const std::string& path, const std::vector<std::string>& lines)
{
    std::ofstream out(path);
    for (const std::string& line : lines)
    {
        out << line << '\n';
    }
    return static_cast<bool>(out);
}

std::vector<std::string> readLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
    {
        lines.push_back(line);
    }
    return lines;
}

// libfaketime's frozen time, read afresh on every clock call: the fixed epoch plus `seconds`.
bool setClock(const std::string& path, int seconds)
{
    const std::time_t when = static_cast<std::time_t>(kFakeEpoch) + seconds;
    std::tm fields = {};
    gmtime_r(&when, &fields);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &fields);
    // Written beside and renamed over, so that a clock call never reads half a file.
    const std::string draft = path + ".new";
    return writeLines(draft, {text}) && std::rename(draft.c_str(), path.c_str()) == 0;
}

// The script as the browser test reads it, a step a line; with each shot's well beside it.
void writeScript(const std::vector<Step>& steps, const std::string& outDir, const std::string& name)
{
    std::vector<std::string> script;
    for (size_t count = 0; count < steps.size(); ++count)
    {
        const Step& step = steps[count];
        if (step.kind == Step::Key)
        {
            script.push_back("key " + step.text);
        }
        else if (step.kind == Step::Advance)
        {
            script.push_back("advance " + std::to_string(step.millis));
        }
        else
        {
            script.push_back("shot " + step.text);
            const std::vector<Step> upTo(steps.begin(), steps.begin() + count);
            writeLines(outDir + "/" + step.text + ".well", sceneText(*replay(upTo)));
        }
    }
    writeLines(outDir + "/" + name, script);
}

// The real game under Xvfb with libfaketime's clock frozen at the fixed epoch, played through
// the steps; shots go to OUTDIR/native-NAME.png.
class NativeGame
{
public:
    NativeGame(const XServer& x, std::vector<std::string> preload, std::vector<std::string> env)
    {
        setClock(clock_, seconds_);
        GameOptions options;
        options.fakeTime = false;  // the harness's running clock; this one stands still
        options.preload = std::move(preload);
        options.preload.push_back(FAKETIME_LIBRARY);
        options.env = std::move(env);
        options.env.push_back("FAKETIME_TIMESTAMP_FILE=" + clock_);
        options.env.push_back("FAKETIME_NO_CACHE=1");
        game_ = std::make_unique<GameWindow>(x, options);
    }

    bool play(const std::vector<Step>& steps, const std::string& outDir, int width = 0,
              int height = 0)
    {
        if (!game_->waitUntilShown())
        {
            std::fprintf(stderr, "web_reference: the game did not show: %s\n",
                         game_->errors().c_str());
            return false;
        }
        if (width > 0 && !resizeTo(width, height))
        {
            std::fprintf(stderr, "web_reference: the window did not take %d x %d\n", width, height);
            return false;
        }
        for (const Step& step : steps)
        {
            if (step.kind == Step::Key)
            {
                game_->keys({step.text});
                pause(0.15);
            }
            else if (step.kind == Step::Advance)
            {
                seconds_ += step.millis / 1000;
                setClock(clock_, seconds_);
                pause(0.3);
            }
            else if (!writePng(game_->screenshot(), outDir + "/native-" + step.text + ".png"))
            {
                std::fprintf(stderr, "web_reference: no screenshot for %s\n", step.text.c_str());
                return false;
            }
        }
        return true;
    }

    // Resizes the window and waits until a frame of the new size is drawn.
    bool resizeTo(int width, int height)
    {
        game_->resize(width, height);
        for (int attempt = 0; attempt < 100; ++attempt)
        {
            pause(0.1);
            const Screenshot shot = game_->screenshot();
            if (shot.width == width && shot.height == height && shot.litPixels() > 0)
            {
                pause(0.3);
                return true;
            }
        }
        return false;
    }

    bool quit()
    {
        game_->keys({"q"});
        return game_->waitForExit(10.0) == 42;
    }

private:
    ScratchDir clockDir_;
    std::string clock_ = clockDir_.file("clock");
    int seconds_ = 0;
    std::unique_ptr<GameWindow> game_;
};

int playNative(const std::string& outDir, int width, int height)
{
    const std::vector<Step> steps = planShots();
    writeScript(steps, outDir, "script.txt");
    writeLines(outDir + "/game-over-drops", {std::to_string(dropsUntilGameOver())});
    XServer x(std::max(1024, width), std::max(768, height));
    if (!x.ready())
    {
        std::fprintf(stderr, "web_reference: Xvfb did not start\n");
        return 1;
    }
    NativeGame game(x, {}, {});
    return game.play(steps, outDir, width, height) && game.quit() ? 0 : 1;
}

// A well about half full (42 of its 84 cells, and the falling piece): pieces placed without a
// clear where one can be, the stack kept even and column 2 low enough for the spawns. A piece
// of three equal colours clears itself wherever it goes: then any settling is let finish.
std::vector<Step> planHalfFull()
{
    std::vector<Step> steps;
    while (boardGemCount(*replay(steps)) < kCells / 2)
    {
        if (placeWhere(steps, [](const Game& before, const Game& after)
                       { return quietLanding(before, after, 10); }))
        {
            continue;
        }
        if (!placeWhere(steps, [](const Game&, const Game& after)
                        { return after.state == Falling || after.state == Settling; }))
        {
            std::fprintf(stderr, "web_reference: cannot stack the well half full\n");
            std::exit(2);
        }
        for (int step = 0; step < 5 && replay(steps)->state != Falling; ++step)
        {
            steps.push_back({Step::Advance, "", kStepMillis});
        }
    }
    return steps;
}

std::vector<SwapRecord> readSwaps(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<SwapRecord> swaps;
    for (SwapRecord record; in.read(reinterpret_cast<char*>(&record), sizeof record);)
    {
        swaps.push_back(record);
    }
    return swaps;
}

int64_t nowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Plays the half-full script on the native game with the swap counter preloaded, and prints the
// median time between swaps over `seconds` with exactly the well's spheres drawn.
int benchNative(const std::string& outDir, const std::string& swapCounter, double seconds,
                int width, int height)
{
    const std::vector<Step> steps = planHalfFull();
    writeScript(steps, outDir, "half-full.txt");
    const auto planned = replay(steps);
    const uint32_t spheres = static_cast<uint32_t>(boardGemCount(*planned) + 3);
    XServer x(std::max(1024, width), std::max(768, height));
    ScratchDir logDir;
    const std::string log = logDir.file("swaps");
    NativeGame game(x, {swapCounter}, {"GEMWELL_SWAP_LOG=" + log});
    if (!x.ready() || !game.play(steps, outDir, width, height))
    {
        return 1;
    }
    const int64_t from = nowNanoseconds();
    pause(seconds);
    const int64_t to = nowNanoseconds();
    if (!game.quit())
    {
        return 1;
    }
    std::vector<double> frames;
    int64_t previous = -1;
    for (const SwapRecord& swap : readSwaps(log))
    {
        const bool counted =
            swap.nanoseconds >= from && swap.nanoseconds <= to && swap.spheres == spheres;
        if (counted && previous >= 0)
        {
            frames.push_back((swap.nanoseconds - previous) * 1e-6);
        }
        previous = counted ? swap.nanoseconds : -1;
    }
    if (frames.empty())
    {
        std::fprintf(stderr, "web_reference: no frame with %u spheres\n", spheres);
        return 1;
    }
    std::sort(frames.begin(), frames.end());
    std::printf("native: %u spheres, %zu frames, median frame time %.3f ms\n", spheres,
                frames.size(), frames[frames.size() / 2]);
    return 0;
}

bool readPng(const std::string& path, Screenshot& image)
{
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
    {
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr))
    {
        return false;
    }
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.clear();
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
    {
        image.pixels.push_back(Rgb{rgb[i], rgb[i + 1], rgb[i + 2]});
    }
    return true;
}

// Cells where the picture's well differs from what the rules say, as "row R column C: seen/want".
std::vector<std::string> wellDifferences(const Screenshot& shot,
                                         const std::vector<std::string>& want)
{
    const std::vector<std::string> seen = wellText(shot);
    std::vector<std::string> differences;
    for (int line = 0; line < kRows; ++line)
    {
        for (int column = 0; column < kColumns; ++column)
        {
            const char expected =
                line < static_cast<int>(want.size()) && column < static_cast<int>(want[line].size())
                    ? want[line][column]
                    : '!';
            if (seen[line][column] != expected)
            {
                std::ostringstream cell;
                cell << "row " << kRows - 1 - line << " column " << column << ": "
                     << seen[line][column] << " where the rules say " << expected;
                differences.push_back(cell.str());
            }
        }
    }
    return differences;
}

int checkWell(const std::string& browserPath, const std::string& wellPath)
{
    Screenshot browser;
    if (!readPng(browserPath, browser))
    {
        std::fprintf(stderr, "web_reference: cannot read %s\n", browserPath.c_str());
        return 1;
    }
    const std::vector<std::string> differences = wellDifferences(browser, readLines(wellPath));
    for (const std::string& difference : differences)
    {
        std::printf("browser picture, %s\n", difference.c_str());
    }
    std::printf("%d x %d: %zu cells differ from the rules\n", browser.width, browser.height,
                differences.size());
    return differences.empty() ? 0 : 1;
}

int compare(const std::string& nativePath, const std::string& browserPath,
            const std::string& wellPath)
{
    Screenshot native;
    Screenshot browser;
    if (!readPng(nativePath, native) || !readPng(browserPath, browser))
    {
        std::fprintf(stderr, "web_reference: cannot read %s or %s\n", nativePath.c_str(),
                     browserPath.c_str());
        return 1;
    }
    if (native.width != browser.width || native.height != browser.height)
    {
        std::printf("sizes differ: native %d x %d, browser %d x %d\n", native.width, native.height,
                    browser.width, browser.height);
        return 1;
    }
    int differing = 0;
    int lit = 0;
    const auto brightest = [](const Rgb& p) { return std::max({p.r, p.g, p.b}); };
    for (size_t i = 0; i < native.pixels.size(); ++i)
    {
        const Rgb& a = native.pixels[i];
        const Rgb& b = browser.pixels[i];
        lit += brightest(a) > kLitThreshold || brightest(b) > kLitThreshold ? 1 : 0;
        if (std::abs(a.r - b.r) > kChannelTolerance || std::abs(a.g - b.g) > kChannelTolerance ||
            std::abs(a.b - b.b) > kChannelTolerance)
        {
            ++differing;
        }
    }
    const double share = static_cast<double>(differing) / static_cast<double>(native.pixels.size());
    const double litShare = static_cast<double>(differing) / static_cast<double>(std::max(lit, 1));
    std::printf("%d of %zu pixels differ by more than %d/255 in a channel: %.3f %% of the window "
                "(at most %.1f %%), %.2f %% of the %d lit (at most %.1f %%)\n",
                differing, native.pixels.size(), kChannelTolerance, 100.0 * share,
                100.0 * kMaxDifferingShare, 100.0 * litShare, lit, 100.0 * kMaxDifferingLitShare);
    int status =
        share <= kMaxDifferingShare && litShare <= kMaxDifferingLitShare && lit > 0 ? 0 : 1;
    const std::vector<std::string> want = readLines(wellPath);
    for (const auto& [name, shot] : {std::pair{"native", &native}, {"browser", &browser}})
    {
        for (const std::string& difference : wellDifferences(*shot, want))
        {
            std::printf("%s picture, %s\n", name, difference.c_str());
            status = 1;
        }
    }
    return status;
}
}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "native" && (argc == 3 || argc == 5))
    {
        return playNative(argv[2], argc == 5 ? std::atoi(argv[3]) : 0,
                          argc == 5 ? std::atoi(argv[4]) : 0);
    }
    if (mode == "well" && argc == 4)
    {
        return checkWell(argv[2], argv[3]);
    }
    if (mode == "half-full" && (argc == 4 || argc == 6))
    {
        // The game runs in a directory of its own: the preload needs an absolute path.
        char* counter = realpath(argv[3], nullptr);
        const int width = argc == 6 ? std::atoi(argv[4]) : 0;
        const int height = argc == 6 ? std::atoi(argv[5]) : 0;
        const int status =
            counter != nullptr ? benchNative(argv[2], counter, 3.0, width, height) : 2;
        std::free(counter);
        return status;
    }
    if (mode == "compare" && argc == 5)
    {
        return compare(argv[2], argv[3], argv[4]);
    }
    std::fprintf(stderr,
                 "usage: %s native OUTDIR [WIDTH HEIGHT]\n"
                 "       %s compare NATIVE.png BROWSER.png EXPECTED.well\n"
                 "       %s well BROWSER.png EXPECTED.well\n"
                 "       %s half-full OUTDIR SWAP_COUNTER.so [WIDTH HEIGHT]\n",
                 argv[0], argv[0], argv[0], argv[0]);
    return 2;
}
