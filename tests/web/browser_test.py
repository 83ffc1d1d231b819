#!/usr/bin/python3
"""The browser edition in real headless Chromium, with WebGL through SwiftShader.

A local server on 127.0.0.1 serves build-web/. Before the page loads, the DevTools protocol
replaces the page's clocks: the calendar reads the harness's fixed time (so the seed, and every
colour, is the native tests' one) and the monotonic clock stands still until the test steps
it, exactly as web_reference steps the native game's through libfaketime. The game has no hook
of its own. The same script of real key events and clock steps then gives shots that are held
to the native game's under Xvfb and Mesa, and to the headless rules.

Usage: browser_test.py --site BUILD_WEB --reference WEB_REFERENCE [unittest arguments]
"""
import argparse
import gzip
import os
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import serve_web  # noqa: E402

FIRST_FRAME_LIMIT_MS = 5000
SIZE_LIMIT_BYTES = 300 * 1024

# Runs before any script of the page. Calendar time: the harness's kFakeEpoch plus the steps.
# Monotonic time: the steps alone. It also counts the clock's readings (the game takes one a
# frame) and notes, on the real clock, the first draw and whether each key was kept from the
# page.
CLOCK = r"""
(() => {
  const realNow = performance.now.bind(performance);
  const clock = {epochMs: 1767225600000, stepped: 0, readings: 0, firstDraw: -1, keys: []};
  clock.realNow = realNow;
  performance.now = () => { clock.readings += 1; return clock.stepped; };
  Date.now = () => clock.epochMs + clock.stepped;
  const drawElements = WebGLRenderingContext.prototype.drawElements;
  WebGLRenderingContext.prototype.drawElements = function () {
    if (clock.firstDraw < 0) {
      clock.firstDraw = realNow();
    }
    return drawElements.apply(this, arguments);
  };
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

ARGS = None


def chromium():
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
    if os.geteuid() == 0:
        flags.append("--no-sandbox")  # Chromium's sandbox refuses to run as root
    for flag in flags:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


class BrowserEdition(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.out = tempfile.mkdtemp(prefix="gemwell-web-")
        native = subprocess.run([ARGS.reference, "native", cls.out], capture_output=True,
                                text=True, timeout=120)
        if native.returncode != 0:
            raise RuntimeError("native reference failed: " + native.stderr)
        with open(os.path.join(cls.out, "script.txt")) as script:
            cls.script = [line.split(" ", 1) for line in script.read().splitlines()]
        with open(os.path.join(cls.out, "game-over-drops")) as drops:
            cls.game_over_drops = int(drops.read())
        cls.server = serve_web.server(ARGS.site)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.url = "http://127.0.0.1:%d/index.html" % cls.server.server_port
        cls.driver = chromium()
        cls.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": CLOCK})
        print("\nbrowser: Chromium %s, WebGL through %s" % (
            cls.driver.capabilities.get("browserVersion"), "SwiftShader"), flush=True)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.shutdown()

    def tearDown(self):
        errors = [entry["message"] for entry in self.driver.get_log("browser")
                  if entry["level"] == "SEVERE"]
        self.assertEqual(errors, [], "the browser console has errors")

    # --- the page and its clock ---------------------------------------------------------------

    def load(self):
        self.driver.get(self.url)
        self.canvas = self.driver.find_element(By.ID, "game")
        deadline = time.monotonic() + FIRST_FRAME_LIMIT_MS / 1000.0 + 5.0
        while self.clock("firstDraw") < 0 and time.monotonic() < deadline:
            time.sleep(0.02)
        first = self.clock("firstDraw")
        self.assertGreaterEqual(first, 0, "no frame was drawn")
        self.wait_frames()
        return first

    def clock(self, field):
        return self.driver.execute_script("return window.gemwellTestClock.%s" % field)

    def wait_frames(self, count=3, seconds=10.0):
        """Waits until the game has taken `count` more frames; False if it took none."""
        start = self.clock("readings")
        deadline = time.monotonic() + seconds
        while self.clock("readings") < start + count:
            if time.monotonic() > deadline:
                return False
            time.sleep(0.01)
        return True

    def press(self, name):
        ActionChains(self.driver).send_keys(KEYS.get(name, name)).perform()
        self.wait_frames()

    def advance(self, millis):
        self.driver.execute_script("window.gemwellTestClock.stepped += %d" % millis)
        self.wait_frames()

    def notice(self):
        return self.driver.find_element(By.ID, "notice").text

    def frames_stopped(self):
        before = self.clock("readings")
        time.sleep(0.5)
        return self.clock("readings") == before

    def compare(self, name):
        shot = os.path.join(self.out, "browser-%s.png" % name)
        with open(shot, "wb") as png:
            png.write(self.canvas.screenshot_as_png)
        result = subprocess.run(
            [ARGS.reference, "compare", os.path.join(self.out, "native-%s.png" % name), shot,
             os.path.join(self.out, name + ".well")], capture_output=True, text=True)
        print("%s: %s" % (name, result.stdout.strip()), flush=True)
        self.assertEqual(result.returncode, 0, "%s: %s%s" % (name, result.stdout, result.stderr))

    # --- the tests ------------------------------------------------------------------------------

    def test_first_frame_then_three_states_as_the_native_game_draws_and_the_rules_predict(self):
        first = self.load()
        print("load: navigation to first frame %.0f ms" % first, flush=True)
        self.assertLess(first, FIRST_FRAME_LIMIT_MS)
        self.assertEqual(self.driver.execute_script("return document.activeElement.id"), "game")
        for kind, value in self.script:
            if kind == "key":
                self.press(value)
            elif kind == "advance":
                self.advance(int(value))
            else:
                self.compare(value)
        # Every key the game takes was kept from the page, so space and the arrows scroll nothing.
        keys = self.clock("keys")
        self.assertTrue(keys)
        self.assertTrue(all(prevented for _, prevented in keys), keys)

    def test_q_quits_with_the_notice_and_new_game_starts_the_same_game_again(self):
        self.load()
        # Shift+q is "Q", which the game ignores, as the native one does.
        ActionChains(self.driver).key_down(Keys.SHIFT).send_keys("q").key_up(Keys.SHIFT).perform()
        self.assertTrue(self.wait_frames())
        self.assertEqual(self.notice(), "")
        # Keys go to the canvas only: with the focus elsewhere q does nothing; a click gives it
        # back.
        self.driver.find_element(By.ID, "keys").click()
        ActionChains(self.driver).send_keys("q").perform()
        self.assertTrue(self.wait_frames())
        self.assertEqual(self.notice(), "")
        self.canvas.click()
        self.assertEqual(self.driver.execute_script("return document.activeElement.id"), "game")
        ActionChains(self.driver).send_keys("q").perform()
        self.assertTrue(self.frames_stopped(), "the game loop still runs after q")
        self.assertEqual(self.notice(), "You quit the game.")
        new_game = self.driver.find_element(By.ID, "new-game")
        self.assertTrue(new_game.is_displayed())
        new_game.click()
        self.assertTrue(self.wait_frames(), "no new game after New game")
        self.assertEqual(self.notice(), "")
        self.assertFalse(new_game.is_displayed())
        self.assertEqual(self.driver.execute_script("return document.activeElement.id"), "game")
        self.compare("spawn")

    def test_hard_drops_end_the_game_at_the_third_overflow_as_the_rules_predict(self):
        self.load()
        for drop in range(1, self.game_over_drops):
            self.press("space")
            self.advance(1000)
            self.assertEqual(self.notice(), "", "the game ended after %d drops" % drop)
        self.press("space")
        self.assertTrue(self.frames_stopped(), "the game loop still runs after the game ended")
        self.assertEqual(self.notice(), "GAME OVER MAN!")
        self.assertTrue(self.driver.find_element(By.ID, "new-game").is_displayed())

    def test_download_size(self):
        sizes = {}
        for name in ("gemwell.js", "gemwell.wasm"):
            with open(os.path.join(ARGS.site, name), "rb") as f:
                data = f.read()
            sizes[name] = (len(data), len(gzip.compress(data, 9)))
        raw = sum(size[0] for size in sizes.values())
        packed = sum(size[1] for size in sizes.values())
        print("size: " + ", ".join("%s %d B (%d B gzipped)" % (name, *size)
                                   for name, size in sizes.items())
              + "; together %d B (%d B gzipped)" % (raw, packed), flush=True)
        self.assertLess(raw, SIZE_LIMIT_BYTES)


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--site", required=True, help="the browser edition's build (build-web)")
    parser.add_argument("--reference", required=True, help="the web_reference program")
    ARGS, rest = parser.parse_known_args()
    for name in ("index.html", "gemwell.js", "gemwell.wasm"):
        if not os.path.exists(os.path.join(ARGS.site, name)):
            print("%s has no %s: run make web first" % (ARGS.site, name), file=sys.stderr)
            return 1
    return 0 if unittest.main(argv=[sys.argv[0]] + rest, exit=False,
                              verbosity=2).result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
