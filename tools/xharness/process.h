// Child processes for the end-to-end tests: started in their own process group, killed with
// the whole group when the handle goes, and killed by the kernel if the test runner dies.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct ProcessOptions
{
    std::vector<std::string> argv;
    std::string program;           // what to run when argv is empty; otherwise argv[0]
    std::vector<std::string> env;  // extra NAME=value entries on top of the runner's environment
    std::string workingDirectory;  // empty: the runner's
    std::string stdoutPath;        // empty: /dev/null; otherwise a new file, made here
    std::string stderrPath;        // empty: /dev/null; otherwise a new file, made here
    int extraFd = -1;              // kept open in the child under the same number
};

class Process
{
public:
    // Throws std::system_error if an output file cannot be created (or already exists).
    explicit Process(const ProcessOptions& options);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }

    // Waits up to `seconds` for the process to end. Returns its exit status, 128 + signal if
    // a signal ended it, or -1 if it is still running.
    int wait(double seconds);

    bool running();

    // Ends the process and its group now.
    void kill();

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// The result of a short command run to completion.
struct CommandResult
{
    int status = -1;  // as Process::wait; -1 if it timed out and was killed
    std::string output;
};

// Runs a command with a time limit and collects its standard output; a command that outlives it
// is killed, and the timeout reported with the output so far.
CommandResult runCommand(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         double seconds = 10.0);

// Reads a whole file; empty if it cannot be read.
std::string readFile(const std::string& path);

// A fresh private directory under /tmp, removed with everything in it when the handle goes.
// Throws std::system_error if it cannot be made.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
