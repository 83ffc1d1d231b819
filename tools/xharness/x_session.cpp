#include "x_session.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

XServer::XServer()
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
    {
        return;
    }
    ProcessOptions options;
    options.argv = {"Xvfb",      "-displayfd", std::to_string(fds[1]),
                    "-screen",   "0",          "1024x768x24",
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
        return;
    }
    display_ = ":" + number;
    // Only report ready once a client really gets through.
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        if (tool({"xdotool", "getdisplaygeometry"}, 5.0).status == 0)
        {
            return;
        }
        pause(0.1);
    }
    display_.clear();
}

XServer::~XServer()
{
    server_.reset();
    if (displayPipe_ >= 0)
    {
        close(displayPipe_);
    }
}

std::vector<std::string> XServer::clientEnv() const
{
    return {"DISPLAY=" + display_, "LIBGL_ALWAYS_SOFTWARE=1", "GALLIUM_DRIVER=llvmpipe"};
}

CommandResult XServer::tool(const std::vector<std::string>& argv, double seconds) const
{
    return runCommand(argv, clientEnv(), seconds);
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
    for (const std::string& library : options.preload)
    {
        preload += (preload.empty() ? "" : ":") + library;
    }
    if (options.fakeTime)
    {
        preload += (preload.empty() ? "" : ":") + std::string(FAKETIME_LIBRARY);
        launch.env.push_back(std::string("FAKETIME=") + kFakeTime);
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
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (window_.empty() && std::chrono::steady_clock::now() < deadline && running())
    {
        const CommandResult found = x_.tool({"xdotool", "search", "--name", "gemwell$"}, 5.0);
        const std::string id = found.output.substr(0, found.output.find('\n'));
        if (found.status == 0 && !id.empty())
        {
            window_ = id;
        }
        else
        {
            pause(0.1);
        }
    }
    if (window_.empty())
    {
        return false;
    }
    // No window manager: give the window the keyboard focus and put the pointer over it.
    x_.tool({"xdotool", "mousemove", "320", "240"});
    x_.tool({"xdotool", "windowfocus", window_});
    while (std::chrono::steady_clock::now() < deadline && running())
    {
        if (screenshot().litPixels() > 0)
        {
            return true;
        }
        pause(0.1);
    }
    return false;
}

void GameWindow::keys(const std::vector<std::string>& names, int delayMillis)
{
    std::vector<std::string> argv = {"xdotool", "key", "--delay", std::to_string(delayMillis)};
    argv.insert(argv.end(), names.begin(), names.end());
    x_.tool(argv, 60.0);
}

void GameWindow::keyDown(const std::string& name)
{
    x_.tool({"xdotool", "keydown", name});
}

void GameWindow::keyUp(const std::string& name)
{
    x_.tool({"xdotool", "keyup", name});
}

Screenshot GameWindow::screenshot()
{
    Screenshot image;
    if (window_.empty())
    {
        return image;
    }
    const std::string path = dir_.file("shot.xwd");
    if (x_.tool({"xwd", "-silent", "-id", window_, "-out", path}).status == 0)
    {
        parseXwd(readFile(path), image);
    }
    return image;
}

int GameWindow::waitForExit(double seconds)
{
    return process_->wait(seconds);
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
