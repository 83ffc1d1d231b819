// A thousand generated bad tables: truncated, garbage, foreign, future versions, huge numbers,
// long lines, NULs, odd line ends and random edits of a valid one. None crashes the store; each
// bad one is set aside whole; and the table written after it holds every valid entry line it
// had (within the first kLargestTable bytes), as an independent reading of the format finds them.
#include "store_faults.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include <regex>
#include <sys/stat.h>

namespace
{
using Random = std::mt19937;

int pick(Random& random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

// The format's entry line, read a second way: a pattern, then the calendar of timegm.
bool entryLine(const std::string& line, ScoreEntry& entry)
{
    static const std::regex kPattern(
        "arcade (0|[1-9][0-9]{0,9}) (0|[1-9][0-9]{0,9}) ([0-9]{4})-([0-9]{2})-([0-9]{2})");
    std::smatch parts;
    constexpr size_t kLongestEntry = 64;
    if (line.size() > kLongestEntry || !std::regex_match(line, parts, kPattern))
    {
        return false;
    }
    const long long score = std::stoll(parts[1]);
    const long long level = std::stoll(parts[2]);
    std::tm day{};
    day.tm_year = std::stoi(parts[3]) - 1900;
    day.tm_mon = std::stoi(parts[4]) - 1;
    day.tm_mday = std::stoi(parts[5]);
    day.tm_hour = 12;
    std::tm back{};
    const time_t seconds = timegm(&day);
    gmtime_r(&seconds, &back);
    if (score > INT32_MAX || level > INT32_MAX || back.tm_mday != std::stoi(parts[5]) ||
        back.tm_mon != std::stoi(parts[4]) - 1)
    {
        return false;
    }
    entry = {static_cast<int32_t>(score), static_cast<int32_t>(level),
             line.substr(line.size() - 10)};
    return true;
}

// What a careful reader recovers from `text`, and whether it is exactly a table of ours.
std::vector<ScoreEntry> recoverable(const std::string& whole, bool& sound)
{
    const std::string text = whole.substr(0, kLargestTable);
    std::vector<ScoreEntry> entries;
    sound = whole.size() <= kLargestTable && !text.empty() && text.back() == '\n';
    size_t start = 0;
    for (size_t number = 1; start < text.size(); ++number)
    {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::string line = text.substr(start, end - start);
        ScoreEntry entry;
        if (entryLine(line, entry))
        {
            entries.push_back(entry);
            sound = sound && number > 1;
        }
        else
        {
            sound = sound && number == 1 && line == "gemwell-scores 1";
        }
        start = end + 1;
    }
    return entries;
}

std::string randomDate(Random& random)
{
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", pick(random, 1990, 2099),
                  pick(random, 1, 12), pick(random, 1, 28));
    return date;
}

std::string validLine(Random& random)
{
    return "arcade " + std::to_string(pick(random, 0, 2000000)) + " " +
           std::to_string(pick(random, 0, 40)) + " " + randomDate(random);
}

std::string validTable(Random& random)
{
    std::string text = "gemwell-scores 1\n";
    for (int i = pick(random, 0, 12); i > 0; --i)
    {
        text += validLine(random) + "\n";
    }
    return text;
}

std::string randomBytes(Random& random, size_t size, bool anyByte)
{
    const std::string near = "arcade 0123456789 -\n";
    std::string bytes;
    for (size_t i = 0; i < size; ++i)
    {
        bytes += anyByte ? static_cast<char>(pick(random, 0, 255))
                         : near[static_cast<size_t>(pick(random, 0, int(near.size()) - 1))];
    }
    return bytes;
}

// Valid lines, other lines and `header` on top.
std::string mixedTable(Random& random, const std::string& header, const std::string& other)
{
    std::string text = header;
    for (int i = pick(random, 0, 8); i > 0; --i)
    {
        text += (pick(random, 0, 2) == 0 ? other : validLine(random)) + "\n";
    }
    return text;
}

std::string mutate(Random& random, std::string text)
{
    for (int edits = pick(random, 1, 8); edits > 0 && !text.empty(); --edits)
    {
        const size_t at = static_cast<size_t>(pick(random, 0, int(text.size()) - 1));
        switch (pick(random, 0, 3))
        {
            case 0:
                text[at] = static_cast<char>(text[at] ^ (1 << pick(random, 0, 7)));
                break;
            case 1:
                text.erase(at, 1);
                break;
            case 2:
                text.insert(at, 1, "0123456789 -\n\0a"[pick(random, 0, 14)]);
                break;
            default:
                text.insert(at, text.substr(at, static_cast<size_t>(pick(random, 1, 30))));
        }
    }
    return text;
}

std::string badTable(Random& random, int kind)
{
    const char* const foreign[] = {"[window]\nwidth=640\n", "\x89PNG\r\n\x1a\n",
                                   "{\"scores\": []}\n",    "#!/bin/sh\n",
                                   "GEMWELL-SCORES 1\n",    "gemwell-score 1\n"};
    const char* const versions[] = {
        "2", "3", "10", "2147483647", "2147483648", "99999999999999999999", "-1", "1.0", ""};
    const char* const numbers[] = {"2147483647", "2147483648", "4294967296", "99999999999999999999",
                                   "-1",         "007",        "0",          "+5",
                                   "1e9"};
    switch (kind)
    {
        case 0:
        {
            const std::string whole = validTable(random);
            return whole.substr(0, static_cast<size_t>(pick(random, 0, int(whole.size()) - 1)));
        }
        case 1:
            return randomBytes(random, static_cast<size_t>(pick(random, 0, 400)), true);
        case 2:
            return "gemwell-scores 1\n" +
                   randomBytes(random, static_cast<size_t>(pick(random, 0, 400)), false);
        case 3:
            return mixedTable(random, foreign[pick(random, 0, 5)], "name=player");
        case 4:
            return mixedTable(random,
                              std::string("gemwell-scores ") + versions[pick(random, 0, 8)] + "\n",
                              "arcade 100 2 2026-12-10 +combo");
        case 5:
            return mixedTable(random, "gemwell-scores 1\n",
                              std::string("arcade ") + numbers[pick(random, 0, 8)] + " " +
                                  numbers[pick(random, 0, 8)] + " " + randomDate(random));
        case 6:
        {
            // One in four is longer than the reader reads, with valid lines past its end.
            const bool huge = pick(random, 0, 3) == 0;
            const size_t length = huge ? kLargestTable / 2 + 1 : size_t(pick(random, 100, 200000));
            const std::string longLine = pick(random, 0, 1) == 0
                                             ? std::string(length, '7')
                                             : "arcade 1 1 " + std::string(length, '9');
            std::string text = validTable(random) + longLine + "\n" + validLine(random) + "\n";
            return huge ? text + longLine + "\n" + validLine(random) + "\n" : text;
        }
        case 7:
        {
            std::string text = validTable(random);
            for (int i = pick(random, 1, 5); i > 0; --i)
            {
                text.insert(static_cast<size_t>(pick(random, 0, int(text.size()))), 1, '\0');
            }
            return text;
        }
        case 8:
            return mutate(random, validTable(random));
        default:
        {
            const char* const odd[] = {"\r\n", "\t", "  ", " \n", "\n\n"};
            std::string text = validTable(random);
            const size_t at =
                text.rfind('\n', static_cast<size_t>(pick(random, 0, int(text.size()) - 1)));
            return text.replace(at == std::string::npos ? 0 : at, 1, odd[pick(random, 0, 4)]);
        }
    }
}
}  // namespace

TEST(BadTables, AThousandGeneratedOnesAreSetAsideAndEveryValidEntryIsKept)
{
    ScratchFolder scratch;
    const std::string folder = scratch.path() + "/gemwell";
    // What is tested here is the reading: the disk need not be flushed a thousand times.
    StoreCalls quick = systemCalls();
    quick.fsync = [](int) { return 0; };
    Random random(1031);
    constexpr int kFiles = 1000;
    int bad = 0;
    size_t recovered = 0;
    for (int i = 0; i < kFiles; ++i)
    {
        const std::string text = badTable(random, i % 10);
        bool sound = false;
        const std::vector<ScoreEntry> expected = recoverable(text, sound);
        const ScoreReading reading = readScores(text.substr(0, kLargestTable));
        EXPECT_EQ(reading.arcade, expected) << "file " << i;
        if (text.size() <= kLargestTable)
        {
            EXPECT_EQ(reading.sound, sound) << "file " << i;
        }

        scratch.clear();
        mkdir(folder.c_str(), 0700);
        writeFile(folder + "/high-scores", text);
        const ScoreEntry added = {pick(random, 0, 2000000), 3, "2026-12-10"};
        const StoreResult result = keepScore(folder, added, quick);
        ASSERT_TRUE(result.kept) << "file " << i << ": " << result.problem;
        EXPECT_EQ(readFile(folder + "/high-scores"), tableWith(expected, added)) << "file " << i;
        if (sound)
        {
            EXPECT_FALSE(fileExists(folder + "/high-scores.damaged-1")) << "file " << i;
        }
        else
        {
            EXPECT_EQ(readFile(folder + "/high-scores.damaged-1"), text) << "file " << i;
            EXPECT_EQ(result.recovered, expected.size()) << "file " << i;
            ++bad;
            recovered += expected.size();
        }
    }
    std::cout << kFiles << " generated tables, " << bad << " bad, set aside whole; " << recovered
              << " valid entry lines recovered from the bad ones\n";
    EXPECT_GE(bad, kFiles * 9 / 10);
}
