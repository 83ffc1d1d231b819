#!/usr/bin/python3
"""make bench, browser part: the browser edition against the native game, on this machine.

A well about half full (web_reference's stacking script, on the stepped clock): the native
game's median frame time under Xvfb and llvmpipe (swap to swap, through the bench's swap
counter), then the browser's in headless Chromium and SwiftShader. Headless Chromium paces
animation frames to its display rate whatever the work, so its figure is the work of a frame:
from the start of the animation frame's callback until its drawing is finished (a pixel read
back).
For scale, the same measure of an empty frame (a clear of a 640 x 480 canvas) in the same
browser. Also: the navigation to first frame, median of five loads, and the download's size.

Usage: browser_bench.py --site BUILD_WEB --reference WEB_REFERENCE --swap-counter SO [--seconds S]
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
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "webharness"))
import game_page  # noqa: E402


# An empty frame in the same browser: a clear of a canvas the game's size, and the same pixel read
# back, on 90 animation frames; the median in milliseconds.
EMPTY_FRAME = """
const done = arguments[arguments.length - 1];
const canvas = document.createElement('canvas');
canvas.width = 640;
canvas.height = 480;
document.body.appendChild(canvas);
const gl = canvas.getContext('webgl', {alpha: false, antialias: false, depth: true, stencil: false});
const pixel = new Uint8Array(4);
const now = window.gemwellTestClock.realNow;
const work = [];
function frame() {
  const start = now();
  gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
  gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
  work.push(now() - start);
  if (work.length < 90) {
    requestAnimationFrame(frame);
  } else {
    work.sort((a, b) => a - b);
    done(work[45]);
  }
}
requestAnimationFrame(frame);
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--site", required=True)
    parser.add_argument("--reference", required=True)
    parser.add_argument("--swap-counter", required=True)
    parser.add_argument("--seconds", type=float, default=3.0)
    args = parser.parse_args()

    out = tempfile.mkdtemp(prefix="gemwell-web-bench-")
    native = subprocess.run([args.reference, "half-full", out, args.swap_counter],
                            capture_output=True, text=True, timeout=300)
    match = re.search(r"native: (\d+) spheres, (\d+) frames, median frame time ([\d.]+) ms",
                      native.stdout)
    if native.returncode != 0 or not match:
        print("native run failed: " + native.stdout + native.stderr, file=sys.stderr)
        return 1
    spheres, native_frames, native_ms = int(match[1]), int(match[2]), float(match[3])
    script = game_page.read_script(os.path.join(out, "half-full.txt"))

    server = game_page.serve_web.server(args.site)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    driver = game_page.chromium()
    try:
        driver.get("data:text/html,<title>empty</title>")
        empty_ms = driver.execute_async_script(EMPTY_FRAME)
        page = game_page.GamePage(driver, "http://127.0.0.1:%d/index.html" % server.server_port)
        loads = [page.load() for _ in range(5)]
        page.play(script)
        time.sleep(0.5)
        driver.execute_script("const c = window.gemwellTestClock; c.frameStarts = [];"
                              " c.frameWork = [];")
        time.sleep(args.seconds)
        work = page.clock("frameWork")
        starts = page.clock("frameStarts")
        version = driver.capabilities.get("browserVersion")
    finally:
        driver.quit()
        server.shutdown()
    if len(work) < 10:
        print("the browser drew %d frames" % len(work), file=sys.stderr)
        return 1
    browser_ms = statistics.median(work)
    interval_ms = statistics.median(b - a for a, b in zip(starts, starts[1:]))
    sizes = game_page.download_sizes(args.site)

    print("\nBrowser edition against the native game, a well about half full (%d spheres)"
          % spheres)
    print("| | frames | median frame time (ms) |")
    print("|---|---|---|")
    print("| native, Xvfb and Mesa llvmpipe, swap to swap | %d | %.3f |"
          % (native_frames, native_ms))
    print("| Chromium %s headless, SwiftShader, a frame's work | %d | %.3f |"
          % (version, len(work), browser_ms))
    print("| Chromium, between animation frames (its pacing) | %d | %.3f |"
          % (len(starts) - 1, interval_ms))
    print("| Chromium, an empty frame's work (clear and read back) | 90 | %.3f |" % empty_ms)
    print("browser / native frame time: %.2f (goal at most 2)" % (browser_ms / native_ms))
    print("navigation to first frame: median %.0f ms of %s (goal under 2000 ms)"
          % (statistics.median(loads), ", ".join("%.0f" % load for load in loads)))
    raw = sum(size[0] for size in sizes.values())
    packed = sum(size[1] for size in sizes.values())
    print("gemwell.wasm + gemwell.js: %d B, %d B gzipped (goal under 300 kB)" % (raw, packed))
    return 0


if __name__ == "__main__":
    sys.exit(main())
