#!/usr/bin/python3
"""The page as an installed app in headless Chromium: installable, a new build taken between
games, then played with no network at all.

Usage: installed_test.py --site BUILD_WEB --reference NATIVE_PICTURE [unittest arguments]
"""
import os
import sys
import shutil
import threading
import time
import unittest

sys.path.insert(
    0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "webharness")
)
import game_page  # noqa: E402
import web_test  # noqa: E402
from web_test import PhoneTest, console_errors  # noqa: E402


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


if __name__ == "__main__":
    sys.exit(web_test.main(__doc__))
