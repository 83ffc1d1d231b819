// A game killed while it writes its score leaves the old table or the new one, never a mix, and
// the next game keeps its score as usual: killed at each of the store's system calls in turn,
// and at random moments of a writer that writes again and again.
#include "store_faults.h"

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
const std::vector<ScoreEntry> kFive = {{900, 4, "2026-11-02"},
                                       {700, 3, "2026-11-03"},
                                       {500, 3, "2026-11-04"},
                                       {300, 2, "2026-11-05"},
                                       {100, 1, "2026-11-06"}};
const ScoreEntry kAdded = {600, 3, "2026-12-10"};
// Its line is shorter than the others: a new table written over a longer leftover one shows.
const ScoreEntry kNext = {65, 3, "2026-12-11"};

struct KillScenario
{
    const char* name;
    std::string folderUnder;   // the store's folder, below the scratch folder
    std::string oldTable;      // "" for none
    std::string earlierAside;  // a table set aside before, "" for none
};

void prepare(const ScratchFolder& scratch, const KillScenario& scenario)
{
    scratch.clear();
    if (scenario.oldTable.empty())
    {
        return;
    }
    const std::string folder = scratch.path() + scenario.folderUnder;
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    writeFile(folder + "/high-scores", scenario.oldTable);
    if (!scenario.earlierAside.empty())
    {
        writeFile(folder + "/high-scores.damaged-1", scenario.earlierAside);
    }
}

// Kills a writer at each of its system calls in turn; returns how many kill points were tried.
long killAtEveryCall(const KillScenario& scenario)
{
    ScratchFolder scratch;
    const std::string folder = scratch.path() + scenario.folderUnder;
    const std::vector<ScoreEntry> recovered = readScores(scenario.oldTable).arcade;
    const std::string newTable = tableWith(recovered, kAdded);
    const bool bad = !scenario.oldTable.empty() && !readScores(scenario.oldTable).sound;

    prepare(scratch, scenario);
    armFaults({});
    EXPECT_TRUE(keepScore(folder, kAdded, faultyCalls()).kept);
    const long calls = callsMade();
    std::string sequence;
    for (const std::string& call : callsLogged())
    {
        sequence += call + " ";
    }
    std::cout << scenario.name << ": " << calls << " calls: " << sequence << "\n";

    for (long k = 1; k <= calls + 1; ++k)
    {
        prepare(scratch, scenario);
        const int status = inChild(
            [&]
            {
                armFaults({k, FaultAction::Kill});
                return keepScore(folder, kAdded, faultyCalls()).kept ? 0 : 1;
            });
        EXPECT_EQ(status, k <= calls ? 128 + SIGKILL : 0) << scenario.name << ", call " << k;
        const std::string table = readFile(folder + "/high-scores");
        EXPECT_TRUE(table == scenario.oldTable || table == newTable)
            << scenario.name << ", killed at call " << k << " of " << calls << ":\n"
            << table;
        if (!scenario.earlierAside.empty())
        {
            EXPECT_EQ(readFile(folder + "/high-scores.damaged-1"), scenario.earlierAside);
        }
        if (bad)
        {
            // The bad table is in place or set aside under a name of its own.
            const bool keptAside = readFile(folder + "/high-scores.damaged-2") == scenario.oldTable;
            EXPECT_TRUE(table == scenario.oldTable || keptAside) << "call " << k;
        }
        // Whatever the killed writer left (a lock file, a half-written new table), the next
        // game keeps its score.
        const StoreResult next = keepScore(folder, kNext);
        EXPECT_TRUE(next.kept) << next.problem;
        EXPECT_EQ(readFile(folder + "/high-scores"), tableWith(readScores(table).arcade, kNext))
            << "call " << k;
    }
    return calls + 1;
}
}  // namespace

TEST(StoreKilled, AtEachSystemCallLeavesTheOldTableOrTheNewOne)
{
    const std::string sound = writeScores(kFive);
    const std::string bad =
        "gemwell-scores 1\narcade 900 4 2026-11-02\nxx\narcade 100 1 2026-11-06";
    const KillScenario scenarios[] = {
        {"a sound table", "/gemwell", sound, ""},
        {"a bad table, one set aside before", "/gemwell", bad, "gemwell-scores 7\n"},
        {"no folder yet", "/data/gemwell", "", ""},
    };
    long tried = 0;
    for (const KillScenario& scenario : scenarios)
    {
        tried += killAtEveryCall(scenario);
    }
    std::cout << "kill points tried: " << tried << "\n";
    RecordProperty("kill_points", static_cast<int>(tried));
}

TEST(StoreKilled, AtRandomMomentsOfAWriterThatWritesAgainAndAgain)
{
    ScratchFolder scratch;
    const std::string folder = scratch.path() + "/gemwell";
    std::mt19937 random(31);
    constexpr int kRounds = 150;
    int leftNewTable = 0;
    int midGame = 0;
    for (int round = 0; round < kRounds; ++round)
    {
        scratch.clear();
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
        writeFile(folder + "/high-scores", writeScores(kFive));
        const pid_t child = fork();
        if (child == 0)
        {
            // Scores 1000, 1001, ...: each one enters the table.
            for (int32_t i = 0;; ++i)
            {
                keepScore(folder, {1000 + i, 5, "2026-12-10"});
            }
        }
        usleep(std::uniform_int_distribution<useconds_t>(0, 50000)(random));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);

        // The table is the one written after some number j of scores, never a mix.
        const std::string table = readFile(folder + "/high-scores");
        const ScoreReading reading = readScores(table);
        ASSERT_TRUE(reading.sound) << "round " << round << ":\n" << table;
        int32_t written = 0;
        for (const ScoreEntry& entry : reading.arcade)
        {
            written = std::max(written, entry.score >= 1000 ? entry.score - 999 : 0);
        }
        std::vector<ScoreEntry> expected = kFive;
        for (int32_t i = 0; i < written; ++i)
        {
            expected.push_back({1000 + i, 5, "2026-12-10"});
        }
        EXPECT_EQ(table, writeScores(bestScores(expected))) << "round " << round;
        leftNewTable += fileExists(folder + "/high-scores.new") ? 1 : 0;
        midGame += written > 0 ? 1 : 0;
    }
    std::cout << kRounds << " writers killed at random: " << midGame
              << " after writing at least once, " << leftNewTable
              << " leaving a new table half made\n";
}
