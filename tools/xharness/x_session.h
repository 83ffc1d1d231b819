// A private X server with software OpenGL, and the real game running in it.
#pragma once

#include "process.h"
#include "screenshot.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Calendar time the game sees under libfaketime, and so the seed of its random generator.
constexpr unsigned kFakeEpoch = 1767225600;  // 2026-01-01 00:00:00 UTC
constexpr const char* kFakeTime = "@2026-01-01 00:00:00";

// Xvfb on a display number of its own choosing, 1024 x 768 at 24 bits.
class XServer
{
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    bool ready() const { return !display_.empty(); }
    const std::string& display() const { return display_; }
    // DISPLAY and the software-rendering settings for a client of this server.
    std::vector<std::string> clientEnv() const;
    // Runs an X client tool (xdotool, xwd) against this server.
    CommandResult tool(const std::vector<std::string>& argv, double seconds = 10.0) const;

private:
    std::unique_ptr<Process> server_;
    std::string display_;
    int displayPipe_ = -1;
};

struct GameOptions
{
    bool fakeTime = true;  // fix the calendar time, and so every colour
    std::string binary = GEMWELL_BINARY;
    std::vector<std::string> args;     // after the program name
    bool emptyArgv = false;            // start it with no arguments at all, not even its name
    std::vector<std::string> preload;  // libraries to preload ahead of libfaketime
    std::vector<std::string> env;      // extra environment
};

// The real binary in its own scratch working directory, with its window found and focused.
class GameWindow
{
public:
    GameWindow(const XServer& x, const GameOptions& options = GameOptions());

    // Waits for the window and its first drawn gems; false if they never came.
    bool waitUntilShown(double seconds = 20.0);
    const std::string& windowId() const { return window_; }
    pid_t pid() const { return process_->pid(); }
    const std::string& workingDirectory() const { return dir_.path(); }

    // Real key events through the XTEST extension: xdotool key names ("space", "q", "Left").
    void keys(const std::vector<std::string>& names, int delayMillis = 40);
    void keyDown(const std::string& name);
    void keyUp(const std::string& name);

    // The window's contents now; an empty screenshot if it could not be taken.
    Screenshot screenshot();

    // When the process was started, on the monotonic clock, in nanoseconds.
    int64_t launchNanoseconds() const
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(launched_.time_since_epoch())
            .count();
    }
    // Wall-clock seconds since the game was started.
    double secondsSinceLaunch() const;
    // Sleeps until the game has been running for `seconds`.
    void sleepUntil(double seconds) const;

    // Waits for the game to end; its exit status, or -1 if it is still running.
    int waitForExit(double seconds);
    bool running() { return process_->running(); }
    std::string output() const;
    std::string errors() const;

private:
    const XServer& x_;
    ScratchDir dir_;
    std::unique_ptr<Process> process_;
    std::string window_;
    std::chrono::steady_clock::time_point launched_;
};

// Sleeps for a while of wall-clock time.
void pause(double seconds);
