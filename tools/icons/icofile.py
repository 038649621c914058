"""Reads and writes the PNG and ICO files of the icon tools (python3 standard library only).

Images are plain records: width, height and a flat list of (r, g, b, a) tuples, rows top down.
"""

import struct
import zlib
from dataclasses import dataclass

# Pixels at least this opaque are drawn where a system ignores the alpha channel.
MASK_THRESHOLD = 128


@dataclass
class Image:
    width: int
    height: int
    pixels: list  # (r, g, b, a), row by row from the top

    def at(self, x, y):
        return self.pixels[y * self.width + x]


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read_png(data):
    """Decodes a non-interlaced 8-bit RGB or RGBA PNG, which is what rsvg-convert writes."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos : pos + 4])
        kind = data[pos + 4 : pos + 8]
        body = data[pos + 8 : pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    if header is None:
        raise ValueError("PNG without header")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError(f"unsupported PNG: depth {depth}, colour type {colour}, interlace {interlace}")
    bpp = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1 : pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            left = line[i - bpp] if i >= bpp else 0
            up = prev[i]
            upleft = prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                line[i] = (line[i] + _paeth(left, up, upleft)) & 0xFF
        rows.append(line)
        prev = line
    pixels = []
    for line in rows:
        for x in range(width):
            p = line[x * bpp : x * bpp + bpp]
            pixels.append((p[0], p[1], p[2], p[3] if bpp == 4 else 255))
    return Image(width, height, pixels)


def write_png(image):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = bytearray()
    for y in range(image.height):
        raw.append(0)
        for x in range(image.width):
            raw.extend(image.at(x, y))
    header = struct.pack(">IIBBBBB", image.width, image.height, 8, 6, 0, 0, 0)
    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", header)
        + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        + chunk(b"IEND", b"")
    )


def _row_bytes(bits):
    return ((bits + 31) // 32) * 4


def _dib_entry(image):
    """One icon image: BITMAPINFOHEADER, 32-bit BGRA colour rows and the 1-bit AND mask, bottom up.

    A pixel below the mask threshold is transparent in the mask and black in the colour
    bitmap, so that it leaves the screen untouched where the icon is drawn by AND and XOR
    alone (no alpha) and where it is loaded as a monochrome image.
    """
    w, h = image.width, image.height
    colour = bytearray()
    mask = bytearray()
    for y in reversed(range(h)):
        mask_row = bytearray(_row_bytes(w))
        for x in range(w):
            r, g, b, a = image.at(x, y)
            if a == 0:
                r = g = b = 0
            colour.extend((b, g, r, a))
            if a < MASK_THRESHOLD:
                mask_row[x // 8] |= 0x80 >> (x % 8)
        mask.extend(mask_row)
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask)


def write_ico(images):
    images = sorted(images, key=lambda im: im.width)
    count = len(images)
    out = bytearray(struct.pack("<HHH", 0, 1, count))
    offset = 6 + 16 * count
    bodies = []
    for image in images:
        body = _dib_entry(image)
        size = image.width if image.width < 256 else 0
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(body), offset)
        offset += len(body)
        bodies.append(body)
    for body in bodies:
        out += body
    return bytes(out)


@dataclass
class IcoImage:
    image: Image  # colour with alpha as stored
    mask: list  # True where the AND mask makes the pixel transparent
    bit_count: int


def read_ico(data):
    """Reads every image of an ICO file written as 32-bit DIBs with an AND mask."""
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    if reserved != 0 or kind != 1 or count == 0:
        raise ValueError("not an icon file")
    result = []
    for i in range(count):
        w, h, _, _, planes, bits, size, offset = struct.unpack("<BBBBHHII", data[6 + 16 * i : 22 + 16 * i])
        w, h = w or 256, h or 256
        body = data[offset : offset + size]
        if len(body) != size:
            raise ValueError(f"image {i} runs past the end of the file")
        hsize, bw, bh, _, bbits, compression = struct.unpack("<IiiHHI", body[:20])
        if hsize != 40 or bw != w or bh != 2 * h or bbits != bits or bits != 32 or compression != 0:
            raise ValueError(f"image {i}: unexpected header {hsize} {bw}x{bh} {bbits} bpp {compression}")
        colour_size = w * h * 4
        mask_stride = _row_bytes(w)
        if size != 40 + colour_size + mask_stride * h:
            raise ValueError(f"image {i}: size {size} does not match {w}x{h}")
        pixels = [None] * (w * h)
        mask = [False] * (w * h)
        for row in range(h):
            y = h - 1 - row
            for x in range(w):
                b, g, r, a = body[40 + (row * w + x) * 4 : 44 + (row * w + x) * 4]
                pixels[y * w + x] = (r, g, b, a)
                m = body[40 + colour_size + row * mask_stride + x // 8]
                mask[y * w + x] = bool(m & (0x80 >> (x % 8)))
        result.append(IcoImage(Image(w, h, pixels), mask, bits))
    return result
