// What the store's fault tests share: a scratch folder, whole files read and written, child
// processes, and StoreCalls that count the store's system calls and kill the process at, or
// fail, a chosen one.
#pragma once

#include "app/score_store.h"

#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

// A fresh folder under TMPDIR (or /tmp), removed with everything in it at the end.
class ScratchFolder
{
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return m_path; }
    // Empties the folder, keeping it.
    void clear() const;

private:
    std::string m_path;
};

std::string readFile(const std::string& path);  // "" when missing
bool fileExists(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
std::set<std::string> namesIn(const std::string& folder);  // without . and ..

// Runs `body` in a child process and waits: the child's exit status, or 128 + the signal that
// ended it.
int inChild(const std::function<int()>& body);
// The same, with what the child wrote on its standard error.
int inChild(const std::function<int()>& body, std::string& stderrText);

// What the counting calls do at call number `at` (from 1; 0 never).
enum class FaultAction
{
    None,
    Kill,  // the process sends itself SIGKILL instead of making the call
    Fail,  // the call fails with the errno a full or broken disk gives it
};
struct FaultPlan
{
    long at = 0;
    FaultAction action = FaultAction::None;
    int writeDelayMicros = 0;  // each write waits this long first, as on a slow disk
};
// Arms the counting calls with `plan` and clears their count and their log of call names.
void armFaults(const FaultPlan& plan);
long callsMade();
const std::vector<std::string>& callsLogged();
const StoreCalls& faultyCalls();

// The text the store writes for `entries` plus `added`.
std::string tableWith(std::vector<ScoreEntry> entries, const ScoreEntry& added);

// How a failed check shows an entry.
inline void PrintTo(const ScoreEntry& entry, std::ostream* out)
{
    *out << entry.score << " " << entry.level << " " << entry.date;
}
