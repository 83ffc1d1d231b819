#!/usr/bin/python3
"""The page's pause in headless Chromium: what pauses (p, Escape, Pause, a blur, a hidden
page) and goes on, that the game takes no step and no key meanwhile, and that no frame takes
the pause as its time; on a desktop and on a phone.

Usage: pause_test.py --site BUILD_WEB --reference NATIVE_PICTURE [unittest arguments]
"""
import os
import sys
import time

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

sys.path.insert(
    0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "webharness")
)
import web_test  # noqa: E402
from game_page import STEP_DEADLINE_SECONDS, wait_until  # noqa: E402
from web_test import compare, script_until  # noqa: E402

# How long the phone's page stays hidden, on its own real clock.
ABSENCE_MS = 10000


class DesktopPause(web_test.DesktopTest):
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

    def test_a_held_p_or_escape_pauses_or_goes_on_once_however_often_it_repeats(self):
        self.load()
        page = self.page
        keys = page.game_keys()
        # A held key: its first keydown, then the keyboard's repeats, then its keyup.
        hold = (
            "const canvas = document.getElementById('game');"
            " for (let i = 0; i <= 5; ++i) { canvas.dispatchEvent(new KeyboardEvent('keydown',"
            " {key: arguments[0], repeat: i > 0, bubbles: true, cancelable: true})); }"
            " canvas.dispatchEvent(new KeyboardEvent('keyup',"
            " {key: arguments[0], bubbles: true, cancelable: true}));"
        )
        for key, paused in (("p", True), ("Escape", False), ("Escape", True), ("p", False)):
            self.driver.execute_script(hold, key)
            self.assertEqual(
                page.paused(),
                ["Paused", True] if paused else ["", False],
                "%s held: the pause toggled on each repeat" % key,
            )
        self.assertEqual(page.game_keys(), keys, "a held p or Escape reached the game")
        self.assertTrue(page.wait_frames())
        # Enter held on the focused Pause button, as the keyboard sends it: the focus moves on to
        # Resume, and the repeats must not press that.
        self.driver.execute_script("document.getElementById('pause').focus()")
        for repeat in (False, True, True, True):
            self.driver.execute_cdp_cmd(
                "Input.dispatchKeyEvent",
                {
                    "type": "keyDown",
                    "key": "Enter",
                    "code": "Enter",
                    "windowsVirtualKeyCode": 13,
                    "text": "\r",
                    "autoRepeat": repeat,
                },
            )
        self.driver.execute_cdp_cmd(
            "Input.dispatchKeyEvent", {"type": "keyUp", "key": "Enter", "code": "Enter"}
        )
        self.assertEqual(page.paused(), ["Paused", True], "Enter held on Pause: paused and on")
        self.assertEqual(page.focused(), "resume")

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


class PhonePause(web_test.PhoneTest):
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
        # The other tab is the page's own, so that it can read the hidden page's measure of its
        # absence: the clock's real time since it was hidden.
        handles = set(self.driver.window_handles)
        self.driver.execute_script("window.open('about:blank', 'absence')")
        page.wait_until(lambda: set(self.driver.window_handles) - handles, "the other tab")
        (other,) = set(self.driver.window_handles) - handles
        self.driver.switch_to.window(other)
        absence = (
            "const c = opener.gemwellTestClock;"
            " return c.realBase === null ? null : c.realNow() - c.realBase"
        )
        wait_until(
            lambda: (self.driver.execute_script(absence) or 0) >= ABSENCE_MS,
            "hidden: the page's own measure of its absence to reach %d ms" % ABSENCE_MS,
            lambda: "the hidden page measured %s ms" % self.driver.execute_script(absence),
            ABSENCE_MS / 1000.0 + STEP_DEADLINE_SECONDS,
        )
        self.driver.close()
        self.driver.switch_to.window(game)
        page.wait_until("document.visibilityState === 'visible'", "the page shown again")
        self.assertEqual(self.driver.execute_script("return window.seen"), ["hidden", "visible"])
        self.assertGreaterEqual(page.clock("stepped"), ABSENCE_MS)
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


if __name__ == "__main__":
    sys.exit(web_test.main(__doc__))
