#!/usr/bin/python3
"""The figures of docs/accessibility.md: the palette's colour differences under each vision and,
for a picture of marked gems, how far apart their marks are.

Usage: figures.py [--shot PICTURE.png WELL]...
  With no shot: the ΔE00 of every pair of the five gem colours, closest first, for normal
  vision, the three simulated dichromacies and grey scale. Each --shot (native_picture's
  native-stacked.png and stacked.well, or a browser shot of the same) adds a table of the
  marks' outline difference, in % of a gem's area, per pair and per vision.
"""
import argparse
import itertools

import numpy as np
from PIL import Image

import colour_vision as cv


def palette_table():
    print("| vision | closest pair | ΔE00 | next closest | ΔE00 | all ten pairs, closest first |")
    print("|---|---|---|---|---|---|")
    for vision in cv.VISIONS:
        pairs = cv.palette_differences(vision)
        named = ["%s / %s" % (cv.COLOUR_NAMES[i], cv.COLOUR_NAMES[j]) for _, i, j in pairs]
        print(
            "| %s | %s | %.1f | %s | %.1f | %s |"
            % (
                vision,
                named[0],
                pairs[0][0],
                named[1],
                pairs[1][0],
                ", ".join("%s %.1f" % (n, d) for n, (d, _, _) in zip(named, pairs)),
            )
        )


def marks_table(picture, well_path):
    image = np.asarray(Image.open(picture).convert("RGB"))
    with open(well_path) as well:
        measures = cv.mark_measures(image, well.read().split())
    visions = list(measures)
    print("%s (%d x %d)\n" % (picture, image.shape[1], image.shape[0]))
    print("| pair | " + " | ".join(visions) + " |")
    print("|---|" + "---|" * len(visions))
    for i, j in itertools.combinations(range(5), 2):
        print(
            "| %s / %s | " % (cv.COLOUR_NAMES[i], cv.COLOUR_NAMES[j])
            + " | ".join("%.1f" % (100 * measures[v][(i, j)]) for v in visions)
            + " |"
        )
    print(
        "| **closest** | "
        + " | ".join("**%.1f**" % (100 * min(measures[v].values())) for v in visions)
        + " |\n"
    )


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--shot", nargs=2, action="append", default=[], metavar=("PNG", "WELL"))
    args = parser.parse_args()
    palette_table()
    print()
    for picture, well in args.shot:
        marks_table(picture, well)


if __name__ == "__main__":
    main()
