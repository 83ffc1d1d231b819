#!/usr/bin/python3
"""make bench, browser part: the browser edition against the native game, on this machine.

A well about half full (native_frame_time's stacking script, on the stepped clock), at two sizes:
the desktop page's 640 x 480 canvas, and a phone's (360 x 740 CSS pixels at a pixel ratio of 3).
The native game: its median frame time under Xvfb and llvmpipe, swap to swap (through the
bench's swap counter), with its window at the canvas's pixel size, running as fast as it can.
The browser: headless Chromium paces animation frames to its display whatever the work, so the
bench holds the page's loop and runs the game's own frame many times back to back in one task,
each followed by one pixel read back (which waits until that frame is drawn: with one read at
the end alone, the renderer's queue of many frames costs more than the frames); the time over
the count is a frame's cost. Beside it, the same for an empty frame (a clear of the same canvas
and the same read). Each is the median of several rounds. Also: the navigation to first frame,
median of five loads, the time from a tap on Resume to the next drawn frame on the phone page,
and the download's size.

Usage: browser_bench.py --site BUILD_WEB --native NATIVE_FRAME_TIME --swap-counter SO
"""
import argparse
import re
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import os

# The page driver, shared by the browser tests and the browser bench.
sys.path.insert(
    0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "webharness")
)
import game_page  # noqa: E402

FRAMES = 200
ROUNDS = 5

# One round: FRAMES of the game's frames, then FRAMES clears, each run back to back and ended by
# one pixel read back; milliseconds a frame for each.
ROUND = """
const clock = window.gemwellTestClock;
const gl = clock.context();
const count = arguments[0];
const pixel = new Uint8Array(4);
const now = clock.realNow;
const read = () => gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
read();
let start = now();
for (let i = 0; i < count; ++i) {
  clock.frame(0);
  read();
}
const game = (now() - start) / count;
start = now();
for (let i = 0; i < count; ++i) {
  gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
  read();
}
return [game, (now() - start) / count];
"""


def native_frame(args, width, height):
    out = tempfile.mkdtemp(prefix="gemwell-web-bench-")
    command = [args.native, out, args.swap_counter]
    if width:
        command += [str(width), str(height)]
    native = subprocess.run(command, capture_output=True, text=True, timeout=300)
    match = re.search(
        r"native: (\d+) spheres, (\d+) frames, median frame time ([\d.]+) ms", native.stdout
    )
    if native.returncode != 0 or not match:
        raise RuntimeError("native run failed: " + native.stdout + native.stderr)
    script = game_page.read_script(os.path.join(out, "half-full.txt"))
    return int(match[1]), int(match[2]), float(match[3]), script


def browser_frame(page, script):
    """The game's frame and an empty one, in ms: medians of the rounds, and every round."""
    page.play(script)
    driver = page.driver
    # Hold the loop: the frame already asked for runs, and asks in vain for the next.
    driver.execute_script("window.gemwellTestClock.held = true")
    page.wait_frames(1)
    time.sleep(0.2)
    # A first round warms the renderer's compiled shaders and buffers up, and is not counted.
    rounds = [driver.execute_script(ROUND, FRAMES) for _ in range(ROUNDS + 1)][1:]
    driver.execute_script(
        "const c = window.gemwellTestClock; c.held = false;" " requestAnimationFrame(c.frame);"
    )
    return (
        statistics.median(r[0] for r in rounds),
        statistics.median(r[1] for r in rounds),
        rounds,
    )


# Real times of a tap on Resume: its finger down, its click, and the next draw after them.
RESUME_TIMES = """
const clock = window.gemwellTestClock;
window.resumeTimes = null;
const resume = document.getElementById('resume');
resume.addEventListener('pointerdown', () => { window.resumeTimes = [clock.realNow(), 0, 0]; });
resume.addEventListener('click', () => { window.resumeTimes[1] = clock.realNow(); });
const proto = WebGLRenderingContext.prototype;
const draw = proto.drawElements;
proto.drawElements = function () {
  const times = window.resumeTimes;
  if (times && times[1] && !times[2]) {
    times[2] = clock.realNow();
  }
  return draw.apply(this, arguments);
};
"""


def resume_to_frame(page, count=10):
    """Ms from a tap on Resume to the next drawn frame: from the finger down, and from the
    click, `count` times each."""
    page.driver.execute_script(RESUME_TIMES)
    down, click = [], []
    for _ in range(count):
        page.tap("Pause")
        page.wait_until("!document.getElementById('resume').hidden", "the pause")
        page.tap("Resume")
        page.wait_until("window.resumeTimes && window.resumeTimes[2]", "a frame after Resume")
        times = page.driver.execute_script("return window.resumeTimes")
        down.append(times[2] - times[0])
        click.append(times[2] - times[1])
    return down, click


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--site", required=True)
    parser.add_argument("--native", required=True, help="bench/native_frame_time")
    parser.add_argument("--swap-counter", required=True)
    args = parser.parse_args()

    server = game_page.serve_web.server(args.site)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/index.html" % server.server_port
    try:
        # The phone canvas's pixels first; then each native run with no browser drawing beside
        # it, and each browser with no other running.
        driver = game_page.chromium(scale=3, idle_ms=0)
        try:
            game_page.emulate_phone(driver, game_page.PORTRAIT, 3)
            page = game_page.GamePage(driver, url)
            page.load()
            phone = page.canvas_size()[2:4]
        finally:
            driver.quit()
        natives = [native_frame(args, 0, 0), native_frame(args, *phone)]
        driver = game_page.chromium(idle_ms=0)
        try:
            page = game_page.GamePage(driver, url)
            loads = [page.load() for _ in range(5)]
            page.fit_canvas(640, 480)
            page.load()
            desktop = browser_frame(page, natives[0][3])
            version = driver.capabilities.get("browserVersion")
        finally:
            driver.quit()
        driver = game_page.chromium(scale=3, idle_ms=0)
        try:
            game_page.emulate_phone(driver, game_page.PORTRAIT, 3)
            page = game_page.GamePage(driver, url)
            page.load()
            handheld = browser_frame(page, natives[1][3])
            resumes = resume_to_frame(page)
        finally:
            driver.quit()
    finally:
        server.shutdown()
    rows = [
        ("desktop", 640, 480) + natives[0][:3] + desktop,
        ("phone 360 x 740 at 3", phone[0], phone[1]) + natives[1][:3] + handheld,
    ]

    print(
        "\nBrowser edition (Chromium %s headless, SwiftShader) against the native game (Xvfb,"
        " Mesa llvmpipe), a well about half full" % version
    )
    print(
        "| page | pixels | spheres | native frame (ms) | browser frame (ms) | browser empty"
        " frame (ms) | browser / native |"
    )
    print("|---|---|---|---|---|---|---|")
    for name, width, height, spheres, frames, native_ms, game_ms, empty_ms, rounds in rows:
        print(
            "| %s | %d x %d | %d | %.3f | %.3f | %.3f | %.2f |"
            % (name, width, height, spheres, native_ms, game_ms, empty_ms, game_ms / native_ms)
        )
        print(
            "  rounds of %d frames (game, empty): %s"
            % (FRAMES, ", ".join("%.3f/%.3f" % tuple(r) for r in rounds))
        )
    print(
        "navigation to first frame: median %.0f ms of %s (goal under 2000 ms)"
        % (statistics.median(loads), ", ".join("%.0f" % load for load in loads))
    )
    for name, times in zip(("finger down", "click"), resumes):
        print(
            "phone, Resume's %s to the next drawn frame: median %.1f ms of %s"
            % (name, statistics.median(times), ", ".join("%.1f" % t for t in times))
        )
    sizes = game_page.download_sizes(args.site)
    code = sum(sizes[name][0] for name in ("gemwell.js", "gemwell.wasm"))
    print(
        "download: "
        + ", ".join("%s %d B (%d gzipped)" % (name, *size) for name, size in sizes.items())
    )
    print(
        "code (gemwell.js + gemwell.wasm): %d B (goal under 300 kB); everything %d B, %d B"
        " gzipped" % (code, sum(s[0] for s in sizes.values()), sum(s[1] for s in sizes.values()))
    )
    return 0


if __name__ == "__main__":
    sys.exit(main())
