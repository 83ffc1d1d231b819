// A private X server with software OpenGL, and the real game running in it. Keys go in as real
// XTEST events through libxdo, as a keyboard would send them; screenshots come out through
// XGetImage. No X client program is started.
#pragma once

#include "process.h"
#include "screenshot.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct _XDisplay;
struct xdo;
struct ProbeCounts;

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
    // Preload the probe that counts the keys the game took, its frames and reshapes, which the
    // waits below read. Off under a sanitizer, whose runtime must come first.
    bool probe = true;
};

// What the probe has counted in the game so far; all zero without it.
struct GameCounts
{
    uint64_t characters = 0;  // keyboard callbacks done
    uint64_t specials = 0;    // special-key callbacks done (arrows; freeglut sends shift too)
    uint64_t swaps = 0;       // frames drawn
    uint64_t swapsAtKey = 0;  // frames drawn when the last key callback was done
    uint64_t reshapes = 0;
    uint64_t swapsAtReshape = 0;
    int width = 0;  // the size the last reshape gave
    int height = 0;
    uint64_t keys() const { return characters + specials; }
};

// The real binary in its own scratch working directory, with its window found and focused.
class GameWindow
{
public:
    GameWindow(const XServer& x, const GameOptions& options = GameOptions());

    ~GameWindow();
    GameWindow(const GameWindow&) = delete;
    GameWindow& operator=(const GameWindow&) = delete;

    // Waits for the window and its first drawn gems; false, with what was seen, if they never
    // came.
    bool waitUntilShown(double seconds = 20.0);
    pid_t pid() const { return process_->pid(); }
    const std::string& workingDirectory() const { return dir_.path(); }

    // Real key events, as XServer::keys.
    void keys(const std::vector<std::string>& names, int delayMillis = 40);
    void keyDown(const std::string& name);
    void keyUp(const std::string& name);

    // Asks for a new window size.
    void resize(int width, int height);

    // The waits: each polls for its effect until kStepDeadlineSeconds, and on the deadline
    // prints "STEP: what it waited for: timed out after N s; what was seen", saves the screen where
    // saveFailuresTo says, and returns false. They need the probe.
    GameCounts counts() const;
    // Sends each key and waits until the game's callback has taken it and `frames` frames have
    // been drawn after that.
    bool pressKeys(const std::vector<std::string>& names, const std::string& step, int frames = 1);
    // Waits until `frames` frames that began after this call have been drawn (a clock step
    // shows in the first).
    bool waitForNewFrame(const std::string& step, int frames = 1);
    // Waits until the game has been reshaped to width x height and has drawn a frame since.
    bool waitForReshape(int width, int height, const std::string& step);
    // Takes screenshots until one satisfies `good` and leaves it in `shot`; `describe` says
    // what the last one showed, for the failure.
    bool waitForPicture(const std::string& step, const std::string& expected,
                        const std::function<bool(const Screenshot&)>& good, Screenshot& shot,
                        const std::function<std::string(const Screenshot&)>& describe = {});
    // Where a failed wait saves the screen (a PNG's path); empty, the default: nowhere.
    void saveFailuresTo(const std::string& pngPath) { failureShot_ = pngPath; }
    // The probe's counts as text, and the screen saved where saveFailuresTo says.
    std::string failureState();

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

    // Waits for the game to end; its exit status, or -1, reported as STEP's timeout, if it is
    // still running.
    int waitForExit(double seconds, const std::string& step = "the game's last step");
    bool running() { return process_->running(); }
    std::string output() const;
    std::string errors() const;

private:
    const XServer& x_;
    ScratchDir dir_;
    std::unique_ptr<Process> process_;
    WindowId window_ = 0;
    std::chrono::steady_clock::time_point launched_;
    ProbeCounts* probe_ = nullptr;
    std::string failureShot_;
};

// Sleeps for a while of wall-clock time.
void pause(double seconds);
