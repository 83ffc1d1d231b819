// One long, fixed stream of frame times and player commands played through the real rules: a
// hash of the board, the piece and the state after every event. Any change to what the rules
// do, on any compiler or architecture, changes the hash. Prints it; with --expect HEX, fails
// (status 1) unless it is that value. With --arcade first, the same stream plays arcade mode, and
// the hash takes in its score, level, chain and next column as well.
#include "app/float_precision.h"
#include "event_driver.h"
#include "event_stream.h"
#include "game/gem.h"
#include "game/piece.h"

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr int64_t kSteps = 400000;
constexpr uint32_t kStreamSeed = 20261210;

// FNV-1a over 32-bit words, each taken least significant byte first, so the hash does not
// depend on the machine's byte order.
class Fingerprint
{
public:
    void add(uint32_t word)
    {
        for (int shift = 0; shift < 32; shift += 8)
        {
            hash_ = (hash_ ^ ((word >> shift) & 0xffu)) * 0x100000001b3u;
        }
    }
    void add(int32_t value) { add(static_cast<uint32_t>(value)); }
    void add(float value)
    {
        uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        add(bits);
    }
    void add(const Gem* gem)
    {
        add(static_cast<uint32_t>(gem != nullptr));
        if (gem == nullptr)
        {
            return;
        }
        add(gem->colourIndex);
        for (int axis = 0; axis < 3; ++axis)
        {
            add(gem->position[axis]);
            add(gem->target[axis]);
            add(gem->speed[axis]);
        }
    }
    void add(const Game& game)
    {
        add(static_cast<int32_t>(game.state));
        add(game.lives);
        add(game.settling);
        add(game.fallSpeed);
        for (int cell = 0; cell < kCells; ++cell)
        {
            add(game.colours[cell]);
            add(game.marks[cell]);
            add(game.gems[cell]);
        }
        if (game.arcade != nullptr)
        {
            add(game.arcade->score);
            add(game.arcade->level);
            add(game.arcade->cleared);
            add(game.arcade->chain);
            for (int32_t colour : game.arcade->next)
            {
                add(colour);
            }
        }
        add(static_cast<uint32_t>(game.piece != nullptr));
        if (game.piece != nullptr)
        {
            add(game.piece->active);
            for (const Gem* gem : game.piece->gems)
            {
                add(gem);
            }
        }
    }
    uint64_t value() const { return hash_; }

private:
    uint64_t hash_ = 0xcbf29ce484222325u;
};

}  // namespace

int main(int argc, char** argv)
{
    const char* expected = nullptr;
    bool arcade = false;
    int next = 1;
    if (next < argc && std::strcmp(argv[next], "--arcade") == 0)
    {
        arcade = true;
        ++next;
    }
    if (next + 2 == argc && std::strcmp(argv[next], "--expect") == 0)
    {
        expected = argv[next + 1];
    }
    else if (next != argc)
    {
        std::fprintf(stderr, "usage: %s [--arcade] [--expect HEX]\n", argv[0]);
        return 2;
    }

    // The frame clock sets this before main; without it a 32-bit x86 build without SSE maths
    // could print the right hash for this stream and still round another game's frame times
    // differently.
    if (!roundsToDoublePrecision())
    {
        std::fprintf(stderr, "replay: the floating-point unit does not round to double\n");
        return 1;
    }

    EventStream stream(kStreamSeed);
    Fingerprint fingerprint;
    int64_t steps = 0;
    int games = 0;
    int32_t topLevel = 0;  // arcade mode's best game, to show how far the stream plays it
    int32_t topScore = 0;
    while (steps < kSteps)
    {
        // A game over would end the process, so the driver stops there and a new game begins.
        EventDriver driver(stream.gameSeed(), arcade);
        ++games;
        fingerprint.add(driver.game());
        bool going = true;
        while (steps < kSteps && going)
        {
            going = driver.apply(stream.next());
            fingerprint.add(driver.game());
            ++steps;
        }
        if (arcade)
        {
            topLevel = std::max(topLevel, driver.game().arcade->level);
            topScore = std::max(topScore, driver.game().arcade->score);
        }
        if (!driver.failure().empty())
        {
            std::fprintf(stderr, "replay: game %d, step %" PRId64 ": %s\n", games, steps,
                         driver.failure().c_str());
            return 1;
        }
    }

    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, fingerprint.value());
    std::printf("replay fingerprint%s: %s (%" PRId64 " events, %d games)\n",
                arcade ? " (arcade)" : "", text, steps, games);
    if (arcade)
    {
        std::printf("replay fingerprint (arcade): best game %d points, level %d\n",
                    static_cast<int>(topScore), static_cast<int>(topLevel));
    }
    if (expected != nullptr && std::strcmp(expected, text) != 0)
    {
        std::printf("replay fingerprint: expected %s: the rules play differently\n", expected);
        return 1;
    }
    return 0;
}
