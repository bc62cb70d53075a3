#!/usr/bin/env python3
"""Draws TuneStrip's application icon in the default skin's style, at the icon theme's sizes.

Standard library only; the drawing is make_skin.py's (its canvas, shapes and colours). Run from
anywhere:

    python3 skin/default/make_icon.py [output folder]

writes tunestrip-16.png, -32, -48, -64, -128 and -256 into packaging/icons/ of this checkout
unless another folder is given. The icon is the skin's cover tile with its two notes, and over its
lower part the panel that slides in: the background's accent line along its top edge and a
progress bar. It is drawn on a 60 x 60 grid (the cover tile's) and scaled to each size, so small
sizes lose detail rather than change shape.
"""

import os
import sys

import make_skin as skin
from make_skin import ellipse, hexrgb, polygon, rect, ring, rounded_rect, union, vertical

SIZES = (16, 32, 48, 64, 128, 256)
GRID = 60.0


def scaled(shape, k):
    """A shape drawn on the 60-unit grid, as a predicate over pixels of a canvas k times larger."""
    return lambda x, y: shape(x / k, y / k)


def icon(size):
    k = size / GRID
    c = skin.Canvas(size, size)
    tile = rounded_rect(0.5, 0.5, 59.5, 59.5, 9)
    c.shape(scaled(tile, k), vertical(hexrgb(0x30405C), hexrgb(0x141A26), 0, size))

    # The cover's two notes, raised to leave the lower part to the panel.
    heads = union(ellipse(21, 33, 6.2, 4.4, -22), ellipse(40, 29, 6.2, 4.4, -22))
    stems = union(rect(25.4, 9, 27.6, 32), rect(44.4, 5, 46.6, 28))
    beam = polygon([(25.4, 9), (46.6, 3.5), (46.6, 9.5), (25.4, 15)])
    c.shape(scaled(union(heads, stems, beam), k), hexrgb(0xD3DEEE, 0.92))

    # The panel: dark and translucent inside the tile, its accent line on top, a progress bar.
    top = 40.0
    panel = lambda x, y: y >= top and tile(x, y)
    c.shape(scaled(panel, k), vertical(hexrgb(0x080B11, 0.85), hexrgb(0x080B11, 0.95), top * k, size))
    c.shape(scaled(lambda x, y: top <= y <= top + 2.2 and tile(x, y), k), hexrgb(skin.ACCENT))
    c.shape(scaled(rounded_rect(8, 48.5, 52, 52.5, 2), k), (1, 1, 1, 0.25))
    c.shape(scaled(rounded_rect(8, 48.5, 33, 52.5, 2), k), hexrgb(skin.ACCENT))
    # The tile's frame, over the panel too.
    c.shape(scaled(ring(tile, rounded_rect(2.0, 2.0, 58.0, 58.0, 7.6)), k), hexrgb(0x5A78A8, 0.9))
    return c


def main():
    args = sys.argv[1:]
    if any(a in ("-h", "--help") for a in args):
        print(__doc__)
        return 0
    here = os.path.dirname(os.path.abspath(__file__))
    out = args[0] if args else os.path.join(here, "..", "..", "packaging", "icons")
    os.makedirs(out, exist_ok=True)
    for size in SIZES:
        # 8 x 8 samples a pixel at small sizes, where edges show; 4 x 4 is as smooth at large ones.
        skin.SS = 8 if size <= 64 else 4
        icon(size).save(os.path.join(out, "tunestrip-%d.png" % size))
    return 0


if __name__ == "__main__":
    sys.exit(main())
