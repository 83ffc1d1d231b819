#include "store_faults.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
FaultPlan g_plan;
long g_calls = 0;
std::vector<std::string> g_log;

// Counts a call; true when it is the one to fail. Kills the process when that is the plan.
bool faultHere(const char* name)
{
    ++g_calls;
    g_log.push_back(name);
    if (g_calls != g_plan.at)
    {
        return false;
    }
    if (g_plan.action == FaultAction::Kill)
    {
        raise(SIGKILL);
    }
    return g_plan.action == FaultAction::Fail;
}

int failWith(int error)
{
    errno = error;
    return -1;
}

int countedOpen(const char* path, int flags, mode_t mode)
{
    return faultHere("open") ? failWith((flags & O_CREAT) != 0 ? ENOSPC : EIO)
                             : ::open(path, flags, mode);
}
ssize_t countedRead(int fd, void* buffer, size_t size)
{
    return faultHere("read") ? failWith(EIO) : ::read(fd, buffer, size);
}
ssize_t countedWrite(int fd, const void* buffer, size_t size)
{
    if (faultHere("write"))
    {
        return failWith(ENOSPC);
    }
    if (g_plan.writeDelayMicros > 0)
    {
        usleep(static_cast<useconds_t>(g_plan.writeDelayMicros));
    }
    return ::write(fd, buffer, size);
}
int countedFsync(int fd)
{
    return faultHere("fsync") ? failWith(ENOSPC) : ::fsync(fd);
}
int countedClose(int fd)
{
    // A failed close still releases the descriptor, as Linux's does.
    const bool fail = faultHere("close");
    const int result = ::close(fd);
    return fail ? failWith(ENOSPC) : result;
}
int countedRename(const char* from, const char* to)
{
    return faultHere("rename") ? failWith(ENOSPC) : ::rename(from, to);
}
int countedLink(const char* from, const char* to)
{
    return faultHere("link") ? failWith(ENOSPC) : ::link(from, to);
}
int countedUnlink(const char* path)
{
    return faultHere("unlink") ? failWith(EIO) : ::unlink(path);
}
int countedMkdir(const char* path, mode_t mode)
{
    return faultHere("mkdir") ? failWith(ENOSPC) : ::mkdir(path, mode);
}
int countedFlock(int fd, int operation)
{
    return faultHere("flock") ? failWith(ENOLCK) : ::flock(fd, operation);
}

const StoreCalls kFaultyCalls = {countedOpen,  countedRead,   countedWrite, countedFsync,
                                 countedClose, countedRename, countedLink,  countedUnlink,
                                 countedMkdir, countedFlock};
}  // namespace

ScratchFolder::ScratchFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/gemwell-faults-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
    {
        std::abort();
    }
    m_path = pattern;
}

ScratchFolder::~ScratchFolder()
{
    clear();
    rmdir(m_path.c_str());
}

void ScratchFolder::clear() const
{
    // Depth first, so that each folder is empty by the time it is removed; the scratch folder
    // itself (level 0) stays.
    nftw(
        m_path.c_str(),
        [](const char* path, const struct stat*, int type, FTW* where)
        {
            if (where->level > 0)
            {
                type == FTW_DP ? rmdir(path) : unlink(path);
            }
            return 0;
        },
        16, FTW_DEPTH | FTW_PHYS);
}

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool fileExists(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::set<std::string> namesIn(const std::string& folder)
{
    std::set<std::string> names;
    if (DIR* dir = opendir(folder.c_str()))
    {
        while (const dirent* entry = readdir(dir))
        {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
            {
                names.insert(name);
            }
        }
        closedir(dir);
    }
    return names;
}

int inChild(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0)
    {
        _exit(body());
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR)
    {
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

int inChild(const std::function<int()>& body, std::string& stderrText)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
    {
        std::abort();
    }
    const pid_t child = fork();
    if (child == 0)
    {
        close(pipeFds[0]);
        dup2(pipeFds[1], STDERR_FILENO);
        _exit(body());
    }
    close(pipeFds[1]);
    stderrText.clear();
    char buffer[512];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) != 0;)
    {
        if (got > 0)
        {
            stderrText.append(buffer, static_cast<size_t>(got));
        }
        else if (errno != EINTR)
        {
            break;
        }
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR)
    {
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

void armFaults(const FaultPlan& plan)
{
    g_plan = plan;
    g_calls = 0;
    g_log.clear();
}

long callsMade()
{
    return g_calls;
}
const std::vector<std::string>& callsLogged()
{
    return g_log;
}
const StoreCalls& faultyCalls()
{
    return kFaultyCalls;
}

std::string tableWith(std::vector<ScoreEntry> entries, const ScoreEntry& added)
{
    entries.push_back(added);
    return writeScores(bestScores(entries));
}
