"""Draws brevand.ico, a log sheet with an incoming-signal badge, at 16 and 32 pixels.

Run as: python3 make_icon.py brevand.ico
"""
import struct
import sys

PAPER = (250, 250, 245, 255)
EDGE = (40, 70, 120, 255)
LINE = (90, 110, 140, 255)
BADGE = (225, 115, 20, 255)
WHITE = (255, 255, 255, 255)
CLEAR = (0, 0, 0, 0)

# Lines of text on the sheet: (y, x0, x1) in a 32-unit square.
TEXT_LINES = ((8, 7, 22), (12, 7, 19), (16, 7, 22), (20, 7, 15))


def in_sheet(x, y):
    return 3 <= x < 24 and 1 <= y < 29


def colour_at(x, y, size):
    """The colour of pixel (x, y) of an image size pixels wide."""
    unit = 32.0 / size
    ux, uy = (x + 0.5) * unit, (y + 0.5) * unit
    # Badge: a rounded orange square in the lower right corner with a dot and
    # two arcs, the usual sign of something arriving.
    if 15 <= ux < 31 and 15 <= uy < 31:
        cx, cy = min(max(ux, 17), 29), min(max(uy, 17), 29)
        if (ux - cx) ** 2 + (uy - cy) ** 2 <= 4:
            ax, ay = ux - 18, uy - 28
            a = (ax * ax + ay * ay) ** 0.5
            if a <= (2.2 if size >= 32 else 3):
                return WHITE
            # At 16 pixels one arc reads better than two.
            arcs = ((5, 7.2), (10, 12.2)) if size >= 32 else ((7, 10),)
            if ax >= -0.5 and ay <= 0.5 and any(lo <= a < hi for lo, hi in arcs):
                return WHITE
            return BADGE
    if not in_sheet(ux, uy):
        return CLEAR
    # The sheet's border is one pixel, whatever the size.
    for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)):
        if not in_sheet((nx + 0.5) * unit, (ny + 0.5) * unit):
            return EDGE
    for ly, x0, x1 in TEXT_LINES:
        if x0 <= ux < x1 and ly <= uy < ly + max(1.5, unit):
            return LINE
    return PAPER


def bitmap(size):
    """One icon image: BITMAPINFOHEADER, 32-bit BGRA rows bottom up, AND mask."""
    rows = [[colour_at(x, y, size) for x in range(size)] for y in range(size)]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def main(path):
    sizes = (16, 32)
    images = [bitmap(n) for n in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "brevand.ico")
