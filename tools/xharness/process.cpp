#include "process.h"

#include "wait.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace
{
// A file for a child's output: /dev/null, or a new file. It must not exist yet, and a link in
// its place is not followed, so nothing planted there is written through, even as root.
int openOutput(const std::string& path)
{
    return path.empty()
               ? open("/dev/null", O_WRONLY | O_CLOEXEC)
               : open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}

int decodeStatus(int raw)
{
    if (WIFEXITED(raw))
    {
        return WEXITSTATUS(raw);
    }
    return WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1;
}
}  // namespace

Process::Process(const ProcessOptions& options)
{
    // The runner's environment, with the given entries replacing any of the same name.
    std::vector<std::string> env;
    const auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    for (char** entry = environ; *entry != nullptr; ++entry)
    {
        const std::string inherited = *entry;
        // clang-format off: Debian 12's and 13's clang-format lay this lambda out differently.
        const bool replaced = std::any_of(options.env.begin(), options.env.end(),
                                          [&](const std::string& given)
                                          { return nameOf(given) == nameOf(inherited); });
        // clang-format on
        if (!replaced)
        {
            env.push_back(inherited);
        }
    }
    env.insert(env.end(), options.env.begin(), options.env.end());
    std::vector<char*> argv;
    for (const std::string& arg : options.argv)
    {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : env)
    {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);

    // Opened here rather than in the child, so that a failure is the caller's exception.
    const int out = openOutput(options.stdoutPath);
    const int err = out >= 0 ? openOutput(options.stderrPath) : -1;
    if (err < 0)
    {
        const int error = errno;
        if (out >= 0)
        {
            close(out);
        }
        throw std::system_error(error, std::generic_category(),
                                "cannot create " +
                                    (out < 0 ? options.stdoutPath : options.stderrPath));
    }
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0)
    {
        setpgid(0, 0);
        // If the test runner dies, so does everything it started.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
        {
            _exit(127);
        }
        if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0)
        {
            _exit(127);
        }
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        if (options.extraFd >= 0)
        {
            fcntl(options.extraFd, F_SETFD, 0);
        }
        const char* program = options.argv.empty() ? options.program.c_str() : argv[0];
        execve(program, argv.data(), envp.data());
        execvpe(program, argv.data(), envp.data());
        _exit(127);
    }
    close(out);
    close(err);
    if (pid_ > 0)
    {
        setpgid(pid_, pid_);
    }
}

Process::~Process()
{
    kill();
}

int Process::wait(double seconds)
{
    if (status_ >= 0 || pid_ <= 0)
    {
        return status_;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do
    {
        int raw = 0;
        const pid_t done = waitpid(pid_, &raw, WNOHANG);
        if (done == pid_)
        {
            status_ = decodeStatus(raw);
            // Reap nothing else, but do not leave helpers of the group behind.
            ::kill(-pid_, SIGKILL);
            return status_;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return -1;
}

bool Process::running()
{
    return wait(0.0) < 0;
}

void Process::kill()
{
    if (pid_ > 0 && status_ < 0)
    {
        // Politely first, so that a server can remove its lock and socket.
        ::kill(-pid_, SIGTERM);
        if (wait(2.0) >= 0)
        {
            return;
        }
        ::kill(-pid_, SIGKILL);
        ::kill(pid_, SIGKILL);
        int raw = 0;
        waitpid(pid_, &raw, 0);
        status_ = decodeStatus(raw);
    }
}

CommandResult runCommand(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         double seconds)
{
    ScratchDir dir;
    ProcessOptions options;
    options.argv = argv;
    options.env = env;
    options.stdoutPath = dir.file("out");
    Process process(options);
    CommandResult result;
    result.status = process.wait(seconds);
    process.kill();
    result.output = readFile(options.stdoutPath);
    if (result.status < 0)
    {
        std::string command;
        for (const std::string& word : argv)
        {
            command += (command.empty() ? "" : " ") + word;
        }
        reportTimeout("running " + command + ": the command to end", seconds,
                      "it was still running, and is killed; its output so far: " +
                          result.output.substr(0, 2000));
    }
    return result;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ScratchDir::ScratchDir()
{
    char pattern[] = "/tmp/gemwell-e2e-XXXXXX";
    // No falling back on /tmp itself: others can put files and links there.
    if (mkdtemp(pattern) == nullptr)
    {
        throw std::system_error(errno, std::generic_category(),
                                "cannot make a private directory in /tmp");
    }
    path_ = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
