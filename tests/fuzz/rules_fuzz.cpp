// Fuzz target: the first four bytes seed the pieces, the rest are events (see decodeEvent).
// Any broken invariant, sanitizer report or leak is a finding.
#include "event_driver.h"
#include "game/gem.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t offset = 0;
    uint32_t seed = 0;
    for (; offset < 4 && offset < size; ++offset)
    {
        seed |= static_cast<uint32_t>(data[offset]) << (8 * offset);
    }
    {
        EventDriver driver(seed);
        Event event;
        while (decodeEvent(data, size, offset, event) && driver.apply(event))
        {
        }
        if (!driver.failure().empty())
        {
            std::fprintf(stderr, "invariant broken: %s\n", driver.failure().c_str());
            std::abort();
        }
    }
    if (Gem::liveCount() != 0)
    {
        std::fprintf(stderr, "%d gems outlived their game\n", Gem::liveCount());
        std::abort();
    }
    return 0;
}
