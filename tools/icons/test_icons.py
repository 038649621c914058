"""Tests of the icon tools: the ICO and PNG codecs and the checks (python3 standard library only).

Run: python3 -m unittest discover -s tools/icons -p 'test_*.py'
"""

import os
import struct
import sys
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import contact_sheet  # noqa: E402
import icofile  # noqa: E402


def sample(size):
    """An image with every kind of pixel the writer treats differently."""
    pixels = []
    for y in range(size):
        for x in range(size):
            alpha = (0, 1, 127, 128, 200, 255)[(x + y) % 6]
            pixels.append(((x * 7) % 256, (y * 11) % 256, (x * y) % 256, alpha))
    return icofile.Image(size, size, pixels)


def paeth(a, b, c):
    """The PNG Paeth predictor, written out here on its own so that the decoder's is checked."""
    p = a + b - c
    distances = [(abs(p - a), 0, a), (abs(p - b), 1, b), (abs(p - c), 2, c)]
    return min(distances)[2]


def png_with_filters(image, has_alpha):
    """Encodes a PNG using filter types 0 to 4 in turn, one per row."""
    bpp = 4 if has_alpha else 3
    rows = []
    for y in range(image.height):
        line = bytearray()
        for x in range(image.width):
            line.extend(image.at(x, y)[:bpp])
        rows.append(line)
    raw = bytearray()
    prev = bytearray(len(rows[0]))
    for y, line in enumerate(rows):
        kind = y % 5
        out = bytearray()
        for i, value in enumerate(line):
            left = line[i - bpp] if i >= bpp else 0
            up = prev[i]
            upleft = prev[i - bpp] if i >= bpp else 0
            predictor = (0, left, up, (left + up) // 2, paeth(left, up, upleft))[kind]
            out.append((value - predictor) & 0xFF)
        raw.append(kind)
        raw.extend(out)
        prev = line

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", image.width, image.height, 8, 6 if has_alpha else 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw)))
            + chunk(b"IEND", b""))


class IcoTest(unittest.TestCase):
    def test_round_trip_keeps_sizes_colours_and_derives_the_mask(self):
        images = [sample(48), sample(16), sample(32)]
        read = icofile.read_ico(icofile.write_ico(images))
        self.assertEqual([im.image.width for im in read], [16, 32, 48])
        for got in read:
            want = sample(got.image.width)
            self.assertEqual(got.bit_count, 32)
            for i, (r, g, b, a) in enumerate(want.pixels):
                expected = (0, 0, 0, 0) if a == 0 else (r, g, b, a)
                self.assertEqual(got.image.pixels[i], expected, f"pixel {i} of {want.width}")
                self.assertEqual(got.mask[i], a < icofile.MASK_THRESHOLD, f"mask {i} of {want.width}")

    def test_directory_and_headers(self):
        data = icofile.write_ico([sample(16), sample(48)])
        self.assertEqual(struct.unpack("<HHH", data[:6]), (0, 1, 2))
        offset = 6 + 2 * 16
        for n, size in enumerate((16, 48)):
            w, h, colours, _, planes, bits, length, at = struct.unpack("<BBBBHHII", data[6 + 16 * n : 22 + 16 * n])
            self.assertEqual((w, h, colours, planes, bits, at), (size, size, 0, 1, 32, offset))
            mask_stride = ((size + 31) // 32) * 4  # rows of the AND mask are padded to 4 bytes
            self.assertEqual(length, 40 + size * size * 4 + mask_stride * size)
            header = struct.unpack("<IiiHHIIiiII", data[at : at + 40])
            self.assertEqual(header[:6], (40, size, 2 * size, 1, 32, 0))
            self.assertEqual(header[6], length - 40)
            offset += length
        self.assertEqual(offset, len(data))

    def test_rows_are_stored_bottom_up(self):
        pixels = [(255, 0, 0, 255)] * 16 + [(0, 0, 255, 0)] * (16 * 15)  # only the top row is opaque red
        data = icofile.write_ico([icofile.Image(16, 16, pixels)])
        at = struct.unpack("<I", data[18:22])[0] + 40
        last_row = data[at + 15 * 16 * 4 : at + 16 * 16 * 4]
        self.assertEqual(last_row[:4], bytes((0, 0, 255, 255)))  # BGRA
        mask = data[at + 16 * 16 * 4 :]
        self.assertEqual(mask[15 * 4 : 15 * 4 + 2], b"\x00\x00")  # the top row, stored last, is opaque
        self.assertEqual(mask[:2], b"\xff\xff")

    def test_rejects_broken_files(self):
        good = icofile.write_ico([sample(16)])
        cases = {
            "not an icon": b"\x00\x00\x02\x00\x01\x00" + good[6:],
            "no images": b"\x00\x00\x01\x00\x00\x00",
            "cut short": good[:-10],
        }
        for name, data in cases.items():
            with self.subTest(name), self.assertRaises(ValueError):
                icofile.read_ico(data)


class PngTest(unittest.TestCase):
    def test_decodes_every_filter_type(self):
        image = sample(11)
        for has_alpha in (True, False):
            with self.subTest(alpha=has_alpha):
                got = icofile.read_png(png_with_filters(image, has_alpha))
                want = image.pixels if has_alpha else [p[:3] + (255,) for p in image.pixels]
                self.assertEqual((got.width, got.height), (11, 11))
                self.assertEqual(got.pixels, want)

    def test_written_png_reads_back(self):
        image = sample(9)
        self.assertEqual(icofile.read_png(icofile.write_png(image)).pixels, image.pixels)


class CheckTest(unittest.TestCase):
    def test_reports_each_fault(self):
        grey = (192, 192, 192, 255)
        cases = [
            ("sound", {}, (16, 32), None),
            ("missing size", {}, (16, 32, 48), "sizes"),
            ("mask says opaque, alpha says clear", {0: ((0, 0, 0, 0), False)}, (16, 32), "mask disagrees"),
            ("clear pixel with colour", {0: ((9, 9, 9, 0), True)}, (16, 32), "not black"),
            ("system grey", {5: (grey, False)}, (16, 32), "grey"),
        ]
        for name, changes, sizes, fault in cases:
            with self.subTest(name):
                faults = contact_sheet.check(1, self.with_changes(changes), sizes)
                if fault is None:
                    self.assertEqual(faults, [])
                else:
                    self.assertTrue(any(fault in f for f in faults), faults)

    @staticmethod
    def with_changes(changes):
        images = icofile.read_ico(icofile.write_ico([sample(16), sample(32)]))
        for image in images:
            for index, (pixel, mask) in changes.items():
                image.image.pixels[index] = pixel
                image.mask[index] = mask
        return images


if __name__ == "__main__":
    unittest.main()
