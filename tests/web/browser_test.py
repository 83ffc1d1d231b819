#!/usr/bin/python3
"""The browser edition in real headless Chromium, with WebGL through SwiftShader.

A local server on 127.0.0.1 serves build-web/; the page runs on a stepped clock (tools/webharness/game_page.py).
native_picture plans a script of real key events and clock steps on the headless rules, plays it
on the native game under Xvfb and Mesa, and then holds each of the browser's shots of the same
script to the native one and to what the rules predict.

Usage: browser_test.py --site BUILD_WEB --reference NATIVE_PICTURE [unittest arguments]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import numpy as np
from PIL import Image
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

# The page driver, shared by the browser tests and the browser bench.
sys.path.insert(
    0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "webharness")
)
import game_page  # noqa: E402

sys.path.insert(
    0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "vision")
)
import colour_vision  # noqa: E402

FIRST_FRAME_LIMIT_MS = 5000
SIZE_LIMIT_BYTES = 300 * 1024  # the game's code: gemwell.js and gemwell.wasm

ARGS = None


def console_errors(driver):
    """The browser console's errors since the last read (reading the log empties it)."""
    return [entry["message"] for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]


class BrowserEdition(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.out = tempfile.mkdtemp(prefix="gemwell-web-")
        native = subprocess.run(
            [ARGS.reference, "native", cls.out], capture_output=True, text=True, timeout=120
        )
        if native.returncode != 0:
            raise RuntimeError("native reference failed: " + native.stderr)
        cls.script = game_page.read_script(os.path.join(cls.out, "script.txt"))
        cls.shapes_out = shapes_reference()
        with open(os.path.join(cls.out, "game-over-drops")) as drops:
            cls.game_over_drops = int(drops.read())
        cls.frames = resting_frames(cls.out)
        cls.server = game_page.serve_web.server(ARGS.site)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.driver = game_page.chromium()
        cls.page = game_page.GamePage(
            cls.driver, "http://127.0.0.1:%d/index.html" % cls.server.server_port, cls.out
        )
        # The canvas takes the window's room: the window is sized to give it the native game's.
        cls.page.load()
        if not cls.page.fit_canvas(640, 480):
            raise RuntimeError("no 640 x 480 canvas: %s" % cls.page.canvas_size())
        print(
            "\nbrowser: Chromium %s, WebGL through SwiftShader"
            % cls.driver.capabilities.get("browserVersion"),
            flush=True,
        )

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.shutdown()

    def tearDown(self):
        errors = console_errors(self.driver)
        self.assertEqual(errors, [], "the browser console has errors")

    def load(self):
        first = self.page.load(FIRST_FRAME_LIMIT_MS / 1000.0 + 5.0)
        self.assertGreaterEqual(first, 0, "no frame was drawn")
        return first

    def compare(self, name):
        compare(self, self.page, self.out, name)

    def test_first_frame_then_three_states_as_the_native_game_draws_and_the_rules_predict(self):
        first = self.load()
        print("load: navigation to first frame %.0f ms" % first, flush=True)
        self.assertLess(first, FIRST_FRAME_LIMIT_MS)
        self.assertEqual(self.page.focused(), "game")
        self.page.play(self.script, self.compare, self.frames)
        # Every key the game takes was kept from the page, so space and the arrows scroll nothing.
        keys = self.page.clock("keys")
        self.assertTrue(keys)
        self.assertTrue(all(prevented for _, prevented in keys), keys)

    def test_q_quits_with_the_notice_and_new_game_starts_the_same_game_again(self):
        self.load()
        page = self.page
        # Shift+q is "Q", which the game ignores, as the native one does.
        ActionChains(self.driver).key_down(Keys.SHIFT).send_keys("q").key_up(Keys.SHIFT).perform()
        self.assertTrue(page.wait_frames())
        self.assertEqual(page.notice(), "")
        # Keys go to the canvas only: with the focus elsewhere q does nothing; a click gives it
        # back.
        self.driver.find_element(By.ID, "keys").click()
        page.press("q")
        self.assertEqual(page.notice(), "")
        page.canvas.click()
        self.assertEqual(page.focused(), "game")
        ActionChains(self.driver).send_keys("q").perform()
        self.assertEqual(page.wait_notice(), "You quit the game.")
        self.assertTrue(page.frames_stopped(), "the game loop still runs after q")
        new_game = self.driver.find_element(By.ID, "new-game")
        self.assertTrue(new_game.is_displayed())
        new_game.click()
        self.assertTrue(page.wait_frames(), "no new game after New game")
        self.assertEqual(page.notice(), "")
        self.assertFalse(new_game.is_displayed())
        self.assertEqual(page.focused(), "game")
        self.compare("spawn")

    def test_hard_drops_end_the_game_at_the_third_overflow_as_the_rules_predict(self):
        self.load()
        # Each step brought to rest, as the rules count the drops.
        for drop in range(1, self.game_over_drops):
            self.page.press("space", game_page.RESTING_FRAMES)
            self.page.advance(1000, 1 + game_page.RESTING_FRAMES)
            self.assertEqual(self.page.notice(), "", "the game ended after %d drops" % drop)
        ActionChains(self.driver).send_keys(" ").perform()
        self.assertEqual(self.page.wait_notice(), "GAME OVER MAN!")
        self.assertTrue(self.page.frames_stopped(), "the game loop still runs after it ended")
        self.assertTrue(self.driver.find_element(By.ID, "new-game").is_displayed())

    def test_a_page_opened_as_a_file_plays_where_the_browser_lets_it_read_files(self):
        driver = game_page.chromium(["--allow-file-access-from-files"])
        try:
            page = game_page.GamePage(
                driver, "file://" + os.path.join(os.path.abspath(ARGS.site), "index.html")
            )
            self.assertGreaterEqual(page.load(), 0, "no frame was drawn")
            page.press("q")
            self.assertEqual(page.wait_notice(), "You quit the game.")
            errors = console_errors(driver)
            self.assertEqual(errors, [])
        finally:
            driver.quit()

    def test_without_webgl_the_page_says_why_there_is_no_game(self):
        driver = game_page.chromium(["--disable-3d-apis"])
        try:
            page = game_page.GamePage(
                driver, "http://127.0.0.1:%d/index.html" % self.server.server_port
            )
            driver.get(page.url)
            self.assertEqual(
                page.wait_notice(10.0), "gemwell: this browser gives the page no WebGL"
            )
            self.assertTrue(driver.find_element(By.ID, "new-game").is_displayed())
        finally:
            driver.quit()

    def test_browser_chords_stay_the_browsers_and_never_reach_the_game(self):
        self.load()
        for modifier in (Keys.CONTROL, Keys.ALT, Keys.META):
            for key in "fsz":
                ActionChains(self.driver).key_down(modifier).send_keys(key).key_up(
                    modifier
                ).perform()
        self.assertTrue(self.page.wait_frames())
        chords = [key for key in self.page.clock("keys") if key[0] in "fsz"]
        self.assertEqual(len(chords), 9, chords)
        self.assertFalse(any(prevented for _, prevented in chords), chords)
        # Neither z nor s reached the game: the piece is where it spawned, in its colours.
        self.compare("spawn")

    def test_each_animation_frame_runs_exactly_one_game_step(self):
        self.load()
        # The game reads the clock once a step; both counts are read between two frames.
        self.driver.execute_script(
            "const c = window.gemwellTestClock; c.frames = 0;" " c.readings = 0;"
        )
        deadline = time.monotonic() + 10
        while self.page.clock("frames") < 30 and time.monotonic() < deadline:
            time.sleep(0.05)
        frames, readings = self.driver.execute_script(
            "const c = window.gemwellTestClock; return [c.frames, c.readings];"
        )
        self.assertGreaterEqual(frames, 30)
        self.assertEqual(readings, frames)

    def shapes_switch(self):
        switch = self.page.button("Shapes on gems")
        self.assertEqual(switch.get_attribute("role"), "switch")
        return switch

    def test_shapes_on_gems_by_keyboard_at_once_mid_game_remembered_and_off_by_mouse(self):
        self.load()
        self.assertEqual(self.shapes_switch().get_attribute("aria-checked"), "false")
        try:
            # From the canvas back along the top row to the switch and Space, mid-game; the
            # game's keys go back to the canvas at once, and the marks are on the very next frame.
            for _ in range(3):
                ActionChains(self.driver).key_down(Keys.SHIFT).send_keys(Keys.TAB).key_up(
                    Keys.SHIFT
                ).perform()
                if self.driver.switch_to.active_element.text == "Shapes on gems":
                    break
            self.assertEqual(self.driver.switch_to.active_element.text, "Shapes on gems")
            ActionChains(self.driver).send_keys(Keys.SPACE).perform()
            self.assertEqual(self.shapes_switch().get_attribute("aria-checked"), "true")
            self.assertEqual(self.page.focused(), "game")
            self.page.play(
                self.script, lambda name: compare_marked(self, self.page, name), self.frames
            )
            # Remembered: a reload starts with the marks.
            self.load()
            self.assertEqual(self.shapes_switch().get_attribute("aria-checked"), "true")
            compare_marked(self, self.page, "spawn")
            # A click turns them off, and the picture is the plain one again.
            ActionChains(self.driver).click(self.shapes_switch()).perform()
            self.assertEqual(self.shapes_switch().get_attribute("aria-checked"), "false")
            self.assertEqual(self.page.focused(), "game")
            self.compare("spawn")
        finally:
            self.driver.execute_script("localStorage.clear()")

    def test_a_page_whose_storage_throws_still_plays_and_switches_for_the_visit(self):
        refuse = self.driver.execute_cdp_cmd(
            "Page.addScriptToEvaluateOnNewDocument",
            {
                "source": "Object.defineProperty(window, 'localStorage', {get() {"
                " throw new DOMException('storage is off', 'SecurityError'); }});"
            },
        )
        try:
            self.load()
            self.assertEqual(self.page.notice(), "")
            self.assertEqual(self.shapes_switch().get_attribute("aria-checked"), "false")
            ActionChains(self.driver).click(self.shapes_switch()).perform()
            self.assertEqual(self.shapes_switch().get_attribute("aria-checked"), "true")
            before, _ = script_until(self.script, "stacked")
            self.page.play(before, frames=self.frames)
            compare_marked(self, self.page, "stacked")
        finally:
            self.driver.execute_cdp_cmd(
                "Page.removeScriptToEvaluateOnNewDocument", {"identifier": refuse["identifier"]}
            )
        # Nothing was kept: the next visit starts plain.
        self.load()
        self.assertEqual(self.shapes_switch().get_attribute("aria-checked"), "false")

    def test_p_escape_the_pause_button_and_a_blur_pause_the_game_which_sees_neither_key(self):
        self.load()
        page = self.page
        keys = page.game_keys()
        paused = "document.getElementById('paused').textContent === 'Paused'"
        going = "document.getElementById('resume').hidden"

        def hold_through(pause):
            # Ten seconds on the clock and the game's keys while paused: none of it reaches the
            # game, and the first frame after the pause is an ordinary one: the piece is still
            # where it spawned.
            pause()
            page.wait_until(paused, "Paused")
            self.assertEqual(page.paused(), ["Paused", True])
            readings = page.clock("readings")
            self.driver.execute_script("window.gemwellTestClock.stepped += 10000")
            self.driver.execute_script("document.getElementById('game').focus()")
            ActionChains(self.driver).send_keys(" zsx").send_keys(Keys.ARROW_DOWN).perform()
            self.assertTrue(page.frames_stopped(), "the game takes steps while paused")
            self.assertEqual(page.clock("readings"), readings)
            self.assertEqual(page.paused(), ["Paused", True])

        def goes_on(resume):
            resume()
            page.wait_until(going, "the game to go on")
            self.assertEqual(page.paused(), ["", False])
            self.assertTrue(page.wait_frames())
            self.assertEqual(page.focused(), "game")
            self.compare("spawn")

        hold_through(lambda: ActionChains(self.driver).send_keys("p").perform())
        goes_on(lambda: ActionChains(self.driver).send_keys(Keys.ESCAPE).perform())
        hold_through(lambda: ActionChains(self.driver).send_keys(Keys.ESCAPE).perform())
        goes_on(lambda: ActionChains(self.driver).send_keys("p").perform())
        hold_through(lambda: self.driver.find_element(By.ID, "pause").click())
        # Below the notice over the well.
        goes_on(
            lambda: ActionChains(self.driver)
            .move_to_element_with_offset(page.canvas, 0, 150)
            .click()
            .perform()
        )
        # Headless Chromium blurs a window only as it hides it: the window's own event here.
        hold_through(lambda: self.driver.execute_script("dispatchEvent(new FocusEvent('blur'))"))
        goes_on(lambda: self.driver.find_element(By.ID, "resume").click())
        self.assertEqual(
            page.game_keys(), keys, "a key reached the game while paused, or p or Escape did"
        )
        self.assertTrue(all(prevented for key, prevented in page.clock("keys") if key == "p"))

    def test_with_the_real_clock_no_step_runs_while_paused_nor_takes_the_pause_after(self):
        self.load()
        page = self.page
        self.driver.execute_script(
            "const c = window.gemwellTestClock; c.log = []; c.realBase = c.realNow();"
        )
        self.assertTrue(page.wait_frames())
        ActionChains(self.driver).send_keys("p").perform()
        page.wait_until("document.getElementById('paused').textContent", "Paused")
        readings = page.clock("readings")
        time.sleep(3.0)  # the pause itself
        self.assertEqual(page.clock("readings"), readings, "the game took steps while paused")
        ActionChains(self.driver).send_keys("p").perform()
        self.assertTrue(page.wait_frames(10))
        # Each frame's elapsed time is from the clock's reading before it: none holds the pause.
        log = page.clock("log")
        self.assertGreater(log[-1][0] - log[0][0], 3000)
        elapsed = [now - log[i][0] for i, (now, framed) in enumerate(log[1:]) if framed]
        self.assertLess(max(elapsed), 1000, elapsed)

    def test_download_size(self):
        sizes = game_page.download_sizes(ARGS.site)
        print(
            "size: "
            + ", ".join("%s %d B (%d B gzipped)" % (name, *size) for name, size in sizes.items())
            + "; together %d B (%d B gzipped)"
            % (sum(size[0] for size in sizes.values()), sum(size[1] for size in sizes.values())),
            flush=True,
        )
        self.assertLess(sizes["gemwell.js"][0] + sizes["gemwell.wasm"][0], SIZE_LIMIT_BYTES)


def compare(test, page, out, name, native=True):
    """Holds the canvas's pixels to the native game's shot `name` and to the rules' well; with
    `native` false, to the rules' well alone."""
    shot = os.path.join(out, "browser-%s-%s.png" % (test.id().rsplit(".", 1)[-1], name))
    with open(shot, "wb") as png:
        png.write(page.shot_png())
    well = os.path.join(out, name + ".well")
    command = (
        [ARGS.reference, "compare", os.path.join(out, "native-%s.png" % name), shot, well]
        if native
        else [ARGS.reference, "well", shot, well]
    )
    result = subprocess.run(command, capture_output=True, text=True)
    print("%s: %s" % (name, result.stdout.strip()), flush=True)
    test.assertEqual(result.returncode, 0, "%s: %s%s" % (name, result.stdout, result.stderr))


def shapes_reference(*size):
    """native_picture's script played on the native game with --shapes, at `size` if given."""
    out = tempfile.mkdtemp(prefix="gemwell-shapes-")
    native = subprocess.run(
        [ARGS.reference, "native", out, *size, "--shapes"],
        capture_output=True,
        text=True,
        timeout=180,
    )
    if native.returncode != 0:
        raise RuntimeError("native reference with --shapes failed: " + native.stderr)
    return out


def compare_marked(test, page, name, out=None):
    """Holds the canvas's pixels, gems marked, to the native game's with --shapes (the well is
    not read: the marks cover the centres it reads); at the shot with every colour, holds the
    marks apart in grey scale and under each simulated dichromacy."""
    out = out or test.shapes_out
    shot = os.path.join(out, "browser-%s-%s.png" % (test.id().rsplit(".", 1)[-1], name))
    with open(shot, "wb") as png:
        png.write(page.shot_png())
    command = [ARGS.reference, "pixels", os.path.join(out, "native-%s.png" % name), shot]
    result = subprocess.run(command, capture_output=True, text=True)
    print("%s, marked: %s" % (name, result.stdout.strip()), flush=True)
    test.assertEqual(result.returncode, 0, "%s: %s%s" % (name, result.stdout, result.stderr))
    if name == "stacked":
        with open(os.path.join(out, name + ".well")) as well:
            measures = colour_vision.mark_measures(
                np.asarray(Image.open(shot).convert("RGB")), well.read().split()
            )
        print(
            "marks: closest pair apart in "
            + ", ".join("%.1f %% (%s)" % (100 * min(m.values()), v) for v, m in measures.items()),
            flush=True,
        )
        test.assertEqual(colour_vision.told_apart(measures), {v: [] for v in measures})


def resting_frames(out):
    """The frames each step of native_picture's script is let run: the most any step takes to
    come to rest, and one more."""
    with open(os.path.join(out, "resting-frames")) as frames:
        return int(frames.read()) + 1


def script_until(script, name):
    """The script's steps up to its shot `name`, and the rest."""
    cut = script.index(("shot", name))
    return script[:cut], script[cut + 1 :]


class Phone(unittest.TestCase):
    """The page on a phone: Chromium at a pixel ratio of 3 with a phone's viewport and touch."""

    RATIO = 3

    @classmethod
    def setUpClass(cls):
        cls.server = game_page.serve_web.server(ARGS.site)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.driver = game_page.chromium(scale=cls.RATIO)
        game_page.emulate_phone(cls.driver, game_page.PORTRAIT, cls.RATIO)
        cls.out = tempfile.mkdtemp(prefix="gemwell-phone-")
        cls.page = game_page.GamePage(
            cls.driver, "http://127.0.0.1:%d/" % cls.server.server_port, cls.out
        )
        cls.page.load()
        width, height = cls.page.canvas_size()[2:4]
        # The native game with its window resized to the phone canvas's pixels.
        native = subprocess.run(
            [ARGS.reference, "native", cls.out, str(width), str(height)],
            capture_output=True,
            text=True,
            timeout=180,
        )
        if native.returncode != 0:
            raise RuntimeError("native reference failed: " + native.stderr)
        cls.script = game_page.read_script(os.path.join(cls.out, "script.txt"))
        cls.frames = resting_frames(cls.out)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.shutdown()

    def setUp(self):
        game_page.emulate_phone(self.driver, game_page.PORTRAIT, self.RATIO)

    def tearDown(self):
        errors = console_errors(self.driver)
        self.assertEqual(errors, [], "the browser console has errors")

    def load(self):
        self.assertGreaterEqual(self.page.load(), 0, "no frame was drawn")

    def check_layout(self, size):
        """At a phone `size`: nothing scrolls, the canvas has its CSS size times the ratio in
        pixels, and each button is at least 44 px and off the canvas."""
        self.assertTrue(self.page.wait_frames())
        width, height, pixel_width, pixel_height, ratio = self.page.canvas_size()
        self.assertEqual(ratio, self.RATIO)
        self.assertEqual(
            [pixel_width, pixel_height], [round(width * ratio), round(height * ratio)], size
        )
        extent = self.driver.execute_script(
            "const e = document.scrollingElement; return [e.scrollWidth, e.scrollHeight,"
            " innerWidth, innerHeight]"
        )
        self.assertLessEqual(extent[0], extent[2], size)
        self.assertLessEqual(extent[1], extent[3], size)
        canvas = self.driver.execute_script(
            "const r = document.getElementById('game').getBoundingClientRect();"
            " return [r.left, r.top, r.right, r.bottom]"
        )
        for name in (
            "Move left",
            "Move right",
            "Cycle colours",
            "Soft drop",
            "Hard drop",
            "Quit",
            "Shapes on gems",
        ):
            box = self.driver.execute_script(
                "const r = arguments[0].getBoundingClientRect();"
                " return [r.left, r.top, r.right, r.bottom]",
                self.page.button(name),
            )
            self.assertGreaterEqual(min(box[2] - box[0], box[3] - box[1]), 44, (name, size))
            self.assertTrue(
                box[0] >= 0 and box[1] >= 0 and box[2] <= size[0] and box[3] <= size[1],
                (name, size, box),
            )
            apart = (
                box[2] <= canvas[0]
                or box[0] >= canvas[2]
                or box[3] <= canvas[1]
                or box[1] >= canvas[3]
            )
            self.assertTrue(apart, "%s covers the canvas at %s" % (name, size))

    def test_taps_in_portrait_play_as_the_native_game_at_the_same_pixel_size(self):
        self.load()
        # The first frame was drawn at the final size: nothing jumps from 640 x 480.
        self.assertEqual(self.page.clock("firstSize"), self.page.canvas_size()[2:4])
        self.assertFalse(self.driver.find_element(By.ID, "keys").is_displayed())
        for size in (game_page.PORTRAIT, game_page.TALL_PORTRAIT, game_page.LANDSCAPE):
            game_page.emulate_phone(self.driver, size, self.RATIO)
            self.check_layout(size)
        game_page.emulate_phone(self.driver, game_page.PORTRAIT, self.RATIO)
        self.assertTrue(self.page.wait_frames())
        self.page.tap_script(
            self.script, lambda name: compare(self, self.page, self.out, name), self.frames
        )

    def test_turned_mid_game_the_game_reshapes_and_taps_play_on_in_landscape(self):
        self.load()
        before, after = script_until(self.script, "stacked")
        self.page.tap_script(before, frames=self.frames)
        game_page.emulate_phone(self.driver, game_page.LANDSCAPE, self.RATIO)
        self.check_layout(game_page.LANDSCAPE)
        compare(self, self.page, self.out, "stacked", native=False)
        # Another tab in front, then this one again: the game waited, and goes on where it was.
        self.driver.execute_script(
            "window.seen = []; document.addEventListener('visibilitychange',"
            " () => window.seen.push(document.visibilityState));"
        )
        game = self.driver.current_window_handle
        self.driver.switch_to.new_window("tab")
        self.driver.close()
        self.driver.switch_to.window(game)
        self.page.tap("Resume")
        self.assertTrue(self.page.wait_frames())
        # The page heard both changes, in their order, however late.
        self.page.wait_until(
            lambda: len(self.driver.execute_script("return window.seen")) >= 2,
            "another tab in front and closed: the game's page hidden, then visible",
        )
        self.assertEqual(self.driver.execute_script("return window.seen"), ["hidden", "visible"])
        self.page.tap_script(
            after,
            lambda name: compare(self, self.page, self.out, name, native=False),
            self.frames,
        )

    def test_shapes_on_gems_by_touch_as_the_native_game_draws_them_at_the_same_pixel_size(self):
        self.load()
        width, height = self.page.canvas_size()[2:4]
        out = shapes_reference(str(width), str(height))
        try:
            self.page.tap("Shapes on gems")
            self.assertEqual(
                self.page.button("Shapes on gems").get_attribute("aria-checked"), "true"
            )
            self.page.tap_script(
                self.script, lambda name: compare_marked(self, self.page, name, out), self.frames
            )
        finally:
            self.driver.execute_script("localStorage.clear()")

    def keys(self, key):
        return sum(1 for pressed, _ in self.page.clock("keys") if pressed == key)

    def test_held_soft_drop_repeats_until_released_or_cancelled_beside_a_second_finger(self):
        self.load()
        page = self.page
        soft = page.centre(page.button("Soft drop"))
        left = page.centre(page.button("Move left"))
        page.touch("touchStart", [(1, soft)])
        page.wait_until(lambda: self.keys("x") >= 5, "a held Soft drop: five presses")
        held = self.keys("x")
        # A second finger taps Move left while the first holds on.
        page.touch("touchStart", [(1, soft), (2, left)])
        page.touch("touchEnd", [(1, soft)])
        page.wait_until(
            lambda: self.keys("z") >= 1 and self.keys("x") > held,
            "a tap on Move left beside the held Soft drop: a z, and Soft drop still repeating",
        )
        self.assertEqual(self.keys("z"), 1)
        page.touch("touchEnd", [])
        self.assertTrue(page.wait_frames(1))
        # Nothing can be waited for here: these watch for repeats that must not come.
        released = self.keys("x")
        self.assertTrue(page.stays(lambda: self.keys("x")), "Soft drop repeats after its release")
        self.assertEqual(self.keys("x"), released)
        count = page.clock("keys.length")
        page.touch("touchStart", [(1, soft)])
        page.wait_frame_after_key(count, "Soft drop held again")
        page.touch("touchCancel", [])
        self.assertTrue(page.wait_frames(1))
        self.assertTrue(page.stays(lambda: self.keys("x")), "Soft drop repeats after a cancel")

    def test_drags_and_pinches_over_the_canvas_and_buttons_scroll_and_zoom_nothing(self):
        self.load()
        page = self.page
        x, y = page.centre(page.canvas)
        bx, by = page.centre(page.button("Hard drop"))
        for start, end in (
            ((x, y + 150), (x, y - 250)),
            ((x, y - 150), (x, y + 250)),
            ((bx, by), (bx, by - 400)),
        ):
            page.touch("touchStart", [(1, start)])
            for step in range(1, 11):
                page.touch(
                    "touchMove",
                    [
                        (
                            1,
                            (
                                start[0] + (end[0] - start[0]) * step / 10,
                                start[1] + (end[1] - start[1]) * step / 10,
                            ),
                        )
                    ],
                )
            page.touch("touchEnd", [])
        page.touch("touchStart", [(1, (x - 20, y)), (2, (x + 20, y))])
        for step in range(1, 11):
            page.touch(
                "touchMove",
                [
                    (1, (x - 20 - 12 * step, y - 12 * step)),
                    (2, (x + 20 + 12 * step, y + 12 * step)),
                ],
            )
        page.touch("touchEnd", [])
        self.assertTrue(page.wait_frames())
        view = self.driver.execute_script(
            "return [scrollX, scrollY, visualViewport.scale, visualViewport.offsetLeft,"
            " visualViewport.offsetTop]"
        )
        self.assertEqual(view, [0, 0, 1, 0, 0])

    def test_quit_asks_once_and_a_lost_context_comes_back_drawn_as_it_was(self):
        self.load()
        page = self.page
        before, _ = script_until(self.script, "stacked")
        page.tap_script(before, frames=self.frames)
        page.tap("Quit")
        self.assertTrue(self.driver.find_element(By.ID, "confirm").is_displayed())
        page.tap("Keep playing")
        self.assertEqual(page.notice(), "")
        self.assertFalse(self.driver.find_element(By.ID, "confirm").is_displayed())
        lose = (
            "const gl = document.getElementById('game').getContext('webgl');"
            " window.loseContext = gl.getExtension('WEBGL_lose_context');"
            " window.loseContext.loseContext();"
        )
        self.driver.execute_script(lose)
        self.assertTrue(page.wait_frames())
        self.assertTrue(
            self.driver.execute_script(
                "return document.getElementById('game').getContext('webgl').isContextLost()"
            )
        )
        self.driver.execute_script("window.loseContext.restoreContext()")
        self.assertTrue(page.wait_frames(5))
        compare(self, page, self.out, "stacked")
        # Lost for good: the page says so and a new game starts on a new canvas.
        self.driver.execute_script(lose)
        self.assertEqual(page.wait_notice(8.0), "The graphics were lost and did not come back.")
        self.assertTrue(page.frames_stopped(), "the game loop still runs with no context")
        # The calendar back at the start, for the first game's seed.
        self.driver.execute_script("window.gemwellTestClock.stepped = 0")
        page.tap("New game")
        self.assertTrue(page.wait_frames(), "no new game after New game")
        page.canvas = self.driver.find_element(By.ID, "game")
        compare(self, page, self.out, "spawn")
        page.tap("Quit")
        page.tap("End game")
        self.assertEqual(page.wait_notice(), "You quit the game.")

    def test_hidden_ten_seconds_the_page_comes_back_paused_with_the_piece_where_it_was(self):
        self.load()
        page = self.page
        before, _ = script_until(self.script, "stacked")
        page.tap_script(before[:-1])
        # The clock runs in real time while the page is hidden, as a phone's does. Headless
        # Chromium blurs the window as it hides it; a phone may not, so the window's blur is
        # kept from the page here: its being hidden alone must pause it.
        self.driver.execute_script(
            "const c = window.gemwellTestClock; c.keepBlur = true; c.realOnHide = true;"
            " c.log = [];"
            " window.seen = []; document.addEventListener('visibilitychange',"
            " () => window.seen.push(document.visibilityState));"
        )
        game = self.driver.current_window_handle
        self.driver.switch_to.new_window("tab")
        time.sleep(10.0)  # the absence itself
        self.driver.close()
        self.driver.switch_to.window(game)
        page.wait_until("document.visibilityState === 'visible'", "the page shown again")
        self.assertEqual(self.driver.execute_script("return window.seen"), ["hidden", "visible"])
        self.assertGreaterEqual(page.clock("stepped"), 10000)
        self.assertEqual(page.paused(), ["Paused", True])
        self.assertTrue(page.frames_stopped(), "the game goes on by itself")
        page.tap("Resume")
        self.assertEqual(page.paused(), ["", False])
        # No frame took the absence as its elapsed time, and the piece is where the rules have it
        # without the absence.
        log = page.clock("log")
        elapsed = [now - log[i][0] for i, (now, framed) in enumerate(log[1:]) if framed]
        self.assertLess(max(elapsed), 1000, elapsed)
        page.tap_script(before[-1:])
        compare(self, page, self.out, "stacked")

    def test_quit_and_new_game_from_a_pause(self):
        self.load()
        page = self.page
        page.tap("Pause")
        page.tap("Quit")
        page.tap("Keep playing")
        self.assertEqual(page.paused(), ["Paused", True])
        page.tap("Quit")
        page.tap("End game")
        self.assertEqual(page.wait_notice(), "You quit the game.")
        self.assertEqual(page.paused(), ["", False])
        self.driver.execute_script("window.gemwellTestClock.stepped = 0")
        page.tap("New game")
        self.assertTrue(page.wait_frames(), "no new game after New game")
        self.assertEqual(page.paused(), ["", False])
        compare(self, page, self.out, "spawn")

    # The standard mapping's button for each of the touch buttons.
    PAD_BUTTONS = {
        "Hard drop": 1,
        "Move left": 14,
        "Move right": 15,
        "Cycle colours": 0,
        "Soft drop": 13,
        "Quit": 8,
    }

    def pad_note(self):
        return self.driver.find_element(By.ID, "pad-note").text

    def test_a_pad_plays_the_touch_script_as_the_native_game_draws_it(self):
        self.load()
        page = self.page
        self.assertEqual(self.pad_note(), "")
        page.pad(0)
        page.wait_until("document.getElementById('pad-note').textContent", "the pad's note")
        self.assertTrue(self.pad_note().startswith("Gamepad 1 connected: "), self.pad_note())
        # A resting stick that drifts moves nothing.
        keys = page.game_keys()
        page.pad(0, axes=[0.3, -0.35, 0.2, 0])
        self.assertTrue(page.wait_frames(10))
        self.assertEqual(page.game_keys(), keys, "a resting stick moved the piece")
        page.pad(0)
        page.pad_script(
            self.script,
            self.PAD_BUTTONS,
            lambda name: compare(self, page, self.out, name),
            self.frames,
        )

    def test_two_pads_at_once_sticks_start_back_and_a_held_soft_drop(self):
        self.load()
        page = self.page
        page.pad(0)
        page.pad(1, mapping="")  # no standard mapping: the same buttons by number

        def reached(press, key):
            before = page.game_keys()
            press()
            self.assertEqual(page.clock("gameKeys")[before:], [[ord(key), 0]])

        reached(lambda: page.pad_press(1, axes=[-0.9, 0.1, 0, 0]), "z")
        reached(lambda: page.pad_press(0, 15), "c")
        reached(lambda: page.pad_press(1, 2), "s")
        reached(lambda: page.pad_press(0, axes=[0, -1, 0, 0]), " ")
        page.pad(0, [9])
        page.wait_until("!document.getElementById('resume').hidden", "Start to pause")
        page.pad(0)
        page.pad(1, [9])
        page.wait_until("document.getElementById('resume').hidden", "Start to go on")
        page.pad(1)
        page.pad(1, [8])
        page.wait_until("!document.getElementById('confirm').hidden", "Back to ask")
        page.pad(1)
        page.tap("Keep playing")
        before = page.game_keys()
        page.pad(0, [13])
        time.sleep(1.0)  # held
        page.pad(0)
        self.assertTrue(page.wait_frames())
        held = page.clock("gameKeys")[before:]
        self.assertGreaterEqual(len(held), 5, "a held Soft drop does not repeat")
        self.assertEqual(set(key for key, _ in held), {ord("x")})
        time.sleep(0.5)
        self.assertEqual(page.game_keys(), before + len(held), "Soft drop repeats after release")


class Installed(unittest.TestCase):
    """The page as an installed app: installable, then played with no network at all."""

    def test_installable_and_after_one_visit_plays_offline(self):
        site = tempfile.mkdtemp(prefix="gemwell-site-")
        for name in os.listdir(ARGS.site):
            if os.path.isfile(os.path.join(ARGS.site, name)):
                shutil.copy(os.path.join(ARGS.site, name), site)
        server = game_page.serve_web.server(site)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        driver = game_page.chromium(scale=Phone.RATIO)
        try:
            game_page.emulate_phone(driver, game_page.PORTRAIT, Phone.RATIO)
            page = game_page.GamePage(driver, "http://127.0.0.1:%d/" % server.server_port)
            self.assertGreaterEqual(page.load(), 0, "no frame was drawn")
            controlled = (
                "const done = arguments[arguments.length - 1];"
                " navigator.serviceWorker.ready.then(() => {"
                "   const wait = () => navigator.serviceWorker.controller ?"
                "     done(true) : setTimeout(wait, 50);"
                "   wait(); });"
            )
            driver.set_script_timeout(20)
            self.assertTrue(driver.execute_async_script(controlled))
            errors = driver.execute_cdp_cmd("Page.getInstallabilityErrors", {})
            self.assertEqual(errors.get("installabilityErrors"), [])

            # A new build: its worker installs and waits; the game goes on untouched.
            driver.execute_script("window.sameDocument = true")
            with open(os.path.join(site, "sw.js"), "a") as worker:
                worker.write("// a new build\n")
            self.assertTrue(
                driver.execute_async_script(
                    "const done = arguments[arguments.length - 1];"
                    " navigator.serviceWorker.getRegistration().then(r => r.update().then(() => {"
                    "   const wait = () => r.waiting ? done(true) : setTimeout(wait, 50);"
                    "   wait(); }));"
                )
            )
            page.tap("Hard drop")
            self.assertTrue(driver.execute_script("return window.sameDocument === true"))
            self.assertEqual(page.notice(), "")
            # Between games the page takes it.
            page.tap("Quit")
            page.tap("End game")
            self.assertEqual(page.wait_notice(), "You quit the game.")
            page.tap("New game")
            deadline = time.monotonic() + 10
            while (
                driver.execute_script("return window.sameDocument === true")
                and time.monotonic() < deadline
            ):
                time.sleep(0.05)
            self.assertIsNone(driver.execute_script("return window.sameDocument"))
            self.assertGreaterEqual(page.load(), 0, "no frame after the update")
            self.assertTrue(
                driver.execute_async_script(
                    "const done = arguments[arguments.length - 1];"
                    " navigator.serviceWorker.getRegistration().then(r => done(!r.waiting));"
                )
            )

            server.shutdown()
            server.server_close()
            driver.execute_cdp_cmd("Network.enable", {})
            driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
            self.assertGreaterEqual(page.load(), 0, "no frame offline")
            page.tap("Move left")
            page.tap("Hard drop")
            page.tap("Quit")
            page.tap("End game")
            self.assertEqual(page.wait_notice(), "You quit the game.")
            errors = console_errors(driver)
            self.assertEqual(errors, [])
        finally:
            driver.quit()
            server.server_close()


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--site", required=True, help="the browser edition's build (build-web)")
    parser.add_argument("--reference", required=True, help="the native_picture program")
    ARGS, rest = parser.parse_known_args()
    for name in ("index.html", "gemwell.js", "gemwell.wasm"):
        if not os.path.exists(os.path.join(ARGS.site, name)):
            print("%s has no %s: run make web first" % (ARGS.site, name), file=sys.stderr)
            return 1
    return (
        0
        if unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2).result.wasSuccessful()
        else 1
    )


if __name__ == "__main__":
    sys.exit(main())
