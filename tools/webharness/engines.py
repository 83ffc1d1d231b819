"""Chromium's peers for the page's tests, Firefox ESR and WebKitGTK, each as Debian packages
it, on an Xvfb of their own; and the page's frame rate on the real clock in any of them.

firefox() and webkit() hand back a driver with the part of Selenium's WebDriver that the page
harness uses (get, execute_script, find_element, ActionChains, save_screenshot,
get_log("browser"), execute_cdp_cmd's desktop viewport, quit), so that game_page.GamePage drives
all three engines alike.
"""

import functools
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import serve_web  # noqa: E402
from firefox_driver import firefox  # noqa: E402,F401
import webkit_driver  # noqa: E402
from webkit_driver import webkit  # noqa: E402,F401


class Xvfb:
    """An X server of its own on a free display number, with a 24-bit screen."""

    def __init__(self, width=1280, height=1024):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            [
                "Xvfb",
                "-displayfd",
                str(write),
                "-screen",
                "0",
                "%dx%dx24" % (width, height),
                "-nolisten",
                "tcp",
            ],
            pass_fds=(write,),
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        )
        os.close(write)
        with os.fdopen(read) as number:
            line = number.readline().strip()
        if not line:
            self.process.kill()
            raise RuntimeError("Xvfb gave no display number")
        self.display = ":" + line

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


def injecting_server(directory, scripts, port=0):
    """serve_web's server, with `scripts` at the top of index.html's head: the page's own
    scripts run after them, as after a preload script (for WebKit, which has none)."""
    tags = "".join("<script>\n%s\n</script>\n" % s for s in scripts).encode()

    class Handler(serve_web.Handler):
        def do_GET(self):
            path = self.path.split("?", 1)[0]
            if path not in ("/", "/index.html"):
                return super().do_GET()
            with open(os.path.join(self.directory, "index.html"), "rb") as f:
                page = f.read()
            head = page.index(b"<head>") + len(b"<head>")
            page = page[:head] + b"\n" + tags + page[head:]
            self.send_response(200)
            self.send_header("Content-Type", serve_web.TYPES[".html"])
            self.send_header("Content-Length", str(len(page)))
            self.end_headers()
            self.wfile.write(page)

    handler = functools.partial(Handler, directory=directory)
    return serve_web.http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)


def webkit_server(directory, scripts, port=0):
    """The server for WebKit: `scripts` ahead of the page's own, after the console's hook."""
    return injecting_server(directory, [webkit_driver.CONSOLE_HOOK] + list(scripts), port)


# Counts the animation frames over `seconds` of real time, as the page's loop asks for them
# through the global requestAnimationFrame: wrapping it mid-game counts the game's frames. With
# no loop on the page (`own`), it runs one of its own that draws nothing. Resolves to
# [frames, seconds, the longest gap in ms, the mean ms a frame's callback took].
FRAME_RATE = r"""
const seconds = arguments[0], own = arguments[1];
const clock = window.gemwellTestClock;
const realNow = clock ? clock.realNow : performance.now.bind(performance);
return new Promise((resolve) => {
  const ask = window.requestAnimationFrame;
  let frames = 0, start = null, last = null, gap = 0, busy = 0, done = false;
  window.requestAnimationFrame = (callback) => ask((stamp) => {
    const now = realNow();
    if (start === null) {
      start = now;
    } else {
      frames += 1;
      gap = Math.max(gap, now - last);
    }
    last = now;
    if (!done && now - start >= seconds * 1000) {
      done = true;
      window.requestAnimationFrame = ask;
      resolve([frames, (now - start) / 1000, gap, busy / Math.max(frames, 1)]);
    }
    callback(stamp);
    busy += realNow() - now;
  });
  if (own) {
    const loop = () => { if (!done) { window.requestAnimationFrame(loop); } };
    window.requestAnimationFrame(loop);
  }
});
"""


def frame_rate(driver, seconds=10.0, own_loop=False):
    """(frames a second, longest gap in ms, mean ms in a frame's callback) on the real clock: of
    the page's running loop, or with `own_loop` of a loop that draws nothing (the engine's own
    pace)."""
    frames, span, gap, busy = driver.execute_script(FRAME_RATE, seconds, own_loop)
    return frames / span, gap, busy
