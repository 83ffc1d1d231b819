#include "x_session.h"

#include "probe_counts.h"
#include "wait.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

extern "C"
{
#include <xdo.h>
}

namespace
{
// Requests the server refuses (a zero window size, a window already gone) are expected here:
// Xlib's default handler would end the test process for them.
int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// xdotool's own default pause within a held key's press or release.
constexpr useconds_t kKeyHoldMicros = 12000;

// One colour channel of a pixel, 0 to 255, from the image's mask for it.
int channel(unsigned long pixel, unsigned long mask)
{
    const int shift = mask != 0 ? __builtin_ctzl(mask) : 0;
    return mask != 0 ? static_cast<int>(((pixel & mask) >> shift) * 255u / (mask >> shift)) : 0;
}

// libfaketime's setting for a clock that starts at kFakeEpoch and runs.
std::string fakeTimeSetting()
{
    const std::time_t when = kFakeEpoch;
    std::tm fields = {};
    gmtime_r(&when, &fields);
    char text[32];
    std::strftime(text, sizeof text, "@%Y-%m-%d %H:%M:%S", &fields);
    return text;
}
}  // namespace

XServer::XServer(int width, int height)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
    {
        return;
    }
    ProcessOptions options;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    options.argv = {"Xvfb",      "-displayfd", std::to_string(fds[1]),
                    "-screen",   "0",          screen,
                    "-nolisten", "tcp",        "-noreset"};
    options.extraFd = fds[1];
    server_ = std::make_unique<Process>(options);
    close(fds[1]);
    // The server writes its display number once it accepts connections.
    pollfd wait = {fds[0], POLLIN, 0};
    std::string number;
    if (poll(&wait, 1, 15000) > 0)
    {
        char buffer[32] = {};
        const ssize_t got = read(fds[0], buffer, sizeof buffer - 1);
        for (ssize_t i = 0; i < got && buffer[i] >= '0' && buffer[i] <= '9'; ++i)
        {
            number += buffer[i];
        }
    }
    // The read end stays open while the server lives: it may write the number again, and a
    // closed pipe would make that write fatal.
    displayPipe_ = fds[0];
    if (number.empty())
    {
        reportTimeout("starting Xvfb: its display number", 15.0,
                      server_->running() ? "it wrote none" : "it ended first");
        return;
    }
    name_ = ":" + number;
    XSetErrorHandler(ignoreXError);
    // Only report ready once a client really gets through.
    for (int attempt = 0; attempt < 100 && display_ == nullptr; ++attempt)
    {
        display_ = XOpenDisplay(name_.c_str());
        if (display_ == nullptr)
        {
            pause(0.1);
        }
    }
    if (display_ == nullptr)
    {
        reportTimeout("starting Xvfb: a client's connection to " + name_, 10.0,
                      "every attempt was refused");
        return;
    }
    xdo_ = xdo_new_with_opened_display(display_, name_.c_str(), 0);
}

XServer::~XServer()
{
    if (xdo_ != nullptr)
    {
        xdo_free(xdo_);
    }
    if (display_ != nullptr)
    {
        XCloseDisplay(display_);
    }
    server_.reset();
    if (displayPipe_ >= 0)
    {
        close(displayPipe_);
    }
}

std::vector<std::string> XServer::clientEnv() const
{
    return {"DISPLAY=" + name_, "LIBGL_ALWAYS_SOFTWARE=1", "GALLIUM_DRIVER=llvmpipe"};
}

WindowId XServer::findWindow(const std::string& titlePattern) const
{
    xdo_search_t search = {};
    search.winname = titlePattern.c_str();
    search.searchmask = SEARCH_NAME;
    search.max_depth = -1;
    search.require = xdo_search::SEARCH_ANY;
    Window* found = nullptr;
    unsigned int count = 0;
    xdo_search_windows(xdo_, &search, &found, &count);
    const WindowId window = count > 0 ? found[0] : 0;
    std::free(found);
    return window;
}

void XServer::focus(WindowId window) const
{
    xdo_focus_window(xdo_, window);
    XSync(display_, False);
}

void XServer::resize(WindowId window, int width, int height) const
{
    xdo_set_window_size(xdo_, window, width, height, 0);
    XSync(display_, False);
}

Screenshot XServer::capture(WindowId window) const
{
    Screenshot shot;
    XWindowAttributes attributes = {};
    if (window == 0 || XGetWindowAttributes(display_, window, &attributes) == 0)
    {
        return shot;
    }
    XImage* image =
        XGetImage(display_, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (image == nullptr)
    {
        return shot;
    }
    shot.width = attributes.width;
    shot.height = attributes.height;
    shot.pixels.reserve(static_cast<size_t>(shot.width) * shot.height);
    for (int y = 0; y < shot.height; ++y)
    {
        for (int x = 0; x < shot.width; ++x)
        {
            const unsigned long pixel = XGetPixel(image, x, y);
            shot.pixels.push_back(Rgb{channel(pixel, image->red_mask),
                                      channel(pixel, image->green_mask),
                                      channel(pixel, image->blue_mask)});
        }
    }
    XDestroyImage(image);
    return shot;
}

void XServer::pointTo(int x, int y) const
{
    xdo_move_mouse(xdo_, x, y, 0);
    XSync(display_, False);
}

void XServer::keys(const std::vector<std::string>& names, int delayMillis) const
{
    // As xdotool does: half the delay after each press, half after each release.
    for (const std::string& name : names)
    {
        xdo_send_keysequence_window(xdo_, CURRENTWINDOW, name.c_str(),
                                    static_cast<useconds_t>(delayMillis) * 1000);
    }
    XSync(display_, False);
}

void XServer::keyDown(const std::string& name) const
{
    xdo_send_keysequence_window_down(xdo_, CURRENTWINDOW, name.c_str(), kKeyHoldMicros);
    XSync(display_, False);
}

void XServer::keyUp(const std::string& name) const
{
    xdo_send_keysequence_window_up(xdo_, CURRENTWINDOW, name.c_str(), kKeyHoldMicros);
    XSync(display_, False);
}

GameWindow::GameWindow(const XServer& x, const GameOptions& options) : x_(x)
{
    ProcessOptions launch;
    launch.program = options.binary;
    if (!options.emptyArgv)
    {
        launch.argv = {options.binary};
        launch.argv.insert(launch.argv.end(), options.args.begin(), options.args.end());
    }
    launch.env = x.clientEnv();
    std::string preload;
    if (options.probe)
    {
        // A zeroed file of the counts' size, which the game's probe maps as this does.
        const std::string path = dir_.file("probe");
        const int file = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (file >= 0 && ftruncate(file, sizeof(ProbeCounts)) == 0)
        {
            void* mapped =
                mmap(nullptr, sizeof(ProbeCounts), PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
            probe_ = mapped != MAP_FAILED ? static_cast<ProbeCounts*>(mapped) : nullptr;
        }
        if (file >= 0)
        {
            close(file);
        }
        preload = GEMWELL_PROBE_LIBRARY;
        launch.env.push_back("GEMWELL_PROBE=" + path);
    }
    for (const std::string& library : options.preload)
    {
        preload += (preload.empty() ? "" : ":") + library;
    }
    if (options.fakeTime)
    {
        preload += (preload.empty() ? "" : ":") + std::string(FAKETIME_LIBRARY);
        launch.env.push_back("FAKETIME=" + fakeTimeSetting());
        launch.env.push_back("FAKETIME_DONT_FAKE_MONOTONIC=1");
    }
    if (!preload.empty())
    {
        launch.env.push_back("LD_PRELOAD=" + preload);
    }
    launch.env.insert(launch.env.end(), options.env.begin(), options.env.end());
    launch.workingDirectory = dir_.path();
    launch.stdoutPath = dir_.file("stdout");
    launch.stderrPath = dir_.file("stderr");
    launched_ = std::chrono::steady_clock::now();
    process_ = std::make_unique<Process>(launch);
}

GameWindow::~GameWindow()
{
    process_.reset();
    if (probe_ != nullptr)
    {
        munmap(probe_, sizeof(ProbeCounts));
    }
}

GameCounts GameWindow::counts() const
{
    GameCounts now;
    if (probe_ != nullptr)
    {
        now.characters = probe_->characters;
        now.specials = probe_->specials;
        now.swaps = probe_->swaps;
        now.swapsAtKey = probe_->swapsAtKey;
        now.reshapes = probe_->reshapes;
        now.swapsAtReshape = probe_->swapsAtReshape;
        now.width = static_cast<int>(probe_->reshapeWidth);
        now.height = static_cast<int>(probe_->reshapeHeight);
    }
    return now;
}

std::string GameWindow::failureState()
{
    const GameCounts now = counts();
    std::string state =
        "the game has taken " + std::to_string(now.characters) + " character keys and " +
        std::to_string(now.specials) + " special keys, drawn " + std::to_string(now.swaps) +
        " frames (" + std::to_string(now.swaps - now.swapsAtKey) +
        " since its last key), last reshaped to " + std::to_string(now.width) + " x " +
        std::to_string(now.height) + (running() ? "" : ", and is no longer running");
    if (!failureShot_.empty())
    {
        state += writePng(screenshot(), failureShot_) ? "; the screen is saved as " + failureShot_
                                                      : "; no screen to save";
    }
    return state;
}

bool GameWindow::pressKeys(const std::vector<std::string>& names, const std::string& step,
                           int frames)
{
    for (const std::string& name : names)
    {
        const uint64_t before = counts().keys();
        keys({name});
        const auto taken = [this, before, frames]
        {
            const GameCounts now = counts();
            return now.keys() > before && now.swaps >= now.swapsAtKey + frames;
        };
        if (!waitFor(step + ": the game to take key " + name + " and draw " +
                         std::to_string(frames) + " frames after it",
                     taken, [this] { return failureState(); }))
        {
            return false;
        }
    }
    return true;
}

bool GameWindow::waitForNewFrame(const std::string& step, int frames)
{
    // The frame that ends at swap n + 1 may have begun before this call; the next one cannot.
    const uint64_t wanted = counts().swaps + 1 + frames;
    return waitFor(
        step + ": " + std::to_string(frames) + " frames begun after it to be drawn (up to frame " +
            std::to_string(wanted) + ")",
        [this, wanted] { return counts().swaps >= wanted; }, [this] { return failureState(); });
}

bool GameWindow::waitForReshape(int width, int height, const std::string& step)
{
    const auto reshaped = [this, width, height]
    {
        const GameCounts now = counts();
        return now.width == width && now.height == height && now.swaps > now.swapsAtReshape;
    };
    return waitFor(step + ": the game to be reshaped to " + std::to_string(width) + " x " +
                       std::to_string(height) + " and draw a frame at that size",
                   reshaped, [this] { return failureState(); });
}

bool GameWindow::waitForPicture(const std::string& step, const std::string& expected,
                                const std::function<bool(const Screenshot&)>& good,
                                Screenshot& shot,
                                const std::function<std::string(const Screenshot&)>& describe)
{
    const auto shown = [&]
    {
        shot = screenshot();
        return good(shot);
    };
    const auto seen = [&]
    {
        const std::string what = describe ? describe(shot) + "; " : std::string();
        return "the screen shows " + what + failureState();
    };
    return waitFor(step + ": the screen to show " + expected, shown, seen);
}

double GameWindow::secondsSinceLaunch() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - launched_).count();
}

void GameWindow::sleepUntil(double seconds) const
{
    const double left = seconds - secondsSinceLaunch();
    if (left > 0.0)
    {
        pause(left);
    }
}

bool GameWindow::waitUntilShown(double seconds)
{
    const std::string what = "the game's start: its window, then gems drawn in it";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (window_ == 0 && std::chrono::steady_clock::now() < deadline && running())
    {
        window_ = x_.findWindow("gemwell$");
        if (window_ == 0)
        {
            pause(0.1);
        }
    }
    if (window_ != 0)
    {
        // No window manager: give the window the keyboard focus and put the pointer over it.
        x_.pointTo(320, 240);
        x_.focus(window_);
    }
    int lit = 0;
    while (window_ != 0 && std::chrono::steady_clock::now() < deadline && running())
    {
        lit = screenshot().litPixels();
        if (lit > 0)
        {
            return true;
        }
        pause(0.1);
    }
    const std::string seen = window_ == 0 ? "no window titled gemwell"
                                          : "a window with " + std::to_string(lit) + " lit pixels";
    if (!running())
    {
        std::fprintf(stderr, "%s: the game ended first, with status %d and %s; its errors: %s\n",
                     what.c_str(), process_->wait(0.0), seen.c_str(), errors().c_str());
        return false;
    }
    reportTimeout(what, seconds, seen);
    return false;
}

void GameWindow::keys(const std::vector<std::string>& names, int delayMillis)
{
    x_.keys(names, delayMillis);
}

void GameWindow::keyDown(const std::string& name)
{
    x_.keyDown(name);
}

void GameWindow::keyUp(const std::string& name)
{
    x_.keyUp(name);
}

void GameWindow::resize(int width, int height)
{
    x_.resize(window_, width, height);
}

Screenshot GameWindow::screenshot()
{
    return x_.capture(window_);
}

int GameWindow::waitForExit(double seconds, const std::string& step)
{
    const int status = process_->wait(seconds);
    if (status < 0)
    {
        reportTimeout(step + ": the game to end", seconds,
                      "it is still running; " + failureState());
    }
    return status;
}

std::string GameWindow::output() const
{
    return readFile(dir_.file("stdout"));
}

std::string GameWindow::errors() const
{
    return readFile(dir_.file("stderr"));
}

void pause(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}
