// A private X server with software OpenGL, and the real game running in it. Keys go in as real
// XTEST events through libxdo, as a keyboard would send them; screenshots come out through
// XGetImage. No X client program is started.
#pragma once

#include "process.h"
#include "screenshot.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct _XDisplay;
struct xdo;

// Calendar time the game sees under libfaketime, and so the seed of its random generator
// (tools/fixed_epoch.txt, which the browser tests read too).
constexpr unsigned kFakeEpoch = GEMWELL_FIXED_EPOCH;

// An X window id.
using WindowId = unsigned long;

// Xvfb on a display number of its own choosing, 1024 x 768 at 24 bits unless asked for a larger
// screen (for a window larger than that), and one connection to it.
class XServer
{
public:
    explicit XServer(int width = 1024, int height = 768);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    bool ready() const { return display_ != nullptr; }
    const std::string& display() const { return name_; }
    // DISPLAY and the software-rendering settings for a client of this server.
    std::vector<std::string> clientEnv() const;

    // The first window whose title matches the regular expression; 0 if there is none yet.
    WindowId findWindow(const std::string& titlePattern) const;
    // Keyboard focus to the window (there is no window manager to give it).
    void focus(WindowId window) const;
    // Asks for a new window size; the server refuses a zero side, which is fine.
    void resize(WindowId window, int width, int height) const;
    // The window's contents now; an empty screenshot if the window is gone.
    Screenshot capture(WindowId window) const;

    // Moves the pointer; with no window manager, keys go to the window under it.
    void pointTo(int x, int y) const;
    // Presses and releases each key, `delayMillis` apart: key names as "space", "q", "Left",
    // "shift+q" or "Q" (which brings its shift).
    void keys(const std::vector<std::string>& names, int delayMillis = 40) const;
    void keyDown(const std::string& name) const;
    void keyUp(const std::string& name) const;

private:
    std::unique_ptr<Process> server_;
    std::string name_;
    int displayPipe_ = -1;
    _XDisplay* display_ = nullptr;
    xdo* xdo_ = nullptr;
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
    pid_t pid() const { return process_->pid(); }
    const std::string& workingDirectory() const { return dir_.path(); }

    // Real key events, as XServer::keys.
    void keys(const std::vector<std::string>& names, int delayMillis = 40);
    void keyDown(const std::string& name);
    void keyUp(const std::string& name);

    // Asks for a new window size.
    void resize(int width, int height);

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
    WindowId window_ = 0;
    std::chrono::steady_clock::time_point launched_;
};

// Sleeps for a while of wall-clock time.
void pause(double seconds);
