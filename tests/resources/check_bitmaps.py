#!/usr/bin/env python3
"""Checks Velmira's bitmaps and icon against what the program relies on.

    python3 tests/resources/check_bitmaps.py RESOURCES_DIR

Exits 0 when every check holds; otherwise prints one line per problem and
exits 1. Standard library only. splash.bmp must also be what art/make_bitmaps.py
draws now, with the version of CMakeLists.txt on it.
"""

import os
import struct
import subprocess
import sys
import tempfile

GROUND = (20, 100, 20)      # instruments.bmp
BUTTON = (192, 192, 192)    # toolbar.bmp

problems = []


def fail(msg):
    problems.append(msg)


class Bmp:
    """A BMP file with a BITMAPINFOHEADER (or later) header."""

    def __init__(self, path):
        self.name = os.path.basename(path)
        with open(path, 'rb') as f:
            data = f.read()
        self.data = data
        if len(data) < 54 or data[:2] != b'BM':
            raise ValueError('not a BMP file')
        self.file_size, _, _, self.offset = struct.unpack_from('<IHHI', data, 2)
        (self.header_size, self.width, self.height, self.planes, self.bpp, self.compression,
         _, _, _, self.clr_used, _) = struct.unpack_from('<IiiHHIIiiII', data, 14)
        if self.header_size < 40:
            raise ValueError('header of %d bytes; BITMAPINFOHEADER (40) or later expected' % self.header_size)
        self.palette = []
        if self.bpp <= 8:
            n = self.clr_used or (1 << self.bpp)
            start = 14 + self.header_size
            if start + 4 * n > self.offset:
                raise ValueError('palette of %d colours overlaps the pixels' % n)
            for k in range(n):
                b, g, r, _ = struct.unpack_from('<BBBB', data, start + 4 * k)
                self.palette.append((r, g, b))
        self.stride = ((self.width * self.bpp + 31) // 32) * 4
        need = self.offset + self.stride * abs(self.height)
        if len(data) < need:
            raise ValueError('file holds %d bytes, its pixels need %d' % (len(data), need))

    def pixel(self, x, y):
        """RGB at column x, row y counted from the top as displayed."""
        row = self.height - 1 - y if self.height > 0 else y
        o = self.offset + row * self.stride
        if self.bpp == 24:
            b, g, r = self.data[o + 3 * x:o + 3 * x + 3]
            return (r, g, b)
        if self.bpp == 32:
            b, g, r = self.data[o + 4 * x:o + 4 * x + 3]
            return (r, g, b)
        if self.bpp == 8:
            index = self.data[o + x]
            if index >= len(self.palette):
                raise ValueError('pixel %d,%d uses colour %d of a %d-colour palette' % (x, y, index, len(self.palette)))
            return self.palette[index]
        raise ValueError('cannot read %d bpp pixels' % self.bpp)


def load(folder, name, width, height, bpp):
    path = os.path.join(folder, name)
    if not os.path.isfile(path):
        fail('%s: missing' % name)
        return None
    try:
        bmp = Bmp(path)
    except (ValueError, struct.error) as e:
        fail('%s: %s' % (name, e))
        return None
    ok = True
    if (bmp.width, bmp.height) != (width, height):
        fail('%s: %d x %d pixels (stored height %d), want %d x %d bottom-up'
             % (name, bmp.width, abs(bmp.height), bmp.height, width, height))
        ok = False
    if bmp.bpp != bpp:
        fail('%s: %d bits per pixel, want %d' % (name, bmp.bpp, bpp))
        ok = False
    if bmp.compression != 0:
        fail('%s: compression %d, want BI_RGB (0)' % (name, bmp.compression))
        ok = False
    if bmp.planes != 1:
        fail('%s: %d planes, want 1' % (name, bmp.planes))
        ok = False
    if bpp == 8 and not bmp.palette:
        fail('%s: no palette' % name)
        ok = False
    return bmp if ok else None


def luminance(c):
    return 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]


def differing(bmp, x0, y0, w, h, ground):
    return sum(1 for y in range(y0, y0 + h) for x in range(x0, x0 + w) if bmp.pixel(x, y) != ground)


def check_cells(bmp, cell_w, cell_h, ground, what, min_share=0.03):
    """Every cell must have a real picture: enough pixels that are not ground."""
    for k in range(bmp.width // cell_w):
        n = differing(bmp, k * cell_w, 0, cell_w, cell_h, ground)
        if n < min_share * cell_w * cell_h:
            fail('%s: %s %d is blank (%d of %d pixels differ from the ground %s)'
                 % (bmp.name, what, k + 1, n, cell_w * cell_h, ground))


def check_splash(folder):
    bmp = load(folder, 'splash.bmp', 400, 400, 24)
    if bmp:
        colours = {bmp.pixel(x, y) for y in range(0, 400, 4) for x in range(0, 400, 4)}
        if len(colours) < 32:
            fail('splash.bmp: only %d colours; the picture looks empty' % len(colours))


def check_splash_drawn(folder):
    if not os.path.isfile(os.path.join(folder, 'splash.bmp')):
        return
    with tempfile.TemporaryDirectory() as out:
        drawn = subprocess.run([sys.executable, os.path.join(folder, 'art', 'make_bitmaps.py'),
                                '--only', 'splash', '--out', out], capture_output=True, text=True)
        path = os.path.join(out, 'splash.bmp')
        if drawn.returncode != 0 or not os.path.isfile(path):
            fail('splash.bmp: art/make_bitmaps.py failed: %s' % drawn.stderr.strip())
            return
        with open(path, 'rb') as a, open(os.path.join(folder, 'splash.bmp'), 'rb') as b:
            if a.read() != b.read():
                fail('splash.bmp is not what art/make_bitmaps.py draws for the version of '
                     'CMakeLists.txt (python3 resources/art/make_bitmaps.py --only splash)')


def check_toolbar(folder):
    bmp = load(folder, 'toolbar.bmp', 480, 32, 8)
    if not bmp:
        return
    if BUTTON not in bmp.palette:
        fail('toolbar.bmp: the palette has no button grey %s' % (BUTTON,))
    if bmp.pixel(0, 0) != BUTTON:
        fail('toolbar.bmp: top-left pixel is %s, want the button grey %s' % (bmp.pixel(0, 0), BUTTON))
    check_cells(bmp, 32, 32, BUTTON, 'button', 0.10)


def check_instruments(folder):
    bmp = load(folder, 'instruments.bmp', 2565, 141, 24)
    if not bmp:
        return
    if bmp.pixel(0, 0) != GROUND:
        fail('instruments.bmp: top-left pixel is %s, want %s' % (bmp.pixel(0, 0), GROUND))
    check_cells(bmp, 171, 141, GROUND, 'picture', 0.05)


def check_keycaps(folder):
    bmp = load(folder, 'keycaps.bmp', 190, 39, 24)
    if not bmp:
        return
    names = ['grey', 'blue', 'red', 'green', 'orange']
    for k in range(5):
        x0 = k * 38
        rim = [bmp.pixel(x0 + x, y) for x in range(38) for y in (0, 38)] + \
              [bmp.pixel(x0 + x, y) for x in (0, 37) for y in range(1, 38)]
        rim_l = sum(luminance(c) for c in rim) / len(rim)
        centre = bmp.pixel(x0 + 19, 19)
        if luminance(centre) <= rim_l + 20:
            fail('keycaps.bmp: %s cap centre %s (luminance %.0f) is not lighter than its rim (%.0f)'
                 % (names[k], centre, luminance(centre), rim_l))
        if luminance(centre) < 150:
            fail('keycaps.bmp: %s cap centre %s is too dark for black labels' % (names[k], centre))


def check_icon(folder):
    path = os.path.join(folder, 'velmira.ico')
    if not os.path.isfile(path):
        fail('velmira.ico: missing')
        return
    with open(path, 'rb') as f:
        data = f.read()
    if len(data) < 6:
        fail('velmira.ico: too short')
        return
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    if reserved != 0 or kind != 1:
        fail('velmira.ico: not an icon file (reserved %d, type %d)' % (reserved, kind))
        return
    if len(data) < 6 + 16 * count:
        fail('velmira.ico: directory of %d entries does not fit' % count)
        return
    sizes = set()
    for k in range(count):
        w, h, _, _, planes, bpp, size, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * k)
        w, h = w or 256, h or 256
        if offset + size > len(data) or size < 40:
            fail('velmira.ico: image %d (%dx%d) lies outside the file' % (k + 1, w, h))
            continue
        blob = data[offset:offset + size]
        if blob[:8] == b'\x89PNG\r\n\x1a\n':
            sizes.add((w, h))
            continue
        hs, bw, bh, bplanes, bbpp = struct.unpack_from('<IiiHH', blob, 0)
        if hs != 40 or bw != w or bh != 2 * h:
            fail('velmira.ico: image %d header says %d x %d, directory says %d x %d' % (k + 1, bw, bh // 2, w, h))
            continue
        colours = (1 << bbpp) if bbpp <= 8 else 0
        xor = ((w * bbpp + 31) // 32) * 4 * h
        mask = ((w + 31) // 32) * 4 * h
        if 40 + 4 * colours + xor + mask > size:
            fail('velmira.ico: image %d (%dx%d, %d bpp) has no room for its AND mask' % (k + 1, w, h, bbpp))
            continue
        sizes.add((w, h))
    for n in (16, 32, 48):
        if (n, n) not in sizes:
            fail('velmira.ico: no %dx%d image (has %s)' % (n, n, sorted(sizes)))


def main(argv):
    if len(argv) != 2:
        print('usage: check_bitmaps.py RESOURCES_DIR', file=sys.stderr)
        return 2
    folder = argv[1]
    for check in (check_splash, check_splash_drawn, check_toolbar, check_instruments,
                  check_keycaps, check_icon):
        check(folder)
    for p in problems:
        print('FAIL ' + p)
    if problems:
        print('%d problem(s) in %s' % (len(problems), folder))
        return 1
    print('bitmaps and icon in %s: all checks hold' % folder)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
