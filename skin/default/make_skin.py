#!/usr/bin/env python3
"""Draws the default panel skin: the 14 PNG images of TuneStrip's panel.

Standard library only (PNG written with zlib). Run from anywhere:

    python3 skin/default/make_skin.py [output folder] [--bcfg PATH/TO/tunestrip-bcfg]

The images land beside this script unless another folder is given. With the configuration tool
(default: build/bin/tunestrip-bcfg of this checkout, when it has been built) the skin's own
TuneStrip.bcfg is written too: the built-in block with each button set to the action its picture
shows (FUNCTION_KEY1..5 = 0..4: next, previous, play/pause, the player, hide). Every shape is drawn with
8 x 8 supersampling, so edges are anti-aliased.

  NoCover.png       60 x 60   cover box when a track has no picture: a dark tile with two notes
  Fon.png           240 x 80  panel background: dark, translucent, a soft vertical gradient and an
                              accent line along the top edge, so white labels stay legible
  Key1 / Key1_S     20 x 20   next track        (two triangles and a bar)
  Key2 / Key2_S     20 x 20   previous track    (a bar and two triangles)
  Key3 / Key3_S     20 x 20   pause: shown while the player plays, so the button shows its action
  Key3_1 / Key3_1_S 20 x 20   play: shown while the player is paused
  Key4 / Key4_S     20 x 20   bring the player forward (a window with an arrow out of it)
  Key5 / Key5_S     20 x 20   hide the panel (a down chevron)

Plain buttons are a dark translucent tile with a light icon; selected ones (_S) a bright accent tile
with a white frame and a dark icon, so the selection is plain at a glance.
"""

import math
import os
import struct
import subprocess
import sys
import zlib

SS = 8  # samples per pixel side


def write_png(path, width, height, pixels):
    """pixels: list of (r, g, b, a) floats 0..1, rows top first."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)  # filter: none
        for x in range(width):
            r, g, b, a = pixels[y * width + x]
            raw += bytes(max(0, min(255, int(round(c * 255)))) for c in (r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def hexrgb(h, a=1.0):
    return ((h >> 16 & 255) / 255, (h >> 8 & 255) / 255, (h & 255) / 255, a)


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [(0.0, 0.0, 0.0, 0.0)] * (w * h)

    def blend(self, x, y, colour, cover):
        r, g, b, a = colour
        a *= cover
        if a <= 0:
            return
        dr, dg, db, da = self.px[y * self.w + x]
        oa = a + da * (1 - a)
        if oa <= 0:
            return
        mix = lambda s, d: (s * a + d * da * (1 - a)) / oa
        self.px[y * self.w + x] = (mix(r, dr), mix(g, dg), mix(b, db), oa)

    def shape(self, inside, colour, box=None):
        """Paints every pixel by the share of its samples for which inside(x, y) holds. `colour`
        may be a function of (x, y) for gradients."""
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        for py in range(max(0, int(y0)), min(self.h, int(math.ceil(y1)))):
            for px in range(max(0, int(x0)), min(self.w, int(math.ceil(x1)))):
                n = 0
                for sy in range(SS):
                    for sx in range(SS):
                        if inside(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS):
                            n += 1
                if n:
                    c = colour(px + 0.5, py + 0.5) if callable(colour) else colour
                    self.blend(px, py, c, n / (SS * SS))

    def save(self, path):
        write_png(path, self.w, self.h, self.px)


# Shapes: predicates over (x, y) ------------------------------------------------------------------

def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def ring(outer, inner):
    return lambda x, y: outer(x, y) and not inner(x, y)


def polygon(points):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            if (ay > y) != (by > y) and x < (bx - ax) * (y - ay) / (by - ay) + ax:
                hit = not hit
        return hit
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def capsule(ax, ay, bx, by, r):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= r * r
    return inside


def ellipse(cx, cy, rx, ry, angle_deg=0.0):
    c, s = math.cos(math.radians(angle_deg)), math.sin(math.radians(angle_deg))

    def inside(x, y):
        u = (x - cx) * c + (y - cy) * s
        v = -(x - cx) * s + (y - cy) * c
        return (u / rx) ** 2 + (v / ry) ** 2 <= 1
    return inside


def union(*shapes):
    return lambda x, y: any(f(x, y) for f in shapes)


def vertical(top, bottom, y0, y1):
    def colour(x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))
    return colour


# The images --------------------------------------------------------------------------------------

ACCENT = 0x4FC3F7
ICON = hexrgb(0xEEF3F9)
ICON_SELECTED = hexrgb(0x08131F)


def background(out):
    w, h = 240, 80
    c = Canvas(w, h)
    c.shape(lambda x, y: True, vertical(hexrgb(0x1E2738, 0.80), hexrgb(0x080B11, 0.90), 0, h))
    # A faint sheen over the upper half.
    c.shape(rect(0, 1, w, h / 2), vertical((1, 1, 1, 0.06), (1, 1, 1, 0.0), 1, h / 2))
    c.shape(rect(0, 0, w, 1), hexrgb(ACCENT, 0.85))
    c.shape(rect(0, 1, w, 2), (1, 1, 1, 0.10))
    c.save(os.path.join(out, "Fon.png"))


def no_cover(out):
    c = Canvas(60, 60)
    tile = rounded_rect(0.5, 0.5, 59.5, 59.5, 7)
    c.shape(tile, vertical(hexrgb(0x30405C), hexrgb(0x141A26), 0, 60))
    c.shape(ring(tile, rounded_rect(1.7, 1.7, 58.3, 58.3, 6)), hexrgb(0x5A78A8, 0.9))
    note = hexrgb(0xD3DEEE, 0.88)
    heads = union(ellipse(21, 41, 6.2, 4.4, -22), ellipse(40, 37, 6.2, 4.4, -22))
    stems = union(rect(25.4, 17, 27.6, 40), rect(44.4, 13, 46.6, 36))
    beam = polygon([(25.4, 17), (46.6, 11.5), (46.6, 17.5), (25.4, 23)])
    c.shape(union(heads, stems, beam), note)
    c.save(os.path.join(out, "NoCover.png"))


def key_tile(c, selected):
    outer = rounded_rect(0.5, 0.5, 19.5, 19.5, 4.5)
    inner = rounded_rect(1.5, 1.5, 18.5, 18.5, 3.5)
    if selected:
        c.shape(outer, vertical(hexrgb(0x8BDCFF), hexrgb(0x1E8FD0), 0, 20))
        c.shape(ring(outer, inner), (1, 1, 1, 0.95))
    else:
        c.shape(outer, vertical(hexrgb(0x2A3447, 0.70), hexrgb(0x0C111A, 0.70), 0, 20))
        c.shape(ring(outer, inner), (1, 1, 1, 0.22))


def icons():
    tri = lambda x0, x1, y0, y1: polygon([(x0, y0), (x1, (y0 + y1) / 2), (x0, y1)])
    tri_l = lambda x0, x1, y0, y1: polygon([(x1, y0), (x0, (y0 + y1) / 2), (x1, y1)])
    window = union(
        ring(rect(3.5, 6.5, 13, 16), rect(4.9, 9.2, 11.6, 14.6)),
        rect(3.5, 6.5, 13, 9.2),
    )
    arrow = union(
        capsule(10.2, 9.8, 15.6, 4.4, 0.85),
        polygon([(11.8, 3.4), (16.6, 3.4), (16.6, 8.2)]),
    )
    return {
        "Key1": union(tri(4.5, 9.5, 5.5, 14.5), tri(9.5, 14.5, 5.5, 14.5), rect(14.2, 5.5, 15.8, 14.5)),
        "Key2": union(rect(4.2, 5.5, 5.8, 14.5), tri_l(5.5, 10.5, 5.5, 14.5), tri_l(10.5, 15.5, 5.5, 14.5)),
        "Key3": union(rect(6.2, 5.2, 8.8, 14.8), rect(11.2, 5.2, 13.8, 14.8)),
        "Key3_1": tri(7.0, 15.2, 4.8, 15.2),
        "Key4": union(window, arrow),
        "Key5": union(capsule(5.2, 7.8, 10, 12.6, 1.25), capsule(10, 12.6, 14.8, 7.8, 1.25)),
    }


def keys(out):
    for name, icon in icons().items():
        for selected in (False, True):
            c = Canvas(20, 20)
            key_tile(c, selected)
            if not selected:
                # A soft shadow under the icon keeps it clear over light screens.
                c.shape(lambda x, y: icon(x - 0.6, y - 0.6), (0, 0, 0, 0.45))
            c.shape(icon, ICON_SELECTED if selected else ICON)
            c.save(os.path.join(out, name + ("_S" if selected else "") + ".png"))


# The action each button's picture shows: next, previous, play/pause, the player, hide.
BUTTON_ACTIONS = ["FUNCTION_KEY%d=%d" % (k + 1, k) for k in range(5)]


def write_config(out, tool):
    """The skin's TuneStrip.bcfg, made by the configuration tool so the block stays its own."""
    path = os.path.join(out, "TuneStrip.bcfg")
    subprocess.run([tool, "default", path], check=True)
    subprocess.run([tool, "set", path] + BUTTON_ACTIONS, check=True)


def main():
    args = sys.argv[1:]
    if any(a in ("-h", "--help") for a in args):
        print(__doc__)
        return 0
    here = os.path.dirname(os.path.abspath(__file__))
    tool = os.path.join(here, "..", "..", "build", "bin", "tunestrip-bcfg")
    if "--bcfg" in args:
        at = args.index("--bcfg")
        if at + 1 >= len(args):
            print("make_skin.py: --bcfg needs the path of tunestrip-bcfg", file=sys.stderr)
            return 2
        tool = args[at + 1]
        del args[at:at + 2]
    out = args[0] if args else here
    os.makedirs(out, exist_ok=True)
    background(out)
    no_cover(out)
    keys(out)
    if os.access(tool, os.X_OK):
        write_config(out, tool)
    else:
        print("make_skin.py: no %s: the images are drawn, TuneStrip.bcfg is not" % tool,
              file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
