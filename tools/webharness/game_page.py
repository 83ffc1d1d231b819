"""The browser edition's page in headless Chromium, on a clock the test steps.

Before the page loads, the DevTools protocol replaces its clocks: the calendar reads the
harness's fixed time (so the seed, and every colour, is the native tests' one) and the
monotonic clock stands still until the test steps it, as tools/play steps the native
game's through libfaketime. The game has no hook of its own.
"""

import base64
import gzip
import os
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import serve_web  # noqa: E402,F401  (re-exported for the tests)


def fixed_epoch():
    """The tests' fixed calendar time in seconds (tools/fixed_epoch.txt, as the X harness's)."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixed_epoch.txt")
    with open(path) as lines:
        return int(next(line for line in lines if line.strip() and not line.startswith("#")))


# Runs before any script of the page. Calendar time: the fixed epoch plus the steps.
# Monotonic time: the steps alone. It also counts the clock's readings (the game takes one a
# frame) and the animation frames, notes on the real clock when the first draw came and the
# canvas's size then, and whether each key was kept from the page; on request it reads the
# canvas's own pixels back after a frame, as a PNG. (A read-back after every frame would starve
# the browser: a service worker's update never comes.)
CLOCK = r"""
(() => {
  const realNow = performance.now.bind(performance);
  const clock = {epochMs: %EPOCH_MS%, stepped: 0, readings: 0, frames: 0, firstDraw: -1,
                 firstSize: null, keys: [], shoot: false, shot: null, held: false,
                 frame: null};
  clock.realNow = realNow;
  performance.now = () => { clock.readings += 1; return clock.stepped; };
  Date.now = () => clock.epochMs + clock.stepped;
  const drawElements = WebGLRenderingContext.prototype.drawElements;
  let context = null;
  WebGLRenderingContext.prototype.drawElements = function () {
    if (clock.firstDraw < 0) {
      clock.firstDraw = realNow();
      clock.firstSize = [this.canvas.width, this.canvas.height];
    }
    context = this;
    return drawElements.apply(this, arguments);
  };
  const requestFrame = requestAnimationFrame.bind(window);
  const shoot = (gl) => {
    const width = gl.drawingBufferWidth;
    const height = gl.drawingBufferHeight;
    const pixels = new Uint8Array(width * height * 4);
    gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
    const page = document.createElement('canvas');
    page.width = width;
    page.height = height;
    const image = page.getContext('2d').createImageData(width, height);
    const row = width * 4;
    for (let y = 0; y < height; ++y) {  // GL's rows run from the bottom up
      image.data.set(pixels.subarray((height - 1 - y) * row, (height - y) * row), y * row);
    }
    page.getContext('2d').putImageData(image, 0, 0);
    return page.toDataURL('image/png');
  };
  window.requestAnimationFrame = (callback) => {
    // The bench holds the loop and calls its frame itself.
    clock.frame = callback;
    if (clock.held) {
      return 0;
    }
    return requestFrame((stamp) => {
      clock.frames += 1;
      callback(stamp);
      if (context !== null && clock.shoot) {
        clock.shoot = false;
        clock.shot = shoot(context);
      }
    });
  };
  clock.context = () => context;
  addEventListener('keydown', (event) => {
    clock.keys.push([event.key, event.defaultPrevented]);
  });
  window.gemwellTestClock = clock;
})();
"""

# The button for each of the script's keys.
BUTTONS = {
    "space": "Hard drop",
    "z": "Move left",
    "Left": "Move left",
    "c": "Move right",
    "Right": "Move right",
    "s": "Cycle colours",
    "Up": "Cycle colours",
    "x": "Soft drop",
    "Down": "Soft drop",
    "q": "Quit",
}

KEYS = {
    "space": Keys.SPACE,
    "Left": Keys.ARROW_LEFT,
    "Right": Keys.ARROW_RIGHT,
    "Up": Keys.ARROW_UP,
    "Down": Keys.ARROW_DOWN,
}


def chromium(extra_flags=(), scale=1):
    """Headless Chromium with WebGL through SwiftShader, the page clock installed. `scale` is
    the device pixel ratio: only the command line's sets the canvas's device pixels, the
    DevTools protocol's alone does not."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    flags = [
        "--headless=new",
        "--use-angle=swiftshader",
        "--enable-unsafe-swiftshader",
        # No network but the test's server: none of Chromium's own traffic.
        "--disable-background-networking",
        "--disable-component-update",
        "--disable-sync",
        "--no-first-run",
        "--disable-quic",
        "--disable-default-apps",
        "--window-size=900,800",
        "--force-device-scale-factor=%g" % scale,
        "--user-data-dir=" + tempfile.mkdtemp(prefix="gemwell-chromium-"),
    ]
    flags.extend(extra_flags)
    if os.geteuid() == 0:
        flags.append("--no-sandbox")  # Chromium's sandbox refuses to run as root
    for flag in flags:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    clock = CLOCK.replace("%EPOCH_MS%", str(1000 * fixed_epoch()))
    driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": clock})
    return driver


# Phones tried, in CSS pixels: width, height.
PORTRAIT = (360, 740)
TALL_PORTRAIT = (412, 915)
LANDSCAPE = (740, 360)


def emulate_phone(driver, size, scale):
    """A phone's viewport (mobile layout, `size` in CSS pixels) with touch, in the same ratio
    as the command line's, for the pages loaded from now on and the one shown."""
    width, height = size
    driver.execute_cdp_cmd(
        "Emulation.setDeviceMetricsOverride",
        {
            "width": width,
            "height": height,
            "deviceScaleFactor": scale,
            "mobile": True,
            "screenOrientation": {
                "type": "portraitPrimary" if height > width else "landscapePrimary",
                "angle": 0 if height > width else 90,
            },
        },
    )
    driver.execute_cdp_cmd(
        "Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5}
    )


def emulate_desktop(driver, width, height):
    """A desktop viewport of `width` x `height` CSS pixels at a ratio of 1."""
    driver.execute_cdp_cmd(
        "Emulation.setDeviceMetricsOverride",
        {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False},
    )


def read_script(path):
    """A stepped script (tools/play): (kind, value) pairs, kind being key, advance or shot."""
    with open(path) as script:
        return [tuple(line.split(" ", 1)) for line in script.read().splitlines()]


# What the page downloads, the page itself included: its code, the worker, the manifest and the
# icons (each device fetches the icons its home screen needs).
SITE_FILES = (
    "index.html",
    "page.js",
    "gemwell.js",
    "gemwell.wasm",
    "sw.js",
    "manifest.webmanifest",
    "icon-192.png",
    "icon-512.png",
    "icon-maskable-512.png",
    "apple-touch-icon.png",
)


def download_sizes(site):
    """{file: (bytes, gzipped bytes)} for everything the page downloads."""
    sizes = {}
    for name in SITE_FILES:
        with open(os.path.join(site, name), "rb") as f:
            data = f.read()
        sizes[name] = (len(data), len(gzip.compress(data, 9)))
    return sizes


class GamePage:
    def __init__(self, driver, url):
        self.driver = driver
        self.url = url
        self.canvas = None

    def load(self, seconds=10.0):
        """Opens the page; the real milliseconds from navigation to the first draw."""
        self.driver.get(self.url)
        self.canvas = self.driver.find_element(By.ID, "game")
        deadline = time.monotonic() + seconds
        while self.clock("firstDraw") < 0 and time.monotonic() < deadline:
            time.sleep(0.02)
        first = self.clock("firstDraw")
        if first >= 0:
            self.wait_frames()
        return first

    def clock(self, field):
        return self.driver.execute_script("return window.gemwellTestClock.%s" % field)

    def wait_frames(self, count=3, seconds=10.0):
        """Waits until the game has taken `count` more frames; False if it did not."""
        start = self.clock("readings")
        deadline = time.monotonic() + seconds
        while self.clock("readings") < start + count:
            if time.monotonic() > deadline:
                return False
            time.sleep(0.01)
        return True

    def press(self, name):
        """A real key press and release, to whatever has the focus, then a few frames."""
        ActionChains(self.driver).send_keys(KEYS.get(name, name)).perform()
        self.wait_frames()

    def advance(self, millis):
        self.driver.execute_script("window.gemwellTestClock.stepped += %d" % millis)
        self.wait_frames()

    def play(self, script, shot=None):
        """Plays a script; calls shot(name) at each of its shots."""
        for kind, value in script:
            if kind == "key":
                self.press(value)
            elif kind == "advance":
                self.advance(int(value))
            elif shot is not None:
                shot(value)

    def notice(self):
        return self.driver.find_element(By.ID, "notice").text

    def wait_notice(self, seconds=5.0):
        """The page's notice once it says something, or "" after `seconds`."""
        deadline = time.monotonic() + seconds
        while not self.notice() and time.monotonic() < deadline:
            time.sleep(0.02)
        return self.notice()

    def canvas_size(self):
        """The canvas's size: [CSS width, CSS height, pixel width, pixel height, ratio]."""
        return self.driver.execute_script(
            "const c = document.getElementById('game'); const r = c.getBoundingClientRect();"
            "return [r.width, r.height, c.width, c.height, devicePixelRatio];"
        )

    def fit_canvas(self, width, height):
        """Sizes the desktop viewport so that the canvas gets `width` x `height` pixels (the
        keys line may wrap anew at each width, so a few tries)."""
        for _ in range(4):
            css = self.canvas_size()
            if css[2:4] == [width, height]:
                return True
            spare = self.driver.execute_script("return [innerWidth, innerHeight]")
            emulate_desktop(
                self.driver, width + round(spare[0] - css[0]), height + round(spare[1] - css[1])
            )
            self.wait_frames()
        return False

    def shot_png(self, seconds=10.0):
        """The canvas's own pixels after the next frame, as PNG bytes."""
        self.driver.execute_script(
            "window.gemwellTestClock.shot = null;" "window.gemwellTestClock.shoot = true;"
        )
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            url = self.clock("shot")
            if url:
                return base64.b64decode(url.split(",", 1)[1])
            time.sleep(0.02)
        raise RuntimeError("no frame to read the canvas from")

    def centre(self, element):
        rect = self.driver.execute_script(
            "const r = arguments[0].getBoundingClientRect(); return [r.x, r.y, r.width, r.height]",
            element,
        )
        return rect[0] + rect[2] / 2, rect[1] + rect[3] / 2

    def touch(self, kind, points):
        """A touch event: `points` the touches down after it (for touchEnd, those that stay)."""
        self.driver.execute_cdp_cmd(
            "Input.dispatchTouchEvent",
            {"type": kind, "touchPoints": [{"x": x, "y": y, "id": n} for n, (x, y) in points]},
        )

    def button(self, name):
        """The button whose accessible name (text or aria-label) is `name`."""
        return self.driver.find_element(
            By.XPATH, "//button[normalize-space()='%s' or @aria-label='%s']" % (name, name)
        )

    def tap(self, name):
        """A finger's tap on the named button, then a few frames."""
        point = self.centre(self.button(name))
        self.touch("touchStart", [(1, point)])
        self.touch("touchEnd", [])
        self.wait_frames()

    def tap_script(self, script, shot=None):
        """Plays a script with taps on the buttons for its keys; calls shot(name) at its shots."""
        for kind, value in script:
            if kind == "key":
                self.tap(BUTTONS[value])
            elif kind == "advance":
                self.advance(int(value))
            elif shot is not None:
                shot(value)

    def focused(self):
        return self.driver.execute_script("return document.activeElement.id")

    def frames_stopped(self, seconds=0.5):
        before = self.clock("readings")
        time.sleep(seconds)
        return self.clock("readings") == before
