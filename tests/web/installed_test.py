#!/usr/bin/python3
"""The page as an installed app in headless Chromium: installable, a new build taken between
games, then played with no network at all.

Usage: installed_test.py --site BUILD_WEB --reference NATIVE_PICTURE [unittest arguments]
"""
import os
import sys
import shutil
import threading
import unittest

sys.path.insert(
    0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "webharness")
)
import game_page  # noqa: E402
import web_test  # noqa: E402
from web_test import PhoneTest, console_errors  # noqa: E402


# The service workers as the page sees them, and what came of its asking for an update.
WORKERS = """
const done = arguments[arguments.length - 1];
navigator.serviceWorker.getRegistration().then((r) => done({
  controlled: !!navigator.serviceWorker.controller,
  installing: !!(r && r.installing),
  waiting: !!(r && r.waiting),
  active: !!(r && r.active),
  update: window.workerUpdate || null,
}), (error) => done({error: String(error)}));
"""

ASK_FOR_THE_UPDATE = """
window.workerUpdate = 'asked';
navigator.serviceWorker.getRegistration().then((r) => r.update()).then(
  () => { window.workerUpdate = 'checked'; },
  (error) => { window.workerUpdate = 'failed: ' + error; });
"""


class Installed(unittest.TestCase):
    def test_installable_and_after_one_visit_plays_offline(self):
        site = web_test.scratch("gemwell-site-")
        for name in os.listdir(web_test.ARGS.site):
            if os.path.isfile(os.path.join(web_test.ARGS.site, name)):
                shutil.copy(os.path.join(web_test.ARGS.site, name), site)
        server = game_page.serve_web.server(site)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        driver = game_page.chromium(scale=PhoneTest.RATIO)
        try:
            game_page.emulate_phone(driver, game_page.PORTRAIT, PhoneTest.RATIO)
            page = game_page.GamePage(driver, "http://127.0.0.1:%d/" % server.server_port)
            self.assertGreaterEqual(page.load(), 0, "no frame was drawn")

            def workers():
                return driver.execute_async_script(WORKERS)

            def wait_for_workers(state, what):
                game_page.wait_until(
                    lambda: workers().get(state),
                    what,
                    lambda: "the workers: %s; %s" % (workers(), page.seen()),
                )

            wait_for_workers("controlled", "the first visit: its worker to control the page")
            errors = driver.execute_cdp_cmd("Page.getInstallabilityErrors", {})
            self.assertEqual(errors.get("installabilityErrors"), [])

            # A new build: its worker installs and waits; the game goes on untouched.
            driver.execute_script("window.sameDocument = true")
            with open(os.path.join(site, "sw.js"), "a") as worker:
                worker.write("// a new build\n")
            driver.execute_script(ASK_FOR_THE_UPDATE)
            wait_for_workers("waiting", "a new build: its worker to install and wait")
            page.tap("Hard drop")
            self.assertTrue(driver.execute_script("return window.sameDocument === true"))
            self.assertEqual(page.notice(), "")
            # Between games the page takes it.
            page.tap("Quit")
            page.tap("End game")
            self.assertEqual(page.wait_notice(), "You quit the game.")
            page.tap("New game")
            page.wait_until("window.sameDocument !== true", "New game: the new build's page")
            self.assertIsNone(driver.execute_script("return window.sameDocument"))
            self.assertGreaterEqual(page.load(), 0, "no frame after the update")
            self.assertFalse(workers()["waiting"])

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


if __name__ == "__main__":
    sys.exit(web_test.main(__doc__))
