#!/usr/bin/python3
"""Plays the browser edition in Chromium, Firefox ESR and WebKitGTK, one after another, and
says for each how long it took to start, whether the console stayed clean, what a short game on
the stepped clock drew, whether Pause, p and the Shapes switch (across a reload) work, and the
frame rate on the real clock beside the engine's own pace.

Usage: engine_check.py --site BUILD_WEB [--engines chromium,firefox,webkit] [--out DIR]
       [--seconds 10] [--canvas 640x480]
Each engine's shots are saved in DIR as ENGINE-NAME.png, for holding to the native picture.
"""

import argparse
import json
import os
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import engines  # noqa: E402
import game_page  # noqa: E402

# A short game: a piece moved, turned and hard-dropped, one left to fall on the clock.
SCRIPT = [
    ("key", "z"),
    ("key", "s"),
    ("key", "space"),
    ("shot", "dropped"),
    ("key", "c"),
    ("key", "c"),
    ("advance", "1500"),
    ("shot", "fallen"),
]


def start(engine, site, display):
    """(driver, server) for `engine`, its page on the stepped clock with the pads' stand-in."""
    scripts = game_page.page_scripts()
    if engine == "webkit":
        server = engines.webkit_server(site, scripts)
        driver = engines.webkit(display)
    else:
        server = game_page.serve_web.server(site)
        if engine == "firefox":
            driver = engines.firefox(display, scripts)
        else:
            began = time.monotonic()
            driver = game_page.chromium()
            driver.startup_seconds = time.monotonic() - began
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return driver, server


def key(page, name):
    """A real key press and release; waits for the page's keydown only."""
    count = page.clock("keys.length")
    game_page.ActionChains(page.driver).send_keys(game_page.KEYS.get(name, name)).perform()
    page.wait_until("window.gemwellTestClock.keys.length > %d" % count, "key %s" % name)


def errors(driver):
    return [e["message"] for e in driver.get_log("browser") if e["level"] == "SEVERE"]


def check(engine, site, display, out, seconds, canvas):
    report = {"engine": engine}
    began = time.monotonic()
    driver, server = start(engine, site, display)
    try:
        report["version"] = driver.capabilities.get("browserVersion")
        report["start_s"] = round(driver.startup_seconds, 1)
        url = "http://127.0.0.1:%d/index.html" % server.server_port
        page = game_page.GamePage(driver, url, out)
        report["first_draw_ms"] = round(page.load())
        # WebKit's window loses the focus when resized (no window manager): the blur is kept
        # from the page, which would pause, and a fresh load starts at the new size.
        driver.execute_script("window.gemwellTestClock.keepBlur = true")
        page.fit_canvas(*canvas)
        page.load()
        report["canvas"] = page.canvas_size()
        game_start = time.monotonic()

        def shot(name):
            with open(os.path.join(out, "%s-%s.png" % (engine, name)), "wb") as f:
                f.write(page.shot_png())

        page.play(SCRIPT, shot)
        report["game_s"] = round(time.monotonic() - game_start, 1)
        report["keys_kept_from_page"] = all(kept for _, kept in page.clock("keys"))
        # Pause by p, and on again by p; a key while paused never reaches the game. (The
        # game reads no clock while paused, so these wait for the page's keydown alone.)
        key(page, "p")
        page.wait_until("document.getElementById('paused').textContent !== ''", "the pause")
        report["paused_by_p"] = page.paused()
        reached = len(page.clock("gameKeys"))
        key(page, "space")
        report["key_while_paused_reached_game"] = not page.stays(
            lambda: len(page.clock("gameKeys")) == reached
        )
        key(page, "p")
        page.wait_until("document.getElementById('paused').textContent === ''", "the resume")
        report["resumed_by_p"] = page.paused() == ["", False]
        # The Shapes switch, remembered across a reload.
        driver.find_element(game_page.By.ID, "shapes").click()
        page.wait_frames()
        page.load()
        report["shapes_after_reload"] = driver.find_element(
            game_page.By.ID, "shapes"
        ).get_attribute("aria-checked")
        shot("shapes-after-reload")
        driver.execute_script("localStorage.clear()")
        report["console_errors"] = errors(driver)
        report["check_s"] = round(time.monotonic() - began, 1)
        # The real clock: the game's frames, then the engine's own pace on an empty page.
        page.load()
        driver.execute_script("const c = window.gemwellTestClock; c.realBase = c.realNow();")
        fps, gap, busy = engines.frame_rate(driver, seconds)
        report["game_fps"] = round(fps, 1)
        report["game_longest_gap_ms"] = round(gap)
        report["game_ms_in_frame"] = round(busy, 2)
        driver.get("about:blank")
        report["empty_loop_fps"] = round(engines.frame_rate(driver, seconds, True)[0], 1)
    finally:
        quit_began = time.monotonic()
        driver.quit()
        server.shutdown()
        report["quit_s"] = round(time.monotonic() - quit_began, 1)
    return report


def main():
    parser = argparse.ArgumentParser(description=__doc__.strip().splitlines()[0])
    parser.add_argument("--site", required=True)
    parser.add_argument("--engines", default="chromium,firefox,webkit")
    parser.add_argument("--out", default=None)
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--canvas", default="640x480")
    args = parser.parse_args()
    out = args.out or game_page.tempfile.mkdtemp(prefix="gemwell-engines-")
    os.makedirs(out, exist_ok=True)
    canvas = [int(v) for v in args.canvas.split("x")]
    xvfb = engines.Xvfb()
    try:
        for engine in args.engines.split(","):
            report = check(engine, args.site, xvfb.display, out, args.seconds, canvas)
            report["load_average"] = round(os.getloadavg()[0], 1)
            print(json.dumps(report), flush=True)
    finally:
        xvfb.stop()
    print("shots in " + out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
