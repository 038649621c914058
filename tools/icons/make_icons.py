#!/usr/bin/env python3
"""Renders the program's icons (art.py) with rsvg-convert and writes one .ico per resource id.

Needs: python3 (standard library only) and rsvg-convert (Debian package librsvg2-bin).
"""

import argparse
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import art  # noqa: E402
import icofile  # noqa: E402
import small  # noqa: E402


def render(svg_text, size, workdir, stem):
    svg_path = os.path.join(workdir, f"{stem}.svg")
    png_path = os.path.join(workdir, f"{stem}.png")
    with open(svg_path, "w", encoding="utf-8") as f:
        f.write(svg_text)
    subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-f", "png", "-o", png_path, svg_path],
                   check=True)
    with open(png_path, "rb") as f:
        image = icofile.read_png(f.read())
    if (image.width, image.height) != (size, size):
        raise RuntimeError(f"{stem}: rendered {image.width}x{image.height}, wanted {size}x{size}")
    return image


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", required=True, help="folder for icon_<id>.ico")
    parser.add_argument("--keep", help="folder to keep the SVG and PNG of every image in, for inspection")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        workdir = args.keep or tmp
        os.makedirs(workdir, exist_ok=True)
        for resource, (_, _, sizes) in sorted(art.ICONS.items()):
            images = [small.ICONS[resource]().image() if size == 16
                      else render(art.draw(resource, size), size, workdir, f"icon_{resource}_{size}")
                      for size in sizes]
            path = os.path.join(args.out, f"icon_{resource}.ico")
            with open(path, "wb") as f:
                f.write(icofile.write_ico(images))
            print(f"{path}: {', '.join(f'{s}x{s}' for s in sizes)}")


if __name__ == "__main__":
    main()
