// The high-score table's text: reading it back (recovering what it can from a damaged one),
// adding a score, keeping the top ten and writing it out. Pure: no files, no clock.
//
//   gemwell-scores 1
//   arcade 12840 7 2026-12-10
//
// The first line names the format and its version; then one entry a line: the mode, the score,
// the level reached and the local date the game ended. Arcade is the only mode kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One finished game.
struct ScoreEntry
{
    int32_t score = 0;
    int32_t level = 0;
    std::string date;  // YYYY-MM-DD, the local date the game ended

    bool operator==(const ScoreEntry& other) const
    {
        return score == other.score && level == other.level && date == other.date;
    }
};

// How many entries a mode keeps.
constexpr size_t kScoresKept = 10;
// The version this game reads and writes.
constexpr int kScoreFormatVersion = 1;

// What the reader made of a file's text.
struct ScoreReading
{
    std::vector<ScoreEntry> arcade;  // every valid entry line, in file order (not yet trimmed)
    bool sound = true;               // false: the file is not exactly what this game writes
    std::string problem;             // why not, in a few words, for the one line on stderr
};

// Reads a table. Any line that is a valid entry is kept, wherever it stands, even in a damaged,
// truncated, foreign or future-version file: those are not sound, and say why.
ScoreReading readScores(std::string_view text);

// True for "YYYY-MM-DD" naming a real day of the Gregorian calendar.
bool isScoreDate(std::string_view date);

// The best kScoresKept of `entries`, best first: higher score first, then the earlier date (the
// first to reach a score keeps the place), then the higher level.
std::vector<ScoreEntry> bestScores(std::vector<ScoreEntry> entries);

// The table's text for `arcade`, its version line first.
std::string writeScores(const std::vector<ScoreEntry>& arcade);

// The table as --scores prints it, for people: rank, score, level, date.
std::string showScores(const std::vector<ScoreEntry>& arcade);
