"""How the gems look to players who see colour differently, and whether their marks tell them apart.

Simulated dichromacy: Machado, Oliveira and Fernandes (2009), severity 1, the published 3 x 3
matrices applied to linear RGB. Grey scale: the relative luminance. Colour differences: CIEDE2000
(Sharma, Wu and Dalal 2005) on CIELAB under D65.
"""
import itertools

import numpy as np

MACHADO = {
    "protanopia": np.array(
        [
            [0.152286, 1.052583, -0.204868],
            [0.114503, 0.786281, 0.099216],
            [-0.003882, -0.048116, 1.051998],
        ]
    ),
    "deuteranopia": np.array(
        [
            [0.367322, 0.860646, -0.227968],
            [0.280085, 0.672501, 0.047413],
            [-0.011820, 0.042940, 0.968881],
        ]
    ),
    "tritanopia": np.array(
        [
            [1.255528, -0.076749, -0.178779],
            [-0.078411, 0.930809, 0.147602],
            [0.004733, 0.691367, 0.303900],
        ]
    ),
}
VISIONS = ("normal", "protanopia", "deuteranopia", "tritanopia", "grey scale")
COLOUR_NAMES = ("orange", "red", "blue", "yellow", "green")
# The five material colours of the game's palette (src/game/gem.cpp), read as sRGB.
PALETTE = np.array(
    [[0.8, 0.3, 0.0], [0.8, 0.0, 0.0], [0.0, 0.0, 0.8], [0.8, 0.8, 0.0], [0.0, 0.8, 0.0]]
)
LUMINANCE = np.array([0.2126, 0.7152, 0.0722])
SRGB_TO_XYZ = np.array(
    [[0.4124, 0.3576, 0.1805], [0.2126, 0.7152, 0.0722], [0.0193, 0.1192, 0.9505]]
)
D65 = np.array([0.95047, 1.0, 1.08883])

# A mark counts as told apart from another when the two differ in this share of a gem's area.
MIN_OUTLINE_SHARE = 0.10


def to_linear(srgb):
    srgb = np.asarray(srgb, dtype=float)
    return np.where(srgb <= 0.04045, srgb / 12.92, ((srgb + 0.055) / 1.055) ** 2.4)


def to_srgb(linear):
    linear = np.clip(np.asarray(linear, dtype=float), 0.0, 1.0)
    return np.where(linear <= 0.0031308, linear * 12.92, 1.055 * linear ** (1 / 2.4) - 0.055)


def simulate(srgb, vision):
    """sRGB values in 0..1 (any shape ending in 3) as `vision` sees them, as sRGB."""
    linear = to_linear(srgb)
    if vision == "normal":
        seen = linear
    elif vision == "grey scale":
        seen = np.repeat((linear @ LUMINANCE)[..., None], 3, axis=-1)
    else:
        seen = linear @ MACHADO[vision].T
    return to_srgb(seen)


def lab(srgb):
    xyz = to_linear(srgb) @ SRGB_TO_XYZ.T / D65
    f = np.where(xyz > (6 / 29) ** 3, np.cbrt(xyz), xyz / (3 * (6 / 29) ** 2) + 4 / 29)
    return np.stack(
        [116 * f[..., 1] - 16, 500 * (f[..., 0] - f[..., 1]), 200 * (f[..., 1] - f[..., 2])],
        axis=-1,
    )


def ciede2000(lab1, lab2):
    """CIEDE2000 difference of two CIELAB colours, kL = kC = kH = 1."""
    L1, a1, b1 = lab1
    L2, a2, b2 = lab2
    c_mean = (np.hypot(a1, b1) + np.hypot(a2, b2)) / 2
    g = 0.5 * (1 - np.sqrt(c_mean**7 / (c_mean**7 + 25.0**7)))
    a1p, a2p = a1 * (1 + g), a2 * (1 + g)
    c1p, c2p = np.hypot(a1p, b1), np.hypot(a2p, b2)
    h1p = np.degrees(np.arctan2(b1, a1p)) % 360 if c1p else 0.0
    h2p = np.degrees(np.arctan2(b2, a2p)) % 360 if c2p else 0.0
    dLp, dCp = L2 - L1, c2p - c1p
    dh = 0.0
    if c1p * c2p:
        dh = h2p - h1p
        dh = dh - 360 if dh > 180 else dh + 360 if dh < -180 else dh
    dHp = 2 * np.sqrt(c1p * c2p) * np.sin(np.radians(dh / 2))
    Lp, Cp = (L1 + L2) / 2, (c1p + c2p) / 2
    if c1p * c2p == 0:
        hp = h1p + h2p
    elif abs(h1p - h2p) <= 180:
        hp = (h1p + h2p) / 2
    else:
        hp = (h1p + h2p + 360) / 2 if h1p + h2p < 360 else (h1p + h2p - 360) / 2
    t = (
        1
        - 0.17 * np.cos(np.radians(hp - 30))
        + 0.24 * np.cos(np.radians(2 * hp))
        + 0.32 * np.cos(np.radians(3 * hp + 6))
        - 0.20 * np.cos(np.radians(4 * hp - 63))
    )
    d_theta = 30 * np.exp(-(((hp - 275) / 25) ** 2))
    rc = 2 * np.sqrt(Cp**7 / (Cp**7 + 25.0**7))
    sl = 1 + 0.015 * (Lp - 50) ** 2 / np.sqrt(20 + (Lp - 50) ** 2)
    sc = 1 + 0.045 * Cp
    sh = 1 + 0.015 * Cp * t
    rt = -np.sin(np.radians(2 * d_theta)) * rc
    return float(
        np.sqrt((dLp / sl) ** 2 + (dCp / sc) ** 2 + (dHp / sh) ** 2 + rt * (dCp / sc) * (dHp / sh))
    )


def palette_differences(vision):
    """Every pair of the palette's colours as `vision` sees them, closest first:
    (ΔE00, first index, second index)."""
    seen = lab(simulate(PALETTE, vision))
    return sorted(
        (ciede2000(seen[i], seen[j]), i, j) for i, j in itertools.combinations(range(5), 2)
    )


# The camera, as the game sets it up (src/app/projection.h, src/game/well_geometry.h).
FIELD_OF_VIEW_DEGREES = 100.0


def cell_centre(column, row, width, height):
    """Pixel centre (x from the left, y from the top) of the gem at a cell."""
    f = 1.0 / np.tan(np.radians(FIELD_OF_VIEW_DEGREES / 2))
    x, y, z = 2.0 * column - 5.0, 2.0 * row - 13.0, -15.0
    aspect = width / height
    return ((f / aspect) * x / -z + 1) / 2 * width, (1 - f * y / -z) / 2 * height


def gem_radius(width, height):
    """A gem's radius in pixels: half the distance between two neighbouring gems' centres."""
    return (cell_centre(1, 0, width, height)[0] - cell_centre(0, 0, width, height)[0]) / 2


def one_gem_of_each_colour(well):
    """The lowest, then leftmost, cell of each colour in a well's text (top row first)."""
    cells = {}
    for line_index, line in reversed(list(enumerate(well))):
        row = len(well) - 1 - line_index
        for column, cell in enumerate(line):
            if cell.isdigit() and int(cell) < 5:
                cells.setdefault(int(cell), (column, row))
    return cells


def otsu(values):
    """The threshold that best splits `values` (0..255) into two classes."""
    histogram = np.bincount(np.clip(values, 0, 255).astype(int), minlength=256).astype(float)
    levels = np.arange(256)
    weight = np.cumsum(histogram)
    total = weight[-1]
    mean = np.cumsum(histogram * levels)
    between = np.zeros(256)
    valid = (weight > 0) & (weight < total)
    w0, w1 = weight[valid], total - weight[valid]
    m0 = mean[valid] / w0
    m1 = (mean[-1] - mean[valid]) / w1
    between[valid] = w0 * w1 * (m0 - m1) ** 2
    return int(np.argmax(between))


def mark_mask(lightness, centre, radius):
    """The mark of the gem at `centre` in a one-channel picture: inside 0.9 of the gem's radius,
    after an Otsu threshold, the pixels on the other side of it from most of the gem's rim
    (0.8 to 0.9 of its radius). A square boolean array centred on the gem."""
    size = int(np.ceil(radius))
    cx, cy = int(round(centre[0])), int(round(centre[1]))
    patch = lightness[cy - size : cy + size + 1, cx - size : cx + size + 1]
    yy, xx = np.mgrid[-size : size + 1, -size : size + 1]
    distance = np.hypot(xx, yy) / radius
    inside = distance <= 0.9
    rim = inside & (distance >= 0.8)
    light = patch > otsu(patch[inside])
    rim_light = light[rim].mean() > 0.5
    return inside & (light != rim_light)


def outline_difference(first, second):
    """Pixels in which two marks differ, at the shift of up to a pixel either way that best
    lines them up: the gems' centres fall between pixels differently, and that alone must not
    count as a difference of outline."""
    return min(
        int(np.count_nonzero(np.roll(first, (dy, dx), axis=(0, 1)) != second))
        for dy in (-1, 0, 1)
        for dx in (-1, 0, 1)
    )


def mark_measures(image, well):
    """For each vision but normal: {(i, j): share of a gem's area in which the marks of colours
    i and j differ}, from an RGB picture (uint8 array) and its well."""
    height, width = image.shape[:2]
    radius = gem_radius(width, height)
    gems = one_gem_of_each_colour(well)
    if sorted(gems) != list(range(5)):
        raise ValueError("the well has no gem of colours %s" % sorted(set(range(5)) - set(gems)))
    area = np.pi * radius**2
    measures = {}
    for vision in VISIONS[1:]:
        seen = simulate(image.astype(float) / 255.0, vision)
        # One channel to threshold: CIE L*, scaled to 0..255.
        lightness = lab(seen)[..., 0] * 2.55
        masks = {
            colour: mark_mask(lightness, cell_centre(column, row, width, height), radius)
            for colour, (column, row) in gems.items()
        }
        measures[vision] = {
            (i, j): outline_difference(masks[i], masks[j]) / area
            for i, j in itertools.combinations(range(5), 2)
        }
    return measures


def told_apart(measures):
    """The pairs, per vision, whose marks differ in less than MIN_OUTLINE_SHARE of a gem: the
    ones not told apart."""
    return {
        vision: [pair for pair, share in pairs.items() if share < MIN_OUTLINE_SHARE]
        for vision, pairs in measures.items()
    }
