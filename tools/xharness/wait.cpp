#include "wait.h"

#include <chrono>
#include <cstdio>
#include <thread>

void reportTimeout(const std::string& what, double seconds, const std::string& seen)
{
    std::fprintf(stderr, "%s: timed out after %.0f s; %s\n", what.c_str(), seconds, seen.c_str());
}

bool waitFor(const std::string& what, const std::function<bool()>& done,
             const std::function<std::string()>& seen, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done())
    {
        if (std::chrono::steady_clock::now() >= deadline)
        {
            // One last look: a busy machine may have let the effect land just now.
            if (done())
            {
                return true;
            }
            reportTimeout(what, seconds, seen ? seen() : "it never happened");
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
