#!/usr/bin/env python3
"""Draws the Corvatel wizard's bitmaps and icons.

Uses only the Python standard library: the pictures are built from simple
geometric shapes (or small pixel maps for the 16 x 16 status images) and the
BMP and ICO files are written byte by byte. Run it to (re)create every image
beside this script:

    python3 draw_images.py
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

MAGENTA = (255, 0, 255)


# ---------------------------------------------------------------------------
# Canvas and compositing
# ---------------------------------------------------------------------------

class Canvas:
    """An RGBA pixel buffer; colours are not premultiplied."""

    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.w = width
        self.h = height
        if len(fill) == 3:
            fill = fill + (255,)
        self.px = [list(fill) for _ in range(width * height)]

    def get(self, x, y):
        return self.px[y * self.w + x]

    def set(self, x, y, colour):
        if 0 <= x < self.w and 0 <= y < self.h:
            if len(colour) == 3:
                colour = tuple(colour) + (255,)
            self.px[y * self.w + x] = list(colour)

    def blend(self, x, y, colour, alpha):
        """Composites colour with the given opacity (0..1) over pixel (x, y)."""
        if alpha <= 0.0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        dst = self.px[y * self.w + x]
        da = dst[3] / 255.0
        oa = alpha + da * (1.0 - alpha)
        if oa <= 0.0:
            return
        out = []
        for i in range(3):
            c = (colour[i] * alpha + dst[i] * da * (1.0 - alpha)) / oa
            out.append(int(round(min(255.0, max(0.0, c)))))
        out.append(int(round(oa * 255.0)))
        self.px[y * self.w + x] = out

    def fill(self, shape, colour, ss=1, opacity=1.0):
        """Fills a shape.

        shape  -- a function (x, y) -> bool in pixel coordinates, where pixel
                  (i, j) covers [i, i+1) x [j, j+1)
        colour -- an (r, g, b) tuple, or a function (x, y) -> (r, g, b)
        ss     -- samples per pixel along each axis; 1 gives hard edges
        """
        for j in range(self.h):
            for i in range(self.w):
                hits = 0
                for sj in range(ss):
                    y = j + (sj + 0.5) / ss
                    for si in range(ss):
                        x = i + (si + 0.5) / ss
                        if shape(x, y):
                            hits += 1
                if hits:
                    c = colour(i + 0.5, j + 0.5) if callable(colour) else colour
                    self.blend(i, j, c, opacity * hits / float(ss * ss))

    def paste(self, other, ox, oy):
        for j in range(other.h):
            for i in range(other.w):
                self.set(ox + i, oy + j, other.get(i, j))

    def rotated90(self):
        """Returns a copy turned 90 degrees clockwise (square canvases only)."""
        out = Canvas(self.w, self.h)
        for j in range(self.h):
            for i in range(self.w):
                out.set(self.w - 1 - j, i, self.get(i, j))
        return out


# ---------------------------------------------------------------------------
# Shapes: functions (x, y) -> bool
# ---------------------------------------------------------------------------

def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_in, r_out, a_from=None, a_to=None):
    """An annulus, optionally limited to angles a_from..a_to (degrees,
    measured clockwise from the +x axis since y points down)."""
    def inside(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if not (r_in * r_in <= d2 <= r_out * r_out):
            return False
        if a_from is None:
            return True
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360.0
        lo, hi = a_from % 360.0, a_to % 360.0
        return lo <= a <= hi if lo <= hi else (a >= lo or a <= hi)
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def polygon(points):
    """Even-odd point-in-polygon test."""
    pts = list(points)

    def inside(x, y):
        result = False
        n = len(pts)
        for k in range(n):
            xa, ya = pts[k]
            xb, yb = pts[(k + 1) % n]
            if (ya > y) != (yb > y):
                xc = xa + (y - ya) * (xb - xa) / (yb - ya)
                if x < xc:
                    result = not result
        return result
    return inside


def _segment_distance2(x, y, xa, ya, xb, yb):
    dx, dy = xb - xa, yb - ya
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / length2))
    px, py = xa + t * dx, ya + t * dy
    return (x - px) ** 2 + (y - py) ** 2


def stroke(points, width):
    """A polyline of the given width with round caps and joins."""
    segs = list(zip(points[:-1], points[1:]))
    r2 = (width / 2.0) ** 2

    def inside(x, y):
        for (xa, ya), (xb, yb) in segs:
            if _segment_distance2(x, y, xa, ya, xb, yb) <= r2:
                return True
        return False
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


# ---------------------------------------------------------------------------
# Colours
# ---------------------------------------------------------------------------

def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def vertical_gradient(top_colour, bottom_colour, y0, y1):
    def colour(x, y):
        t = min(1.0, max(0.0, (y - y0) / float(y1 - y0)))
        return mix(top_colour, bottom_colour, t)
    return colour


DEEP_BLUE = (12, 38, 92)
TEAL = (14, 124, 134)
BOX_BLUE = (31, 95, 168)
BOX_BLUE_DARK = (20, 66, 122)
AMBER = (245, 176, 52)
AMBER_DARK = (204, 128, 20)
WHITE = (255, 255, 255)
OFF_WHITE = (236, 243, 249)
PALE_BLUE = (190, 212, 232)
LIGHT_SHADOW = (206, 222, 238)
BOX_BLUE_SHADOW = (26, 80, 144)

GREEN = (46, 160, 67)
GREEN_DARK = (24, 110, 42)
BLUE = (33, 110, 200)
BLUE_DARK = (18, 72, 150)
RED = (214, 48, 49)
RED_DARK = (150, 24, 28)


# ---------------------------------------------------------------------------
# The install glyph: a package with an arrow dropping into it
# ---------------------------------------------------------------------------

# The glyph is laid out on a grid 22 units wide and 23 units high so that, at
# whole-number scales, its straight edges fall on pixel boundaries.
GLYPH_W, GLYPH_H = 22, 23

GLYPH_ARROW = union(rect(8, 0, 14, 7), polygon([(3, 6), (19, 6), (11, 14)]))
GLYPH_LID = rect(0, 11, 22, 15)
GLYPH_BODY = rect(2, 15, 20, 23)
GLYPH_SHADOW = rect(2, 15, 20, 16)


def scaled(shape, ox, oy, scale):
    """Maps a shape drawn on the glyph grid to pixels: `scale` pixels per unit."""
    return lambda x, y: shape((x - ox) / scale, (y - oy) / scale)


def grown(shape, radius):
    """The shape widened by roughly `radius` (in the shape's own units)."""
    offsets = [(0.0, 0.0)]
    for k in range(16):
        a = 2 * math.pi * k / 16
        offsets.append((radius * math.cos(a), radius * math.sin(a)))
    return lambda x, y: any(shape(x + dx, y + dy) for dx, dy in offsets)


def draw_glyph(canvas, ox, oy, scale, colours, ss=1, halo=0.0):
    """Draws the glyph with its top left corner at (ox, oy).

    colours -- (body, lid, shadow, arrow)
    halo    -- when non-zero, a band this many grid units wide around the
               arrow is painted in whatever lay under the glyph, which
               separates the arrow from the box.
    """
    body, lid, shadow, arrow = colours
    before = [list(p) for p in canvas.px]

    def underneath(x, y):
        return before[int(y) * canvas.w + int(x)][:3]

    canvas.fill(scaled(GLYPH_BODY, ox, oy, scale), body, ss)
    canvas.fill(scaled(GLYPH_SHADOW, ox, oy, scale), shadow, ss)
    canvas.fill(scaled(GLYPH_LID, ox, oy, scale), lid, ss)
    if halo:
        canvas.fill(scaled(grown(GLYPH_ARROW, halo), ox, oy, scale), underneath, ss)
    canvas.fill(scaled(GLYPH_ARROW, ox, oy, scale), arrow, ss)


# ---------------------------------------------------------------------------
# Wizard bitmaps
# ---------------------------------------------------------------------------

def make_watermark():
    w, h = 164, 314
    background = vertical_gradient(DEEP_BLUE, TEAL, 0, h)
    c = Canvas(w, h)
    c.fill(lambda x, y: True, background)

    # A few wide concentric arcs rising from the lower left corner.
    for k, radius in enumerate((70, 104, 138, 172)):
        c.fill(ring(-12, h + 12, radius, radius + 5), WHITE, opacity=0.12 - 0.02 * k)

    # The glyph in the upper part, on two soft discs.
    scale = 4
    gw, gh = GLYPH_W * scale, GLYPH_H * scale
    ox, oy = (w - gw) // 2, 62
    cx, cy = w / 2.0, oy + gh / 2.0
    c.fill(circle(cx, cy, 68), WHITE, opacity=0.06)
    c.fill(circle(cx, cy, 59), WHITE, opacity=0.06)
    draw_glyph(c, ox, oy, scale, (OFF_WHITE, PALE_BLUE, LIGHT_SHADOW, AMBER), halo=0.75)
    return c


def make_header():
    c = Canvas(49, 49, WHITE)
    draw_glyph(c, 2, 1, 2, (BOX_BLUE, BOX_BLUE_DARK, BOX_BLUE_SHADOW, AMBER),
               ss=4, halo=0.75)
    return c


# ---------------------------------------------------------------------------
# 16 x 16 status images on magenta
# ---------------------------------------------------------------------------

def from_art(art, palette):
    """Builds a 16 x 16 magenta canvas from a pixel map ('.' is background)."""
    c = Canvas(16, 16, MAGENTA)
    for j, line in enumerate(art):
        for i, ch in enumerate(line):
            if ch != '.':
                c.set(i, j, palette[ch])
    return c


TICK_ART = [
    "................",
    "................",
    "............gg..",
    "...........gGGg.",
    "..........gGGGg.",
    ".........gGGGg..",
    "..gg....gGGGg...",
    ".gGGg..gGGGg....",
    ".gGGGggGGGg.....",
    "..gGGGGGGg......",
    "...gGGGGg.......",
    "....gGGg........",
    ".....gg.........",
    "................",
    "................",
    "................",
]

CROSS_ART = [
    "................",
    "................",
    "..rr........rr..",
    ".rRRr......rRRr.",
    ".rRRRr....rRRRr.",
    "..rRRRr..rRRRr..",
    "...rRRRrrRRRr...",
    "....rRRRRRRr....",
    "....rRRRRRRr....",
    "...rRRRrrRRRr...",
    "..rRRRr..rRRRr..",
    ".rRRRr....rRRRr.",
    ".rRRr......rRRr.",
    "..rr........rr..",
    "................",
    "................",
]

BADGE_ART = [
    "................",
    ".....oooooo.....",
    "...ooFFFFFFoo...",
    "..oFFFFFFFFFFo..",
    "..oFFFFFFFFFFo..",
    ".oFFFFFFFFFFFFo.",
    ".oFFFFFFFFFFFFo.",
    ".oFFFFFFFFFFFFo.",
    ".oFFFFFFFFFFFFo.",
    ".oFFFFFFFFFFFFo.",
    ".oFFFFFFFFFFFFo.",
    "..oFFFFFFFFFFo..",
    "..oFFFFFFFFFFo..",
    "...ooFFFFFFoo...",
    ".....oooooo.....",
    "................",
]

INFO_SYMBOL = [
    "................",
    "................",
    "................",
    ".......WW.......",
    ".......WW.......",
    "................",
    "......WWW.......",
    ".......WW.......",
    ".......WW.......",
    ".......WW.......",
    ".......WW.......",
    "......WWWW......",
    "................",
    "................",
    "................",
    "................",
]

EXCLAIM_SYMBOL = [
    "................",
    "................",
    "................",
    ".......WW.......",
    ".......WW.......",
    ".......WW.......",
    ".......WW.......",
    ".......WW.......",
    ".......WW.......",
    "................",
    ".......WW.......",
    ".......WW.......",
    "................",
    "................",
    "................",
    "................",
]

BAR_SYMBOL = [
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "...WWWWWWWWWW...",
    "...WWWWWWWWWW...",
    "...WWWWWWWWWW...",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
]


def badge(fill, outline, symbol):
    """A round 16 x 16 badge with a white symbol."""
    c = from_art(BADGE_ART, {'o': outline, 'F': fill})
    # Lighter towards the top, for a little depth.
    for j in range(16):
        for i in range(16):
            if tuple(c.get(i, j)[:3]) == fill:
                c.set(i, j, mix(fill, WHITE, 0.2 * (1.0 - (j - 1) / 13.0)))
    for j, line in enumerate(symbol):
        for i, ch in enumerate(line):
            if ch == 'W':
                c.set(i, j, WHITE)
    return c


def tick16():
    return from_art(TICK_ART, {'g': GREEN_DARK, 'G': (70, 190, 80)})


def cross16():
    return from_art(CROSS_ART, {'r': RED_DARK, 'R': (226, 64, 60)})


def info16():
    return badge(BLUE, BLUE_DARK, INFO_SYMBOL)


def exclaim16():
    return badge(RED, RED_DARK, EXCLAIM_SYMBOL)


def abort16():
    return badge((240, 132, 24), (180, 86, 10), BAR_SYMBOL)


def dot16():
    return from_art([
        "................",
        "................",
        "................",
        "................",
        "......oooo......",
        ".....oLLLLo.....",
        "....oLLGGGGo....",
        "....oLGGGGGo....",
        "....oGGGGGGo....",
        "....oGGGGGGo....",
        ".....oGGGGo.....",
        "......oooo......",
        "................",
        "................",
        "................",
        "................",
    ], {'o': (104, 108, 114), 'G': (156, 160, 166), 'L': (196, 200, 206)})


def spinner_frames():
    """Four frames of a ring whose dark quarter, trailed by a lighter one,
    turns 90 degrees clockwise from frame to frame."""
    head = (20, 80, 166)
    trail = (96, 140, 200)
    rest = (184, 200, 222)
    first = Canvas(16, 16, MAGENTA)
    for j in range(16):
        for i in range(16):
            dx, dy = i + 0.5 - 8, j + 0.5 - 8
            if not 3.6 <= math.hypot(dx, dy) <= 7.2:
                continue
            if dx > 0 and dy < 0:
                colour = head        # upper right quarter
            elif dx < 0 and dy < 0:
                colour = trail       # upper left quarter, just behind it
            else:
                colour = rest
            first.set(i, j, colour)
    frames = [first]
    for _ in range(3):
        frames.append(frames[-1].rotated90())
    return frames


def hourglass16():
    return from_art([
        "................",
        "...wwwwwwwwww...",
        "...wWWWWWWWWw...",
        "....g......g....",
        "....gSSSSSSg....",
        ".....gSSSSg.....",
        "......gSSg......",
        ".......gg.......",
        ".......gg.......",
        "......g.Sg......",
        ".....g..S.g.....",
        "....g..SSS.g....",
        "....gSSSSSSg....",
        "...wwwwwwwwww...",
        "...wWWWWWWWWw...",
        "................",
    ], {'w': (110, 70, 30), 'W': (168, 112, 52), 'g': (96, 110, 130),
        'S': (236, 184, 60)})


ARROW_ART = [
    ".....oooooo.....",
    ".....oAAAAo.....",
    ".....oAAAAo.....",
    ".....oAAAAo.....",
    "..ooooAAAAoooo..",
    "...oAAAAAAAAo...",
    "....oAAAAAAo....",
    ".....oAAAAo.....",
    "......oAAo......",
    ".......oo.......",
]

TRAY_ART = [
    "..o..........o..",
    "..oTTTTTTTTTTo..",
    "..oooooooooooo..",
]


def download_frame(offset, arrow_fill, arrow_edge, tray_fill, tray_edge):
    c = Canvas(16, 16, MAGENTA)
    for j, line in enumerate(TRAY_ART):
        for i, ch in enumerate(line):
            if ch != '.':
                c.set(i, 12 + j, tray_edge if ch == 'o' else tray_fill)
    for j, line in enumerate(ARROW_ART):
        y = j + offset
        if not 0 <= y < 16:
            continue
        for i, ch in enumerate(line):
            if ch != '.':
                c.set(i, y, arrow_edge if ch == 'o' else arrow_fill)
    return c


def download_frames():
    fill, edge = (40, 150, 110), (18, 96, 68)
    tray, tray_edge = (150, 160, 172), (90, 98, 110)
    return [download_frame(off, fill, edge, tray, tray_edge) for off in (0, 2, 4)]


def preparing_download16():
    return download_frame(2, (196, 214, 206), (150, 170, 162),
                          (204, 208, 214), (160, 166, 174))


def response_file16():
    return from_art([
        "................",
        "..kkkkkkkk......",
        "..kPPPPPPkk.....",
        "..kPPPPPPkPk....",
        "..kPllllPkkkk...",
        "..kPPPPPPPPPk...",
        "..kPllllllPPk...",
        "..kPPPPPPPPPk.gg",
        "..kPllllllPPkgGg",
        "..kPPPPPPPPPgGGg",
        "..kPllllPgggGGg.",
        "..kPPPPPPgGgGg..",
        "..kPPPPPPgGGGg..",
        "..kkkkkkkkgGg...",
        "...........g....",
        "................",
    ], {'k': (100, 112, 128), 'P': (250, 250, 252), 'l': (170, 180, 196),
        'g': GREEN_DARK, 'G': (70, 190, 80)})


def strip(images):
    c = Canvas(16 * len(images), 16, MAGENTA)
    for k, img in enumerate(images):
        c.paste(img, 16 * k, 0)
    return c


def make_row_images():
    return strip([Canvas(16, 16, MAGENTA), tick16(), info16(), exclaim16()])


def make_install_images():
    return strip([dot16(), tick16(), cross16()] + spinner_frames() +
                 [hourglass16()] + download_frames() +
                 [abort16(), response_file16(), preparing_download16()])


# ---------------------------------------------------------------------------
# Icons (RGBA with alpha). Outlines are sampled 4 x 4 per pixel for smooth
# edges; the 16 x 16 symbols are pixel maps so that they stay crisp.
# ---------------------------------------------------------------------------

TICK_SYMBOL_16 = [
    "................",
    "................",
    "................",
    "................",
    "...........WW...",
    "..........WWW...",
    ".........WWW....",
    "...WW...WWW.....",
    "...WWW.WWW......",
    "....WWWWW.......",
    ".....WWW........",
    "......W.........",
    "................",
    "................",
    "................",
    "................",
]

GLYPH_16 = [
    "................",
    ".......AA.......",
    ".......AA.......",
    ".......AA.......",
    "....AAAAAAAA....",
    ".....AAAAAA.....",
    "......AAAA......",
    "..LLLLLAALLLLL..",
    "..LLLLLLLLLLLL..",
    "...SSSSSSSSSS...",
    "...BBBBBBBBBB...",
    "...BBBBBBBBBB...",
    "...BBBBBBBBBB...",
    "...BBBBBBBBBB...",
    "................",
    "................",
]


def overlay(canvas, art, palette):
    for j, line in enumerate(art):
        for i, ch in enumerate(line):
            if ch != '.':
                canvas.set(i, j, palette[ch])


def round_badge(size, fill, outline):
    c = Canvas(size, size)
    r = size / 2.0
    shade = vertical_gradient(mix(fill, WHITE, 0.2), fill, 0, size)
    c.fill(circle(r, r, r - 0.25), outline, ss=4)
    c.fill(circle(r, r, r - 0.25 - max(1.0, size / 24.0)), shade, ss=4)
    return c


def tick_icon(size):
    c = round_badge(size, GREEN, GREEN_DARK)
    if size == 16:
        overlay(c, TICK_SYMBOL_16, {'W': WHITE})
        return c
    u = size / 32.0
    pts = [(9.0 * u, 16.5 * u), (14.0 * u, 21.5 * u), (23.0 * u, 11.0 * u)]
    c.fill(stroke(pts, 4.2 * u), WHITE, ss=4)
    return c


def info_icon(size):
    c = round_badge(size, BLUE, BLUE_DARK)
    if size == 16:
        overlay(c, INFO_SYMBOL, {'W': WHITE})
        return c
    u = size / 32.0
    c.fill(circle(16 * u, 9.5 * u, 2.4 * u), WHITE, ss=4)
    c.fill(union(rounded_rect(14.0 * u, 13.5 * u, 18.0 * u, 24.0 * u, 0.8 * u),
                 rect(12.5 * u, 13.5 * u, 15.0 * u, 16.0 * u),
                 rect(12.5 * u, 21.5 * u, 19.5 * u, 24.0 * u)), WHITE, ss=4)
    return c


def exclaim_icon(size):
    c = round_badge(size, RED, RED_DARK)
    if size == 16:
        overlay(c, EXCLAIM_SYMBOL, {'W': WHITE})
        return c
    u = size / 32.0
    c.fill(polygon([(13.6 * u, 6.5 * u), (18.4 * u, 6.5 * u),
                    (17.2 * u, 19.5 * u), (14.8 * u, 19.5 * u)]), WHITE, ss=4)
    c.fill(circle(16 * u, 24.0 * u, 2.4 * u), WHITE, ss=4)
    return c


def program_icon(size):
    c = Canvas(size, size)
    back = vertical_gradient(mix(BOX_BLUE, WHITE, 0.1), TEAL, 0, size)
    radius = size * 6 / 32.0
    edge = max(1.0, size / 32.0)
    c.fill(rounded_rect(0, 0, size, size, radius), BOX_BLUE_DARK, ss=4)
    c.fill(rounded_rect(edge, edge, size - edge, size - edge, radius - edge), back, ss=4)
    if size == 16:
        overlay(c, GLYPH_16, {'A': AMBER, 'L': PALE_BLUE, 'S': LIGHT_SHADOW,
                              'B': WHITE})
        return c
    draw_glyph(c, 5, 4, size / 32.0, (WHITE, PALE_BLUE, LIGHT_SHADOW, AMBER), ss=4)
    return c


# ---------------------------------------------------------------------------
# The install page's "Abort" button: up, down, focused and disabled faces
# ---------------------------------------------------------------------------

FACE = (240, 240, 240)
FACE_LIGHT = (255, 255, 255)
FACE_SHADOW = (160, 160, 160)
FACE_DARK = (105, 105, 105)
TEXT_BLACK = (0, 0, 0)
TEXT_GREY = (160, 160, 160)

# 5 x 7 letters, one string per row.
LETTERS = {
    'A': [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'b': ["#....", "#....", "####.", "#...#", "#...#", "#...#", "####."],
    'o': [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    'r': [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    't': [".#...", ".#...", "####.", ".#...", ".#...", ".#..#", "..##."],
}

BUTTON_W = 64
BUTTON_H = 22


def abort_face(pressed=False, focused=False, disabled=False):
    c = Canvas(BUTTON_W, BUTTON_H, FACE)
    w, h = BUTTON_W, BUTTON_H
    top_left, bottom_right = (FACE_DARK, FACE_LIGHT) if pressed else (FACE_LIGHT, FACE_DARK)
    for i in range(w):
        c.set(i, 0, top_left)
        c.set(i, h - 1, bottom_right)
    for j in range(h):
        c.set(0, j, top_left)
        c.set(w - 1, j, bottom_right)
    if not pressed:
        for i in range(1, w - 1):
            c.set(i, h - 2, FACE_SHADOW)
        for j in range(1, h - 1):
            c.set(w - 2, j, FACE_SHADOW)
    shift = 1 if pressed else 0
    icon = abort16()
    for j in range(16):
        for i in range(16):
            px = icon.get(i, j)
            if tuple(px[:3]) != MAGENTA:
                colour = px[:3]
                if disabled:
                    grey = sum(colour) // 3
                    colour = mix((grey, grey, grey), FACE, 0.5)
                c.set(5 + i + shift, 3 + j + shift, colour)
    x = 25 + shift
    for letter in "Abort":
        art = LETTERS[letter]
        for j, line in enumerate(art):
            for i, ch in enumerate(line):
                if ch == '#':
                    c.set(x + i, 7 + j + shift, TEXT_GREY if disabled else TEXT_BLACK)
        x += len(art[0]) + 1
    if focused:
        for i in range(3, w - 3, 2):
            c.set(i, 2, TEXT_BLACK)
            c.set(i, h - 4, TEXT_BLACK)
        for j in range(2, h - 3, 2):
            c.set(3, j, TEXT_BLACK)
            c.set(w - 4, j, TEXT_BLACK)
    return c


# ---------------------------------------------------------------------------
# File writers
# ---------------------------------------------------------------------------

def bmp_bytes(canvas):
    """A 24-bit bottom-up Windows bitmap file."""
    row_size = (canvas.w * 3 + 3) & ~3
    pixels = bytearray()
    for j in range(canvas.h - 1, -1, -1):
        row = bytearray()
        for i in range(canvas.w):
            r, g, b, _ = canvas.get(i, j)
            row += bytes((b, g, r))
        row += b'\0' * (row_size - len(row))
        pixels += row
    info = struct.pack('<IiiHHIIiiII', 40, canvas.w, canvas.h, 1, 24, 0,
                       len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return header + info + bytes(pixels)


def icon_image_bytes(canvas):
    """One icon image: header (double height), BGRA pixels, then AND mask."""
    w, h = canvas.w, canvas.h
    xor = bytearray()
    for j in range(h - 1, -1, -1):
        for i in range(w):
            r, g, b, a = canvas.get(i, j)
            xor += bytes((b, g, r, a))
    mask_row = ((w + 31) // 32) * 4
    and_mask = bytearray()
    for j in range(h - 1, -1, -1):
        row = bytearray(mask_row)
        for i in range(w):
            if canvas.get(i, j)[3] < 128:
                row[i // 8] |= 0x80 >> (i % 8)
        and_mask += row
    info = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0,
                       len(xor) + len(and_mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(and_mask)


def ico_bytes(canvases):
    images = [icon_image_bytes(c) for c in canvases]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        out += struct.pack('<BBBBHHII', c.w % 256, c.h % 256, 0, 0, 1, 32,
                           len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    return out


def write(name, data):
    path = os.path.join(HERE, name)
    with open(path, 'wb') as f:
        f.write(data)
    print('wrote', path)


def main():
    write('watermark.bmp', bmp_bytes(make_watermark()))
    write('header.bmp', bmp_bytes(make_header()))
    write('rowimages.bmp', bmp_bytes(make_row_images()))
    write('installimages.bmp', bmp_bytes(make_install_images()))
    for name, face in (('abortu.bmp', abort_face()), ('abortd.bmp', abort_face(pressed=True)),
                       ('abortf.bmp', abort_face(focused=True)), ('abortx.bmp', abort_face(disabled=True))):
        write(name, bmp_bytes(face))
    for name, draw in (('corvatel.ico', program_icon), ('tick.ico', tick_icon),
                       ('info.ico', info_icon), ('exclaim.ico', exclaim_icon)):
        write(name, ico_bytes([draw(16), draw(32)]))


if __name__ == '__main__':
    main()
