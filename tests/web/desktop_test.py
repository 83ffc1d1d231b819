#!/usr/bin/python3
"""The page on a desktop in headless Chromium (WebGL through SwiftShader): its first frame,
keys, the end of a game, a page opened as a file, no WebGL, and its download size.

A local server on 127.0.0.1 serves build-web/; the page runs on a stepped clock
(tools/webharness). native_picture plans a script of real key events and clock steps on the
headless rules, plays it on the native game under Xvfb and Mesa, and then holds each of the
browser's shots of the same script to the native one and to what the rules predict.

Usage: desktop_test.py --site BUILD_WEB --reference NATIVE_PICTURE [unittest arguments]
"""
import os
import sys

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

sys.path.insert(
    0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "webharness")
)
import game_page  # noqa: E402
import web_test  # noqa: E402
from web_test import FIRST_FRAME_LIMIT_MS, console_errors  # noqa: E402

SIZE_LIMIT_BYTES = 300 * 1024  # the game's code: gemwell.js and gemwell.wasm


class DesktopPage(web_test.DesktopTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        with open(os.path.join(cls.out, "game-over-drops")) as drops:
            cls.game_over_drops = int(drops.read())

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
                driver, "file://" + os.path.join(os.path.abspath(web_test.ARGS.site), "index.html")
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
        self.page.wait_until("window.gemwellTestClock.frames >= 30", "30 animation frames")
        frames, readings = self.driver.execute_script(
            "const c = window.gemwellTestClock; return [c.frames, c.readings];"
        )
        self.assertGreaterEqual(frames, 30)
        self.assertEqual(readings, frames)

    def test_download_size(self):
        sizes = game_page.download_sizes(web_test.ARGS.site)
        print(
            "size: "
            + ", ".join("%s %d B (%d B gzipped)" % (name, *size) for name, size in sizes.items())
            + "; together %d B (%d B gzipped)"
            % (sum(size[0] for size in sizes.values()), sum(size[1] for size in sizes.values())),
            flush=True,
        )
        self.assertLess(sizes["gemwell.js"][0] + sizes["gemwell.wasm"][0], SIZE_LIMIT_BYTES)


if __name__ == "__main__":
    sys.exit(web_test.main(__doc__))
