"""The 16 x 16 icons, drawn pixel by pixel (portable, python3 standard library only).

At 16 x 16 a scaled-down drawing turns to mush, so these are separate, simpler designs: 1 px
outlines on whole pixels, diagonals as even stairs, and only the shapes that still read at this
size. They use the palette of art.py; a letter stands for one paint:

  K outline   W paper   w paper, shaded   T text line   Y gold   y gold, lit
  B blue   V screen   v screen, lit   R red   r red, lit   G green   C monitor case   L glass

Gradients run, as in the larger drawings, from the top left of all pixels of one paint to
their bottom right.
"""

import art
from icofile import Image

PAINTS = {
    "K": art.INK,
    "T": art.TEXT,
    "W": "paper",
    "w": "paper_back",
    "Y": "gold",
    "y": "gold_flap",
    "B": "blue",
    "V": "screen",
    "R": "red",
    "G": "green",
    "C": "case",
    "L": "glass",
    "r": "#ff9d94",
    "v": "#c4e2fd",
}


def _rgb(hex_colour):
    h = hex_colour.lstrip("#")
    return tuple(int(h[i : i + 2], 16) for i in (0, 2, 4))


class Pixels:
    def __init__(self):
        self.grid = [[None] * 16 for _ in range(16)]

    def put(self, x, y, paint):
        if 0 <= x < 16 and 0 <= y < 16:
            self.grid[y][x] = paint

    def rect(self, x0, y0, x1, y1, paint):
        """Fills x0..x1, y0..y1 inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, paint)

    def frame(self, x0, y0, x1, y1, fill):
        self.rect(x0, y0, x1, y1, "K")
        self.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill)

    def stamp(self, rows, ox, oy, outline=True):
        """Paints a small map (letters, '.' for nothing) with its top left at ox, oy.

        With outline, every pixel next to the shape (left, right, above, below) becomes
        outline first, which gives round corners and thin stairs on diagonals.
        """
        cells = {(ox + x, oy + y): c for y, row in enumerate(rows) for x, c in enumerate(row) if c != "."}
        if outline:
            for (x, y) in cells:
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                    if (x + dx, y + dy) not in cells:
                        self.put(x + dx, y + dy, "K")
        for (x, y), c in cells.items():
            self.put(x, y, c)

    def image(self):
        boxes = {}
        for y in range(16):
            for x in range(16):
                c = self.grid[y][x]
                if c:
                    x0, y0, x1, y1 = boxes.get(c, (x, y, x, y))
                    boxes[c] = (min(x0, x), min(y0, y), max(x1, x), max(y1, y))
        pixels = []
        for y in range(16):
            for x in range(16):
                c = self.grid[y][x]
                if not c:
                    pixels.append((0, 0, 0, 0))
                    continue
                paint = PAINTS[c]
                if paint in art.GRADIENTS:
                    a, b = (_rgb(v) for v in art.GRADIENTS[paint])
                    x0, y0, x1, y1 = boxes[c]
                    u = (x + 0.5 - x0) / (x1 - x0 + 1)
                    v = (y + 0.5 - y0) / (y1 - y0 + 1)
                    t = max(0.0, min(1.0, (0.7 * u + v) / 1.7))
                    rgb = tuple(round(p + (q - p) * t) for p, q in zip(a, b))
                else:
                    rgb = _rgb(paint)
                pixels.append(rgb + (255,))
        return Image(16, 16, pixels)


# ---------------------------------------------------------------------------------------------
# Motifs


def envelope_closed(p, x0, y0, w, h, body="W", flap="W"):
    """A closed envelope w x h (w even) with its flap as two even stairs meeting in the middle."""
    x1, y1 = x0 + w - 1, y0 + h - 1
    p.frame(x0, y0, x1, y1, body)
    for i in range(w // 2 - 1):
        p.put(x0 + 1 + i, y0 + 1 + i, "K")
        p.put(x1 - 1 - i, y0 + 1 + i, "K")
        for x in range(x0 + 2 + i, x1 - 1 - i):
            p.put(x, y0 + 1 + i, flap)


def envelope_open(p, y0, letter=True):
    """The opened envelope, 16 wide and 15 high from row y0: flap up, letter, front pocket."""
    for i in range(8):  # the open flap, its edges rising one pixel per row
        p.rect(7 - i, y0 + i, 8 + i, y0 + i, "w")
        p.put(7 - i, y0 + i, "K")
        p.put(8 + i, y0 + i, "K")
    p.rect(0, y0 + 7, 15, y0 + 14, "w")
    p.rect(0, y0 + 7, 0, y0 + 14, "K")
    p.rect(15, y0 + 7, 15, y0 + 14, "K")
    if letter:
        p.rect(5, y0 + 3, 10, y0 + 11, "W")
        for y, (a, b) in ((y0 + 5, (6, 9)), (y0 + 7, (6, 8)), (y0 + 9, (6, 9))):
            p.rect(a, y, b, y, "T")
    # The front pocket: its top edge falls in stairs of two to the middle.
    for i in range(4):
        y = y0 + 8 + i
        for x in range(1, 1 + 2 * i):
            p.put(x, y, "W")
            p.put(15 - x, y, "W")
        p.put(1 + 2 * i, y, "K")
        p.put(2 + 2 * i, y, "K")
        p.put(14 - 2 * i, y, "K")
        p.put(13 - 2 * i, y, "K")
    p.rect(1, y0 + 12, 14, y0 + 13, "W")
    p.rect(0, y0 + 14, 15, y0 + 14, "K")


REPLY_ARROW = [
    "...B.......",
    "..BB.......",
    ".BBB.......",
    "BBBBBBBBB..",
    "BBBBBBBBBB.",
    ".BBB....BBB",
    "..BB.....BB",
    "...B.....BB",
]

REPLY_ARROW_SMALL = [
    "..B......",
    ".BB......",
    "BBBBBBB..",
    "BBBBBBBB.",
    ".BB...BBB",
    "..B....BB",
]

SPARKLE = [
    "...Y...",
    "...Y...",
    "..YyY..",
    "YYyyyYY",
    "..YyY..",
    "...Y...",
    "...Y...",
]

RED_X = [
    "RR...RR",
    "RRR.RRR",
    ".RRRRR.",
    "..RRR..",
    ".RRRRR.",
    "RRR.RRR",
    "RR...RR",
]

BADGE = [
    "..KKK..",
    ".KrRRK.",
    "KrRRRRK",
    "KRRRRRK",
    "KRRRRRK",
    ".KRRRK.",
    "..KKK..",
]

SEAL = [
    ".KKKK.",
    "KrRRRK",
    "KRRRRK",
    "KRRRRK",
    ".KKKK.",
]

MONITOR_SMALL = [
    ".KKKKKKKK.",
    "KCCCCCCCCK",
    "KCvVVVVVCK",
    "KCVVVVVVCK",
    "KCVVVVVVCK",
    "KCCCCCCCCK",
    ".KKKKKKKK.",
    "...KCCK...",
    "..KKKKKK..",
]

MONITOR = [
    ".KKKKKKKKKKKKKK.",
    "KCCCCCCCCCCCCCCK",
    "KCvvVVVVVVVVVVCK",
    "KCvVVVVVVVVVVVCK",
    "KCVVVVVVVVVVVVCK",
    "KCVVVVVVVVVVVVCK",
    "KCVVVVVVVVVVVVCK",
    "KCVVVVVVVVVVVVCK",
    "KCCCCCCCCCCCCCCK",
    ".KKKKKKKKKKKKKK.",
    "......KCCK......",
    "...KKKKKKKKKK...",
    "...KCCCCCCCCK...",
    "...KKKKKKKKKK...",
]

REFRESH = [
    "................",
    ".....GGGGGG.....",
    "...GGGGGGGGGG...",
    "..GGG......GGG..",
    "..GG........GG..",
    "............GG..",
    "..........GGGGGG",
    "..GG.......GGGG.",
    ".GGGG.......GG..",
    "GGGGGG..........",
    "..GG............",
    "..GG........GG..",
    "..GGG......GGG..",
    "...GGGGGGGGGG...",
    ".....GGGGGG.....",
    "................",
]

LETTER_M = [
    "BB.....BB",
    "BBB...BBB",
    "BBBB.BBBB",
    "BB.BBB.BB",
    "BB..B..BB",
    "BB.....BB",
    "BB.....BB",
    "BB.....BB",
]


def page(p, x0, y0, x1, y1, lines=True, fold=4):
    """A sheet of paper with its top right corner folded over."""
    p.frame(x0, y0, x1, y1, "W")
    corner = x1 - fold
    for y in range(y0, y0 + fold):
        for x in range(corner + 1, x1 + 1):
            if x - corner > y - y0:
                p.put(x, y, None)  # beyond the cut
            elif x - corner < y - y0:
                p.put(x, y, "w")  # the back of the folded corner
    for i in range(fold + 1):
        p.put(corner + i, y0 + i, "K")
        p.put(corner, y0 + i, "K")
        p.put(corner + i, y0 + fold, "K")
    if lines:
        for n, y in enumerate(range(y0 + fold + 2, y1 - 1, 2)):
            p.rect(x0 + 2, y, x1 - 2 - (3 if n % 3 == 2 else 0), y, "T")


# ---------------------------------------------------------------------------------------------
# The icons


def icon_unread():
    p = Pixels()
    envelope_closed(p, 0, 2, 16, 12, body="Y", flap="y")
    p.stamp(SEAL, 5, 7, outline=False)
    return p


def icon_read():
    p = Pixels()
    envelope_open(p, 0)
    return p


def icon_answered():
    p = Pixels()
    envelope_open(p, 0, letter=False)
    p.stamp(REPLY_ARROW_SMALL, 4, 4)
    return p


def icon_new():
    p = Pixels()
    envelope_closed(p, 0, 6, 14, 10)
    p.stamp(SPARKLE, 8, 1)
    return p


def icon_view():
    p = Pixels()
    page(p, 1, 0, 11, 15)
    p.stamp(["..KKK..", ".KLLLK.", "KLLLLLK", "KLLLLLK", "KLLLLLK", ".KLLLK.", "..KKK.."], 5, 5, outline=False)
    for i in range(5):  # the handle, three pixels thick down to the corner
        p.put(11 + i, 11 + i, "B")
        p.put(12 + i, 11 + i, "K")
        p.put(11 + i, 12 + i, "K")
    p.put(11, 10, "K")
    p.put(10, 11, "K")
    p.put(15, 15, "K")
    return p


def icon_answer():
    p = Pixels()
    envelope_closed(p, 2, 6, 14, 10)
    p.stamp(REPLY_ARROW, 1, 1)
    return p


def icon_delete():
    p = Pixels()
    envelope_closed(p, 0, 2, 14, 10)
    p.stamp(RED_X, 8, 8)
    return p


def icon_delete_all():
    p = Pixels()
    envelope_closed(p, 2, 0, 14, 10)
    envelope_closed(p, 0, 4, 14, 10)
    p.stamp(RED_X, 8, 8)
    return p


def icon_network():
    p = Pixels()
    p.stamp(MONITOR_SMALL, 0, 0, outline=False)
    p.stamp(MONITOR_SMALL, 6, 6, outline=False)
    return p


def icon_computer():
    p = Pixels()
    p.stamp(MONITOR, 0, 1, outline=False)
    return p


def icon_rescan():
    p = Pixels()
    p.stamp(REFRESH, 0, 0, outline=False)
    return p


def icon_tray():
    p = Pixels()
    envelope_closed(p, 0, 2, 16, 12)
    return p


def icon_tray_unread():
    p = Pixels()
    envelope_closed(p, 0, 3, 16, 12, body="Y", flap="y")
    p.stamp(BADGE, 9, 0, outline=False)
    return p


def icon_quote():
    p = Pixels()
    page(p, 1, 0, 14, 15, lines=False)
    p.stamp(LETTER_M, 3, 5, outline=False)
    return p


ICONS = {
    110: icon_unread,
    109: icon_read,
    119: icon_answered,
    112: icon_new,
    120: icon_view,
    113: icon_answer,
    117: icon_delete,
    118: icon_delete_all,
    116: icon_network,
    114: icon_computer,
    124: icon_rescan,
    127: icon_tray,
    126: icon_tray_unread,
    138: icon_quote,
}
