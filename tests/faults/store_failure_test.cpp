// A store call that fails (a full disk at each write, flush and rename), a real full file
// system, a folder it cannot write, no home, and a lock held too long: the old table stays as it
// was, the game goes on, and the player is told once.
#include "app/high_scores.h"
#include "store_faults.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const std::vector<ScoreEntry> kThree = {
    {800, 4, "2026-11-02"}, {400, 2, "2026-11-03"}, {200, 1, "2026-11-04"}};
const ScoreEntry kAdded = {600, 3, "2026-12-10"};
constexpr int kSkipped = 77;

size_t linesIn(const std::string& text)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A mount namespace of the process's own, as root or through a user namespace; false where
// neither is allowed.
bool ownMountNamespace()
{
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    if (unshare(CLONE_NEWNS) != 0)
    {
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        {
            return false;
        }
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    }
    return mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// Writes to `path` until the file system says it is full.
bool fillUp(const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    const std::string block(4096, 'x');
    while (write(fd, block.data(), block.size()) > 0)
    {
    }
    while (write(fd, "x", 1) > 0)
    {
    }
    const bool full = errno == ENOSPC;
    close(fd);
    return full;
}
}  // namespace

TEST(StoreFailing, EachCallThatFailsLeavesTheOldTableOrTheNewOneAndNeverClaimsAFailedWrite)
{
    ScratchFolder scratch;
    const std::string folder = scratch.path() + "/gemwell";
    const std::string tables[] = {writeScores(kThree),
                                  "gemwell-scores 3\narcade 800 4 2026-11-02\n"};
    long tried = 0;
    for (const std::string& old : tables)
    {
        const std::string fresh = tableWith(readScores(old).arcade, kAdded);
        auto prepare = [&]
        {
            scratch.clear();
            mkdir(folder.c_str(), 0700);
            writeFile(folder + "/high-scores", old);
        };
        prepare();
        armFaults({});
        ASSERT_TRUE(keepScore(folder, kAdded, faultyCalls()).kept);
        const std::vector<std::string> calls = callsLogged();
        const long renameAt = std::find(calls.begin(), calls.end(), "rename") - calls.begin() + 1;
        for (long k = 1; k <= static_cast<long>(calls.size()); ++k)
        {
            prepare();
            armFaults({k, FaultAction::Fail});
            const StoreResult result = keepScore(folder, kAdded, faultyCalls(), 100);
            const std::string& call = calls[static_cast<size_t>(k - 1)];
            const std::string table = readFile(folder + "/high-scores");
            EXPECT_EQ(table, result.kept ? fresh : old) << call << " (call " << k << ") failed";
            EXPECT_EQ(result.problem.empty(), result.kept) << call << " (call " << k << ")";
            // Up to the rename, a failed write, flush, rename or open means no score kept: the
            // disk may hold nothing of it.
            if (k <= renameAt && call != "close" && call != "unlink")
            {
                EXPECT_FALSE(result.kept) << call << " (call " << k << ") failed";
            }
            ++tried;
        }
    }
    std::cout << "failed calls tried: " << tried << "\n";
}

TEST(StoreFailing, ARealSmallFileSystemThatFillsKeepsTheOldTableAndTheGameGoesOn)
{
    ScratchFolder scratch;
    const std::string folder = scratch.path() + "/gemwell";
    std::string said;
    const int status = inChild(
        [&]
        {
            if (!ownMountNamespace() ||
                mount("tmpfs", scratch.path().c_str(), "tmpfs", 0, "size=64k") != 0)
            {
                return kSkipped;
            }
            for (const ScoreEntry& entry : kThree)
            {
                if (!keepScore(folder, entry).kept)
                {
                    return 1;
                }
            }
            const std::string old = readFile(folder + "/high-scores");
            if (old != writeScores(kThree) || !fillUp(scratch.path() + "/filler"))
            {
                return 2;
            }
            const StoreResult result = keepScore(folder, kAdded);
            if (result.kept || result.problem.find("No space left") == std::string::npos)
            {
                return 3;
            }
            setenv("XDG_DATA_HOME", scratch.path().c_str(), 1);
            keepArcadeScore(700, 4);
            keepArcadeScore(750, 4);
            return readFile(folder + "/high-scores") == old ? 0 : 4;
        },
        said);
    if (status == kSkipped)
    {
        GTEST_SKIP() << "no mount namespace here (neither root nor user namespaces)";
    }
    EXPECT_EQ(status, 0) << said;
    EXPECT_EQ(linesIn(said), 1u) << said;
    EXPECT_NE(said.find("this score cannot be kept (cannot write"), std::string::npos) << said;
}

TEST(StoreFailing, NoHomeOrAFolderItCannotWriteSaysSoOnceAndPlaysOn)
{
    ScratchFolder scratch;
    chmod(scratch.path().c_str(), 0755);
    const std::string folder = scratch.path() + "/gemwell";
    std::string said;

    // No home: nothing is written anywhere, the working directory least of all.
    const int noHome = inChild(
        [&]
        {
            unsetenv("XDG_DATA_HOME");
            setenv("HOME", "", 1);
            if (chdir(scratch.path().c_str()) != 0)
            {
                return 1;
            }
            keepArcadeScore(500, 2);
            setenv("XDG_DATA_HOME", "data", 1);
            setenv("HOME", "home", 1);
            keepArcadeScore(600, 2);
            return 0;
        },
        said);
    EXPECT_EQ(noHome, 0);
    EXPECT_EQ(said, "gemwell: scores cannot be kept: neither XDG_DATA_HOME nor HOME names a "
                    "folder\n");
    EXPECT_TRUE(namesIn(scratch.path()).empty());

    // A folder it may not write (as root, the child first becomes nobody), and one that is
    // a file.
    mkdir(folder.c_str(), 0700);
    writeFile(folder + "/high-scores", writeScores(kThree));
    chmod(folder.c_str(), 0555);
    const int readOnly = inChild(
        [&]
        {
            if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            {
                return 1;
            }
            setenv("XDG_DATA_HOME", scratch.path().c_str(), 1);
            keepArcadeScore(500, 2);
            keepArcadeScore(900, 5);
            return 0;
        },
        said);
    EXPECT_EQ(readOnly, 0);
    EXPECT_EQ(linesIn(said), 1u) << said;
    EXPECT_NE(said.find("this score cannot be kept (cannot open " + folder), std::string::npos)
        << said;
    EXPECT_EQ(readFile(folder + "/high-scores"), writeScores(kThree));
    EXPECT_EQ(namesIn(folder), std::set<std::string>{"high-scores"});
    chmod(folder.c_str(), 0700);

    writeFile(scratch.path() + "/file", "");
    const StoreResult underAFile = keepScore(scratch.path() + "/file/gemwell", kAdded);
    EXPECT_FALSE(underAFile.kept);
    EXPECT_NE(underAFile.problem.find("Not a directory"), std::string::npos);
}

TEST(StoreFailing, ALockHeldTooLongCostsThisScoreOnlyAfterTheWait)
{
    ScratchFolder scratch;
    const std::string folder = scratch.path() + "/gemwell";
    ASSERT_TRUE(keepScore(folder, kThree[0]).kept);
    const std::string old = readFile(folder + "/high-scores");

    // Another game's lock: flock locks belong to an open file, so one opened here is another's.
    const int other = open((folder + "/high-scores.lock").c_str(), O_RDWR);
    ASSERT_EQ(flock(other, LOCK_EX), 0);
    const auto start = std::chrono::steady_clock::now();
    const StoreResult result = keepScore(folder, kAdded, systemCalls(), 300);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(result.kept);
    EXPECT_EQ(result.problem, "another game held the table too long");
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_LT(waited, std::chrono::milliseconds(5000));
    EXPECT_EQ(readFile(folder + "/high-scores"), old);

    close(other);
    EXPECT_TRUE(keepScore(folder, kAdded, systemCalls(), 300).kept);
    EXPECT_EQ(readFile(folder + "/high-scores"), tableWith({kThree[0]}, kAdded));
}
