#include "game/digit_image.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr int kReads = 32;
}

bool loadDigitImage(const char* path, unsigned char* buffer, size_t size)
{
    if (buffer == nullptr)
    {
        return false;
    }
    // Non-blocking, so that opening a FIFO with no writer returns at once instead of waiting.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
    {
        return false;
    }
    // A failed fstat leaves `info` zeroed, which is no regular file.
    struct stat info = {};
    static_cast<void>(fstat(fd, &info));
    bool anyRead = false;
    if (S_ISREG(info.st_mode))
    {
        for (int i = 0; i < kReads; ++i)
        {
            ssize_t got = read(fd, buffer, size);
            // The game sets no signal handlers, so this retry is never needed; it costs nothing.
            while (got < 0 && errno == EINTR)  // GCOVR_EXCL_BR_LINE
            {
                got = read(fd, buffer, size);  // GCOVR_EXCL_LINE
            }
            if (got <= 0)
            {
                break;
            }
            anyRead = true;
        }
    }
    close(fd);
    return anyRead;
}
