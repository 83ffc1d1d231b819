// Where the high-score table lives and how it is changed: found by the XDG rule, changed under a
// lock (flock on a lock file beside it), written to a temporary file that is flushed and then
// renamed over it, a bad one set aside under a name of its own first. Prints nothing: the caller
// says what went wrong, once.
#pragma once

#include "app/score_table.h"

#include <string>
#include <sys/types.h>

// Every system call the store makes, so that the fault tests can fail any one of them or end the
// process at it. The game uses systemCalls().
struct StoreCalls
{
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void* buffer, size_t size);
    ssize_t (*write)(int fd, const void* buffer, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*link)(const char* from, const char* to);
    int (*unlink)(const char* path);
    int (*mkdir)(const char* path, mode_t mode);
    int (*flock)(int fd, int operation);
};
const StoreCalls& systemCalls();

// File names inside the folder.
constexpr const char* kTableName = "high-scores";
constexpr const char* kLockName = "high-scores.lock";
constexpr const char* kNewTableName = "high-scores.new";
constexpr const char* kSetAsidePrefix = "high-scores.damaged-";  // then 1, 2, 3...
// How long a game waits for another's write before giving up its score: the game over path
// waits on this, so it stays short.
constexpr int kLockWaitMillis = 3000;
// A table larger than this is not one this game wrote: only its beginning is read.
constexpr size_t kLargestTable = 1024 * 1024;

// The table's folder: $XDG_DATA_HOME/gemwell when that is an absolute path, else
// $HOME/.local/share/gemwell when HOME is one; empty when neither is (no home).
std::string scoreFolder(const char* xdgDataHome, const char* home);

// What keepScore did.
struct StoreResult
{
    bool kept = false;       // the table now holds the entry, or has ten better ones
    std::string problem;     // when not kept, why, in a few words
    std::string damage;      // when the table was bad, why (see ScoreReading::problem)
    std::string setAsideAs;  // and the path it was set aside under
    size_t recovered = 0;    // and how many entries were read from it
};

// Adds `entry` to the table in `folder` (created as needed): waits at most `lockWaitMillis`
// for the lock, reads the table, sets it aside when it is bad, and writes the top ten back.
// Whatever fails or wherever the process is killed, the table is the old one or the new one.
StoreResult keepScore(const std::string& folder, const ScoreEntry& entry,
                      const StoreCalls& calls = systemCalls(),
                      int lockWaitMillis = kLockWaitMillis);

// The table in `folder` as it stands, read without the lock (a rename replaces it whole) and
// never changed, even when it is bad.
struct TableLook
{
    bool found = false;   // false: there is no table yet
    std::string problem;  // it could not be read at all, and why
    ScoreReading reading;
};
TableLook lookAtScores(const std::string& folder, const StoreCalls& calls = systemCalls());
