#!/usr/bin/python3
"""Gamepads in headless Chromium (the harness's stand-in pads): a pad plays the script as the
native game draws it, two at once, sticks, Start, Back and a held Soft drop.

Usage: pads_test.py --site BUILD_WEB --reference NATIVE_PICTURE [unittest arguments]
"""
import os
import sys

from selenium.webdriver.common.by import By

sys.path.insert(
    0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "webharness")
)
import web_test  # noqa: E402
from web_test import compare  # noqa: E402


class Pads(web_test.PhoneTest):
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

    def test_each_way_of_the_stick_and_the_d_pad_alone_is_that_ways_key_alone(self):
        self.load()
        page = self.page
        page.pad(0)
        # (what is pushed, the axes or the button, the key the game must get and no other)
        ways = [
            ("the stick left", [-0.9, 0.1, 0, 0], None, "z"),
            ("the stick right", [0.9, -0.1, 0, 0], None, "c"),
            ("the d-pad left", None, 14, "z"),
            ("the d-pad right", None, 15, "c"),
            ("A", None, 0, "s"),
            ("X", None, 2, "s"),
            ("the stick down", [0.1, 0.9, 0, 0], None, "x"),
            ("the d-pad down", None, 13, "x"),
            ("the stick up", [-0.1, -0.9, 0, 0], None, " "),
            ("the d-pad up", None, 12, " "),
            ("B", None, 1, " "),
        ]
        for name, axes, button, key in ways:
            before = page.game_keys()
            page.pad_press(0, button, axes)
            got = page.clock("gameKeys")[before:]
            # Soft drop may repeat while held; each repeat is Soft drop again.
            expected = [[ord(key), 0]] * (len(got) if key == "x" else 1)
            self.assertEqual(got, expected, "%s: the game got these keys" % name)

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
        page.wait_until(
            lambda: page.game_keys() >= before + 5, "a held Soft drop: five presses reach the game"
        )
        page.pad(0)
        self.assertTrue(page.wait_frames())
        held = page.clock("gameKeys")[before:]
        self.assertEqual(set(key for key, _ in held), {ord("x")})
        # Nothing can be waited for here: this watches for repeats that must not come.
        self.assertTrue(page.stays(page.game_keys), "Soft drop repeats after release")


if __name__ == "__main__":
    sys.exit(web_test.main(__doc__))
