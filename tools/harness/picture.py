"""RGB pictures read pixel by pixel: screenshots (as ImageMagick's binary PPM) and the
program's 24-bit bitmaps (read without any tool); the key block and its caps on a screenshot."""

import struct
from pathlib import Path

from harness.process import HarnessError

CAP_W, CAP_H = 38, 39
# The cells of the cap picture (resources/keycaps.bmp), 38 pixels apart: released, held plain,
# with Shift, with Ctrl, and the orange one of a cap a lesson asks to strike next.
GREY, BLUE, RED, GREEN, ORANGE = range(5)
# Where a cap's label and octave dots may be drawn: columns 9..28, rows 2..35 of the cap. The
# rest of the cap is the picture's cell, pixel for pixel.
LABEL_BOX = (9, 2, 29, 36)
CAP_PIXELS = [(x, y) for y in range(CAP_H) for x in range(CAP_W)
              if not (LABEL_BOX[0] <= x < LABEL_BOX[2] and LABEL_BOX[1] <= y < LABEL_BOX[3])]


class Picture:
    """An RGB picture: pixel(x, y) is an (r, g, b) tuple."""

    def __init__(self, width, height, rows):
        self.width = width
        self.height = height
        self.rows = rows  # height byte strings of 3 * width bytes, top row first

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError("pixel (%d, %d) outside a %dx%d picture"
                             % (x, y, self.width, self.height))
        row = self.rows[y]
        return tuple(row[3 * x:3 * x + 3])

    @classmethod
    def from_ppm(cls, data):
        """A binary PPM (P6, 8 bits a channel), as ImageMagick writes it."""
        fields = []
        at = 0
        while len(fields) < 4 and at < len(data):
            while data[at:at + 1].isspace():
                at += 1
            if data[at:at + 1] == b"#":
                at = data.find(b"\n", at) + 1 or len(data)
                continue
            end = at
            while end < len(data) and not data[end:end + 1].isspace():
                end += 1
            fields.append(data[at:end])
            at = end
        at += 1  # the one white-space character after the maximum value
        if len(fields) < 4 or fields[0] != b"P6" or fields[3] != b"255":
            raise HarnessError("not an 8-bit binary PPM: %r" % fields)
        width, height = int(fields[1]), int(fields[2])
        pixels = data[at:at + 3 * width * height]
        if len(pixels) != 3 * width * height:
            raise HarnessError("a PPM of %dx%d with only %d bytes" % (width, height, len(pixels)))
        return cls(width, height,
                   [pixels[3 * width * y:3 * width * (y + 1)] for y in range(height)])

    @classmethod
    def from_bmp(cls, path):
        """An uncompressed 24-bit Windows bitmap (BITMAPINFOHEADER), read without any tool."""
        data = Path(path).read_bytes()
        if data[:2] != b"BM":
            raise HarnessError("%s is not a Windows bitmap" % path)
        offset = struct.unpack_from("<I", data, 10)[0]
        width, height, planes, bits, compression = struct.unpack_from("<iiHHI", data, 18)
        if bits != 24 or compression != 0:
            raise HarnessError("%s: %d bits a pixel, compression %d: only plain 24-bit is read"
                               % (path, bits, compression))
        stride = (3 * width + 3) // 4 * 4
        bottom_up = height > 0
        height = abs(height)
        rows = []
        for y in range(height):
            source = height - 1 - y if bottom_up else y
            bgr = data[offset + stride * source:offset + stride * source + 3 * width]
            rgb = bytearray(3 * width)
            rgb[0::3] = bgr[2::3]
            rgb[1::3] = bgr[1::3]
            rgb[2::3] = bgr[0::3]
            rows.append(bytes(rgb))
        return cls(width, height, rows)


def find_key_block(picture, caps):
    """The top-left corner of the on-screen key block: where the first cap's top two rows of
    the grey cap picture (released) first appear in the picture, or None."""
    first, second = caps.rows[0][:3 * 38], caps.rows[1][:3 * 38]
    for y in range(picture.height - 1):
        x = picture.rows[y].find(first)
        while x >= 0:
            if x % 3 == 0 and picture.rows[y + 1][x:x + len(second)] == second:
                return x // 3, y
            x = picture.rows[y].find(first, x + 1)
    return None


def cap_corner(block, row, half_column):
    """The top-left corner of the cap in the row (0 the number row) and half-column."""
    return block[0] + half_column * CAP_W // 2, block[1] + row * CAP_H


def cap_differences(picture, caps, corner, cell):
    """How many pixels of the cap at corner differ from the cell of the cap picture, away from
    its label and dots."""
    left, top = corner
    return sum(1 for x, y in CAP_PIXELS
               if picture.pixel(left + x, top + y) != caps.pixel(cell * CAP_W + x, y))
