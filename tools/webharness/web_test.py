"""What the browser tests share: their command line, the page on a desktop and on a phone beside
the native game's shots of native_picture's script, and the holding of the canvas's pixels to
those shots and to what the rules predict.

Each test file of tests/web is one subject; it calls main() and gets --site (build-web) and
--reference (the native_picture program) in ARGS.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

import numpy as np
from PIL import Image

import game_page

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "vision"))
import colour_vision  # noqa: E402

FIRST_FRAME_LIMIT_MS = 5000

ARGS = None

# The folders of the run's shots and copies: kept for the reader of a failure, removed after a
# run that passed.
SCRATCH = []


def scratch(prefix):
    """A new folder for the run's output, which main() removes if every test passed."""
    folder = tempfile.mkdtemp(prefix=prefix)
    SCRATCH.append(folder)
    return folder


def console_errors(driver):
    """The browser console's errors since the last read (reading the log empties it)."""
    return [entry["message"] for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]


def native_reference(out, *size):
    """native_picture's script played on the native game into `out` (at `size` if given); the
    script, and the frames each of its steps is let run."""
    native = subprocess.run(
        [ARGS.reference, "native", out, *size], capture_output=True, text=True, timeout=180
    )
    if native.returncode != 0:
        raise RuntimeError("native reference failed: " + native.stderr)
    return game_page.read_script(os.path.join(out, "script.txt")), resting_frames(out)


def serve():
    """A server of the site on 127.0.0.1, in a thread of its own."""
    server = game_page.serve_web.server(ARGS.site)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class DesktopTest(unittest.TestCase):
    """The page in Chromium at a ratio of 1, its canvas at the native game's 640 x 480."""

    @classmethod
    def setUpClass(cls):
        cls.out = scratch("gemwell-web-")
        cls.script, cls.frames = native_reference(cls.out)
        cls.server = serve()
        cls.addClassCleanup(cls.server.shutdown)
        cls.driver = game_page.chromium()
        cls.addClassCleanup(cls.driver.quit)
        cls.page = game_page.GamePage(
            cls.driver, "http://127.0.0.1:%d/index.html" % cls.server.server_port, cls.out
        )
        # The canvas takes the window's room: the window is sized to give it the native game's.
        cls.page.load()
        if not cls.page.fit_canvas(640, 480):
            raise RuntimeError("no 640 x 480 canvas: %s" % cls.page.canvas_size())
        print(
            "\nbrowser: Chromium %s, WebGL through SwiftShader"
            % cls.driver.capabilities.get("browserVersion"),
            flush=True,
        )

    def tearDown(self):
        errors = console_errors(self.driver)
        self.assertEqual(errors, [], "the browser console has errors")

    def load(self):
        first = self.page.load(FIRST_FRAME_LIMIT_MS / 1000.0 + 5.0)
        self.assertGreaterEqual(first, 0, "no frame was drawn")
        return first

    def compare(self, name):
        compare(self, self.page, self.out, name)


class PhoneTest(unittest.TestCase):
    """The page on a phone: Chromium at a pixel ratio of 3 with a phone's viewport and touch,
    beside the native game with its window resized to the phone canvas's pixels."""

    RATIO = 3

    @classmethod
    def setUpClass(cls):
        cls.server = serve()
        cls.addClassCleanup(cls.server.shutdown)
        cls.driver = game_page.chromium(scale=cls.RATIO)
        cls.addClassCleanup(cls.driver.quit)
        game_page.emulate_phone(cls.driver, game_page.PORTRAIT, cls.RATIO)
        cls.out = scratch("gemwell-phone-")
        cls.page = game_page.GamePage(
            cls.driver, "http://127.0.0.1:%d/" % cls.server.server_port, cls.out
        )
        cls.page.load()
        width, height = cls.page.canvas_size()[2:4]
        cls.script, cls.frames = native_reference(cls.out, str(width), str(height))

    def setUp(self):
        game_page.emulate_phone(self.driver, game_page.PORTRAIT, self.RATIO)

    def tearDown(self):
        errors = console_errors(self.driver)
        self.assertEqual(errors, [], "the browser console has errors")

    def load(self):
        self.assertGreaterEqual(self.page.load(), 0, "no frame was drawn")

    def keys(self, key):
        """How many keydowns of `key` the page has had."""
        return sum(1 for pressed, _ in self.page.clock("keys") if pressed == key)


def compare(test, page, out, name, native=True):
    """Holds the canvas's pixels to the native game's shot `name` and to the rules' well; with
    `native` false, to the rules' well alone."""
    shot = os.path.join(out, "browser-%s-%s.png" % (test.id().rsplit(".", 1)[-1], name))
    with open(shot, "wb") as png:
        png.write(page.shot_png())
    well = os.path.join(out, name + ".well")
    command = (
        [ARGS.reference, "compare", os.path.join(out, "native-%s.png" % name), shot, well]
        if native
        else [ARGS.reference, "well", shot, well]
    )
    result = subprocess.run(command, capture_output=True, text=True)
    print("%s: %s" % (name, result.stdout.strip()), flush=True)
    test.assertEqual(result.returncode, 0, "%s: %s%s" % (name, result.stdout, result.stderr))


def shapes_reference(*size):
    """native_picture's script played on the native game with --shapes, at `size` if given."""
    out = scratch("gemwell-shapes-")
    native = subprocess.run(
        [ARGS.reference, "native", out, *size, "--shapes"],
        capture_output=True,
        text=True,
        timeout=180,
    )
    if native.returncode != 0:
        raise RuntimeError("native reference with --shapes failed: " + native.stderr)
    return out


def compare_marked(test, page, name, out=None):
    """Holds the canvas's pixels, gems marked, to the native game's with --shapes (the well is
    not read: the marks cover the centres it reads); at the shot with every colour, holds the
    marks apart in grey scale and under each simulated dichromacy."""
    out = out or test.shapes_out
    shot = os.path.join(out, "browser-%s-%s.png" % (test.id().rsplit(".", 1)[-1], name))
    with open(shot, "wb") as png:
        png.write(page.shot_png())
    command = [ARGS.reference, "pixels", os.path.join(out, "native-%s.png" % name), shot]
    result = subprocess.run(command, capture_output=True, text=True)
    print("%s, marked: %s" % (name, result.stdout.strip()), flush=True)
    test.assertEqual(result.returncode, 0, "%s: %s%s" % (name, result.stdout, result.stderr))
    if name == "stacked":
        with open(os.path.join(out, name + ".well")) as well:
            measures = colour_vision.mark_measures(
                np.asarray(Image.open(shot).convert("RGB")), well.read().split()
            )
        print(
            "marks: closest pair apart in "
            + ", ".join("%.1f %% (%s)" % (100 * min(m.values()), v) for v, m in measures.items()),
            flush=True,
        )
        test.assertEqual(colour_vision.told_apart(measures), {v: [] for v in measures})


def resting_frames(out):
    """The frames each step of native_picture's script is let run: the most any step takes to
    come to rest, and one more."""
    with open(os.path.join(out, "resting-frames")) as frames:
        return int(frames.read()) + 1


def script_until(script, name):
    """The script's steps up to its shot `name`, and the rest."""
    cut = script.index(("shot", name))
    return script[:cut], script[cut + 1 :]


def main(doc):
    """Runs the calling file's tests: `doc` is its docstring, whose first line the usage shows."""
    global ARGS
    parser = argparse.ArgumentParser(description=doc.splitlines()[0])
    parser.add_argument("--site", required=True, help="the browser edition's build (build-web)")
    parser.add_argument("--reference", required=True, help="the native_picture program")
    ARGS, rest = parser.parse_known_args()
    for name in ("index.html", "gemwell.js", "gemwell.wasm"):
        if not os.path.exists(os.path.join(ARGS.site, name)):
            print("%s has no %s: run make web first" % (ARGS.site, name), file=sys.stderr)
            return 1
    program = unittest.main(module="__main__", argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    if not program.result.wasSuccessful():
        print("shots and pages kept in: " + " ".join(SCRATCH), file=sys.stderr)
        return 1
    for folder in SCRATCH:
        shutil.rmtree(folder, ignore_errors=True)
    return 0
