#include "app/score_store.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace
{
constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0644;
constexpr int kLockPollMillis = 10;
// Set-aside names tried before giving up: far more bad tables than anyone will have.
constexpr int kSetAsideNames = 10000;

int openFile(const char* path, int flags, mode_t mode)
{
    return ::open(path, flags, mode);
}

const StoreCalls kSystemCalls = {openFile, ::read, ::write,  ::fsync, ::close,
                                 ::rename, ::link, ::unlink, ::mkdir, ::flock};

std::string why(const char* step, int error)
{
    return std::string(step) + ": " + std::strerror(error);
}

// Makes `folder` and every missing folder above it.
bool makeFolders(const std::string& folder, const StoreCalls& calls, std::string& problem)
{
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1))
    {
        const std::string part = folder.substr(0, slash);
        if (calls.mkdir(part.c_str(), kFolderMode) != 0 && errno != EEXIST)
        {
            problem = why(("cannot make " + part).c_str(), errno);
            return false;
        }
        if (slash == std::string::npos)
        {
            return true;
        }
    }
}

bool lockWithin(int fd, int waitMillis, const StoreCalls& calls)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMillis);
    while (calls.flock(fd, LOCK_EX | LOCK_NB) != 0)
    {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > deadline)
        {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kLockPollMillis));
    }
    return true;
}

// Reads the table at `path`: found is false when there is none. At most kLargestTable bytes
// are kept; `tooLong` says there were more.
bool readTable(const std::string& path, const StoreCalls& calls, TableLook& look, bool& tooLong)
{
    const int fd = calls.open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
    {
        look.found = false;
        if (errno == ENOENT)
        {
            return true;
        }
        look.problem = why(("cannot read " + path).c_str(), errno);
        return false;
    }
    look.found = true;
    std::string text;
    char buffer[4096];
    tooLong = false;
    for (;;)
    {
        const ssize_t got = calls.read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got < 0)
        {
            look.problem = why(("cannot read " + path).c_str(), errno);
            calls.close(fd);
            return false;
        }
        if (got == 0)
        {
            break;
        }
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > kLargestTable)
        {
            text.resize(kLargestTable);
            tooLong = true;
            break;
        }
    }
    calls.close(fd);
    look.reading = readScores(text);
    if (tooLong)
    {
        look.reading.sound = false;
        look.reading.problem = "it is far too long";
    }
    return true;
}

bool writeAll(int fd, const std::string& text, const StoreCalls& calls)
{
    size_t done = 0;
    while (done < text.size())
    {
        const ssize_t wrote = calls.write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
        {
            continue;
        }
        if (wrote <= 0)
        {
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    return true;
}

// Links the bad table to the first free set-aside name: a link never replaces a file, so no
// earlier set-aside table is lost, and the table itself stays until the new one replaces it.
bool setAside(const std::string& folder, const StoreCalls& calls, StoreResult& result)
{
    const std::string table = folder + "/" + kTableName;
    for (int n = 1; n <= kSetAsideNames; ++n)
    {
        const std::string aside = folder + "/" + kSetAsidePrefix + std::to_string(n);
        if (calls.link(table.c_str(), aside.c_str()) == 0)
        {
            result.setAsideAs = aside;
            return true;
        }
        if (errno != EEXIST)
        {
            result.problem = why("cannot set the bad table aside", errno);
            return false;
        }
    }
    result.problem = "cannot set the bad table aside: every name is taken";
    return false;
}

// Writes `text` to the new table's file, flushes it to the disk and renames it over the table.
bool replaceTable(const std::string& folder, const std::string& text, const StoreCalls& calls,
                  std::string& problem)
{
    const std::string fresh = folder + "/" + kNewTableName;
    const std::string table = folder + "/" + kTableName;
    const int fd = calls.open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kFileMode);
    if (fd < 0)
    {
        problem = why(("cannot write " + fresh).c_str(), errno);
        return false;
    }
    const bool written = writeAll(fd, text, calls) && calls.fsync(fd) == 0;
    const int error = errno;
    if (calls.close(fd) != 0 || !written)
    {
        problem = why(("cannot write " + fresh).c_str(), written ? errno : error);
        calls.unlink(fresh.c_str());
        return false;
    }
    if (calls.rename(fresh.c_str(), table.c_str()) != 0)
    {
        problem = why(("cannot replace " + table).c_str(), errno);
        calls.unlink(fresh.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder. If this fails the new table is in
    // place all the same; only a power cut could still lose it, and nothing more can be done.
    const int folderFd = calls.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (folderFd >= 0)
    {
        calls.fsync(folderFd);
        calls.close(folderFd);
    }
    return true;
}

// keepScore's work once the lock is held.
void keepLocked(const std::string& folder, const ScoreEntry& entry, const StoreCalls& calls,
                StoreResult& result)
{
    TableLook look;
    bool tooLong = false;
    if (!readTable(folder + "/" + kTableName, calls, look, tooLong))
    {
        // What cannot be read cannot be merged, so it is left as it is.
        result.problem = look.problem;
        return;
    }
    if (look.found && !look.reading.sound)
    {
        result.damage = look.reading.problem;
        result.recovered = look.reading.arcade.size();
        if (!setAside(folder, calls, result))
        {
            return;
        }
    }
    std::vector<ScoreEntry> entries = look.reading.arcade;
    entries.push_back(entry);
    const std::string text = writeScores(bestScores(entries));
    if (look.found && look.reading.sound && text == writeScores(look.reading.arcade))
    {
        // Not among the ten best, and the table already reads as it would be written.
        result.kept = true;
        return;
    }
    result.kept = replaceTable(folder, text, calls, result.problem);
}
}  // namespace

const StoreCalls& systemCalls()
{
    return kSystemCalls;
}

std::string scoreFolder(const char* xdgDataHome, const char* home)
{
    // A relative XDG_DATA_HOME is invalid and ignored; a relative HOME would put the table in
    // whatever folder the game was started from, so it counts as no home.
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/')
    {
        return std::string(xdgDataHome) + "/gemwell";
    }
    if (home != nullptr && home[0] == '/')
    {
        return std::string(home) + "/.local/share/gemwell";
    }
    return "";
}

StoreResult keepScore(const std::string& folder, const ScoreEntry& entry, const StoreCalls& calls,
                      int lockWaitMillis)
{
    StoreResult result;
    if (!makeFolders(folder, calls, result.problem))
    {
        return result;
    }
    const std::string lockPath = folder + "/" + kLockName;
    const int lockFd = calls.open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kFileMode);
    if (lockFd < 0)
    {
        result.problem = why(("cannot open " + lockPath).c_str(), errno);
        return result;
    }
    if (lockWithin(lockFd, lockWaitMillis, calls))
    {
        keepLocked(folder, entry, calls, result);
    }
    else
    {
        result.problem = errno == EWOULDBLOCK ? "another game held the table too long"
                                              : why("cannot lock the table", errno);
    }
    // Closing the lock file's last descriptor releases the lock.
    calls.close(lockFd);
    return result;
}

TableLook lookAtScores(const std::string& folder, const StoreCalls& calls)
{
    TableLook look;
    bool tooLong = false;
    readTable(folder + "/" + kTableName, calls, look, tooLong);
    return look;
}
