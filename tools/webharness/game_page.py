"""The browser edition's page in headless Chromium, on a clock the test steps.

Before the page loads, the DevTools protocol replaces its clocks: the calendar reads the
harness's fixed time (so the seed, and every colour, is the native tests' one) and the
monotonic clock stands still until the test steps it, as web_reference steps the native
game's through libfaketime. The game has no hook of its own.
"""
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

# Runs before any script of the page. Calendar time: the harness's kFakeEpoch plus the steps.
# Monotonic time: the steps alone. It also counts the clock's readings (the game takes one a
# frame), notes on the real clock when the first draw came and how long each animation frame's
# work took to reach the screen's buffer, and whether each key was kept from the page.
CLOCK = r"""
(() => {
  const realNow = performance.now.bind(performance);
  const clock = {epochMs: 1767225600000, stepped: 0, readings: 0, firstDraw: -1, keys: [],
                 frameStarts: [], frameWork: []};
  clock.realNow = realNow;
  performance.now = () => { clock.readings += 1; return clock.stepped; };
  Date.now = () => clock.epochMs + clock.stepped;
  const drawElements = WebGLRenderingContext.prototype.drawElements;
  let context = null;
  WebGLRenderingContext.prototype.drawElements = function () {
    if (clock.firstDraw < 0) {
      clock.firstDraw = realNow();
    }
    context = this;
    return drawElements.apply(this, arguments);
  };
  const requestFrame = requestAnimationFrame.bind(window);
  const pixel = new Uint8Array(4);
  window.requestAnimationFrame = (callback) => requestFrame((stamp) => {
    const start = realNow();
    callback(stamp);
    if (context !== null) {
      // Reading a pixel back waits until the frame's drawing is done, not only queued.
      context.readPixels(0, 0, 1, 1, context.RGBA, context.UNSIGNED_BYTE, pixel);
      clock.frameStarts.push(start);
      clock.frameWork.push(realNow() - start);
    }
  });
  addEventListener('keydown', (event) => {
    clock.keys.push([event.key, event.defaultPrevented]);
  });
  window.gemwellTestClock = clock;
})();
"""

KEYS = {
    "space": Keys.SPACE,
    "Left": Keys.ARROW_LEFT,
    "Right": Keys.ARROW_RIGHT,
    "Up": Keys.ARROW_UP,
    "Down": Keys.ARROW_DOWN,
}


def chromium(extra_flags=()):
    """Headless Chromium with WebGL through SwiftShader, the page clock installed."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    flags = [
        "--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
        # No network but the test's server: none of Chromium's own traffic.
        "--disable-background-networking", "--disable-component-update", "--disable-sync",
        "--no-first-run", "--disable-quic", "--disable-default-apps",
        "--window-size=900,800", "--force-device-scale-factor=1",
        "--user-data-dir=" + tempfile.mkdtemp(prefix="gemwell-chromium-"),
    ]
    flags.extend(extra_flags)
    if os.geteuid() == 0:
        flags.append("--no-sandbox")  # Chromium's sandbox refuses to run as root
    for flag in flags:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": CLOCK})
    return driver


def read_script(path):
    """web_reference's script: (kind, value) pairs, kind being key, advance or shot."""
    with open(path) as script:
        return [tuple(line.split(" ", 1)) for line in script.read().splitlines()]


def download_sizes(site):
    """{file: (bytes, gzipped bytes)} for what the page downloads besides itself."""
    sizes = {}
    for name in ("gemwell.js", "gemwell.wasm"):
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

    def focused(self):
        return self.driver.execute_script("return document.activeElement.id")

    def frames_stopped(self, seconds=0.5):
        before = self.clock("readings")
        time.sleep(seconds)
        return self.clock("readings") == before
