// The browser bench's native side (make bench): stacks the well about half full (42 of its 84
// cells, and the falling piece) on the real game under Xvfb with the clock stepped, as the browser
// bench then plays the same script on the page, and prints the native game's median time between
// swaps over three seconds with exactly the well's spheres drawn.
// Usage: native_frame_time OUTDIR SWAP_COUNTER.so [WIDTH HEIGHT]
//   The script goes to OUTDIR/half-full.txt; with a size, the window is resized to it first.
#include "frame_timing.h"
#include "game/piece.h"
#include "play_field.h"
#include "stepped_play.h"
#include "x_session.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace
{
constexpr double kSeconds = 3.0;

int benchNative(const std::string& outDir, const std::string& swapCounter, int width, int height)
{
    const std::vector<Step> steps = planStack(kCells / 2);
    writeScript(steps, outDir, "half-full.txt");
    const uint32_t spheres = static_cast<uint32_t>(boardGemCount(*replay(steps)) + 3);
    XServer x(std::max(1024, width), std::max(768, height));
    ScratchDir logDir;
    const std::string log = logDir.file("swaps");
    SteppedGame game(x, {swapCounter}, {"GEMWELL_SWAP_LOG=" + log});
    if (!x.ready() || !game.play(steps, outDir, width, height))
    {
        return 1;
    }
    const int64_t from = monotonicNanoseconds();
    pause(kSeconds);
    const int64_t to = monotonicNanoseconds();
    if (!game.quit())
    {
        return 1;
    }
    const std::vector<double> frames = swapIntervals(readSwapLog(log), spheres, from, to);
    if (frames.empty())
    {
        std::fprintf(stderr, "native_frame_time: no frame with %u spheres\n", spheres);
        return 1;
    }
    std::printf("native: %u spheres, %zu frames, median frame time %.3f ms\n", spheres,
                frames.size(), 1e3 * median(frames));
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 5)
    {
        std::fprintf(stderr, "usage: %s OUTDIR SWAP_COUNTER.so [WIDTH HEIGHT]\n", argv[0]);
        return 2;
    }
    // The game runs in a directory of its own: the preload needs an absolute path.
    char counter[PATH_MAX];
    if (realpath(argv[2], counter) == nullptr)
    {
        std::fprintf(stderr, "cannot find %s\n", argv[2]);
        return 2;
    }
    return benchNative(argv[1], counter, argc == 5 ? std::atoi(argv[3]) : 0,
                       argc == 5 ? std::atoi(argv[4]) : 0);
}
