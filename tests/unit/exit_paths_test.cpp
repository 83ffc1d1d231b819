#include "app/out_of_memory.h"

#include <cstddef>
#include <gtest/gtest.h>
#include <limits>
#include <new>
#include <unistd.h>

namespace
{
#if !defined(__SANITIZE_ADDRESS__)
void exhaustMemory()
{
    installOutOfMemoryHandler();
    // Ask for more than any address space holds, on 32-bit and 64-bit machines alike; the
    // handler ends the process instead of throwing. Volatile, so the compiler cannot see the size
    // and warn that it exceeds the largest object.
    volatile size_t tooMuch = std::numeric_limits<size_t>::max() - 4095;
    volatile char* block = new char[tooMuch];
    block[0] = 1;
}
#endif
}  // namespace

TEST(OutOfMemoryDeathTest, AFailedAllocationEndsTheProcessWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            installOutOfMemoryHandler();
            std::get_new_handler()();
        },
        testing::ExitedWithCode(kOutOfMemoryStatus), "^$");
#if !defined(__SANITIZE_ADDRESS__)
    // Under AddressSanitizer its own allocator reports the oversized request instead.
    EXPECT_EXIT(exhaustMemory(), testing::ExitedWithCode(kOutOfMemoryStatus), "^$");
#endif
}
