#include "app/out_of_memory.h"

#include <cstdlib>
#include <new>

namespace
{
[[noreturn]] void onOutOfMemory()
{
    // Nothing is logged, and no destructor or exit handler should run with the heap exhausted.
    std::_Exit(kOutOfMemoryStatus);
}
}  // namespace

void installOutOfMemoryHandler()
{
    std::set_new_handler(onOutOfMemory);
}
