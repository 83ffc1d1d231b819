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
    struct stat info = {};
    bool anyRead = false;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
    {
        for (int i = 0; i < kReads; ++i)
        {
            ssize_t got = read(fd, buffer, size);
            while (got < 0 && errno == EINTR)
            {
                got = read(fd, buffer, size);
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
