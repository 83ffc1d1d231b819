// Frame rate of the real game against the reference renderer, measured from outside: both run
// under Xvfb with the swap counter preloaded, in alternating pairs at the same sphere count.
// Usage: frame_rate SWAP_COUNTER REFERENCE_RENDERER [PAIRS] [TABLE_FILE]
#include "frame_timing.h"
#include "game/piece.h"
#include "play_field.h"
#include "stepped_play.h"
#include "x_session.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace
{
constexpr double kWindowSeconds = 3.0;  // measured per run
constexpr double kSteadySeconds = 10.0;
// Columns at 9 or below and column 2 at 3 or below, so moves made on the running clock are never
// blocked and the next piece falls a long way while it is measured.
constexpr StackShape kStack = {9, kRows, 3};

struct Run
{
    double framesPerSecond = 0.0;
    double launchToFirstFrame = 0.0;  // seconds
    double peakMegabytes = 0.0;
    std::vector<double> frameTimes;  // seconds, within the measured window
};

double peakMegabytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.rfind("VmHWM:", 0) == 0)
        {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0.0;
}

// Frames with exactly `spheres` drawn, between two times (nanoseconds, monotonic clock).
Run measure(const std::vector<SwapRecord>& swaps, uint32_t spheres, int64_t from, int64_t to)
{
    Run run;
    run.frameTimes = swapIntervals(swaps, spheres, from, to);
    int64_t first = -1;
    int64_t last = -1;
    int frames = 0;
    for (const SwapRecord& swap : swaps)
    {
        if (swap.nanoseconds >= from && swap.nanoseconds <= to && swap.spheres == spheres)
        {
            first = first < 0 ? swap.nanoseconds : first;
            last = swap.nanoseconds;
            ++frames;
        }
    }
    if (frames > 1)
    {
        run.framesPerSecond = (frames - 1) / ((last - first) * 1e-9);
    }
    return run;
}

class Bench
{
public:
    Bench(std::string swapCounter, std::string reference)
        : swapCounter_(std::move(swapCounter)), reference_(std::move(reference))
    {
    }

    // The real game, stacked to `spheres` by the plan's key presses on its running clock,
    // measured while its piece falls.
    Run game(const std::vector<Step>& plan, uint32_t spheres, double seconds)
    {
        GameWindow window(x_, options({}));
        if (!window.waitUntilShown())
        {
            return Run{};
        }
        // Keys go in at once, so each drop, and each of the plan's clock steps (a slide, or a
        // clear's settling), is given the time it takes before the next piece is steered.
        for (const Step& step : plan)
        {
            if (step.kind == Step::Key)
            {
                window.keys({step.text}, 0);
            }
            pause(step.kind == Step::Key && step.text != "space" ? 0.03 : 0.25);
        }
        pause(0.2);
        return finish(window, spheres, seconds);
    }

    Run reference(uint32_t spheres, double seconds)
    {
        GameWindow window(x_, options({reference_, std::to_string(spheres)}));
        if (!window.waitUntilShown())
        {
            return Run{};
        }
        pause(0.5);
        return finish(window, spheres, seconds);
    }

    bool ready() const { return x_.ready(); }

private:
    GameOptions options(const std::vector<std::string>& command)
    {
        GameOptions options;
        if (!command.empty())
        {
            options.binary = command[0];
            options.args.assign(command.begin() + 1, command.end());
        }
        // Both preload the same libraries, so their start-up and memory compare fairly.
        options.preload = {swapCounter_};
        options.env = {"GEMWELL_SWAP_LOG=" + log_.file("swaps")};
        return options;
    }

    Run finish(GameWindow& window, uint32_t spheres, double seconds)
    {
        const int64_t from = monotonicNanoseconds();
        pause(seconds);
        const int64_t to = monotonicNanoseconds();
        const double memory = peakMegabytes(window.pid());
        window.keys({"q"});
        window.waitForExit(10.0);
        const auto swaps = readSwapLog(log_.file("swaps"));
        Run run = measure(swaps, spheres, from, to);
        run.peakMegabytes = memory;
        if (!swaps.empty())
        {
            run.launchToFirstFrame =
                (swaps.front().nanoseconds - window.launchNanoseconds()) * 1e-9;
        }
        return run;
    }

    XServer x_;
    ScratchDir log_;
    std::string swapCounter_;
    std::string reference_;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: %s SWAP_COUNTER REFERENCE_RENDERER [PAIRS] [TABLE]\n",
                     argv[0]);
        return 2;
    }
    // Absolute paths: each program runs in a scratch directory of its own.
    char swapCounterPath[PATH_MAX];
    char referencePath[PATH_MAX];
    if (realpath(argv[1], swapCounterPath) == nullptr ||
        realpath(argv[2], referencePath) == nullptr)
    {
        std::fprintf(stderr, "cannot find %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    Bench bench(swapCounterPath, referencePath);
    const int pairs = argc > 3 ? std::atoi(argv[3]) : 12;
    if (!bench.ready())
    {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }

    std::ostringstream table;
    table << "| spheres | pairs | game/reference fps, median | min | max | game fps | "
             "reference fps | launch to first frame, game / reference (s) | peak memory, game / "
             "reference (MB) |\n|---|---|---|---|---|---|---|---|---|\n";
    // At least 42 and 48 gems on the board (a clear on the way can leave a few more), plus the
    // falling piece.
    for (const int boardGems : {42, 48})
    {
        const auto plan = planStack(boardGems, kStack);
        const uint32_t spheres = static_cast<uint32_t>(boardGemCount(*replay(plan)) + 3);
        std::vector<double> ratios, gameFps, referenceFps, gameLaunch, referenceLaunch, gameMemory,
            referenceMemory;
        for (int pair = 0; pair < pairs; ++pair)
        {
            Run game;
            Run reference;
            // Alternate which runs first, so drift in the machine's load falls on both.
            if (pair % 2 == 0)
            {
                game = bench.game(plan, spheres, kWindowSeconds);
                reference = bench.reference(spheres, kWindowSeconds);
            }
            else
            {
                reference = bench.reference(spheres, kWindowSeconds);
                game = bench.game(plan, spheres, kWindowSeconds);
            }
            std::fprintf(stderr, "%u spheres, pair %d: game %.1f fps, reference %.1f fps\n",
                         spheres, pair + 1, game.framesPerSecond, reference.framesPerSecond);
            if (game.framesPerSecond <= 0.0 || reference.framesPerSecond <= 0.0)
            {
                continue;
            }
            ratios.push_back(game.framesPerSecond / reference.framesPerSecond);
            gameFps.push_back(game.framesPerSecond);
            referenceFps.push_back(reference.framesPerSecond);
            gameLaunch.push_back(game.launchToFirstFrame);
            referenceLaunch.push_back(reference.launchToFirstFrame);
            gameMemory.push_back(game.peakMegabytes);
            referenceMemory.push_back(reference.peakMegabytes);
        }
        char row[512];
        std::snprintf(
            row, sizeof row,
            "| %u | %zu | %.3f | %.3f | %.3f | %.1f | %.1f | %.3f / %.3f | %.1f / %.1f |\n",
            spheres, ratios.size(), median(ratios),
            ratios.empty() ? 0.0 : *std::min_element(ratios.begin(), ratios.end()),
            ratios.empty() ? 0.0 : *std::max_element(ratios.begin(), ratios.end()), median(gameFps),
            median(referenceFps), median(gameLaunch), median(referenceLaunch), median(gameMemory),
            median(referenceMemory));
        table << row;
    }

    // Steadiness: frame times over a longer stretch of play, and of the reference.
    const auto plan = planStack(42, kStack);
    const uint32_t steadySpheres = static_cast<uint32_t>(boardGemCount(*replay(plan)) + 3);
    const Run game = bench.game(plan, steadySpheres, kSteadySeconds);
    const Run reference = bench.reference(steadySpheres, kSteadySeconds);
    char steady[512];
    std::snprintf(steady, sizeof steady,
                  "\n| frame times at %u spheres | frames | median (ms) | 99th percentile (ms) | "
                  "p99 / median |\n|---|---|---|---|---|\n"
                  "| game | %zu | %.2f | %.2f | %.2f |\n| reference | %zu | %.2f | %.2f | %.2f |\n",
                  steadySpheres, game.frameTimes.size(), 1e3 * median(game.frameTimes),
                  1e3 * percentile(game.frameTimes, 0.99),
                  percentile(game.frameTimes, 0.99) / std::max(1e-9, median(game.frameTimes)),
                  reference.frameTimes.size(), 1e3 * median(reference.frameTimes),
                  1e3 * percentile(reference.frameTimes, 0.99),
                  percentile(reference.frameTimes, 0.99) /
                      std::max(1e-9, median(reference.frameTimes)));
    table << steady;

    std::printf("%s", table.str().c_str());
    if (argc > 4)
    {
        std::ofstream(argv[4]) << table.str();
    }
    return 0;
}
