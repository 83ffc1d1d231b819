#!/usr/bin/python3
"""The "Shapes on gems" switch in headless Chromium: by keyboard, mouse and touch, mid-game,
remembered or, where storage throws, for the visit; the marked gems held to the native
game's with --shapes, on a desktop and at a phone's pixel size.

Usage: shapes_test.py --site BUILD_WEB --reference NATIVE_PICTURE [unittest arguments]
"""
import os
import sys
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

sys.path.insert(
    0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "webharness")
)
import web_test  # noqa: E402
from web_test import compare_marked, script_until, shapes_reference  # noqa: E402


class DesktopShapes(web_test.DesktopTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.shapes_out = shapes_reference()

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


class PhoneShapes(web_test.PhoneTest):
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


if __name__ == "__main__":
    sys.exit(web_test.main(__doc__))
