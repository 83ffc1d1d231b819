#include "app/out_of_memory.h"

#include <cstddef>
#include <gtest/gtest.h>
#include <new>
#include <unistd.h>

namespace
{
#if !defined(__SANITIZE_ADDRESS__)
void exhaustMemory()
{
    installOutOfMemoryHandler();
    // Ask for more than any machine has; the handler ends the process instead of throwing.
    const size_t tooMuch = static_cast<size_t>(1) << 62;
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
