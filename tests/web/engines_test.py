#!/usr/bin/python3
"""The page in Firefox ESR and in WebKitGTK, each as Debian packages it, on a private Xvfb:
no console error, a scripted game on the stepped clock drawn as the native game draws it and
as the rules predict, pause and going on, the Shapes switch remembered across a reload, and the
frame rate on the real clock.

Firefox runs headless with DISPLAY on the Xvfb (with no display it has no WebGL); WebKitGTK's
MiniBrowser runs in a window there (tools/webharness/engines.py, docs/browser-engines.md). One
browser start an engine.

Usage: engines_test.py --site BUILD_WEB --reference NATIVE_PICTURE [unittest arguments]
"""
import os
import sys
import threading
import time
import unittest

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

sys.path.insert(
    0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "webharness")
)
import engines  # noqa: E402
import game_page  # noqa: E402
import web_test  # noqa: E402
from web_test import compare, compare_marked, console_errors  # noqa: E402

# The real seconds each engine's frame rate is counted over.
FRAME_RATE_SECONDS = 3.0

# What every engine shares: the Xvfb, and the native game's shots, plain and with --shapes.
SHARED = {}


def setUpModule():
    SHARED["out"] = web_test.scratch("gemwell-engines-")
    SHARED["script"], SHARED["frames"] = web_test.native_reference(SHARED["out"])
    SHARED["shapes_out"] = web_test.shapes_reference()
    SHARED["xvfb"] = engines.Xvfb()


def tearDownModule():
    if "xvfb" in SHARED:
        SHARED["xvfb"].stop()


class EngineTest:
    """One engine's tests: a subclass says which engine and how it starts."""

    NAME = None

    @classmethod
    def start(cls, display, scripts):
        """(driver, server) with `scripts` before the page's own."""
        raise NotImplementedError

    @classmethod
    def setUpClass(cls):
        cls.out = SHARED["out"]
        cls.shapes_out = SHARED["shapes_out"]
        cls.script, cls.frames = SHARED["script"], SHARED["frames"]
        began = time.monotonic()
        cls.addClassCleanup(
            lambda: print("%s: %.1f s in all" % (cls.NAME, time.monotonic() - began), flush=True)
        )
        cls.driver, cls.server = cls.start(SHARED["xvfb"].display, game_page.page_scripts())
        cls.addClassCleanup(cls.server.server_close)
        cls.addClassCleanup(cls.driver.quit)
        cls.addClassCleanup(cls.server.shutdown)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.page = game_page.GamePage(
            cls.driver, "http://127.0.0.1:%d/index.html" % cls.server.server_port, cls.out
        )
        cls.errors = []
        cls.page.load()
        # Without a window manager a resized window loses the focus, and the page would pause
        # on the blur: it is kept from this page, and the next starts at the new size.
        cls.driver.execute_script("window.gemwellTestClock.keepBlur = true")
        if not cls.page.fit_canvas(640, 480):
            raise RuntimeError("no 640 x 480 canvas: %s" % cls.page.canvas_size())
        print(
            "\nbrowser: %s %s, started in %.1f s"
            % (
                cls.NAME,
                cls.driver.capabilities.get("browserVersion"),
                time.monotonic() - began,
            ),
            flush=True,
        )

    def load(self):
        # A page's console goes with it (WebKit's is read in the page): read it first.
        self.errors.extend(console_errors(self.driver))
        self.assertGreaterEqual(self.page.load(), 0)
        self.assertEqual(self.page.canvas_size()[2:4], [640, 480])

    def tearDown(self):
        self.errors.extend(console_errors(self.driver))
        errors, self.errors[:] = list(self.errors), []
        self.assertEqual(errors, [], "the browser console has errors")

    def test_a_scripted_game_ends_as_the_native_game_draws_it_and_the_rules_predict(self):
        self.load()
        self.assertEqual(self.page.focused(), "game")
        self.page.play(self.script, lambda name: compare(self, self.page, self.out, name))
        # Every key the game took was kept from the page.
        self.assertTrue(all(prevented for _, prevented in self.page.clock("keys")))

    def test_p_and_escape_pause_and_go_on_and_the_game_takes_nothing_meanwhile(self):
        self.load()
        page = self.page
        keys = page.game_keys()
        for pause, resume in (("p", Keys.ESCAPE), (Keys.ESCAPE, "p")):
            count = page.clock("keys.length")
            ActionChains(self.driver).send_keys(pause).perform()
            page.wait_until("window.gemwellTestClock.keys.length > %d" % count, "pause: keydown")
            self.assertEqual(page.paused(), ["Paused", True])
            readings = page.clock("readings")
            self.driver.execute_script("window.gemwellTestClock.stepped += 10000")
            ActionChains(self.driver).send_keys(" z").perform()
            page.wait_until(
                "window.gemwellTestClock.keys.length > %d" % (count + 2), "paused: keys"
            )
            self.assertTrue(page.frames_stopped(), "the game takes steps while paused")
            self.assertEqual(page.clock("readings"), readings)
            page.press(resume)
            self.assertEqual(page.paused(), ["", False])
        self.assertEqual(page.game_keys(), keys, "a key reached the game while paused")
        # Ten seconds on the clock twice, and the piece is still where it spawned.
        compare(self, page, self.out, "spawn")

    def test_the_shapes_switch_marks_the_gems_and_is_remembered_across_a_reload(self):
        self.load()
        switch = self.page.button("Shapes on gems")
        self.assertEqual(switch.get_attribute("aria-checked"), "false")
        try:
            switch.click()
            self.page.wait_frames()
            self.load()
            switch = self.page.button("Shapes on gems")
            self.assertEqual(switch.get_attribute("aria-checked"), "true")
            compare_marked(self, self.page, "spawn")
        finally:
            self.driver.execute_script("localStorage.clear()")

    def test_the_frame_rate_on_the_real_clock(self):
        self.load()
        self.driver.execute_script("const c = window.gemwellTestClock; c.realBase = c.realNow();")
        rate, gap, busy = engines.frame_rate(self.driver, FRAME_RATE_SECONDS)
        print(
            "frame rate: %s, 640 x 480, the game on the real clock: %.1f frames a second, the"
            " longest gap %.0f ms, %.2f ms a frame in its callback; load average %.1f"
            % (self.NAME, rate, gap, busy, os.getloadavg()[0]),
            flush=True,
        )
        self.assertGreater(rate, 0)


class Firefox(EngineTest, unittest.TestCase):
    NAME = "Firefox ESR"

    @classmethod
    def start(cls, display, scripts):
        return engines.firefox(display, scripts), game_page.serve_web.server(web_test.ARGS.site)


class WebKit(EngineTest, unittest.TestCase):
    NAME = "WebKitGTK"

    @classmethod
    def start(cls, display, scripts):
        return engines.webkit(display), engines.webkit_server(web_test.ARGS.site, scripts)


if __name__ == "__main__":
    sys.exit(web_test.main(__doc__))
