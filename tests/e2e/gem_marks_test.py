#!/usr/bin/python3
"""The gems' marks, as players who see colour differently see them, on the real game's picture.

native_picture plays its script on the real game under Xvfb, once with --shapes and once
without, and the shot with four pieces stacked and a fifth falling (one gem of every colour, at
cells the headless rules predict) is turned to grey scale and to each simulated dichromacy.
With marks, every two gems' marks differ in at least a tenth of a gem's area in each; without,
some two do not, so the check is seen to fail.

Usage: gem_marks_test.py --reference NATIVE_PICTURE [unittest arguments]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import numpy as np
from PIL import Image

sys.path.insert(
    0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "vision")
)
import colour_vision  # noqa: E402

ARGS = None
SHOT = "stacked"


def measure(out):
    image = np.asarray(Image.open(os.path.join(out, "native-%s.png" % SHOT)).convert("RGB"))
    with open(os.path.join(out, SHOT + ".well")) as well:
        return colour_vision.mark_measures(image, well.read().split())


def play(test, *options):
    out = tempfile.mkdtemp(prefix="gemwell-marks-")
    test.addCleanup(shutil.rmtree, out)
    result = subprocess.run(
        [ARGS.reference, "native", out, *options], capture_output=True, text=True, timeout=120
    )
    if result.returncode != 0:
        raise RuntimeError("native_picture failed: " + result.stderr)
    return out


class GemMarks(unittest.TestCase):
    def test_the_palette_differences_are_those_measured_for_the_colours_alone(self):
        # The closest two pairs under each vision, ΔE00 to a tenth, as the colours were first
        # measured; a wrong matrix or a slip in the difference formula moves them.
        want = {
            "normal": [(11.4, "orange", "red"), (22.1, "yellow", "green")],
            "protanopia": [(3.1, "yellow", "green"), (9.5, "orange", "red")],
            "deuteranopia": [(5.8, "orange", "red"), (8.3, "yellow", "green")],
            "tritanopia": [(10.4, "orange", "red"), (34.2, "orange", "yellow")],
            "grey scale": [(5.8, "yellow", "green"), (6.8, "orange", "red")],
        }
        names = colour_vision.COLOUR_NAMES
        for vision, pairs in want.items():
            got = [
                (round(d, 1), names[i], names[j])
                for d, i, j in colour_vision.palette_differences(vision)[:2]
            ]
            self.assertEqual(got, pairs, vision)

    def test_with_shapes_every_two_marks_differ_in_outline_and_without_some_do_not(self):
        marked = measure(play(self, "--shapes"))
        plain = measure(play(self))
        for vision in marked:
            print(
                "%s: closest marks differ in %.1f %% of a gem with shapes, %.1f %% without"
                % (vision, 100 * min(marked[vision].values()), 100 * min(plain[vision].values())),
                flush=True,
            )
        self.assertEqual(
            colour_vision.told_apart(marked), {vision: [] for vision in marked}, marked
        )
        self.assertTrue(any(colour_vision.told_apart(plain).values()), plain)


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--reference", required=True, help="the native_picture program")
    ARGS, rest = parser.parse_known_args()
    result = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2).result
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
