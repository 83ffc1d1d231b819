// What the browser edition is held to: the native game's own picture and the headless rules.
//
//   native_picture native OUTDIR [WIDTH HEIGHT] [--shapes] [--arcade]
//     plans a script of keys, clock steps and shots on the headless rules, writes it to
//     OUTDIR/script.txt with what each shot must show (OUTDIR/NAME.well), then plays it on the
//     real game under Xvfb, with the clock frozen and stepped through libfaketime, and saves
//     each shot as OUTDIR/native-NAME.png. OUTDIR/game-over-drops says how many hard drops,
//     each followed by a clock step, end the game; OUTDIR/resting-frames how many frames
//     any step of the script takes to come to rest. With a size, the window is resized to it
//     first, as the browser's canvas is sized by its page. --shapes and --arcade are passed on
//     to the game (arcade mode draws its pieces in the same order, so the script is the same).
//   native_picture compare NATIVE.png BROWSER.png EXPECTED.well
//     counts the pixels of BROWSER.png that differ from NATIVE.png by more than 8/255 in a
//     channel, and reads the well in both; fails above 0.5 % of the window, above 0.5 % of the
//     lit pixels, or where a cell is not as expected.
//   native_picture well BROWSER.png EXPECTED.well
//     reads the well alone, for a picture with no native one beside it; fails where a cell is
//     not as expected.
//   native_picture pixels NATIVE.png BROWSER.png
//     the same count and limits as compare, without reading the well: for gems with marks on
//     them, whose centres the well reading cannot classify.
//
// The script and the stepped clock are tools/play's (stepped_play.h); the browser replays the
// same script with the same stepped clock and no seed or hook of its own.
#include "app/clock.h"
#include "game/gem.h"
#include "game/piece.h"
#include "play_field.h"
#include "prediction.h"
#include "stepped_play.h"
#include "x_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

// The script of the three shots: the first piece at spawn; four pieces stacked and the fifth
// turned, moved right and a second into its fall; a line cleared, the gems above settled and the
// next piece at spawn.
std::vector<Step> planShots()
{
    std::vector<Step> steps = {{Step::Shot, "spawn"}};
    for (int piece = 0; piece < 4; ++piece)
    {
        const bool placed = placeWhere(steps, [](const Game& before, const Game& after)
                                       { return quietLanding(before, after, {6}); });
        if (!placed)
        {
            std::fprintf(stderr, "native_picture: no quiet landing for piece %d\n", piece);
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
                                    { return quietLanding(before, after, {9}); }))
        {
            break;
        }
    }
    if (!cleared)
    {
        std::fprintf(stderr, "native_picture: found no clear under other gems\n");
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

int playNative(const std::string& outDir, int width, int height,
               const std::vector<std::string>& options)
{
    const std::vector<Step> steps = planShots();
    writeScript(steps, outDir, "script.txt");
    writeLines(outDir + "/game-over-drops", {std::to_string(dropsUntilGameOver())});
    writeLines(outDir + "/resting-frames", {std::to_string(restingFrames(steps))});
    XServer x(std::max(1024, width), std::max(768, height));
    if (!x.ready())
    {
        std::fprintf(stderr, "native_picture: Xvfb did not start\n");
        return 1;
    }
    SteppedGame game(x, {}, {}, options);
    return game.play(steps, outDir, width, height) && game.quit() ? 0 : 1;
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
        std::fprintf(stderr, "native_picture: cannot read %s\n", browserPath.c_str());
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
            const std::string* wellPath)
{
    Screenshot native;
    Screenshot browser;
    if (!readPng(nativePath, native) || !readPng(browserPath, browser))
    {
        std::fprintf(stderr, "native_picture: cannot read %s or %s\n", nativePath.c_str(),
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
    if (wellPath == nullptr)
    {
        return status;
    }
    const std::vector<std::string> want = readLines(*wellPath);
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
    // The game's own options at the end of a native run's arguments.
    std::vector<std::string> options;
    int sized = argc;
    while (sized > 3 && (std::string(argv[sized - 1]) == "--shapes" ||
                         std::string(argv[sized - 1]) == "--arcade"))
    {
        options.insert(options.begin(), argv[--sized]);
    }
    if (mode == "native" && (sized == 3 || sized == 5))
    {
        return playNative(argv[2], sized == 5 ? std::atoi(argv[3]) : 0,
                          sized == 5 ? std::atoi(argv[4]) : 0, options);
    }
    if (mode == "well" && argc == 4)
    {
        return checkWell(argv[2], argv[3]);
    }
    if (mode == "compare" && argc == 5)
    {
        const std::string well = argv[4];
        return compare(argv[2], argv[3], &well);
    }
    if (mode == "pixels" && argc == 4)
    {
        return compare(argv[2], argv[3], nullptr);
    }
    std::fprintf(stderr,
                 "usage: %s native OUTDIR [WIDTH HEIGHT] [--shapes] [--arcade]\n"
                 "       %s compare NATIVE.png BROWSER.png EXPECTED.well\n"
                 "       %s pixels NATIVE.png BROWSER.png\n"
                 "       %s well BROWSER.png EXPECTED.well\n",
                 argv[0], argv[0], argv[0], argv[0]);
    return 2;
}
