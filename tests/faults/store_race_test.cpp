// Two games that end at the same moment both keep their scores: each reads, merges and writes
// under the lock, so neither writes over a table the other has just changed.
#include "store_faults.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
// Starts two games that wait on one pipe and keep their scores when it closes; a full table
// of lower scores, so each new score pushes one out. Returns the table they leave.
std::string twoAtOnce(const std::string& folder, const ScoreEntry& first, const ScoreEntry& second,
                      int writeDelayMicros)
{
    int gate[2];
    if (pipe(gate) != 0)
    {
        return "";
    }
    pid_t games[2];
    const ScoreEntry entries[2] = {first, second};
    for (int i = 0; i < 2; ++i)
    {
        games[i] = fork();
        if (games[i] == 0)
        {
            close(gate[1]);
            char byte;
            (void)read(gate[0], &byte, 1);
            armFaults({0, FaultAction::None, writeDelayMicros});
            _exit(keepScore(folder, entries[i], faultyCalls()).kept ? 0 : 1);
        }
    }
    close(gate[0]);
    close(gate[1]);
    for (pid_t game : games)
    {
        int status = 0;
        waitpid(game, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    return readFile(folder + "/high-scores");
}
}  // namespace

TEST(StoreRace, TwoGamesEndingAtOnceBothKeepTheirScores)
{
    ScratchFolder scratch;
    const std::string folder = scratch.path() + "/gemwell";
    std::vector<ScoreEntry> full;
    for (int32_t i = 1; i <= 10; ++i)
    {
        full.push_back({i * 10, 1, "2026-11-01"});
    }
    constexpr int kRounds = 100;
    for (int round = 0; round < kRounds; ++round)
    {
        scratch.clear();
        mkdir(folder.c_str(), 0700);
        writeFile(folder + "/high-scores", writeScores(full));
        const ScoreEntry first = {1000 + round, 2, "2026-12-10"};
        const ScoreEntry second = {2000 + round, 3, "2026-12-10"};
        // Every other round the disk is slow, so that the two writes overlap for certain.
        const std::string table = twoAtOnce(folder, first, second, round % 2 == 0 ? 0 : 2000);
        std::vector<ScoreEntry> expected = full;
        expected.push_back(first);
        EXPECT_EQ(table, tableWith(expected, second)) << "round " << round;
    }
}
