#!/usr/bin/python3
"""The page on a phone in headless Chromium (a pixel ratio of 3, touch, a mobile viewport):
its layout in portrait and landscape, taps, a turn mid-game, held and cancelled repeats,
drags and pinches, Quit's question and a lost context.

Usage: phone_test.py --site BUILD_WEB --reference NATIVE_PICTURE [unittest arguments]
"""
import os
import sys
import time

from selenium.webdriver.common.by import By

sys.path.insert(
    0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "webharness")
)
import game_page  # noqa: E402
import web_test  # noqa: E402
from web_test import compare, script_until  # noqa: E402

# How long the page waits for a lost context to come back before it ends the game
# (session.js, kRestoreWaitMs).
RESTORE_WAIT_SECONDS = 3.0


class Phone(web_test.PhoneTest):
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

    def test_held_soft_drop_repeats_until_released_or_cancelled_beside_a_second_finger(self):
        self.load()
        page = self.page
        soft = page.centre(page.button("Soft drop"))
        left = page.centre(page.button("Move left"))
        page.touch("touchStart", [(1, soft)])
        page.wait_until(lambda: self.keys("x") >= 5, "a held Soft drop: five presses")
        held = self.keys("x")
        # A second finger holds Move left while the first holds on, for longer than a repeat's
        # delay (eight of Soft drop's repeats): Move left does not repeat.
        page.touch("touchStart", [(1, soft), (2, left)])
        page.wait_until(
            lambda: self.keys("z") >= 1 and self.keys("x") >= held + 8,
            "Move left held beside the held Soft drop: a z, and Soft drop still repeating",
        )
        page.touch("touchEnd", [(1, soft)])
        self.assertEqual(self.keys("z"), 1, "a held Move left repeats")
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
        lost_at = time.monotonic()
        self.driver.execute_script(lose)
        # The page ends a game whose context is not back within its window: nothing here may
        # wait that long by accident.
        self.assertTrue(page.wait_frames(1, RESTORE_WAIT_SECONDS / 2, "the context lost"))
        self.assertTrue(
            self.driver.execute_script(
                "return document.getElementById('game').getContext('webgl').isContextLost()"
            )
        )
        self.assertLess(time.monotonic() - lost_at, RESTORE_WAIT_SECONDS, "too slow to restore")
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


if __name__ == "__main__":
    sys.exit(web_test.main(__doc__))
