// Preloaded into the game by the X harness: counts the key callbacks it has taken, the frames
// it has swapped and its reshapes, in the file named by GEMWELL_PROBE (a ProbeCounts the harness
// maps too), so a test waits for what the game did rather than for a while. The game itself is
// untouched: its callbacks are wrapped where it registers them.
#include "probe_counts.h"

#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace
{
ProbeCounts* counts()
{
    static ProbeCounts* const shared = []() -> ProbeCounts*
    {
        const char* path = std::getenv("GEMWELL_PROBE");
        const int file = path != nullptr ? open(path, O_RDWR | O_CLOEXEC) : -1;
        if (file < 0)
        {
            return nullptr;
        }
        void* mapped =
            mmap(nullptr, sizeof(ProbeCounts), PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
        close(file);
        return mapped != MAP_FAILED ? static_cast<ProbeCounts*>(mapped) : nullptr;
    }();
    return shared;
}

template <typename Function> Function next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

void (*g_keyboard)(unsigned char, int, int) = nullptr;
void (*g_special)(int, int, int) = nullptr;
void (*g_reshape)(int, int) = nullptr;

// Counted once the game's own callback has returned, so a count seen means its effect is done.
void keyTaken(std::atomic<uint64_t> ProbeCounts::*count)
{
    if (ProbeCounts* shared = counts())
    {
        shared->swapsAtKey = shared->swaps.load();
        ++(shared->*count);
    }
}

void onKeyboard(unsigned char key, int x, int y)
{
    g_keyboard(key, x, y);
    keyTaken(&ProbeCounts::characters);
}

void onSpecial(int key, int x, int y)
{
    g_special(key, x, y);
    keyTaken(&ProbeCounts::specials);
}

void onReshape(int width, int height)
{
    g_reshape(width, height);
    if (ProbeCounts* shared = counts())
    {
        shared->reshapeWidth = width;
        shared->reshapeHeight = height;
        shared->swapsAtReshape = shared->swaps.load();
        ++shared->reshapes;
    }
}
}  // namespace

extern "C" void glutKeyboardFunc(void (*callback)(unsigned char, int, int))
{
    static const auto real = next<void (*)(void (*)(unsigned char, int, int))>("glutKeyboardFunc");
    g_keyboard = callback;
    real(callback != nullptr ? onKeyboard : nullptr);
}

extern "C" void glutSpecialFunc(void (*callback)(int, int, int))
{
    static const auto real = next<void (*)(void (*)(int, int, int))>("glutSpecialFunc");
    g_special = callback;
    real(callback != nullptr ? onSpecial : nullptr);
}

extern "C" void glutReshapeFunc(void (*callback)(int, int))
{
    static const auto real = next<void (*)(void (*)(int, int))>("glutReshapeFunc");
    g_reshape = callback;
    real(callback != nullptr ? onReshape : nullptr);
}

extern "C" void glutSwapBuffers()
{
    static const auto real = next<void (*)()>("glutSwapBuffers");
    real();
    if (ProbeCounts* shared = counts())
    {
        ++shared->swaps;
    }
}
