#!/usr/bin/env python3
"""Checks the written .ico files and draws contact sheets of them for a person to look at.

Needs: python3 (standard library only). The sheets are built from the .ico files themselves
(not from the drawings), so they show what the program will load. For each icon, one row:
  colour sheet: 16, 24 (32 scaled smoothly), 24 (32 scaled by dropping pixels), 32, 48 if present,
                then the 32 image drawn by its AND mask alone (no alpha), all on a button face;
  mono sheet:   16, 24, 32 as loaded monochrome (r + g + b > 382 is white, the rest black,
                the AND mask for transparency), then 16 and 32 on a dark taskbar;
  actual sheet: every icon at 1:1 in each of those forms.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import art  # noqa: E402
import icofile  # noqa: E402

FACE = (236, 233, 226)
DARK = (32, 38, 48)
GAP = (255, 255, 255)


class Canvas:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [colour + (255,)] * (width * height)

    def put(self, x, y, rgb):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = tuple(rgb[:3]) + (255,)

    def fill(self, x, y, w, h, rgb):
        for j in range(h):
            for i in range(w):
                self.put(x + i, y + j, rgb)

    def blit(self, grid, x, y, zoom):
        """grid: rows of RGB tuples (already composited)."""
        for j, row in enumerate(grid):
            for i, rgb in enumerate(row):
                for dy in range(zoom):
                    for dx in range(zoom):
                        self.put(x + i * zoom + dx, y + j * zoom + dy, rgb)

    def png(self):
        return icofile.write_png(icofile.Image(self.width, self.height, self.pixels))


def composite(rgba, bg):
    r, g, b, a = rgba
    return tuple(round((c * a + k * (255 - a)) / 255) for c, k in zip((r, g, b), bg))


def alpha_view(image, bg):
    return [[composite(image.at(x, y), bg) for x in range(image.width)] for y in range(image.height)]


def mask_view(ico, bg):
    im = ico.image
    return [[bg if ico.mask[y * im.width + x] else im.at(x, y)[:3] for x in range(im.width)]
            for y in range(im.height)]


def mono_pixel(rgb):
    return (255, 255, 255) if sum(rgb[:3]) > 382 else (0, 0, 0)


def mono_grid(ico):
    """(colour, transparent) per pixel of the image as a monochrome load sees it."""
    im = ico.image
    return [[(mono_pixel(im.at(x, y)), ico.mask[y * im.width + x]) for x in range(im.width)]
            for y in range(im.height)]


def shrink_black_wins(grid, size):
    """Shrinks as a stretch in BLACKONWHITE mode does: each source pixel lands on one target pixel,
    and of the pixels that land together black and opaque win."""
    n = len(grid)
    groups = [[s for s in range(n) if s * size // n == d] for d in range(size)]
    out = []
    for ys in groups:
        row = []
        for xs in groups:
            cells = [grid[y][x] for y in ys for x in xs]
            black = any(c == (0, 0, 0) for c, t in cells if not t)
            transparent = all(t for _, t in cells)
            row.append(((0, 0, 0) if black else (255, 255, 255), transparent))
        out.append(row)
    return out


def mono_view(grid, bg):
    return [[bg if t else c for c, t in row] for row in grid]


def resample_smooth(image, size):
    """Area-average scaling with premultiplied alpha."""
    n = image.width
    scale = n / size
    out = []
    for dy in range(size):
        row = []
        for dx in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            total = 0.0
            sy0, sy1 = dy * scale, (dy + 1) * scale
            sx0, sx1 = dx * scale, (dx + 1) * scale
            for sy in range(int(sy0), min(n, int(-(-sy1 // 1)))):
                wy = min(sy1, sy + 1) - max(sy0, sy)
                for sx in range(int(sx0), min(n, int(-(-sx1 // 1)))):
                    wx = min(sx1, sx + 1) - max(sx0, sx)
                    w = wx * wy
                    r, g, b, a = image.at(sx, sy)
                    acc[0] += r * a * w
                    acc[1] += g * a * w
                    acc[2] += b * a * w
                    acc[3] += a * w
                    total += w
            a = acc[3] / total
            if acc[3]:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(a)))
            else:
                row.append((0, 0, 0, 0))
        out.append(row)
    flat = [p for row in out for p in row]
    return icofile.Image(size, size, flat)


def resample_nearest(image, size):
    n = image.width
    return icofile.Image(size, size, [image.at(dx * n // size, dy * n // size)
                                      for dy in range(size) for dx in range(size)])


# Exact greys that LR_LOADMAP3DCOLORS may swap for the system's 3D colours.
SYSTEM_GREYS = {(128, 128, 128), (192, 192, 192), (223, 223, 223)}


def check(resource, images, sizes):
    """Faults in one icon file, as a list of texts."""
    faults = []
    got = [im.image.width for im in images]
    if got != sorted(sizes):
        faults.append(f"icon {resource}: sizes {got}, expected {sorted(sizes)}")
    for im in images:
        w = im.image.width
        for i, (r, g, b, a) in enumerate(im.image.pixels):
            if im.mask[i] != (a < icofile.MASK_THRESHOLD):
                faults.append(f"icon {resource} {w}x{w}: mask disagrees with alpha at pixel {i}")
                break
            if im.mask[i] and a == 0 and (r, g, b) != (0, 0, 0):
                faults.append(f"icon {resource} {w}x{w}: transparent pixel {i} is not black")
                break
            if not im.mask[i] and (r, g, b) in SYSTEM_GREYS:
                faults.append(f"icon {resource} {w}x{w}: pixel {i} is a system grey {(r, g, b)}")
                break
        if all(im.mask):
            faults.append(f"icon {resource} {w}x{w}: empty")
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--icons", required=True, help="folder with icon_<id>.ico")
    parser.add_argument("--out", help="folder for the contact sheets (PNG); without it only checks")
    parser.add_argument("--wine", help="folder of .rgb files written by the icon probe under Wine")
    args = parser.parse_args()

    loaded, faults = {}, []
    for resource, (_, _, sizes) in art.ICONS.items():
        with open(os.path.join(args.icons, f"icon_{resource}.ico"), "rb") as f:
            images = icofile.read_ico(f.read())
        faults += check(resource, images, sizes)
        loaded[resource] = {im.image.width: im for im in images}
    for fault in faults:
        print(fault, file=sys.stderr)
    print(f"checked {len(loaded)} icon files: {len(faults)} faults")
    if faults:
        return 1
    if not args.out:
        return 0
    os.makedirs(args.out, exist_ok=True)

    def views_colour(icons):
        i32 = icons[32].image
        v = [alpha_view(icons[16].image, FACE), alpha_view(resample_smooth(i32, 24), FACE),
             alpha_view(resample_nearest(i32, 24), FACE), alpha_view(i32, FACE)]
        v.append(alpha_view(icons[48].image, FACE) if 48 in icons else None)
        v.append(mask_view(icons[32], FACE))
        return v

    def views_mono(icons):
        g32 = mono_grid(icons[32])
        return [mono_view(mono_grid(icons[16]), FACE), mono_view(shrink_black_wins(g32, 24), FACE),
                mono_view(g32, FACE), alpha_view(icons[16].image, DARK), alpha_view(icons[32].image, DARK)]

    def sheet(name, rows_of_views, zoom, widths):
        pad = 6
        row_h = max(widths) * zoom + pad
        width = sum(w * zoom + pad for w in widths) + pad
        canvas = Canvas(width, row_h * len(rows_of_views) + pad, GAP)
        for r, views in enumerate(rows_of_views):
            x = pad
            y = pad + r * row_h
            for view, w in zip(views, widths):
                if view is not None:
                    canvas.blit(view, x, y, zoom)
                x += w * zoom + pad
        path = os.path.join(args.out, name)
        with open(path, "wb") as f:
            f.write(canvas.png())
        print(path)

    ids = list(art.ICONS)
    halves = [ids[:7], ids[7:]]
    for n, part in enumerate(halves, 1):
        sheet(f"colour-{n}.png", [views_colour(loaded[i]) for i in part], 3, [16, 24, 24, 32, 48, 32])
        sheet(f"mono-{n}.png", [views_mono(loaded[i]) for i in part], 3, [16, 24, 32, 16, 32])
    for n in range(0, len(ids), 5):
        rows = []
        for i in ids[n : n + 5]:
            small = alpha_view(loaded[i][16].image, FACE)
            small = [[p for p in row for _ in range(2)] for row in small for _ in range(2)]
            rows.append([small, alpha_view(loaded[i][32].image, FACE)])
        sheet(f"zoom-{n // 5 + 1}.png", rows, 4, [32, 32])
    actual = []
    for i in ids:
        actual.append(views_colour(loaded[i]) + views_mono(loaded[i]))
    sheet("actual.png", actual, 1, [16, 24, 24, 32, 48, 32, 16, 24, 32, 16, 32])

    if args.wine:
        ways = [("ddb", 16), ("ddb", 20), ("ddb", 24), ("ddb", 32), ("mono", 16), ("mono", 20), ("mono", 24),
                ("mono", 32), ("c32", 24), ("icon", 16), ("icon", 48)]

        def probe_view(resource, way, size):
            with open(os.path.join(args.wine, f"icon_{resource}_{way}_{size}.rgb"), "rb") as f:
                data = f.read()
            return [[tuple(data[(y * size + x) * 3 : (y * size + x) * 3 + 3]) for x in range(size)]
                    for y in range(size)]

        rows = [[probe_view(i, w, s) for w, s in ways] for i in ids]
        widths = [s for _, s in ways]
        for n, part in enumerate((rows[:7], rows[7:]), 1):
            sheet(f"wine-{n}.png", part, 2, widths)
        sheet("wine-actual.png", rows, 1, widths)
    return 0


if __name__ == "__main__":
    sys.exit(main())
