"""The 32 x 32 and 48 x 48 icon artwork as SVG (portable, python3 standard library only).

Every icon shares one palette, one light (gradients run from light at the top left to darker at
the bottom right) and one outline: INK, 2 px at 32 x 32 and 3 px at 48 x 48 (1 px in the pixel
drawings of small.py). Outlines sit on whole pixels, and white gaps between dark lines are kept
at 2 px or more, so that a shrink to 24 x 24 that keeps black pixels does not fill them in.
Colours are chosen against the monochrome load, which turns a pixel white when r + g + b > 382
and black otherwise: outlines and the accents (blue, red, green) come out black; paper, gold,
screens, text lines and fold lines come out white, so every icon is still a clean line drawing.
The exact greys 128, 192 and 223 are avoided, as LR_LOADMAP3DCOLORS may swap them for system
colours.
"""

import math

INK = "#22334a"

# Gradient name -> (top-left colour, bottom-right colour).
GRADIENTS = {
    "paper": ("#ffffff", "#dce5f0"),
    "paper_back": ("#cfdbe9", "#b3c4d8"),
    "gold": ("#ffe47a", "#f7b21f"),
    "gold_flap": ("#fff0ad", "#ffcf4a"),
    "blue": ("#3a86de", "#1b55a6"),
    "screen": ("#7cbcf6", "#4690df"),
    "glass": ("#ffffff", "#cfe6fb"),
    "red": ("#ee4b48", "#b51d1d"),
    "green": ("#4fbf4f", "#23872a"),
    "case": ("#f6f8fb", "#c6d0dc"),
}
LINE_SOFT = "#9fb1c7"  # the bottom folds of an envelope
TEXT = "#6f86a3"  # text lines on paper


def _fmt(v):
    return f"{v:.2f}".rstrip("0").rstrip(".")


class Art:
    """One SVG drawing of size x size pixels. Coordinates name pixel edges."""

    def __init__(self, size):
        self.size = size
        self.sw = size / 16  # the outline
        self.parts = []

    def svg(self):
        defs = []
        for name, (a, b) in GRADIENTS.items():
            defs.append(
                f'<linearGradient id="{name}" x1="0" y1="0" x2="0.7" y2="1">'
                f'<stop offset="0" stop-color="{a}"/><stop offset="1" stop-color="{b}"/></linearGradient>'
            )
        s = self.size
        return (
            f'<svg xmlns="http://www.w3.org/2000/svg" width="{s}" height="{s}" viewBox="0 0 {s} {s}">'
            f"<defs>{''.join(defs)}</defs>{''.join(self.parts)}</svg>"
        )

    @staticmethod
    def paint(fill):
        return f"url(#{fill})" if fill in GRADIENTS else fill

    def box(self, x0, y0, x1, y1, fill, sw=None, rx=0, stroke=INK):
        """A rectangle covering pixels x0..x1, y0..y1 (edges), its outline inside that area."""
        sw = self.sw if sw is None else sw
        h = sw / 2
        self.parts.append(
            f'<rect x="{_fmt(x0 + h)}" y="{_fmt(y0 + h)}" width="{_fmt(x1 - x0 - sw)}" '
            f'height="{_fmt(y1 - y0 - sw)}" rx="{_fmt(rx)}" fill="{self.paint(fill)}" '
            f'stroke="{stroke}" stroke-width="{_fmt(sw)}"/>'
        )

    def fill_box(self, x0, y0, x1, y1, fill):
        self.parts.append(
            f'<rect x="{_fmt(x0)}" y="{_fmt(y0)}" width="{_fmt(x1 - x0)}" height="{_fmt(y1 - y0)}" '
            f'fill="{self.paint(fill)}"/>'
        )

    def poly(self, points, fill, sw=None, stroke=INK, close=True, join="round"):
        sw = self.sw if sw is None else sw
        d = "M" + " L".join(f"{_fmt(x)},{_fmt(y)}" for x, y in points) + (" Z" if close else "")
        self.path(d, fill, sw, stroke, join=join)

    def path(self, d, fill, sw=None, stroke=INK, join="round", cap="round"):
        sw = self.sw if sw is None else sw
        stroke_attr = f'stroke="{stroke}" stroke-width="{_fmt(sw)}"' if sw else 'stroke="none"'
        self.parts.append(
            f'<path d="{d}" fill="{self.paint(fill)}" {stroke_attr} '
            f'stroke-linejoin="{join}" stroke-linecap="{cap}"/>'
        )

    def line(self, points, colour, width, cap="butt"):
        d = "M" + " L".join(f"{_fmt(x)},{_fmt(y)}" for x, y in points)
        self.parts.append(
            f'<path d="{d}" fill="none" stroke="{self.paint(colour)}" stroke-width="{_fmt(width)}" '
            f'stroke-linecap="{cap}" stroke-linejoin="round"/>'
        )

    def circle(self, cx, cy, r, fill, sw=None, stroke=INK):
        sw = self.sw if sw is None else sw
        self.parts.append(
            f'<circle cx="{_fmt(cx)}" cy="{_fmt(cy)}" r="{_fmt(r)}" fill="{self.paint(fill)}" '
            f'stroke="{stroke}" stroke-width="{_fmt(sw)}"/>'
        )

    def outlined_stroke(self, d, colour, width, outline, cap="round"):
        """A thick coloured stroke with an INK rim of the given width on both sides."""
        for c, w in ((INK, width + 2 * outline), (colour, width)):
            self.parts.append(
                f'<path d="{d}" fill="none" stroke="{self.paint(c)}" stroke-width="{_fmt(w)}" '
                f'stroke-linecap="{cap}" stroke-linejoin="round"/>'
            )


# ---------------------------------------------------------------------------------------------
# Shared motifs. Each takes the box (pixel edges) it must fill.


def envelope_closed(a, x0, y0, x1, y1, body="paper", flap="paper", folds=True, flap_line=INK):
    """A closed envelope; returns the point of its flap."""
    sw = a.sw
    h = sw / 2
    cx = (x0 + x1) / 2
    tip = y0 + (y1 - y0) * 0.6
    a.box(x0, y0, x1, y1, body)
    if folds:
        # The bottom folds, drawn soft so that the silhouette stays the flap and the rim.
        a.line([(x0 + sw, y1 - sw), (cx - 2.5, tip - 1)], LINE_SOFT, 1.2)
        a.line([(x1 - sw, y1 - sw), (cx + 2.5, tip - 1)], LINE_SOFT, 1.2)
    a.poly([(x0 + h, y0 + h), (cx, tip), (x1 - h, y0 + h)], flap, sw=sw * 0.75, stroke=flap_line)
    # The top rim again over the flap's joins, so that the corners stay crisp.
    a.line([(x0, y0 + h), (x1, y0 + h)], INK, sw)
    return cx, tip


def envelope_open(a, x0, y0, x1, y1, letter=True):
    """An opened envelope: the flap up (its point at y0), the letter peeking out, the front pocket."""
    sw = a.sw
    h = sw / 2
    cx = (x0 + x1) / 2
    top = y0 + (y1 - y0) * 0.42  # where the flap hinges
    pocket = top + (y1 - top) * 0.5
    a.poly([(x0 + h, top), (cx, y0 + h), (x1 - h, top)], "paper_back")
    a.box(x0, top - h, x1, y1, "paper_back")
    if letter:
        m = (x1 - x0) * 0.2
        lx0, lx1 = round(x0 + m), round(x1 - m)
        ly0 = round(y0 + (top - y0) * 0.45)
        a.box(lx0, ly0, lx1, round(pocket + 2), "paper", sw=sw * 0.75)
        for i in range(2):
            y = ly0 + 4 + 3 * i
            a.line([(lx0 + 3, y + 0.5), (lx1 - 3 - 3 * i, y + 0.5)], TEXT, 1)
    a.poly([(x0 + h, top), (cx, pocket), (x1 - h, top), (x1 - h, y1 - h), (x0 + h, y1 - h)], "paper")


def sparkle(a, cx, cy, r):
    """A four-pointed gold star: the mark of something new."""
    k = r * 0.3
    pts = [(cx, cy - r), (cx + k, cy - k), (cx + r, cy), (cx + k, cy + k),
           (cx, cy + r), (cx - k, cy + k), (cx - r, cy), (cx - k, cy - k)]
    a.poly(pts, "gold", join="miter")


def red_x(a, cx, cy, r, width, outline):
    d = (f"M{_fmt(cx - r)},{_fmt(cy - r)} L{_fmt(cx + r)},{_fmt(cy + r)} "
         f"M{_fmt(cx + r)},{_fmt(cy - r)} L{_fmt(cx - r)},{_fmt(cy + r)}")
    # Both bars get their rim first, then both their colour, so the crossing has no rim line.
    a.parts.append(f'<path d="{d}" fill="none" stroke="{INK}" stroke-width="{_fmt(width + 2 * outline)}" '
                   f'stroke-linecap="square"/>')
    a.parts.append(f'<path d="{d}" fill="none" stroke="url(#red)" stroke-width="{_fmt(width)}" '
                   f'stroke-linecap="square"/>')


def reply_arrow(a, x0, y0, x1, y1):
    """A blue arrow pointing left, its shaft bending down to the bottom right of the box."""
    w, hgt = x1 - x0, y1 - y0
    hx = x0 + w * 0.42  # where the head meets the shaft
    bottom = y0 + hgt * 0.66
    mid = (y0 + bottom) / 2
    shaft = hgt * 0.36
    s_top = mid - shaft / 2
    s_bot = mid + shaft / 2
    d = (f"M{_fmt(x0)},{_fmt(mid)} L{_fmt(hx)},{_fmt(y0)} L{_fmt(hx)},{_fmt(s_top)} "
         f"C{_fmt(x1 - w * 0.05)},{_fmt(s_top)} {_fmt(x1)},{_fmt(s_top + hgt * 0.3)} {_fmt(x1)},{_fmt(y1)} "
         f"C{_fmt(x1 - w * 0.12)},{_fmt(s_bot + hgt * 0.05)} {_fmt(x1 - w * 0.3)},{_fmt(s_bot)} "
         f"{_fmt(hx)},{_fmt(s_bot)} L{_fmt(hx)},{_fmt(bottom)} Z")
    a.path(d, "blue")


def refresh_arrows(a, cx, cy, r, width, outline):
    """Two green arcs chasing each other clockwise round a circle, each ending in a head."""
    arcs, heads = [], []
    for start in (200, 20):
        a0, a1 = math.radians(start), math.radians(start + 125)
        p0 = (cx + r * math.cos(a0), cy + r * math.sin(a0))
        p1 = (cx + r * math.cos(a1), cy + r * math.sin(a1))
        arcs.append(f"M{_fmt(p0[0])},{_fmt(p0[1])} A{_fmt(r)},{_fmt(r)} 0 0 1 {_fmt(p1[0])},{_fmt(p1[1])}")
        tx, ty = -math.sin(a1), math.cos(a1)  # the direction of travel at the end
        nx, ny = math.cos(a1), math.sin(a1)
        length, half = width * 1.9, width * 1.5
        tip = (p1[0] + tx * length * 0.9, p1[1] + ty * length * 0.9)
        base = (p1[0] - tx * length * 0.2, p1[1] - ty * length * 0.2)
        heads.append([tip, (base[0] + nx * half, base[1] + ny * half), (base[0] - nx * half, base[1] - ny * half)])
    d = " ".join(arcs)
    a.parts.append(f'<path d="{d}" fill="none" stroke="{INK}" stroke-width="{_fmt(width + 2 * outline)}"/>')
    for points in heads:
        a.poly(points, "green", sw=outline * 2, join="miter")
    a.parts.append(f'<path d="{d}" fill="none" stroke="url(#green)" stroke-width="{_fmt(width)}"/>')
    for points in heads:
        a.poly(points, "green", sw=0)


def monitor(a, x0, y0, x1, y1, stand=True, band=None):
    """A display, on a stand whose foot ends at y1; band is the width of the case round the screen."""
    sw = a.sw
    band = sw if band is None else band
    foot = round(sw * 1.5) if stand else 0
    neck = sw if stand else 0
    screen_bottom = y1 - foot - neck
    if stand:
        cx = (x0 + x1) / 2
        fw = round((x1 - x0) * 0.3)
        a.fill_box(round(cx - sw * 1.5), screen_bottom - sw, round(cx + sw * 1.5), y1 - foot + sw / 2, INK)
        a.box(round(cx - fw), y1 - foot - sw / 2 - 1, round(cx + fw), y1, "case")
    a.box(x0, y0, x1, screen_bottom, "case", rx=sw * 1.5)
    inner = sw + band
    a.box(x0 + inner, y0 + inner, x1 - inner, screen_bottom - inner - sw / 2, "screen", sw=sw / 2)
    # A glint on the screen from the light at the top left.
    gx, gy = x0 + inner + sw / 2, y0 + inner + sw / 2
    a.poly([(gx, gy), (gx + (x1 - x0) * 0.35, gy), (gx, gy + (screen_bottom - y0) * 0.5)], "#ffffff40", sw=0)


def page(a, x0, y0, x1, y1, lines=True):
    """A sheet of paper with its top right corner folded over."""
    sw = a.sw
    h = sw / 2
    fold = round((x1 - x0) * 0.32)
    a.poly([(x0 + h, y0 + h), (x1 - fold, y0 + h), (x1 - h, y0 + fold), (x1 - h, y1 - h), (x0 + h, y1 - h)],
           "paper", join="miter")
    a.poly([(x1 - fold, y0 + h), (x1 - fold, y0 + fold), (x1 - h, y0 + fold)], "paper_back", sw=sw * 0.75)
    if lines:
        y, n = y0 + fold + 3, 0
        while y + 1 < y1 - sw - 1:
            a.fill_box(x0 + sw + 2, y, x1 - sw - 2 - (3 if n % 3 == 2 else 0), y + 1, TEXT)
            y, n = y + 3, n + 1


def magnifier(a, cx, cy, r, handle_to, handle_w):
    sw = a.sw
    a.outlined_stroke(f"M{_fmt(cx + r * 0.7)},{_fmt(cy + r * 0.7)} L{_fmt(handle_to[0])},{_fmt(handle_to[1])}",
                      "blue", handle_w, sw / 2)
    a.circle(cx, cy, r, "glass", sw=sw * 1.25)
    a.path(f"M{_fmt(cx - r * 0.55)},{_fmt(cy - r * 0.05)} A{_fmt(r * 0.55)},{_fmt(r * 0.55)} 0 0 1 "
           f"{_fmt(cx - r * 0.05)},{_fmt(cy - r * 0.55)}", "none", sw=1.5, stroke="#ffffff")


# ---------------------------------------------------------------------------------------------
# The icons, drawn at 32 x 32 (the network also at 48 x 48).


def icon_unread(a):
    cx, tip = envelope_closed(a, 1, 6, 31, 27, body="gold", flap="gold_flap")
    a.circle(cx, tip - 0.5, 4.5, "red", sw=1.5)  # the seal


def icon_read(a):
    envelope_open(a, 1, 2, 31, 30)


def icon_answered(a):
    envelope_open(a, 1, 2, 31, 30, letter=False)
    reply_arrow(a, 6, 8, 25, 22)


def icon_new(a):
    envelope_closed(a, 1, 11, 25, 28)
    sparkle(a, 24, 8, 7.5)


def icon_view(a):
    page(a, 3, 1, 24, 30)
    magnifier(a, 19.5, 18.5, 7.5, (29, 29), 3.5)


def icon_answer(a):
    envelope_closed(a, 7, 13, 31, 29)
    reply_arrow(a, 1, 1, 21, 17)


def icon_delete(a):
    envelope_closed(a, 1, 4, 27, 22)
    red_x(a, 23.5, 23.5, 5, 3, 1.5)


def icon_delete_all(a):
    # The envelope behind keeps only its rim dark, so the two stay apart in monochrome.
    envelope_closed(a, 5, 1, 30, 16, folds=False, flap_line=TEXT)
    envelope_closed(a, 1, 8, 26, 24)
    red_x(a, 23.5, 23.5, 5, 3, 1.5)


def icon_network(a):
    """Two computers on one cable; the same drawing at 32 and 48."""
    k = a.size / 32
    sw = a.sw
    y = round(29 * k) + sw / 2
    a.outlined_stroke(f"M{_fmt(6 * k)},{_fmt(16 * k)} L{_fmt(6 * k)},{_fmt(y)} L{_fmt(16 * k)},{_fmt(y)}",
                      "green", sw, sw / 2, cap="butt")
    monitor(a, 0, 0, round(20 * k), round(19 * k), band=sw / 2)
    monitor(a, round(12 * k), round(13 * k), a.size, a.size, band=sw / 2)


def icon_computer(a):
    monitor(a, 1, 2, 31, 29)
    envelope_closed(a, 17, 18, 31, 28, folds=False)


def icon_rescan(a):
    monitor(a, 9, 9, 23, 21, stand=False)
    refresh_arrows(a, 16, 16, 12.5, 3, 1.5)


def icon_tray(a):
    envelope_closed(a, 1, 5, 31, 27)


def icon_tray_unread(a):
    envelope_closed(a, 1, 7, 31, 29, body="gold", flap="gold_flap")
    a.circle(24.5, 7.5, 7, "red", sw=2)  # the badge


def icon_quote(a):
    page(a, 3, 1, 29, 31, lines=False)
    a.path("M7,26 L7,9 L11.5,9 L16,16 L20.5,9 L25,9 L25,26 L21,26 L21,16.5 L16,23 L11,16.5 L11,26 Z", "blue")


def draw(resource, size):
    """The SVG text of one icon at 32 or 48."""
    a = Art(size)
    ICONS[resource][1](a)
    return a.svg()


# Resource id -> (what it shows, drawing, sizes in the .ico file).
ICONS = {
    110: ("message, unread; the program's icon", icon_unread, (16, 32)),
    109: ("message, read", icon_read, (16, 32)),
    119: ("message, answered", icon_answered, (16, 32)),
    112: ("new message", icon_new, (16, 32)),
    120: ("view message", icon_view, (16, 32)),
    113: ("answer message", icon_answer, (16, 32)),
    117: ("delete message", icon_delete, (16, 32)),
    118: ("delete all messages", icon_delete_all, (16, 32)),
    116: ("network; workgroup", icon_network, (16, 32, 48)),
    114: ("computer; send to user or workgroup", icon_computer, (16, 32)),
    124: ("rescan network", icon_rescan, (16, 32)),
    127: ("notification area", icon_tray, (16, 32)),
    126: ("notification area, unread messages", icon_tray_unread, (16, 32)),
    138: ("insert a quoted copy of the message", icon_quote, (16, 32)),
}
