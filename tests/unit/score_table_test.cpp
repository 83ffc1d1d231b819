#include "app/score_store.h"
#include "app/score_table.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

// How a failed check shows an entry.
void PrintTo(const ScoreEntry& entry, std::ostream* out)
{
    *out << entry.score << " " << entry.level << " " << entry.date;
}

namespace
{
std::vector<ScoreEntry> entriesOf(std::string_view text)
{
    return readScores(text).arcade;
}
}  // namespace

TEST(ScoreTable, WritesItsVersionLineThenOneEntryALineAndReadsItBackSound)
{
    const std::vector<ScoreEntry> table = {{2147483647, 12, "2026-12-10"}, {0, 0, "2000-02-29"}};
    const std::string text = writeScores(table);
    EXPECT_EQ(text, "gemwell-scores 1\narcade 2147483647 12 2026-12-10\narcade 0 0 2000-02-29\n");
    const ScoreReading reading = readScores(text);
    EXPECT_TRUE(reading.sound) << reading.problem;
    EXPECT_EQ(reading.arcade, table);
    EXPECT_TRUE(readScores(writeScores({})).sound);
}

TEST(ScoreTable, KeepsTheTenBestHigherScoreThenEarlierDateThenHigherLevel)
{
    std::vector<ScoreEntry> entries;
    for (int32_t i = 0; i < 12; ++i)
    {
        entries.push_back({100 * i, 1, "2026-01-01"});
    }
    // Ties: the earlier date first, then the higher level; an exact repeat is a game of its own.
    entries.push_back({500, 2, "2025-12-31"});
    entries.push_back({500, 3, "2026-01-01"});
    entries.push_back({500, 3, "2026-01-01"});
    const std::vector<ScoreEntry> best = bestScores(entries);
    const std::vector<ScoreEntry> expected = {{1100, 1, "2026-01-01"}, {1000, 1, "2026-01-01"},
                                              {900, 1, "2026-01-01"},  {800, 1, "2026-01-01"},
                                              {700, 1, "2026-01-01"},  {600, 1, "2026-01-01"},
                                              {500, 2, "2025-12-31"},  {500, 3, "2026-01-01"},
                                              {500, 3, "2026-01-01"},  {500, 1, "2026-01-01"}};
    EXPECT_EQ(best, expected);
    EXPECT_EQ(bestScores(std::vector<ScoreEntry>(entries.rbegin(), entries.rend())), expected);
}

TEST(ScoreTable, ABadFileSaysWhyAndStillGivesEveryValidEntryLine)
{
    const std::string good = "arcade 700 5 2026-12-10";
    struct Case
    {
        std::string text;
        std::string problem;
        size_t entries;
    };
    const Case cases[] = {
        {"", "it is empty", 0},
        {"gemwell-scores 1\n" + good, "it is cut short", 1},
        {"gemwell-scores 1\n" + good + "\narcade 70", "it is cut short", 1},
        {"gemwell-scores 1\n" + good + "\n\n" + good + "\n", "line 3 is damaged", 2},
        {"gemwell-scores 2\n" + good + "\n", "it is version 2, newer than this game's 1", 1},
        {"gemwell-scores 99999999999\n" + good + "\n", "its version line is damaged", 1},
        {"gemwell-scores 0\n", "its version line is damaged", 0},
        {good + "\n" + good + "\n", "it has no version line", 2},
        {"[window]\nwidth=640\n" + good + "\n", "it is not a gemwell score table", 1},
        {"gemwell-scores 1\r\n" + good + "\r\n", "its version line is damaged", 0},
    };
    for (const Case& c : cases)
    {
        const ScoreReading reading = readScores(c.text);
        EXPECT_FALSE(reading.sound) << c.text;
        EXPECT_EQ(reading.problem, c.problem) << c.text;
        EXPECT_EQ(reading.arcade.size(), c.entries) << c.text;
    }
}

TEST(ScoreTable, AnEntryIsExactlyModeScoreLevelAndARealDate)
{
    const char* const valid[] = {
        "arcade 0 1 2026-12-10", "arcade 2147483647 2147483647 9999-12-31",
        "arcade 5 5 2024-02-29", "arcade 5 5 2000-02-29",
        "arcade 5 5 0001-01-31",
    };
    for (const char* line : valid)
    {
        EXPECT_EQ(entriesOf(line).size(), 1u) << line;
    }
    const char* const invalid[] = {
        "arcade 2147483648 1 2026-12-10", "arcade 1 99999999999999999999 2026-12-10",
        "arcade -1 1 2026-12-10",         "arcade 007 1 2026-12-10",
        "arcade +7 1 2026-12-10",         "arcade 7 1 2023-02-29",
        "arcade 7 1 1900-02-29",          "arcade 7 1 2026-04-31",
        "arcade 7 1 2026-13-01",          "arcade 7 1 2026-00-10",
        "arcade 7 1 2026-12-00",          "arcade 7 1 2026-12-1",
        "arcade 7 1 2026/12/10",          "arcade  7 1 2026-12-10",
        "arcade 7 1 2026-12-10 ",         "arcade\t7 1 2026-12-10",
        "classic 7 1 2026-12-10",         "arcade 7 2026-12-10",
        "arcade 7 1 2026-12-10 x",        "Arcade 7 1 2026-12-10",
    };
    for (const char* line : invalid)
    {
        EXPECT_TRUE(entriesOf(line).empty()) << line;
    }
    EXPECT_TRUE(entriesOf(std::string("arcade 7 1 2026-12-10\0", 22)).empty());
    EXPECT_EQ(entriesOf("arcade 7 1 2026-12-10")[0], (ScoreEntry{7, 1, "2026-12-10"}));
}

TEST(ScoreFolder, AnAbsoluteXdgDataHomeThenAnAbsoluteHomeNeverTheWorkingDirectory)
{
    EXPECT_EQ(scoreFolder("/x/data", "/home/p"), "/x/data/gemwell");
    EXPECT_EQ(scoreFolder("data", "/home/p"), "/home/p/.local/share/gemwell");
    EXPECT_EQ(scoreFolder("", "/home/p"), "/home/p/.local/share/gemwell");
    EXPECT_EQ(scoreFolder(nullptr, "/home/p"), "/home/p/.local/share/gemwell");
    EXPECT_EQ(scoreFolder(nullptr, ""), "");
    EXPECT_EQ(scoreFolder("", nullptr), "");
    EXPECT_EQ(scoreFolder("data", "home"), "");
}
