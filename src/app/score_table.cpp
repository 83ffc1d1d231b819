#include "app/score_table.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace
{
constexpr std::string_view kHeaderWord = "gemwell-scores";
constexpr std::string_view kArcade = "arcade";

// A decimal count with no sign and no leading zero that fits an int32_t; false otherwise.
bool readCount(std::string_view text, int32_t& value)
{
    constexpr size_t kMaxDigits = 10;  // 2147483647
    if (text.empty() || text.size() > kMaxDigits || (text[0] == '0' && text.size() > 1))
    {
        return false;
    }
    int64_t total = 0;
    for (char digit : text)
    {
        if (digit < '0' || digit > '9')
        {
            return false;
        }
        total = total * 10 + (digit - '0');
    }
    if (total > std::numeric_limits<int32_t>::max())
    {
        return false;
    }
    value = static_cast<int32_t>(total);
    return true;
}

// Splits `line` at single spaces into exactly `count` non-empty words.
bool splitWords(std::string_view line, std::string_view* words, size_t count)
{
    for (size_t i = 0; i < count; ++i)
    {
        const size_t space = line.find(' ');
        const bool last = i + 1 == count;
        if (last != (space == std::string_view::npos))
        {
            return false;
        }
        words[i] = line.substr(0, space);
        if (words[i].empty())
        {
            return false;
        }
        line = last ? std::string_view() : line.substr(space + 1);
    }
    return true;
}

bool readEntry(std::string_view line, ScoreEntry& entry)
{
    std::string_view words[4];
    if (!splitWords(line, words, 4) || words[0] != kArcade || !isScoreDate(words[3]))
    {
        return false;
    }
    if (!readCount(words[1], entry.score) || !readCount(words[2], entry.level))
    {
        return false;
    }
    entry.date = std::string(words[3]);
    return true;
}

// Why a first line that is no entry is not this game's version line; empty when it is.
std::string headerProblem(std::string_view line)
{
    const std::string prefix = std::string(kHeaderWord) + " ";
    if (line.substr(0, prefix.size()) != prefix)
    {
        return "it is not a gemwell score table";
    }
    int32_t version = 0;
    if (!readCount(line.substr(prefix.size()), version) || version < kScoreFormatVersion)
    {
        return "its version line is damaged";
    }
    if (version > kScoreFormatVersion)
    {
        return "it is version " + std::to_string(version) + ", newer than this game's " +
               std::to_string(kScoreFormatVersion);
    }
    return "";
}

bool betterThan(const ScoreEntry& a, const ScoreEntry& b)
{
    if (a.score != b.score)
    {
        return a.score > b.score;
    }
    if (a.date != b.date)
    {
        return a.date < b.date;
    }
    return a.level > b.level;
}
}  // namespace

bool isScoreDate(std::string_view date)
{
    if (date.size() != 10 || date[4] != '-' || date[7] != '-')
    {
        return false;
    }
    int fields[3] = {0, 0, 0};
    const size_t starts[3] = {0, 5, 8};
    const size_t widths[3] = {4, 2, 2};
    for (int f = 0; f < 3; ++f)
    {
        for (size_t i = starts[f]; i < starts[f] + widths[f]; ++i)
        {
            if (date[i] < '0' || date[i] > '9')
            {
                return false;
            }
            fields[f] = fields[f] * 10 + (date[i] - '0');
        }
    }
    const int year = fields[0];
    const int month = fields[1];
    const int day = fields[2];
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1)
    {
        return false;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

ScoreReading readScores(std::string_view text)
{
    ScoreReading reading;
    auto fault = [&reading](const std::string& problem)
    {
        if (reading.sound)
        {
            reading.sound = false;
            reading.problem = problem;
        }
    };
    if (text.empty())
    {
        fault("it is empty");
        return reading;
    }
    size_t lineNumber = 0;
    while (!text.empty())
    {
        ++lineNumber;
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (end == std::string_view::npos)
        {
            fault("it is cut short");
        }
        ScoreEntry entry;
        if (readEntry(line, entry))
        {
            reading.arcade.push_back(entry);
            if (lineNumber == 1)
            {
                fault("it has no version line");
            }
            continue;
        }
        if (lineNumber == 1)
        {
            const std::string problem = headerProblem(line);
            if (!problem.empty())
            {
                fault(problem);
            }
            continue;
        }
        fault("line " + std::to_string(lineNumber) + " is damaged");
    }
    return reading;
}

std::vector<ScoreEntry> bestScores(std::vector<ScoreEntry> entries)
{
    std::stable_sort(entries.begin(), entries.end(), betterThan);
    if (entries.size() > kScoresKept)
    {
        entries.resize(kScoresKept);
    }
    return entries;
}

std::string writeScores(const std::vector<ScoreEntry>& arcade)
{
    std::string text = std::string(kHeaderWord) + " " + std::to_string(kScoreFormatVersion) + "\n";
    for (const ScoreEntry& entry : arcade)
    {
        text += std::string(kArcade) + " " + std::to_string(entry.score) + " " +
                std::to_string(entry.level) + " " + entry.date + "\n";
    }
    return text;
}

std::string showScores(const std::vector<ScoreEntry>& arcade)
{
    std::string text = "Arcade high scores\n  #       score  level  date\n";
    char line[80];
    for (size_t i = 0; i < arcade.size(); ++i)
    {
        std::snprintf(line, sizeof line, "%3zu  %10ld  %5ld  %s\n", i + 1,
                      static_cast<long>(arcade[i].score), static_cast<long>(arcade[i].level),
                      arcade[i].date.c_str());
        text += line;
    }
    return text;
}
