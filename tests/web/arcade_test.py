#!/usr/bin/python3
"""Arcade mode on the page in headless Chromium: the "Arcade" choice, taken at New game and
remembered; the game's own display held to the native game's with --arcade on a desktop and on
a phone in both orientations; the status line's news; the high scores kept in the browser's
storage, through a storage that throws, one that is full and a stored value that is bad.

Usage: arcade_test.py --site BUILD_WEB --reference NATIVE_PICTURE [unittest arguments]
"""
import datetime
import json
import os
import subprocess
import sys

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

sys.path.insert(
    0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "webharness")
)
import game_page  # noqa: E402
import web_test  # noqa: E402
from browser import fixed_epoch  # noqa: E402
from web_test import compare, script_until  # noqa: E402

TABLE_KEY = "gemwell-high-scores"
CANNOT_KEEP = "High scores cannot be kept in this browser: they last for this visit."
# Before the page's scripts: every write to the storage fails as a full one does.
FULL_STORAGE = (
    "Storage.prototype.setItem = function() {"
    " throw new DOMException('the quota is used up', 'QuotaExceededError'); };"
)
THROWING_STORAGE = (
    "Object.defineProperty(window, 'localStorage', {get() {"
    " throw new DOMException('storage is off', 'SecurityError'); }});"
)


def arcade_reference(*size):
    """native_picture's script played on the native game with --arcade, at `size` if given."""
    out = web_test.scratch("gemwell-arcade-")
    native = subprocess.run(
        [web_test.ARGS.reference, "native", out, *size, "--arcade"],
        capture_output=True,
        text=True,
        timeout=300,
    )
    if native.returncode != 0:
        raise RuntimeError("native reference with --arcade failed: " + native.stderr)
    return out


def fixed_date():
    return datetime.date.fromtimestamp(fixed_epoch()).isoformat()


class ArcadePage:
    """What both rooms do on the page."""

    def storage(self, key, value=None):
        """Sets `key` in the page's storage (removes it for None)."""
        if value is None:
            self.driver.execute_script("localStorage.removeItem(arguments[0])", key)
        else:
            self.driver.execute_script(
                "localStorage.setItem(arguments[0], arguments[1])", key, value
            )

    def stored(self, key):
        return self.driver.execute_script("return localStorage.getItem(arguments[0])", key)

    def switch(self):
        switch = self.page.button("Arcade")
        self.assertEqual(switch.get_attribute("role"), "switch")
        return switch

    def checked(self):
        return self.switch().get_attribute("aria-checked")

    def status(self):
        return self.driver.find_element(By.ID, "arcade-status").get_attribute("textContent")

    def table(self):
        """The high scores as shown (None while hidden): each row's cells, and the note."""
        panel = self.driver.find_element(By.ID, "scores")
        if not panel.is_displayed():
            return None
        rows = self.driver.execute_script(
            "return Array.from(document.querySelectorAll('#scores-body tr'),"
            " r => Array.from(r.cells, c => c.textContent))"
        )
        return rows, self.driver.find_element(By.ID, "scores-note").text

    def drop_until_over(self, heard=None, limit=60):
        """Hard drops, each brought to rest, until the game ends; `heard` gets the status line
        after each drop. The final score from the notice."""
        for _ in range(limit):
            self.page.press("space", game_page.RESTING_FRAMES)
            if self.page.notice():
                break
            self.page.advance(1000, 1 + game_page.RESTING_FRAMES)
            if heard is not None:
                heard.append(self.status())
            if self.page.notice():
                break
        notice = self.page.wait_notice()
        self.assertRegex(notice, r"^GAME OVER MAN! \d+$")
        return int(notice.split()[-1])

    def quit_and_start_again(self):
        self.page.canvas.click()
        ActionChains(self.driver).send_keys("q").perform()
        self.assertEqual(self.page.wait_notice(), "You quit the game.")
        self.driver.find_element(By.ID, "new-game").click()
        self.assertTrue(self.page.wait_frames(), "no new game after New game")


class DesktopArcade(ArcadePage, web_test.DesktopTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.arcade_out = arcade_reference()

    def tearDown(self):
        self.driver.execute_script("localStorage.clear()")
        super().tearDown()

    def arcade_compare(self, name):
        with self.subTest(shot=name):
            compare(self, self.page, self.arcade_out, name)

    def test_arcade_waits_for_new_game_is_remembered_and_draws_as_the_native_game(self):
        self.load()
        self.assertEqual(self.checked(), "false")
        # Mid-game the choice is taken, and the game goes on as it began: the same module,
        # started without --arcade, drawing the classic picture.
        # Its options: a newer emscripten puts the program's name in front of them once main
        # has run.
        arguments = (
            "return window.gemwellTestClock.module.arguments.filter((a) => a.startsWith('--'))"
        )
        self.assertEqual(self.driver.execute_script(arguments), [])
        ActionChains(self.driver).click(self.switch()).perform()
        self.assertEqual(self.checked(), "true")
        self.assertEqual(self.page.focused(), "game")
        self.assertTrue(self.page.wait_frames())
        self.assertEqual(self.driver.execute_script(arguments), [])
        self.compare("spawn")
        # New game is an arcade one, drawn as the native game draws it.
        self.quit_and_start_again()
        self.page.play(self.script, self.arcade_compare, self.frames)
        self.driver.save_screenshot(os.path.join(self.arcade_out, "page-desktop.png"))
        print("page: " + os.path.join(self.arcade_out, "page-desktop.png"), flush=True)
        # Remembered: a reload starts an arcade game; the keyboard turns it off for the next.
        self.load()
        self.assertEqual(self.checked(), "true")
        self.arcade_compare("spawn")
        self.switch().send_keys(Keys.SPACE)
        self.assertEqual(self.checked(), "false")
        self.arcade_compare("spawn")
        self.load()
        self.assertEqual(self.checked(), "false")
        self.compare("spawn")

    def test_the_status_line_tells_news_not_clears_and_the_table_keeps_the_final_score(self):
        self.load()
        self.storage("gemwell-arcade", "on")
        self.load()
        status = self.driver.find_element(By.ID, "arcade-status")
        self.assertEqual(status.get_attribute("aria-live"), "polite")
        # A line cleared and its gems settled: nothing said.
        before, _ = script_until(self.script, "cleared")
        self.page.play(before, frames=self.frames)
        self.assertEqual(self.status(), "")
        # A new level is said as the module tells it (the game's side is a unit test: reaching
        # 25 gems by play would take a hundred steps).
        self.driver.execute_script("window.gemwellTestClock.module.arcadeNews('level', 1230, 2, 3)")
        self.assertEqual(self.status(), "Level 2. Score 1230, 3 wells left.")
        heard = []
        score = self.drop_until_over(heard)
        lost = [said for said in heard if said.startswith("A well is lost")]
        self.assertTrue(lost, heard)
        self.assertRegex(lost[0], r"^A well is lost: 2 wells left\. Score \d+, level 1\.$")
        self.assertEqual(
            len(set(heard)), 1 + 2, "said more than a level and two lost wells: %s" % heard
        )
        self.assertEqual(self.status(), "Game over. Final score %d, level 1." % score)
        # The table, at once, with this game at the top; kept across a reload, from the button.
        self.assertEqual(self.table(), ([["1", str(score), "1", fixed_date()]], ""))
        path = os.path.join(self.arcade_out, "page-desktop-over.png")
        self.driver.save_screenshot(path)
        print("page: " + path, flush=True)
        self.assertEqual(
            json.loads(self.stored(TABLE_KEY)),
            {"version": 1, "scores": [{"score": score, "level": 1, "date": fixed_date()}]},
        )
        self.load()
        self.assertIsNone(self.table())
        self.page.button("High scores").click()
        self.assertEqual(self.table(), ([["1", str(score), "1", fixed_date()]], ""))
        self.assertEqual(self.page.paused()[0], "Paused")

    def test_a_storage_that_throws_keeps_the_scores_for_the_visit_and_says_so_once(self):
        refuse = self.driver.execute_cdp_cmd(
            "Page.addScriptToEvaluateOnNewDocument", {"source": THROWING_STORAGE}
        )
        try:
            self.load()
            self.assertEqual(self.page.notice(), "")
            ActionChains(self.driver).click(self.switch()).perform()
            self.quit_and_start_again()
            first = self.drop_until_over()
            self.assertEqual(self.table(), ([["1", str(first), "1", fixed_date()]], CANNOT_KEEP))
            self.driver.find_element(By.ID, "new-game").click()
            self.assertTrue(self.page.wait_frames())
            second = self.drop_until_over()
            rows, note = self.table()
            self.assertEqual(sorted(int(row[1]) for row in rows), sorted([first, second]))
            self.assertEqual(note, CANNOT_KEEP)
        finally:
            self.driver.execute_cdp_cmd(
                "Page.removeScriptToEvaluateOnNewDocument", {"identifier": refuse["identifier"]}
            )
            self.load()

    def test_a_full_storage_leaves_the_old_table_and_keeps_the_new_score_for_the_visit(self):
        self.load()
        old = {"version": 1, "scores": [{"score": 990, "level": 3, "date": "2025-12-24"}]}
        self.storage(TABLE_KEY, json.dumps(old))
        self.storage("gemwell-arcade", "on")
        full = self.driver.execute_cdp_cmd(
            "Page.addScriptToEvaluateOnNewDocument", {"source": FULL_STORAGE}
        )
        try:
            self.load()
            score = self.drop_until_over()
            rows, note = self.table()
            self.assertIn(["1", "990", "3", "2025-12-24"], rows)
            self.assertIn([str(score), "1", fixed_date()], [row[1:] for row in rows])
            self.assertEqual(note, CANNOT_KEEP)
        finally:
            self.driver.execute_cdp_cmd(
                "Page.removeScriptToEvaluateOnNewDocument", {"identifier": full["identifier"]}
            )
        self.assertEqual(json.loads(self.stored(TABLE_KEY)), old)

    def test_a_bad_stored_table_is_set_aside_and_its_sound_entries_kept(self):
        sound = {"score": 500, "level": 3, "date": "2025-11-02"}
        cases = {
            "not JSON": "{scores: [",
            "not a table of scores": json.dumps([sound]),
            "a later version": json.dumps({"version": 2, "scores": [sound]}),
            "entries that are not scores": json.dumps(
                {"version": 1, "scores": [{"score": -4}, sound, "900", {"score": 7, "level": 1}]}
            ),
        }
        for bad, text in cases.items():
            with self.subTest(bad):
                self.load()
                self.driver.execute_script("localStorage.clear()")
                self.storage(TABLE_KEY, text)
                self.load()
                kept = [] if bad in ("not JSON", "not a table of scores") else [sound]
                self.assertEqual(json.loads(self.stored(TABLE_KEY)), {"version": 1, "scores": kept})
                aside = self.driver.execute_script(
                    "return Object.keys(localStorage).filter("
                    "k => k.startsWith('gemwell-high-scores-set-aside-'))"
                )
                self.assertEqual(len(aside), 1)
                self.assertEqual(self.stored(aside[0]), text)
                self.page.button("High scores").click()
                rows, note = self.table()
                self.assertIn("(%s)" % bad, note)
                self.assertIn(aside[0], note)
                self.assertEqual(len(rows), 1)
                if kept:
                    self.assertEqual(rows, [["1", "500", "3", "2025-11-02"]])


class PhoneArcade(ArcadePage, web_test.PhoneTest):
    def tearDown(self):
        self.driver.execute_script("localStorage.clear()")
        super().tearDown()

    def test_the_display_by_touch_as_the_native_game_in_portrait_and_landscape(self):
        for size, name in ((game_page.PORTRAIT, "portrait"), (game_page.LANDSCAPE, "landscape")):
            with self.subTest(name):
                game_page.emulate_phone(self.driver, size, self.RATIO)
                self.load()
                self.storage("gemwell-arcade", "on")
                self.load()
                self.assertEqual(self.checked(), "true")
                width, height = self.page.canvas_size()[2:4]
                out = arcade_reference(str(width), str(height))
                # The choices and High scores sit beside the canvas, never over it.
                canvas = self.driver.execute_script(
                    "const r = document.getElementById('game').getBoundingClientRect();"
                    " return [r.left, r.top, r.right, r.bottom]"
                )
                for button in ("Arcade", "High scores"):
                    box = self.driver.execute_script(
                        "const r = arguments[0].getBoundingClientRect();"
                        " return [r.left, r.top, r.right, r.bottom]",
                        self.page.button(button),
                    )
                    apart = (
                        box[2] <= canvas[0]
                        or box[0] >= canvas[2]
                        or box[3] <= canvas[1]
                        or box[1] >= canvas[3]
                    )
                    self.assertTrue(apart, "%s covers the canvas in %s" % (button, name))
                    self.assertTrue(box[1] >= 0 and box[3] <= size[1], (button, name, box))
                self.page.tap_script(
                    self.script, lambda shot: compare(self, self.page, out, shot), self.frames
                )
                path = os.path.join(out, "page-%s.png" % name)
                self.driver.save_screenshot(path)
                print("page: " + path, flush=True)


if __name__ == "__main__":
    sys.exit(web_test.main(__doc__))
