#!/usr/bin/env python3
"""Renders Velmira's bitmaps and icon.

    python3 resources/art/make_bitmaps.py [--out DIR]

Writes, into resources/ (or DIR):

    splash.bmp       400 x 400, 24 bpp   start-up picture with the version of
                                         project() in CMakeLists.txt
    toolbar.bmp      480 x 32,  8 bpp    15 toolbar buttons of 32 x 32 on grey 192
    instruments.bmp  2565 x 141, 24 bpp  15 instrument pictures of 171 x 141
    keycaps.bmp      190 x 39,  24 bpp   grey, blue, red, green and orange key caps
    velmira.ico      16, 32 and 48 pixel program icon, 32 bpp

Only the Python standard library is used and the output is the same, byte for
byte, on every run. Everything is drawn from polygons on a supersampled canvas
(each pixel is the average of ss x ss samples), so the pictures are smooth
while flat areas keep their exact colour.
"""

import argparse
import math
import os
import re
import struct
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')

# ---------------------------------------------------------------------------
# Colours


def mix(a, b, t):
    """Colour between a (t = 0) and b (t = 1)."""
    t = 0.0 if t < 0 else 1.0 if t > 1 else t
    return (round(a[0] + (b[0] - a[0]) * t),
            round(a[1] + (b[1] - a[1]) * t),
            round(a[2] + (b[2] - a[2]) * t))


def shade(c, f):
    """Colour c darkened (f < 1) or lightened toward white (f > 1)."""
    if f <= 1:
        return (round(c[0] * f), round(c[1] * f), round(c[2] * f))
    return mix(c, (255, 255, 255), f - 1)


BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
INK = (28, 22, 18)
GROUND = (20, 100, 20)       # instrument pictures
BUTTON = (192, 192, 192)     # toolbar
BRASS = (222, 172, 52)
BRASS_D = (140, 92, 18)
BRASS_L = (255, 236, 150)
SILVER = (200, 204, 212)
SILVER_D = (112, 116, 128)
SILVER_L = (248, 250, 255)
WOOD_D = (92, 50, 22)
WOOD = (150, 88, 38)
WOOD_L = (214, 160, 92)
NOTE_RED = (214, 28, 28)

# ---------------------------------------------------------------------------
# Canvas


class Canvas:
    """RGB picture of w x h pixels drawn with ss x ss samples per pixel."""

    def __init__(self, w, h, bg, ss=3):
        self.w, self.h, self.ss = w, h, ss
        self.sw, self.sh = w * ss, h * ss
        self.buf = bytearray(bytes(bg) * (self.sw * self.sh))
        self.clip = None

    def set_clip(self, box):
        """Limits drawing to box = (x0, y0, x1, y1) in pixels, or None."""
        self.clip = box

    def _clip_samples(self):
        if self.clip is None:
            return 0, 0, self.sw, self.sh
        ss = self.ss
        x0, y0, x1, y1 = self.clip
        return (max(0, math.ceil(x0 * ss)), max(0, math.ceil(y0 * ss)),
                min(self.sw, int(x1 * ss)), min(self.sh, int(y1 * ss)))

    def fill_func(self, f):
        """Sets every pixel inside the clip to f(x, y), x and y in pixels."""
        ss = self.ss
        cx0, cy0, cx1, cy1 = self._clip_samples()
        for y in range(cy0 // ss, (cy1 + ss - 1) // ss):
            for x in range(cx0 // ss, (cx1 + ss - 1) // ss):
                col = bytes(f(x + 0.5, y + 0.5))
                for sy in range(max(y * ss, cy0), min(y * ss + ss, cy1)):
                    a = max(x * ss, cx0)
                    b = min(x * ss + ss, cx1)
                    o = (sy * self.sw + a) * 3
                    self.buf[o:o + 3 * (b - a)] = col * (b - a)

    def poly(self, pts, color, alpha=1.0):
        """Fills a polygon (even-odd rule). color is an RGB tuple or a
        function f(x, y) -> RGB of the position in pixels."""
        if len(pts) < 3 or alpha <= 0:
            return
        ss = self.ss
        cx0, cy0, cx1, cy1 = self._clip_samples()
        edges = []
        n = len(pts)
        ymin = ymax = pts[0][1]
        for k in range(n):
            x0, y0 = pts[k]
            x1, y1 = pts[(k + 1) % n]
            ymin = min(ymin, y0)
            ymax = max(ymax, y0)
            if y0 == y1:
                continue
            x0 *= ss
            y0 *= ss
            x1 *= ss
            y1 *= ss
            if y0 > y1:
                x0, y0, x1, y1 = x1, y1, x0, y0
            edges.append((y0, y1, x0, (x1 - x0) / (y1 - y0)))
        j0 = max(cy0, int(math.floor(ymin * ss)))
        j1 = min(cy1, int(math.ceil(ymax * ss)) + 1)
        func = callable(color)
        col = None if func else bytes(color)
        buf = self.buf
        sw = self.sw
        for j in range(j0, j1):
            yc = j + 0.5
            xs = [x0 + (yc - y0) * k for (y0, y1, x0, k) in edges if y0 <= yc < y1]
            if len(xs) < 2:
                continue
            xs.sort()
            for m in range(0, len(xs) - 1, 2):
                i0 = max(cx0, math.ceil(xs[m] - 0.5))
                i1 = min(cx1, math.ceil(xs[m + 1] - 0.5))
                if i1 <= i0:
                    continue
                o = (j * sw + i0) * 3
                if not func and alpha >= 1:
                    buf[o:o + 3 * (i1 - i0)] = col * (i1 - i0)
                    continue
                for i in range(i0, i1):
                    c = color((i + 0.5) / ss, yc / ss) if func else col
                    if alpha >= 1:
                        buf[o:o + 3] = bytes(c)
                    else:
                        buf[o] = round(buf[o] + (c[0] - buf[o]) * alpha)
                        buf[o + 1] = round(buf[o + 1] + (c[1] - buf[o + 1]) * alpha)
                        buf[o + 2] = round(buf[o + 2] + (c[2] - buf[o + 2]) * alpha)
                    o += 3

    def pixels(self):
        """The picture as rows (top first) of bytes, 3 per pixel (R, G, B)."""
        ss = self.ss
        n = ss * ss
        half = n // 2
        sw3 = self.sw * 3
        rows = []
        for y in range(self.h):
            base = y * ss * sw3
            acc = list(self.buf[base:base + sw3])
            for sy in range(1, ss):
                o = base + sy * sw3
                acc = [a + b for a, b in zip(acc, self.buf[o:o + sw3])]
            chans = []
            for ch in range(3):
                parts = [acc[sx * 3 + ch::ss * 3] for sx in range(ss)]
                chans.append([(sum(v) + half) // n for v in zip(*parts)])
            row = bytearray(self.w * 3)
            row[0::3] = bytes(chans[0])
            row[1::3] = bytes(chans[1])
            row[2::3] = bytes(chans[2])
            rows.append(bytes(row))
        return rows


# ---------------------------------------------------------------------------
# Placement: every instrument is drawn in its own coordinates, roughly within
# -50..50 on both axes, and placed on the canvas by a Frame.


class Frame:
    def __init__(self, cx, cy, s, ang=0.0, ys=1.0):
        self.cx, self.cy, self.s = cx, cy, s
        self.ang, self.ys = ang, ys
        r = math.radians(ang)
        self.c, self.sn = math.cos(r), math.sin(r)

    def pt(self, x, y):
        y *= self.ys
        return (self.cx + self.s * (x * self.c - y * self.sn),
                self.cy + self.s * (x * self.sn + y * self.c))

    def __call__(self, pts):
        return [self.pt(x, y) for x, y in pts]

    def inv(self, X, Y):
        dx = (X - self.cx) / self.s
        dy = (Y - self.cy) / self.s
        return (dx * self.c + dy * self.sn, (-dx * self.sn + dy * self.c) / self.ys)

    def sub(self, x, y, s=1.0, ang=0.0, ys=1.0):
        assert self.ys == 1.0, 'a stretched frame has no sub-frames'
        cx, cy = self.pt(x, y)
        return Frame(cx, cy, self.s * s, self.ang + ang, ys)


def ellipse_pts(cx, cy, rx, ry, rot=0.0, n=96, a0=0.0, a1=360.0):
    r = math.radians(rot)
    c, s = math.cos(r), math.sin(r)
    pts = []
    full = abs(a1 - a0) >= 360
    count = n if full else max(2, int(n * abs(a1 - a0) / 360) + 1)
    for k in range(count):
        t = math.radians(a0 + (a1 - a0) * k / (count if full else count - 1))
        x, y = rx * math.cos(t), ry * math.sin(t)
        pts.append((cx + x * c - y * s, cy + x * s + y * c))
    return pts


def rrect_pts(x0, y0, x1, y1, r):
    r = min(r, (x1 - x0) / 2, (y1 - y0) / 2)
    pts = []
    for (cx, cy, a) in ((x1 - r, y0 + r, -90), (x1 - r, y1 - r, 0),
                        (x0 + r, y1 - r, 90), (x0 + r, y0 + r, 180)):
        for k in range(13):
            t = math.radians(a + 90 * k / 12)
            pts.append((cx + r * math.cos(t), cy + r * math.sin(t)))
    return pts


def bezier(p0, p1, p2, p3, n=24):
    pts = []
    for k in range(n + 1):
        t = k / n
        u = 1 - t
        pts.append((u * u * u * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t * t * t * p3[0],
                    u * u * u * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t * t * t * p3[1]))
    return pts


def stroke_pts(path, widths):
    """Outline of a stroke along path whose width at each point is given."""
    if not isinstance(widths, (list, tuple)):
        widths = [widths] * len(path)
    left, right = [], []
    n = len(path)
    for k in range(n):
        x, y = path[k]
        ax, ay = path[max(k - 1, 0)]
        bx, by = path[min(k + 1, n - 1)]
        dx, dy = bx - ax, by - ay
        d = math.hypot(dx, dy) or 1.0
        nx, ny = -dy / d, dx / d
        h = widths[k] / 2
        left.append((x + nx * h, y + ny * h))
        right.append((x - nx * h, y - ny * h))
    return left + right[::-1]


# Drawing in a frame's coordinates.

def fill(c, F, pts, col, alpha=1.0):
    c.poly(F(pts), col, alpha)


def ell(c, F, cx, cy, rx, ry, col, rot=0.0, alpha=1.0):
    c.poly(F(ellipse_pts(cx, cy, rx, ry, rot)), col, alpha)


def circle(c, F, cx, cy, r, col, alpha=1.0):
    ell(c, F, cx, cy, r, r, col, 0.0, alpha)


def rect(c, F, x0, y0, x1, y1, col, alpha=1.0):
    c.poly(F([(x0, y0), (x1, y0), (x1, y1), (x0, y1)]), col, alpha)


def rrect(c, F, x0, y0, x1, y1, r, col, alpha=1.0):
    c.poly(F(rrect_pts(x0, y0, x1, y1, r)), col, alpha)


def line(c, F, x0, y0, x1, y1, w, col, caps=True, alpha=1.0):
    dx, dy = x1 - x0, y1 - y0
    d = math.hypot(dx, dy) or 1.0
    nx, ny = -dy / d * w / 2, dx / d * w / 2
    c.poly(F([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]), col, alpha)
    if caps:
        circle(c, F, x0, y0, w / 2, col, alpha)
        circle(c, F, x1, y1, w / 2, col, alpha)


def polyline(c, F, pts, w, col, alpha=1.0):
    for k in range(len(pts) - 1):
        line(c, F, pts[k][0], pts[k][1], pts[k + 1][0], pts[k + 1][1], w, col, caps=False, alpha=alpha)
    for k, (x, y) in enumerate(pts):
        if alpha >= 1 or k in (0, len(pts) - 1):
            circle(c, F, x, y, w / 2, col, alpha)


def tube(c, F, path, widths, col):
    c.poly(F(stroke_pts(path, widths)), col)


def radial(F, cx, cy, r, inner, outer):
    """Colour function: inner at (cx, cy) fading to outer at distance r."""
    def f(X, Y):
        x, y = F.inv(X, Y)
        return mix(inner, outer, math.hypot(x - cx, y - cy) / r)
    return f


def linear(F, x0, y0, x1, y1, a, b):
    """Colour function: a at (x0, y0) fading to b at (x1, y1)."""
    dx, dy = x1 - x0, y1 - y0
    dd = dx * dx + dy * dy
    def f(X, Y):
        x, y = F.inv(X, Y)
        return mix(a, b, ((x - x0) * dx + (y - y0) * dy) / dd)
    return f


def profile_pts(halfwidth, y0, y1, n=120):
    """Symmetric outline whose half width at height y is halfwidth(y)."""
    right, left = [], []
    for k in range(n + 1):
        y = y0 + (y1 - y0) * k / n
        w = halfwidth(y)
        right.append((w, y))
        left.append((-w, y))
    return right + left[::-1]


def ellipse_half(cx, cy, rx, ry):
    def f(y):
        t = (y - cy) / ry
        return rx * math.sqrt(1 - t * t) if abs(t) < 1 else 0.0
    return f


# ---------------------------------------------------------------------------
# Pixel font: 5 columns, 7 rows above the base line and 2 below.

FONT = {
    'A': [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'B': ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    'C': [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    'D': ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    'E': ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    'F': ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    'G': [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"],
    'H': ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'I': [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    'J': ["..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."],
    'K': ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    'L': ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    'M': ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    'N': ["#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"],
    'O': [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'P': ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    'Q': [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    'R': ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    'S': [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    'T': ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    'U': ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'V': ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    'W': ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."],
    'X': ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    'Y': ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    'Z': ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    'a': [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    'b': ["#....", "#....", "#.##.", "##..#", "#...#", "#...#", "####."],
    'c': [".....", ".....", ".###.", "#....", "#....", "#...#", ".###."],
    'd': ["....#", "....#", ".##.#", "#..##", "#...#", "#...#", ".####"],
    'e': [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    'f': ["..##.", ".#..#", ".#...", "###..", ".#...", ".#...", ".#..."],
    'g': [".....", ".....", ".####", "#...#", "#...#", "#...#", ".####", "....#", ".###."],
    'h': ["#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    'i': ["..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."],
    'j': ["...#.", ".....", "..##.", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."],
    'k': ["#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#."],
    'l': [".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    'm': [".....", ".....", "##.#.", "#.#.#", "#.#.#", "#...#", "#...#"],
    'n': [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    'o': [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    'p': [".....", ".....", "####.", "#...#", "#...#", "#...#", "####.", "#....", "#...."],
    'q': [".....", ".....", ".####", "#...#", "#...#", "#...#", ".####", "....#", "....#"],
    'r': [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    's': [".....", ".....", ".####", "#....", ".###.", "....#", "####."],
    't': [".#...", ".#...", "###..", ".#...", ".#...", ".#..#", "..##."],
    'u': [".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"],
    'v': [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    'w': [".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."],
    'x': [".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"],
    'y': [".....", ".....", "#...#", "#...#", "#...#", "#...#", ".####", "....#", ".###."],
    'z': [".....", ".....", "#####", "...#.", "..#..", ".#...", "#####"],
    '0': [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    '1': ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    '2': [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    '3': ["#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."],
    '4': ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    '5': ["#####", "#....", "####.", "....#", "....#", "#...#", ".###."],
    '6': ["..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."],
    '7': ["#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."],
    '8': [".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."],
    '9': [".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."],
    '.': [".....", ".....", ".....", ".....", ".....", ".##..", ".##.."],
    ',': [".....", ".....", ".....", ".....", ".....", "..##.", "..##.", "...#.", "..#.."],
    '!': ["..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."],
    '-': [".....", ".....", ".....", ".###.", ".....", ".....", "....."],
    "'": ["..#..", "..#..", ".#...", ".....", ".....", ".....", "....."],
}


def glyph_columns(ch):
    """(rows, first used column, width) of a character; space is 3 wide."""
    rows = FONT[ch]
    used = [x for x in range(5) if any(r[x] == '#' for r in rows)]
    return rows, used[0], used[-1] - used[0] + 1


def text_width(s, px):
    w = 0
    for ch in s:
        w += (3 if ch == ' ' else glyph_columns(ch)[2]) + 1
    return (w - 1) * px


def draw_text(c, x, y, s, px, col, shadow=None, dot=1.0):
    """Draws s with its top-left corner at (x, y); px is the size of a font
    pixel. dot < 1 leaves a hairline between the font pixels."""
    F = Frame(0, 0, 1)
    for pass_col, off in ((shadow, max(1.0, px / 3)), (col, 0.0)):
        if pass_col is None:
            continue
        cx = x
        for ch in s:
            if ch == ' ':
                cx += 4 * px
                continue
            rows, first, width = glyph_columns(ch)
            for ry, row in enumerate(rows):
                for rx in range(first, first + width):
                    if row[rx] == '#':
                        X = cx + (rx - first) * px + off
                        Y = y + ry * px + off
                        rect(c, F, X, Y, X + px * dot, Y + px * dot, pass_col)
            cx += (width + 1) * px


# ---------------------------------------------------------------------------
# Instruments. Each function draws into frame F, roughly within -50..50.


def eighth_note(c, F, col, outline=None, flag=True, stem=1.5):
    """An eighth note whose head is centred at (0, 0); about 28 tall."""
    layers = [(outline, 1.4), (col, 0.0)] if outline else [(col, 0.0)]
    sx = 4.4 + (stem - 1.5) / 2
    for lc, grow in layers:
        ell(c, F, 0, 0, 5.2 + grow, 3.8 + grow, lc, rot=-22)
        line(c, F, 5.2 - stem / 2 + 0.1, -1.2, 5.2 - stem / 2 + 0.1, -24, stem + 2 * grow, lc)
        if flag:
            pts = bezier((sx, -24), (sx + 1.6, -17), (sx + 8.6, -15), (sx + 6.6, -6), 14)
            polyline(c, F, pts, stem * 1.2 + 2 * grow, lc)


def beamed_notes(c, F, col, outline=None):
    """Two eighth notes joined by a beam; heads at (0, 0) and (14, -3)."""
    layers = [(outline, 1.4), (col, 0.0)] if outline else [(col, 0.0)]
    for lc, grow in layers:
        for hx, hy in ((0, 0), (14, -3)):
            ell(c, F, hx, hy, 5.2 + grow, 3.8 + grow, lc, rot=-22)
            line(c, F, hx + 4.4, hy - 1.2, hx + 4.4, hy - 24, 1.5 + 2 * grow, lc)
        fill(c, F, [(4.4 - 0.8 - grow, -24 - grow), (18.4 + 0.8 + grow, -27 - grow),
                    (18.4 + 0.8 + grow, -22 + grow), (4.4 - 0.8 - grow, -19 + grow)], lc)


def keyboard(c, F, x0, y0, x1, y1, n, start=0, outline=INK, white=(250, 250, 244), black=(24, 24, 28)):
    """Piano keys seen from above: n white keys from x0 to x1. start is the
    index (0 = C) of the first white key."""
    rect(c, F, x0, y0, x1, y1, outline)
    kw = (x1 - x0) / n
    gap = max(kw * 0.08, 0.35)
    for k in range(n):
        rect(c, F, x0 + k * kw + gap / 2, y0 + gap / 2, x0 + (k + 1) * kw - gap / 2, y1 - gap / 2,
             linear(F, 0, y0, 0, y1, white, shade(white, 0.86)))
    for k in range(n - 1):
        if (start + k) % 7 in (0, 1, 3, 4, 5):
            bx = x0 + (k + 1) * kw
            rect(c, F, bx - kw * 0.32, y0 + gap / 2, bx + kw * 0.32, y0 + (y1 - y0) * 0.6, black)
            rect(c, F, bx - kw * 0.18, y0 + (y1 - y0) * 0.46, bx + kw * 0.2, y0 + (y1 - y0) * 0.56,
                 shade(black, 2.0 if black[0] < 60 else 0.8))


def guitar(c, F, body=(226, 150, 60), edge=(70, 30, 12), strings=True):
    """Acoustic guitar standing up: head at y = -50, bottom at y = 45."""
    lower = ellipse_half(0, 26, 19, 17.5)
    upper = ellipse_half(0, 3, 14.5, 12.5)
    half = lambda y: max(lower(y), upper(y))
    outline = profile_pts(lambda y: half(y) + 1.3 if half(y) > 0 else 0, -9.6, 44.6)
    fill(c, F, outline, edge)
    fill(c, F, profile_pts(half, -9.4, 43.4),
         radial(F, 0, 20, 26, shade(body, 1.28), shade(body, 0.8)))
    # pick guard, rosette and sound hole
    ell(c, F, 7.5, 15, 5.5, 7, shade(body, 0.55), rot=-20)
    circle(c, F, 0, 7, 7.2, (246, 232, 196))
    circle(c, F, 0, 7, 6.3, shade(body, 0.72))
    circle(c, F, 0, 7, 5.4, (34, 18, 10))
    # bridge
    rrect(c, F, -7.5, 28.5, 7.5, 32, 1.2, (60, 26, 12))
    rect(c, F, -5.2, 29.3, 5.2, 29.9, (240, 232, 210))
    # neck, frets, head
    fill(c, F, [(-2.8, -38), (2.8, -38), (3.2, 1.5), (-3.2, 1.5)], (58, 32, 18))
    scale = 30 - (-38)
    for k in range(1, 15):
        y = -38 + scale * (1 - 2 ** (-k / 12))
        if y > 0.5:
            break
        line(c, F, -3, y, 3, y, 0.45, (196, 196, 190), caps=False)
        if k in (3, 5, 7, 9, 12):
            circle(c, F, 0, y - 1.3, 0.55, (236, 230, 210))
    fill(c, F, [(-3.0, -37.5), (3.0, -37.5), (4.4, -50), (0, -52), (-4.4, -50)], shade(edge, 0.9))
    rect(c, F, -3, -38.6, 3, -37.6, (240, 234, 214))
    for y in (-41, -44.5, -48):
        for side in (-1, 1):
            line(c, F, side * 4.0, y, side * 6.2, y, 0.8, (180, 180, 176))
            ell(c, F, side * 6.6, y, 1.0, 1.4, (222, 222, 214))
    if strings:
        for k in range(6):
            t = (k - 2.5) / 2.5
            line(c, F, t * 2.2, -38, t * 3.6, 30, 0.32, (236, 230, 212), caps=False)


def guitar_shadow(c, F, alpha):
    lower = ellipse_half(0, 26, 19, 17.5)
    upper = ellipse_half(0, 3, 14.5, 12.5)
    fill(c, F, profile_pts(lambda y: max(lower(y), upper(y)) + 1.3, -9.6, 44.6), BLACK, alpha)
    fill(c, F, [(-3.2, -38), (3.2, -38), (3.2, -9), (-3.2, -9)], BLACK, alpha)
    fill(c, F, [(-3.0, -37.5), (3.0, -37.5), (4.4, -50), (0, -52), (-4.4, -50)], BLACK, alpha)


def bass_guitar(c, F, body=(230, 170, 40), edge=(80, 16, 8)):
    """Electric bass standing up: head at y = -50, bottom at y = 45."""
    def body_shape(g):
        fill(c, F, ellipse_pts(0, 29, 16 + g, 14 + g), body_col)
        fill(c, F, ellipse_pts(-8.5, 14, 5.5 + g, 11 + g, rot=-14), body_col)
        fill(c, F, ellipse_pts(9, 18, 4.8 + g, 7.5 + g, rot=18), body_col)
        fill(c, F, ellipse_pts(0, 22, 12 + g, 8 + g), body_col)
    body_col = edge
    body_shape(1.0)
    body_col = radial(F, 0, 26, 20, shade(body, 1.15), edge)
    body_shape(0.0)
    # pick guard
    fill(c, F, ellipse_pts(-6, 22, 7, 12, rot=-10), (246, 242, 230))
    fill(c, F, ellipse_pts(-2, 33, 6, 5), (246, 242, 230))
    # neck
    fill(c, F, [(-2.3, -40), (2.3, -40), (2.9, 24), (-2.9, 24)], (226, 186, 120))
    fill(c, F, [(-2.0, -40), (2.0, -40), (2.4, 16), (-2.4, 16)], (84, 44, 22))
    scale = 38 - (-40)
    for k in range(1, 21):
        y = -40 + scale * (1 - 2 ** (-k / 12))
        if y > 15.5:
            break
        line(c, F, -2.4, y, 2.4, y, 0.4, (200, 200, 196), caps=False)
        if k in (3, 5, 7, 9, 12, 15):
            circle(c, F, 0, y - 1.2, 0.5, (240, 236, 224))
    # head with all four keys on one side
    fill(c, F, [(-2.3, -40), (2.3, -40), (4.6, -44), (4.8, -51), (1.5, -52), (-2.6, -47)], (226, 186, 120))
    for k, y in enumerate((-42.5, -45.2, -47.9, -50.6)):
        line(c, F, 4.6, y, 7.4, y, 0.8, (180, 180, 176))
        ell(c, F, 8.0, y, 1.1, 1.5, (214, 214, 208))
    # pickups, bridge, knobs
    rrect(c, F, -5.5, 24, 4.5, 26.6, 1.0, (30, 30, 32))
    rrect(c, F, -4.5, 31, 5.5, 33.6, 1.0, (30, 30, 32))
    rrect(c, F, -5.8, 37, 5.8, 40, 0.6, (190, 192, 198))
    for x, y in ((9.5, 34), (12.5, 29.5)):
        circle(c, F, x, y, 1.8, (30, 30, 32))
        circle(c, F, x, y, 0.8, (160, 160, 164))
    for k in range(4):
        t = (k - 1.5) / 1.5
        line(c, F, t * 1.4, -40, t * 3.6, 38, 0.4, (226, 226, 220), caps=False)


def violin(c, F, body=(196, 92, 28), strings=True):
    """Violin standing up: scroll at y = -50, bottom at y = 44."""
    upper = ellipse_half(0, 2, 11.5, 11)
    lower = ellipse_half(0, 28, 14, 14)
    def half(y):
        w = max(upper(y), lower(y))
        if 7 <= y <= 19:
            w = max(w, 8 + 1.6 * ((y - 13) / 6) ** 2)
        return w
    fill(c, F, profile_pts(lambda y: half(y) + 1.2 if half(y) > 0 else 0, -9.8, 42.9), (58, 22, 8))
    fill(c, F, profile_pts(half, -8.8, 41.9), radial(F, 0, 16, 24, shade(body, 1.35), shade(body, 0.72)))
    # f-holes
    for side in (-1, 1):
        x = side * 6.4
        pts = bezier((x + side * 1.6, 13), (x - side * 0.8, 16), (x + side * 0.8, 24), (x - side * 1.4, 28), 12)
        polyline(c, F, pts, 0.8, (40, 14, 4))
        circle(c, F, pts[0][0], pts[0][1], 0.9, (40, 14, 4))
        circle(c, F, pts[-1][0], pts[-1][1], 0.9, (40, 14, 4))
    # fingerboard, tailpiece, bridge
    fill(c, F, [(-1.9, -31), (1.9, -31), (3.0, 16), (-3.0, 16)], (26, 22, 20))
    fill(c, F, [(-3.2, 29), (3.2, 29), (2.0, 40), (-2.0, 40)], (26, 22, 20))
    fill(c, F, [(-5.2, 22.5), (5.2, 22.5), (4.2, 20.8), (-4.2, 20.8)], (236, 204, 150))
    # neck, peg box and scroll
    fill(c, F, [(-1.9, -31), (1.9, -31), (1.7, -43), (-1.7, -43)], shade(body, 0.7))
    for y in (-35, -39):
        for side in (-1, 1):
            line(c, F, side * 1.5, y, side * 5.0, y - 1.0, 1.3, (30, 20, 16))
            circle(c, F, side * 5.0, y - 1.0, 1.2, (30, 20, 16))
    circle(c, F, 0, -45.5, 3.6, shade(body, 0.8))
    circle(c, F, 0.6, -45.8, 1.8, shade(body, 0.55))
    circle(c, F, 0.8, -46, 0.8, shade(body, 1.2))
    if strings:
        for k in range(4):
            t = (k - 1.5) / 1.5
            line(c, F, t * 1.0, -31, t * 2.2, 29.5, 0.3, (238, 234, 222), caps=False)


def bow(c, F, x0, y0, x1, y1):
    """A violin bow from its frog (x0, y0) to its tip (x1, y1)."""
    dx, dy = x1 - x0, y1 - y0
    d = math.hypot(dx, dy)
    nx, ny = -dy / d, dx / d
    line(c, F, x0 + nx * 2.2, y0 + ny * 2.2, x1 + nx * 0.6, y1 + ny * 0.6, 0.7, (246, 240, 220))
    line(c, F, x0, y0, x1, y1, 1.1, (110, 50, 20))
    fill(c, F, [(x0 - dx / d * 1.2, y0 - dy / d * 1.2), (x0 + dx / d * 4, y0 + dy / d * 4),
                (x0 + dx / d * 4 + nx * 3, y0 + dy / d * 4 + ny * 3), (x0 + nx * 3, y0 + ny * 3)], (24, 20, 18))
    line(c, F, x1, y1, x1 + nx * 1.6, y1 + ny * 1.6, 1.2, (236, 230, 214))


def trumpet(c, F, metal=BRASS, dark=BRASS_D, light=BRASS_L):
    """Trumpet lying with its bell to the right, from x = -49 to 49."""
    wrap = [(-18, -3), (-30, -3)] + ellipse_pts(-30, 3.5, 6.5, 6.5, a0=270, a1=90, n=48)[::-1] + [(-30, 10), (-7, 10)]
    back = [(7, 10), (20, 10)] + ellipse_pts(20, 3.5, 6.5, 6.5, a0=90, a1=-90, n=48)[::-1] + [(20, -3), (24, -3)]
    bell = []
    for k in range(25):
        x = 22 + 27 * k / 24
        bell.append((x, 1.6 + 13 * (k / 24) ** 3.2))
    bell_pts = bell + [(x, -y) for x, y in bell[::-1]]
    bell_pts = [(x, y - 3) for x, y in bell_pts]
    for col, g in ((dark, 1.0), (metal, 0.0)):
        polyline(c, F, [(-44, -3), (-18, -3)], 2.6 + g, col)
        polyline(c, F, wrap, 2.6 + g, col)
        polyline(c, F, back, 2.6 + g, col)
        polyline(c, F, [(7, -3), (24, -3)], 2.6 + g, col)
        grown = [(x, y - 3 + (g if y > 3 else -g)) for x, y in bell + [(x, -y) for x, y in bell[::-1]]]
        fill(c, F, grown if g else bell_pts, col)
        for vx in (-5.5, 0, 5.5):
            rect(c, F, vx - 2.4 - g / 2, -11 - g / 2, vx + 2.4 + g / 2, 12 + g / 2, col)
    for vx in (-5.5, 0, 5.5):
        rect(c, F, vx - 2.4, -11, vx + 2.4, 12, linear(F, vx - 2.4, 0, vx + 2.4, 0, light, dark))
        rect(c, F, vx - 3, -13, vx + 3, -10.5, dark)
        rect(c, F, vx - 0.6, -17, vx + 0.6, -13, metal)
        ell(c, F, vx, -17.5, 2.4, 1.1, (246, 240, 226))
        rect(c, F, vx - 3, 11, vx + 3, 13.5, dark)
    # mouthpiece and bell rim
    fill(c, F, [(-49, -5.2), (-47.5, -5.2), (-43, -4.2), (-43, -1.8), (-47.5, -0.8), (-49, -0.8)], shade(metal, 0.9))
    ell(c, F, 48.6, -3, 1.6, 13.6, dark)
    ell(c, F, 48.6, -3, 0.9, 12.6, light)
    # highlights
    line(c, F, -40, -3.7, -20, -3.7, 0.6, light)
    line(c, F, 8, -3.7, 22, -3.7, 0.6, light)
    line(c, F, -28, 9.4, -9, 9.4, 0.5, light)


def saxophone(c, F, metal=BRASS, dark=BRASS_D, light=BRASS_L):
    """Alto saxophone, crook at the top left, bell at the top right."""
    body = bezier((-8, -30), (-6, -5), (-2, 18), (4, 30), 30)
    bend = ellipse_pts(13, 30, 9, 9, a0=180, a1=0, n=40)[::-1]
    bend = [(x, y) for x, y in bend]
    bend = [(2 * 13 - x, y) for x, y in bend]  # left to right across the bottom
    bend = ellipse_pts(13, 30, 9, 9, a0=180, a1=0, n=40)
    up = bezier((22, 30), (23, 18), (24, 6), (24, -6), 20)
    path = body + bend[1:] + up[1:]
    n1, n2, n3 = len(body), len(bend) - 1, len(up) - 1
    widths = [4.2 + 6.5 * (k / (n1 - 1)) for k in range(n1)]
    widths += [10.7 + 0.8 * (k / n2) for k in range(1, n2 + 1)]
    widths += [11.5 + 4 * (k / n3) ** 2 for k in range(1, n3 + 1)]
    crook = bezier((-26, -44), (-18, -48), (-10, -44), (-8, -30), 16)
    tube(c, F, crook, [3.2] * len(crook), dark)
    tube(c, F, path, [w + 1.6 for w in widths], dark)
    tube(c, F, crook, [2.0] * len(crook), metal)
    tube(c, F, path, widths, metal)
    # bell
    ell(c, F, 24.6, -7, 11.5, 4.4, dark, rot=-6)
    ell(c, F, 24.6, -7.4, 10.2, 3.3, (96, 60, 10), rot=-6)
    ell(c, F, 24.6, -6.6, 10.2, 2.8, (60, 38, 8), rot=-6)
    # highlight along the body
    hl = [(x - 1.8 - 1.4 * k / len(body), y) for k, (x, y) in enumerate(body)]
    polyline(c, F, hl[2:-4], 0.8, light)
    polyline(c, F, [(x + 2.5, y) for x, y in up[6:]], 0.8, light)
    # mouthpiece
    fill(c, F, [(-26, -45.6), (-31, -46.2), (-32, -44.4), (-26, -42.6)], (20, 20, 22))
    # keys
    for k, t in enumerate((0.18, 0.3, 0.42, 0.56, 0.68, 0.8)):
        x, y = body[int(t * (len(body) - 1))]
        circle(c, F, x + 0.4, y, 2.3, dark)
        circle(c, F, x + 0.4, y, 1.6, (250, 242, 220))
    for t in (0.35, 0.6, 0.85):
        x, y = body[int(t * (len(body) - 1))]
        line(c, F, x + 3, y - 2, x + 6.5, y + 1, 0.7, dark)
        circle(c, F, x + 6.5, y + 1, 1.3, metal)
    line(c, F, -10, -22, 8, 26, 0.5, dark, caps=False)


def flute(c, F, wooden=False):
    """Transverse flute from x = -50 to 50, lying horizontally."""
    if wooden:
        base, dark, light = (150, 88, 40), (74, 38, 14), (214, 156, 92)
    else:
        base, dark, light = SILVER, SILVER_D, SILVER_L
    rrect(c, F, -50, -3.3, 50, 3.3, 2.0, dark)
    rrect(c, F, -49.4, -2.7, 49.4, 2.7, 1.6, linear(F, 0, -2.7, 0, 2.7, light, base))
    rect(c, F, -49.4, 1.2, 49.4, 2.7, shade(base, 0.85))
    line(c, F, -48, -1.4, 48, -1.4, 0.6, shade(light, 1.3), caps=False)
    if wooden:
        for x in (-47.5, -30, 3, 47.5):
            rect(c, F, x - 1.3, -3.4, x + 1.3, 3.4, (226, 210, 170))
            rect(c, F, x - 1.3, 1.8, x + 1.3, 3.4, (180, 160, 120))
        ell(c, F, -38, -0.2, 1.9, 1.3, (20, 10, 4))
        for x in (-12, -6.5, -1, 12, 17.5, 23):
            circle(c, F, x, -0.2, 1.15, (20, 10, 4))
    else:
        ell(c, F, -38, -0.6, 4.2, 2.6, shade(base, 1.2))
        ell(c, F, -38, -0.6, 1.8, 1.1, (30, 30, 36))
        rect(c, F, -20.5, -3.4, -18.8, 3.4, dark)
        for x in (-10, -4, 2, 10, 16, 22, 30):
            circle(c, F, x, -0.4, 2.1, dark)
            circle(c, F, x, -0.4, 1.5, shade(base, 1.15))
        line(c, F, -14, 2.8, 36, 2.8, 0.5, dark, caps=False)


def dulcimer(c, F, stand=True, hammers=True):
    """Hammered dulcimer: a trapezoid box, seen from above and in front."""
    top, bot = -30.0, 8.0
    outer = [(-25, top - 2), (25, top - 2), (46, bot + 2), (-46, bot + 2)]
    if stand:
        for sx in (-1, 1):
            line(c, F, sx * 30, bot, sx * 38, 46, 2.6, WOOD_D)
            line(c, F, sx * 22, bot, sx * 14, 46, 2.6, WOOD_D)
        line(c, F, -34, 34, 34, 34, 2.0, WOOD_D)
    fill(c, F, [(x, y + 4) for x, y in outer], (60, 30, 12))
    fill(c, F, outer, (92, 46, 18))
    inner = [(-22, top), (22, top), (40.5, bot), (-40.5, bot)]
    fill(c, F, inner, linear(F, 0, top, 0, bot, (232, 184, 112), (198, 140, 70)))
    for k, (rx, ry) in enumerate(((-21, -11), (21, -11))):
        circle(c, F, rx, ry, 4.4, (120, 64, 26))
        circle(c, F, rx, ry, 3.4, (40, 20, 8))
        for a in range(0, 360, 45):
            t = math.radians(a)
            circle(c, F, rx + 2.0 * math.cos(t), ry + 2.0 * math.sin(t), 0.7, (200, 150, 90))
    for k in range(12):
        y = top + 2 + k * (bot - top - 4) / 11
        xl = -22 - (y - top) / (bot - top) * 18.5
        line(c, F, xl, y, -xl, y, 0.35, (246, 240, 226), caps=False)
    for bx0, bx1 in ((-6, -12), (12, 20)):
        line(c, F, bx0, top + 1, bx1, bot - 1, 1.0, (70, 34, 12), caps=False)
        for k in range(12):
            y = top + 2 + k * (bot - top - 4) / 11
            x = bx0 + (bx1 - bx0) * (y - top) / (bot - top)
            circle(c, F, x, y, 0.7, (250, 238, 214))
    if hammers:
        for (x0, y0, x1, y1) in ((6, 22, 28, -12), (14, 24, 34, -6)):
            line(c, F, x0, y0, x1, y1, 1.1, (236, 210, 160))
            ell(c, F, x1, y1, 2.6, 1.4, (110, 56, 22), rot=math.degrees(math.atan2(y1 - y0, x1 - x0)) + 90)


def organ(c, F, pipes=True):
    """Upright reed organ: cabinet with keyboard, stops and pedals."""
    wood, dark, light = (122, 62, 26), (70, 32, 12), (178, 102, 48)
    # crest
    fill(c, F, [(-32, -28)] + ellipse_pts(0, -28, 32, 20, a0=180, a1=360, n=48) + [(32, -28)], dark)
    fill(c, F, [(-29, -28)] + ellipse_pts(0, -28, 29, 17.5, a0=180, a1=360, n=48) + [(29, -28)], wood)
    circle(c, F, 0, -49, 2.6, light)
    # cabinet
    rect(c, F, -33, -28, 33, 48, dark)
    rect(c, F, -31, -27, 31, 47, linear(F, -31, 0, 31, 0, light, wood))
    if pipes:
        rect(c, F, -25, -40, 25, -2, (52, 24, 10))
        for k in range(9):
            x = -20 + k * 5
            h = 22 + 10 * math.cos((k - 4) / 4 * 1.2)
            rect(c, F, x - 1.8, -4 - h, x + 1.8, -4, linear(F, x - 1.8, 0, x + 1.8, 0, BRASS_L, BRASS_D))
            fill(c, F, [(x - 1.8, -4 - h * 0.25), (x + 1.8, -4 - h * 0.25), (x, -4 - h * 0.25 - 1.8)], (40, 20, 8))
    else:
        rect(c, F, -25, -24, 25, -4, (60, 28, 10))
        rect(c, F, -22, -21, 22, -7, (150, 170, 170))
        line(c, F, -20, -18, -10, -19, 0.6, (220, 236, 236))
    # stops
    for k in range(7):
        x = -18 + k * 6
        circle(c, F, x, 1, 1.7, dark)
        circle(c, F, x, 1, 1.2, (246, 236, 210))
    # key bed and keyboard
    rect(c, F, -35, 4.5, 35, 17, dark)
    keyboard(c, F, -32, 5.5, 32, 15.5, 14)
    # lower panel and pedals
    rect(c, F, -25, 21, 25, 40, shade(wood, 0.8))
    rect(c, F, -22, 24, 22, 37, light)
    circle(c, F, 0, 30.5, 3.2, shade(wood, 0.8))
    for sx in (-1, 1):
        fill(c, F, [(sx * 4, 42), (sx * 16, 42), (sx * 17, 48.5), (sx * 3, 48.5)], (150, 30, 30))
        line(c, F, sx * 6, 44.5, sx * 15, 44.5, 0.5, (220, 180, 120), caps=False)


def zither(c, F):
    """Long zither with movable bridges, lying along the x axis from -55 to 55."""
    half = lambda x: 7.5 + 2.5 * (x + 55) / 110
    top = [(x, -half(x)) for x in [-55 + 110 * k / 40 for k in range(41)]]
    bot = [(x, half(x)) for x, _ in top][::-1]
    fill(c, F, [(x, y + (1.6 if y > 0 else -0.6)) for x, y in top + bot], (50, 24, 8))
    fill(c, F, top + bot, linear(F, 0, -10, 0, 10, (226, 168, 96), (168, 100, 44)))
    # grain
    for k in range(5):
        y0 = -5 + k * 2.5
        pts = [(x, y0 + 0.5 * math.sin(x * 0.21 + k)) for x in range(-44, 45, 4)]
        polyline(c, F, pts, 0.3, (196, 134, 68))
    # end pieces
    for x0, x1 in ((-55, -45), (44, 55)):
        fill(c, F, [(x, y) for x, y in top + bot if x0 - 0.01 <= x <= x1 + 0.01], (92, 30, 14))
    rect(c, F, -45, -8, -43.5, 8, (240, 214, 140))
    rect(c, F, 42.5, -10, 44, 10, (240, 214, 140))
    for k in range(6):
        circle(c, F, -50, -6 + k * 2.4, 0.5, (230, 190, 90))
    # strings and bridges
    n = 13
    for k in range(n):
        yl = -6 + 12 * k / (n - 1)
        yr = -8.2 + 16.4 * k / (n - 1)
        line(c, F, -44, yl, 43, yr, 0.28, (250, 246, 236), caps=False)
        bx = -14 + 30 * (k / (n - 1)) ** 1.3
        by = yl + (yr - yl) * (bx + 44) / 87
        fill(c, F, [(bx - 1.3, by + 0.55), (bx + 1.3, by + 0.55), (bx, by - 0.55)], (250, 244, 226))
    for k in range(n):
        circle(c, F, 49.5, -8.2 + 16.4 * k / (n - 1), 0.55, (220, 200, 150))


def steel_drum(c, F, stand=True):
    """Steel pan on a stand, seen from above and in front."""
    if stand:
        for x0, x1 in ((-20, -30), (20, 30), (-4, -8), (4, 10)):
            line(c, F, x0, 8, x1, 47, 1.6, (60, 60, 64))
        line(c, F, -26, 34, 26, 34, 1.2, (60, 60, 64))
    rect(c, F, -32, -8, 32, 8, linear(F, -32, 0, 32, 0, SILVER_D, SILVER_D))
    ell(c, F, 0, 8, 32, 12, linear(F, -32, 0, 32, 0, (120, 124, 132), (80, 82, 90)))
    rect(c, F, -32, -8, 32, 8, linear(F, -32, 0, 32, 0, (228, 230, 236), (96, 98, 108)))
    ell(c, F, 0, -8, 32.2, 12.6, (70, 72, 80))
    ell(c, F, 0, -8, 30.6, 11.4, radial(F, -6, -12, 34, (250, 250, 255), (150, 154, 164)))
    ring = [(a, 19.5, 7.2) for a in range(0, 360, 40)]
    for a, rx, ry in ring:
        t = math.radians(a)
        x, y = rx * math.cos(t), -8 + ry * math.sin(t)
        ell(c, F, x, y, 4.2, 1.9, (110, 112, 122), rot=math.degrees(t) * 0.15)
        ell(c, F, x, y - 0.3, 3.3, 1.3, (232, 234, 242), rot=math.degrees(t) * 0.15)
    ell(c, F, 0, -8, 6, 2.6, (110, 112, 122))
    ell(c, F, 0, -8.3, 5, 1.9, (232, 234, 242))
    # sticks
    for (x0, y0, x1, y1) in ((-30, -40, -8, -14), (34, -36, 12, -15)):
        line(c, F, x0, y0, x1, y1, 1.2, (226, 206, 160))
        circle(c, F, x1, y1, 2.4, (200, 40, 40))


def night_moon(c, F):
    """Crescent moon and stars in a night sky filling -48..48."""
    sky = linear(F, 0, -48, 0, 48, (8, 14, 52), (34, 62, 130))
    rrect(c, F, -48, -48, 48, 48, 8, (10, 12, 30))
    rrect(c, F, -46, -46, 46, 46, 7, sky)
    circle(c, F, -4, -2, 26, (255, 232, 120))
    circle(c, F, 7, -10, 24, sky)
    for x, y, r in ((26, 16, 3.4), (-30, -30, 2.6), (30, -34, 2.2), (-28, 28, 2.0), (8, 32, 2.4), (36, -6, 1.6)):
        fill(c, F, [(x, y - r * 2), (x + r * 0.45, y - r * 0.45), (x + r * 2, y), (x + r * 0.45, y + r * 0.45),
                    (x, y + r * 2), (x - r * 0.45, y + r * 0.45), (x - r * 2, y), (x - r * 0.45, y - r * 0.45)],
             (255, 250, 210))
    fill(c, F, [(-46, 40), (-20, 30), (6, 38), (30, 29), (46, 36), (46, 46), (-46, 46)], (6, 10, 24))


def sunset_sea(c, F):
    """Red sun setting over the sea, with a sailing boat, filling -48..48."""
    horizon = 8
    rrect(c, F, -48, -48, 48, 48, 8, (40, 20, 30))
    rrect(c, F, -46, -46, 46, 46, 7, linear(F, 0, -46, 0, horizon, (120, 70, 170), (255, 196, 90)))
    circle(c, F, 2, horizon + 2, 20, (226, 34, 24))
    rrect(c, F, -46, horizon, 46, 46, 7, linear(F, 0, horizon, 0, 46, (40, 96, 180), (14, 40, 100)))
    rect(c, F, -46, horizon, 46, 20, linear(F, 0, horizon, 0, 46, (40, 96, 180), (14, 40, 100)))
    for k, (w, y) in enumerate(((18, 11.5), (14, 15.5), (10, 20), (6, 25))):
        rect(c, F, 2 - w, y, 2 + w, y + 1.4, (250, 120, 60))
    for x, y in ((-36, 30), (-22, 38), (24, 34), (34, 26)):
        line(c, F, x, y, x + 8, y, 1.0, (120, 170, 230))
    # boat
    fill(c, F, [(-36, 6), (-10, 6), (-14, 12), (-32, 12)], (70, 34, 14))
    line(c, F, -23, -24, -23, 6, 1.0, (60, 30, 12))
    fill(c, F, [(-22, -24), (-22, 4), (-10, 4)], (252, 250, 240))
    fill(c, F, [(-24, -20), (-24, 4), (-35, 4)], (236, 234, 226))


def drum_kit(c, F):
    """Drum kit: bass drum, toms, snare, floor tom and cymbals."""
    shell, head, rim = (196, 28, 32), (246, 244, 236), (170, 172, 180)
    stand = (70, 70, 76)
    # stands and cymbals
    line(c, F, -34, -24, -34, 46, 1.2, stand)
    line(c, F, 36, -28, 36, 46, 1.2, stand)
    ell(c, F, -34, -24, 15, 3.4, BRASS_D, rot=-8)
    ell(c, F, -34, -24.6, 14, 2.4, BRASS, rot=-8)
    ell(c, F, 36, -28, 14, 3.2, BRASS_D, rot=10)
    ell(c, F, 36, -28.6, 13, 2.2, BRASS, rot=10)

    def drum(x, y, rx, ry, h):
        rect(c, F, x - rx, y, x + rx, y + h, shell)
        ell(c, F, x, y + h, rx, ry, shade(shell, 0.7))
        rect(c, F, x - rx, y, x + rx, y + h, linear(F, x - rx, 0, x + rx, 0, shade(shell, 1.3), shade(shell, 0.7)))
        ell(c, F, x, y, rx, ry, rim)
        ell(c, F, x, y, rx - 1, ry - 0.7, head)
    drum(-33, 12, 11, 3.6, 10)          # snare
    drum(33, 10, 12, 4, 20)             # floor tom
    # bass drum
    circle(c, F, 0, 22, 22, rim)
    circle(c, F, 0, 22, 20.5, shell)
    circle(c, F, 0, 22, 17.5, head)
    circle(c, F, 0, 22, 9, (250, 230, 120))
    rect(c, F, -22, 40, -17, 46, stand)
    rect(c, F, 17, 40, 22, 46, stand)
    drum(-11, -10, 9, 3, 9)             # toms on the bass drum
    drum(11, -12, 9, 3, 9)


def bongos(c, F):
    """A pair of bongo drums joined by a wooden block."""
    rect(c, F, -6, -2, 6, 8, (70, 36, 14))
    for cx, top, rx, ry, h, bw in ((-17, -14, 15, 4.6, 42, 9), (18, -8, 12, 3.8, 36, 7.5)):
        body = [(cx - rx, top), (cx + rx, top), (cx + bw, top + h), (cx - bw, top + h)]
        fill(c, F, body, linear(F, cx - rx, 0, cx + rx, 0, (226, 150, 72), (110, 56, 20)))
        for k in range(1, 4):
            t = k / 4
            line(c, F, cx - rx + t * 2 * rx, top + 3, cx - bw + t * 2 * bw, top + h, 0.5, (120, 64, 26), caps=False)
        ell(c, F, cx, top + h, bw, ry * 0.6, (80, 40, 14))
        # rim, tuning lugs, head
        ell(c, F, cx, top, rx + 1.2, ry + 1.0, (60, 60, 66))
        ell(c, F, cx, top, rx, ry, (236, 222, 184))
        ell(c, F, cx - 2, top - 0.6, rx * 0.6, ry * 0.5, (246, 236, 206))
        rect(c, F, cx - rx - 1.2, top, cx + rx + 1.2, top + 2.4, (60, 60, 66))
        for k in range(5):
            x = cx - rx * 0.85 + k * rx * 0.425
            rect(c, F, x - 0.7, top + 2.4, x + 0.7, top + 11, (210, 212, 220))
            circle(c, F, x, top + 11, 1.2, (210, 212, 220))


def grand_piano(c, F):
    """Grand piano seen from above with the lid off: keyboard at the front."""
    case = [(-46, 18), (-46, -42)] + bezier((-46, -42), (-46, -54), (-24, -56), (-14, -46), 16)[1:] \
        + bezier((-14, -46), (-2, -34), (12, -22), (30, -14), 16)[1:] \
        + bezier((30, -14), (44, -8), (46, 2), (46, 18), 12)[1:]
    for lx in (-40, 40, -20):
        rect(c, F, lx - 2.5, 28, lx + 2.5, 46, (16, 16, 18))
        rect(c, F, lx - 2.5, 43, lx + 2.5, 46, BRASS)
    rect(c, F, -8, 28, 8, 44, (16, 16, 18))
    fill(c, F, [(-6, 40), (6, 40), (4, 46), (-4, 46)], BRASS)
    fill(c, F, [(x, y + 2.2) for x, y in case], (10, 10, 12))
    fill(c, F, case, (26, 26, 30))
    inner = [(x * 0.9 - 1.5, y * 0.9 + 1.2) for x, y in case]
    fill(c, F, inner, (196, 150, 70))
    plate = [(x * 0.78 - 3, y * 0.8 + 0.8) for x, y in case]
    fill(c, F, plate, (214, 176, 80))
    for k in range(8):
        x = -34 + k * 5.5
        circle(c, F, x, -16 + k * 2.6, 2.4, (168, 128, 52))
    for k in range(18):
        x0 = -38 + k * 4.2
        x1 = -38 + k * 2.4
        line(c, F, x0, 12, x1, -40 + k * 1.8 + max(0, k - 8) * 2.2, 0.35, (250, 246, 236), caps=False)
    line(c, F, -40, -4, 32, -12, 0.8, (120, 80, 30), caps=False)
    # key slip, keyboard and cheeks
    rect(c, F, -49, 14, 49, 30, (16, 16, 18))
    keyboard(c, F, -45, 16, 45, 29, 21, start=0, outline=(20, 20, 22))
    rect(c, F, -45, 14.2, 45, 16, (46, 46, 52))
    line(c, F, -44, -41, -44, 12, 0.6, (90, 90, 100), caps=False)


def songbird(c, F):
    """A little bird singing on a reed stalk."""
    reed = bezier((-30, 50), (-22, 20), (-4, 6), (4, -44), 30)
    for lx, ly, a in ((-25, 36, -60), (-18, 24, 30), (-4, 0, 200)):
        pts = ellipse_pts(0, 0, 16, 2.2, n=32)
        fill(c, F, [(lx + x * math.cos(math.radians(a)) - y * math.sin(math.radians(a)),
                     ly + x * math.sin(math.radians(a)) + y * math.cos(math.radians(a))) for x, y in pts],
             (96, 150, 50))
    tube(c, F, reed, [2.8 - 1.4 * k / 30 for k in range(31)], (140, 160, 60))
    ell(c, F, 4.6, -47, 2.6, 7, (120, 70, 30))
    # tail, body, wing, head
    fill(c, F, [(10, 0), (36, 14), (34, 19), (6, 8)], (92, 64, 28))
    ell(c, F, 2, 0, 14, 10, (248, 190, 40), rot=-18)
    ell(c, F, -2, 4, 9, 5.5, (255, 236, 150), rot=-18)
    ell(c, F, 7, -1.4, 10.5, 5.6, (116, 80, 30), rot=-24)
    for k in range(3):
        line(c, F, 3 + k * 3, -0.5 + k * 1.2, 12 + k * 2.4, 2 + k * 1.2, 0.6, (80, 52, 18))
    circle(c, F, -10, -11, 7.6, (248, 190, 40))
    circle(c, F, -12, -13, 1.7, (10, 10, 10))
    circle(c, F, -12.5, -13.6, 0.6, WHITE)
    fill(c, F, [(-16.5, -13.5), (-25, -17), (-17, -10.5)], (240, 120, 30))
    fill(c, F, [(-17, -10), (-24, -8), (-16.5, -8.5)], (220, 100, 20))
    # feet on the reed
    for fx in (-1, 4):
        line(c, F, fx, 8, fx - 1, 12, 0.8, (90, 50, 20))
    # song
    eighth_note(c, F.sub(-32, -24, 0.5), (250, 246, 220))
    eighth_note(c, F.sub(-40, -38, 0.42), (250, 246, 220))


def glow_stroke(c, F, pts, col, w=1.2, closed=False):
    if closed:
        pts = pts + [pts[0]]
    for width, a in ((9, 0.10), (6, 0.16), (3.6, 0.26)):
        polyline(c, F, pts, width, col, alpha=a)
    polyline(c, F, pts, w, mix(col, WHITE, 0.55))


def synth_scene(c, F):
    """Glowing instruments floating over a night landscape."""
    rrect(c, F, -66, -50, 66, 50, 7, (8, 6, 20))
    rrect(c, F, -65, -49, 65, 49, 6, linear(F, 0, -49, 0, 20, (20, 10, 60), (150, 50, 120)))
    circle(c, F, 30, 12, 16, (255, 150, 70), alpha=0.9)
    for k in range(4):
        rect(c, F, 12, 6 + k * 2.7, 48, 7 + k * 2.7, mix((20, 10, 60), (150, 50, 120), 0.8))
    fill(c, F, [(-65, 20), (-40, -2), (-22, 12), (-2, -8), (20, 14), (42, 0), (65, 16), (65, 49), (-65, 49)],
         (34, 16, 64))
    fill(c, F, [(-65, 30), (-30, 18), (0, 28), (30, 20), (65, 30), (65, 49), (-65, 49)], (16, 8, 34))
    for k in range(7):
        y = 31 + k * k * 0.6 + k * 1.4
        line(c, F, -64, y, 64, y, 0.5, (255, 60, 200), caps=False, alpha=0.55)
    for k in range(-6, 7):
        line(c, F, k * 4, 30, k * 14, 49, 0.5, (255, 60, 200), caps=False, alpha=0.55)
    # glowing keyboard
    kb = [(-56, 8), (-8, 0), (-4, 14), (-52, 22)]
    glow_stroke(c, F, kb, (60, 220, 255), closed=True)
    for k in range(1, 8):
        t = k / 8
        x0, y0 = -56 + 48 * t, 8 - 8 * t
        x1, y1 = -52 + 48 * t, 22 - 8 * t
        polyline(c, F, [(x0, y0), (x1, y1)], 0.7, (160, 240, 255))
        if k % 7 not in (3, 0):
            polyline(c, F, [(x0 - 1.3, y0 - 0.2), (x0 + 0.3, y0 + 7.6)], 2.4, (80, 230, 255))
    # glowing guitar outline
    G = F.sub(28, -20, 0.52, -30)
    lower = ellipse_half(0, 26, 19, 17.5)
    upper = ellipse_half(0, 3, 14.5, 12.5)
    body = profile_pts(lambda y: max(lower(y), upper(y)), -9.4, 43.4, n=60)
    glow_stroke(c, G, body, (255, 90, 220), closed=True)
    glow_stroke(c, G, ellipse_pts(0, 7, 5.4, 5.4, n=32), (255, 90, 220), closed=True)
    glow_stroke(c, G, [(-2.8, -9), (-2.8, -48), (2.8, -48), (2.8, -9)], (255, 90, 220))
    # glowing notes
    for x, y, s, col in ((-40, -28, 0.8, (255, 230, 90)), (-8, -38, 0.6, (120, 255, 160)), (50, -36, 0.55, (255, 230, 90))):
        N = F.sub(x, y, s)
        eighth_note(c, N, col, outline=None)
        for gw, a in ((4, 0.12), (2, 0.2)):
            circle(c, N, 0, 0, 6 + gw, col, alpha=a)
    # stars
    for x, y in ((-58, -42), (-20, -44), (8, -22), (58, -44), (-30, -10), (40, -8), (-60, -18)):
        circle(c, F, x, y, 0.9, (255, 255, 230))


# ---------------------------------------------------------------------------
# The pictures


def project_version():
    """The version in project() of CMakeLists.txt."""
    path = os.path.join(ROOT, 'CMakeLists.txt')
    with open(path, encoding='utf-8') as f:
        found = re.search(r'^project\(Velmira VERSION ([0-9.]+)', f.read(), re.M)
    if not found:
        sys.exit('%s: no "project(Velmira VERSION ...)" line' % path)
    return found.group(1)


def render_splash(version):
    W = H = 400
    c = Canvas(W, H, (150, 90, 40), ss=3)

    def wood(x, y):
        # Wavy grain of planks 100 pixels wide.
        plank = int(x // 100)
        seed = (plank * 7919) % 13
        u = x + 6 * math.sin(y * 0.021 + seed) + 3 * math.sin(y * 0.053 + plank)
        g = 0.5 + 0.5 * math.sin(u * 0.55 + 2.5 * math.sin(u * 0.043 + seed))
        g2 = 0.5 + 0.5 * math.sin(u * 0.13 + seed * 0.7)
        base = mix((176, 112, 56), (132, 76, 34), 0.55 * g2 + 0.25 * g)
        if x % 100 < 1.0:
            base = shade(base, 0.55)
        v = 1 - 0.35 * (max(abs(x - 200), abs(y - 200)) / 200) ** 3
        return shade(base, v)
    c.fill_func(wood)
    F = Frame(0, 0, 1)
    # guitar with a soft shadow
    for k, a in ((9, 0.12), (6, 0.16), (3, 0.2)):
        guitar_shadow(c, Frame(226 + k, 232 + k, 3.55, 38), a)
    guitar(c, Frame(226, 232, 3.55, 38), body=(232, 164, 70), edge=(64, 28, 10))
    # notes
    for x, y, s, two in ((64, 214, 1.7, False), (112, 290, 1.35, True), (70, 330, 1.1, False),
                         (318, 318, 1.5, False), (352, 242, 1.1, True)):
        G = Frame(x, y, s, 0)
        if two:
            beamed_notes(c, G, NOTE_RED, outline=(60, 10, 6))
        else:
            eighth_note(c, G, NOTE_RED, outline=(60, 10, 6))
    # lettering
    draw_text(c, 24, 22, "Velmira", 7, (255, 240, 200), shadow=(50, 20, 6))
    draw_text(c, 28, 90, version, 4, (255, 224, 150), shadow=(50, 20, 6))
    slogan = "Play music on your keyboard"
    credits = "Made by the Velmira team"
    rrect(c, F, 0, 356, 400, 400, 0, (30, 14, 4), alpha=0.6)
    draw_text(c, (W - text_width(slogan, 2)) / 2, 362, slogan, 2, (255, 236, 190), shadow=(20, 8, 2))
    draw_text(c, (W - text_width(credits, 1)) / 2, 387, credits, 1, (226, 196, 150))
    return c.pixels()


TOOLBAR_ORDER = ["piano keys", "dulcimer on a stand", "upright organ", "red guitar", "bass guitar",
                 "violin", "violin and piano keys", "trumpet", "saxophone", "flute", "moon at night",
                 "zither", "steel drum", "sun over the sea", "drum kit"]


def toolbar_icon(c, i, F):
    if i == 0:
        keyboard(c, F, -46, -34, 46, 34, 6, start=0)
    elif i == 1:
        dulcimer(c, F.sub(0, 0, 1.0), stand=True, hammers=False)
    elif i == 2:
        organ(c, F.sub(0, 0, 0.98), pipes=True)
    elif i == 3:
        guitar(c, F.sub(0, 0, 0.98, 30), body=(222, 30, 30), edge=(70, 8, 8), strings=False)
    elif i == 4:
        bass_guitar(c, F.sub(0, 0, 0.98, 30), body=(60, 120, 230), edge=(10, 20, 70))
    elif i == 5:
        violin(c, F.sub(0, 0, 0.98, 30), strings=False)
        bow(c, F, -40, 24, 40, -36)
    elif i == 6:
        keyboard(c, F, -48, 14, 48, 48, 6, start=0)
        violin(c, F.sub(4, -6, 0.8, 35), strings=False)
    elif i == 7:
        trumpet(c, F.sub(0, 0, 0.98, -20))
    elif i == 8:
        saxophone(c, F.sub(2, 2, 0.98))
    elif i == 9:
        flute(c, Frame(F.cx, F.cy, F.s * 0.96, -40, ys=1.9))
    elif i == 10:
        night_moon(c, F)
    elif i == 11:
        zither(c, Frame(F.cx, F.cy, F.s * 0.86, -40, ys=1.5))
    elif i == 12:
        steel_drum(c, F.sub(0, 2, 1.0))
    elif i == 13:
        sunset_sea(c, F)
    elif i == 14:
        drum_kit(c, F.sub(0, -2, 1.0))


def render_toolbar():
    c = Canvas(480, 32, BUTTON, ss=4)
    for i in range(15):
        c.set_clip((i * 32, 0, i * 32 + 32, 32))
        toolbar_icon(c, i, Frame(i * 32 + 16, 16, 0.31))
    return c.pixels()


INSTRUMENT_ORDER = ["grand piano", "hammered dulcimer", "reed organ", "acoustic guitar", "electric bass",
                    "violin", "ensemble", "trumpet", "saxophone", "wooden flute", "synth", "long zither",
                    "steel drum", "songbird", "bongos"]


def instrument_picture(c, i, F):
    if i == 0:
        grand_piano(c, F.sub(0, 2, 1.1))
    elif i == 1:
        dulcimer(c, F.sub(0, 4, 1.2), stand=True, hammers=True)
    elif i == 2:
        organ(c, F.sub(0, 1, 0.96), pipes=False)
    elif i == 3:
        guitar(c, F.sub(2, 2, 1.2, 40), body=(214, 26, 26), edge=(72, 6, 6))
    elif i == 4:
        bass_guitar(c, F.sub(0, 2, 1.22, 50))
    elif i == 5:
        violin(c, F.sub(-10, 0, 1.0, 25))
        bow(c, F, -46, 40, 56, -34)
    elif i == 6:
        keyboard(c, F, -64, 18, 64, 48, 12, start=0)
        guitar(c, F.sub(-24, -2, 0.95, -58), body=(232, 164, 70), edge=(64, 28, 10))
        trumpet(c, F.sub(26, -10, 0.74, -16))
    elif i == 7:
        trumpet(c, F.sub(0, 0, 1.25, -12))
    elif i == 8:
        saxophone(c, F.sub(4, 2, 0.98, 8))
    elif i == 9:
        flute(c, F.sub(0, 0, 1.25, -24), wooden=True)
    elif i == 10:
        synth_scene(c, F)
    elif i == 11:
        zither(c, F.sub(0, 0, 1.1, -22))
    elif i == 12:
        steel_drum(c, F.sub(0, 0, 1.05))
    elif i == 13:
        songbird(c, F.sub(4, 0, 1.0))
    elif i == 14:
        bongos(c, F.sub(0, -4, 1.05))


def render_instruments():
    cw, ch = 171, 141
    c = Canvas(cw * 15, ch, GROUND, ss=3)
    for i in range(15):
        # Keep a margin of the plain ground around every picture.
        c.set_clip((i * cw + 3, 3, i * cw + cw - 3, ch - 3))
        instrument_picture(c, i, Frame(i * cw + cw / 2, ch / 2, 1.27))
    return c.pixels()


KEYCAP_COLOURS = [
    # (rim, face)
    ((104, 104, 108), (238, 238, 240)),   # grey
    ((36, 70, 168), (206, 224, 255)),     # blue
    ((168, 30, 30), (255, 212, 212)),     # red
    ((30, 130, 40), (210, 246, 210)),     # green
    ((200, 110, 10), (255, 222, 170)),    # orange: the key a lesson asks for next
]


def render_keycaps():
    cw, ch = 38, 39
    rows = [bytearray(cw * len(KEYCAP_COLOURS) * 3) for _ in range(ch)]
    for k, (rim, face) in enumerate(KEYCAP_COLOURS):
        for y in range(ch):
            for x in range(cw):
                d = min(x, cw - 1 - x, y, ch - 1 - y)
                if d == 0:
                    col = shade(rim, 0.6)
                elif d <= 4:
                    # bevel: lit from the top left
                    t = (d - 1) / 4
                    base = mix(rim, face, 0.25 + 0.5 * t)
                    top_left = min(x, y) <= min(cw - 1 - x, ch - 1 - y)
                    col = shade(base, 1.12) if top_left else shade(base, 0.82)
                else:
                    # face: pale, a little darker toward the lower edge
                    t = (y - 5) / (ch - 11)
                    col = mix(shade(face, 1.06), shade(face, 0.96), t)
                o = (k * cw + x) * 3
                rows[y][o:o + 3] = bytes(col)
    return [bytes(r) for r in rows]


def render_icon(n):
    """(rgb rows, alpha rows) of the n x n program icon."""
    ss = 8 if n <= 16 else 4
    edge = (16, 40, 110)
    c = Canvas(n, n, edge, ss=ss)
    m = Canvas(n, n, BLACK, ss=ss)
    F = Frame(n / 2, n / 2, n / 100)
    r = 18
    rrect(c, F, -50, -50, 50, 50, r, edge)
    rrect(c, F, -46, -46, 46, 46, r - 3, linear(F, 0, -46, 0, 46, (74, 140, 236), (28, 70, 170)))
    rrect(m, F, -50, -50, 50, 50, r, WHITE)
    keys = 4 if n <= 16 else 5
    keyboard(c, F, -40, 8, 40, 42, keys, start=0, outline=(10, 24, 70))
    if n <= 16:
        eighth_note(c, F.sub(-6, -9, 1.3), (255, 214, 40), outline=(70, 34, 0), stem=4.4)
    else:
        eighth_note(c, F.sub(-5, -9, 1.25), (255, 206, 40), outline=(80, 40, 0), stem=2.6 if n <= 32 else 2.0)
    rgb = c.pixels()
    alpha = [bytes(row[0::3]) for row in m.pixels()]
    return rgb, alpha


# ---------------------------------------------------------------------------
# File formats


def bmp24(w, h, rows):
    stride = (w * 3 + 3) & ~3
    body = bytearray()
    for y in range(h - 1, -1, -1):           # bottom row first
        row = bytearray(rows[y])
        row[0::3], row[2::3] = rows[y][2::3], rows[y][0::3]   # RGB -> BGR
        body += row + bytes(stride - w * 3)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    head = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(body), 0, 0, 14 + 40)
    return head + info + bytes(body)


def median_cut(hist, count):
    """Palette of at most count colours for the colour histogram."""
    boxes = [sorted(hist.items())]
    while len(boxes) < count:
        best, best_score, best_ch = None, 0, 0
        for k, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                lo = min(col[ch] for col, _ in box)
                hi = max(col[ch] for col, _ in box)
                score = (hi - lo) * math.sqrt(sum(n for _, n in box))
                if score > best_score:
                    best, best_score, best_ch = k, score, ch
        if best is None:
            break
        box = sorted(boxes[best], key=lambda e: (e[0][best_ch], e[0]))
        total = sum(n for _, n in box)
        acc, cut = 0, 1
        for j, (_, n) in enumerate(box):
            acc += n
            if acc * 2 >= total:
                cut = min(max(j + 1, 1), len(box) - 1)
                break
        boxes[best:best + 1] = [box[:cut], box[cut:]]
    palette, lookup = [], {}
    for box in boxes:
        total = sum(n for _, n in box)
        avg = tuple((sum(col[ch] * n for col, n in box) + total // 2) // total for ch in range(3))
        for col, _ in box:
            lookup[col] = len(palette)
        palette.append(avg)
    return palette, lookup


def bmp8(w, h, rows, keep):
    """8-bit palettised BMP; the colours in keep get palette entries of their own."""
    hist = {}
    for row in rows:
        for x in range(w):
            col = (row[3 * x], row[3 * x + 1], row[3 * x + 2])
            hist[col] = hist.get(col, 0) + 1
    if len(hist) <= 256:
        palette = sorted(hist)
        lookup = {col: k for k, col in enumerate(palette)}
    else:
        rest = {col: n for col, n in hist.items() if col not in keep}
        palette, lookup = median_cut(rest, 256 - len(keep))
        for col in keep:
            lookup[col] = len(palette)
            palette.append(col)
    palette = palette + [(0, 0, 0)] * (256 - len(palette))
    stride = (w + 3) & ~3
    body = bytearray()
    for y in range(h - 1, -1, -1):
        row = rows[y]
        body += bytes(lookup[(row[3 * x], row[3 * x + 1], row[3 * x + 2])] for x in range(w))
        body += bytes(stride - w)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 0, len(body), 2835, 2835, 256, 0)
    off = 14 + 40 + len(pal)
    head = struct.pack('<2sIHHI', b'BM', off + len(body), 0, 0, off)
    return head + info + pal + bytes(body)


def ico(images):
    """images: list of (n, rgb rows, alpha rows), 32 bpp entries with AND masks."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for n, rgb, alpha in images:
        xor = bytearray()
        mask = bytearray()
        mstride = ((n + 31) // 32) * 4
        for y in range(n - 1, -1, -1):
            for x in range(n):
                a = alpha[y][x]
                if a == 0:
                    xor += b'\0\0\0\0'
                else:
                    r, g, b = rgb[y][3 * x:3 * x + 3]
                    xor += bytes((b, g, r, a))
            bits = bytearray(mstride)
            for x in range(n):
                if alpha[y][x] < 128:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = info + bytes(xor) + bytes(mask)
        entries.append(struct.pack('<BBBBHHII', n % 256, n % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack('<HHH', 0, 1, len(images)) + b''.join(entries) + b''.join(blobs)


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument('--out', default=os.path.dirname(here), help='folder to write into (default: resources/)')
    ap.add_argument('--only', choices=['splash', 'toolbar', 'instruments', 'keycaps', 'icon'],
                    help='render one file only')
    args = ap.parse_args(argv)
    os.makedirs(args.out, exist_ok=True)

    def write(name, data):
        with open(os.path.join(args.out, name), 'wb') as f:
            f.write(data)
        print('wrote %s (%d bytes)' % (name, len(data)))

    if args.only in (None, 'splash'):
        write('splash.bmp', bmp24(400, 400, render_splash(project_version())))
    if args.only in (None, 'toolbar'):
        write('toolbar.bmp', bmp8(480, 32, render_toolbar(), keep=[BUTTON]))
    if args.only in (None, 'instruments'):
        rows = render_instruments()
        if rows[0][0:3] != bytes(GROUND):
            sys.exit('instruments: the top-left pixel is not the ground colour')
        write('instruments.bmp', bmp24(2565, 141, rows))
    if args.only in (None, 'keycaps'):
        write('keycaps.bmp', bmp24(38 * len(KEYCAP_COLOURS), 39, render_keycaps()))
    if args.only in (None, 'icon'):
        write('velmira.ico', ico([(n,) + render_icon(n) for n in (16, 32, 48)]))


if __name__ == '__main__':
    main()
