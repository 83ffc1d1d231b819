#!/usr/bin/python3
"""The browser edition in real headless Chromium, with WebGL through SwiftShader.

A local server on 127.0.0.1 serves build-web/; the page runs on a stepped clock (tools/webharness/game_page.py).
web_reference plans a script of real key events and clock steps on the headless rules, plays it
on the native game under Xvfb and Mesa, and then holds each of the browser's shots of the same
script to the native one and to what the rules predict.

Usage: browser_test.py --site BUILD_WEB --reference WEB_REFERENCE [unittest arguments]
"""
import argparse
import os
import subprocess
import sys
import tempfile
import threading
import unittest

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

# The page driver, shared by the browser tests and the browser bench.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "webharness"))
import game_page  # noqa: E402

FIRST_FRAME_LIMIT_MS = 5000
SIZE_LIMIT_BYTES = 300 * 1024

ARGS = None


class BrowserEdition(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.out = tempfile.mkdtemp(prefix="gemwell-web-")
        native = subprocess.run([ARGS.reference, "native", cls.out], capture_output=True,
                                text=True, timeout=120)
        if native.returncode != 0:
            raise RuntimeError("native reference failed: " + native.stderr)
        cls.script = game_page.read_script(os.path.join(cls.out, "script.txt"))
        with open(os.path.join(cls.out, "game-over-drops")) as drops:
            cls.game_over_drops = int(drops.read())
        cls.server = game_page.serve_web.server(ARGS.site)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.driver = game_page.chromium()
        cls.page = game_page.GamePage(
            cls.driver, "http://127.0.0.1:%d/index.html" % cls.server.server_port)
        print("\nbrowser: Chromium %s, WebGL through SwiftShader"
              % cls.driver.capabilities.get("browserVersion"), flush=True)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.shutdown()

    def tearDown(self):
        errors = [entry["message"] for entry in self.driver.get_log("browser")
                  if entry["level"] == "SEVERE"]
        self.assertEqual(errors, [], "the browser console has errors")

    def load(self):
        first = self.page.load(FIRST_FRAME_LIMIT_MS / 1000.0 + 5.0)
        self.assertGreaterEqual(first, 0, "no frame was drawn")
        return first

    def compare(self, name):
        shot = os.path.join(self.out, "browser-%s.png" % name)
        with open(shot, "wb") as png:
            png.write(self.page.canvas.screenshot_as_png)
        result = subprocess.run(
            [ARGS.reference, "compare", os.path.join(self.out, "native-%s.png" % name), shot,
             os.path.join(self.out, name + ".well")], capture_output=True, text=True)
        print("%s: %s" % (name, result.stdout.strip()), flush=True)
        self.assertEqual(result.returncode, 0, "%s: %s%s" % (name, result.stdout, result.stderr))

    def test_first_frame_then_three_states_as_the_native_game_draws_and_the_rules_predict(self):
        first = self.load()
        print("load: navigation to first frame %.0f ms" % first, flush=True)
        self.assertLess(first, FIRST_FRAME_LIMIT_MS)
        self.assertEqual(self.page.focused(), "game")
        self.page.play(self.script, self.compare)
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
        for drop in range(1, self.game_over_drops):
            self.page.press("space")
            self.page.advance(1000)
            self.assertEqual(self.page.notice(), "", "the game ended after %d drops" % drop)
        ActionChains(self.driver).send_keys(" ").perform()
        self.assertEqual(self.page.wait_notice(), "GAME OVER MAN!")
        self.assertTrue(self.page.frames_stopped(), "the game loop still runs after it ended")
        self.assertTrue(self.driver.find_element(By.ID, "new-game").is_displayed())

    def test_a_page_opened_as_a_file_plays_where_the_browser_lets_it_read_files(self):
        driver = game_page.chromium(["--allow-file-access-from-files"])
        try:
            page = game_page.GamePage(
                driver, "file://" + os.path.join(os.path.abspath(ARGS.site), "index.html"))
            self.assertGreaterEqual(page.load(), 0, "no frame was drawn")
            page.press("q")
            self.assertEqual(page.wait_notice(), "You quit the game.")
            errors = [entry["message"] for entry in driver.get_log("browser")
                      if entry["level"] == "SEVERE"]
            self.assertEqual(errors, [])
        finally:
            driver.quit()

    def test_without_webgl_the_page_says_why_there_is_no_game(self):
        driver = game_page.chromium(["--disable-3d-apis"])
        try:
            page = game_page.GamePage(
                driver, "http://127.0.0.1:%d/index.html" % self.server.server_port)
            driver.get(page.url)
            self.assertEqual(page.wait_notice(10.0), "gemwell: this browser gives the page no WebGL")
            self.assertTrue(driver.find_element(By.ID, "new-game").is_displayed())
        finally:
            driver.quit()

    def test_download_size(self):
        sizes = game_page.download_sizes(ARGS.site)
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
