// Preloaded into the game or the reference renderer: records the time of every buffer swap and
// how many spheres the frame drew, without touching the program itself. The log (binary
// records) goes to the file named by GEMWELL_SWAP_LOG.
#include "swap_record.h"

#include <GL/glx.h>
#include <cstdint>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

namespace
{
constexpr int kBuffered = 1024;

SwapRecord g_records[kBuffered];
int g_count = 0;
uint32_t g_spheres = 0;
int g_log = -2;  // -2: not opened yet

void flush()
{
    if (g_log == -2)
    {
        const char* path = std::getenv("GEMWELL_SWAP_LOG");
        g_log = path != nullptr ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    }
    if (g_log >= 0 && g_count > 0)
    {
        const ssize_t bytes = static_cast<ssize_t>(sizeof(SwapRecord)) * g_count;
        if (write(g_log, g_records, bytes) != bytes)
        {
            g_log = -1;
        }
    }
    g_count = 0;
}

__attribute__((destructor)) void flushAtExit()
{
    flush();
}

template <typename Function> Function next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
}  // namespace

extern "C" void glutSolidSphere(double radius, int slices, int stacks)
{
    static const auto real = next<void (*)(double, int, int)>("glutSolidSphere");
    ++g_spheres;
    real(radius, slices, stacks);
}

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable)
{
    static const auto real = next<void (*)(Display*, GLXDrawable)>("glXSwapBuffers");
    real(display, drawable);
    // Straight from the kernel: a game run under libfaketime's frozen clock still gets true times.
    timespec now = {};
    syscall(SYS_clock_gettime, CLOCK_MONOTONIC, &now);
    g_records[g_count++] =
        SwapRecord{static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec, g_spheres};
    g_spheres = 0;
    if (g_count == kBuffered)
    {
        flush();
    }
}
