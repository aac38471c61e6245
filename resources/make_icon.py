#!/usr/bin/env python3
"""Draws the program icon (an add-in board with its edge connector) and writes
spanfinder.ico: 48, 32 and 16 pixel images at 4, 8 and 24 bits per pixel.
Run it again only to change the picture; the .ico is kept with the sources."""
import struct
import sys

TRANSPARENT = None
BOARD = (0x1F, 0x7A, 0x3A)
EDGE = (0x0E, 0x45, 0x1F)
GOLD = (0xE0, 0xB0, 0x20)
CHIP = (0x20, 0x20, 0x20)
LABEL = (0xF0, 0xF0, 0xF0)

# The 16 colours of the 4-bit palette (the system's standard ones).
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
       (0, 255, 255), (255, 255, 255)]


def pixel(x, y, size):
    """The colour at (x, y), top-left origin, in a picture of size by size."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    if not (0.06 <= u <= 0.94 and 0.16 <= v <= 0.84):
        return TRANSPARENT
    if 0.78 <= v:  # edge connector: gold fingers on the board's lower edge
        finger = int((u - 0.06) / 0.88 * 8)
        left = 0.06 + finger * 0.11
        return GOLD if left + 0.02 <= u <= left + 0.08 else TRANSPARENT
    if u < 0.1 or u > 0.9 or v < 0.2:
        return EDGE
    if 0.3 <= u <= 0.7 and 0.3 <= v <= 0.66:  # the chip, with its label
        return LABEL if 0.36 <= u <= 0.64 and 0.42 <= v <= 0.5 else CHIP
    return BOARD


def nearest(colour, palette):
    return min(range(len(palette)), key=lambda i: sum((a - b) ** 2 for a, b in zip(colour, palette[i])))


def image(size, bits):
    rows = [[pixel(x, y, size) for x in range(size)] for y in range(size)]
    if bits == 4:
        palette = VGA
    elif bits == 8:
        palette = [BOARD, EDGE, GOLD, CHIP, LABEL] + [(0, 0, 0)] * 251
    else:
        palette = []
    xor = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        if bits == 24:
            for c in row:
                r, g, b = c or (0, 0, 0)
                line += bytes((b, g, r))
        else:
            idx = [nearest(c, palette) if c else 0 for c in row]
            if bits == 8:
                line += bytes(idx)
            else:
                for i in range(0, size, 2):
                    line.append((idx[i] << 4) | idx[i + 1])
        line += b"\0" * (-len(line) % 4)
        xor += line
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray((size + 7) // 8)
        for x, c in enumerate(row):
            if c is None:
                line[x // 8] |= 0x80 >> (x % 8)
        line += b"\0" * (-len(line) % 4)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(xor) + len(mask), 0, 0,
                         len(palette), 0)
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + colours + xor + mask


def main(path):
    entries = [(s, b) for s in (48, 32, 16) for b in (4, 8, 24)]
    images = [image(s, b) for s, b in entries]
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for (size, bits), data in zip(entries, images):
        out += struct.pack("<BBBBHHII", size, size, 16 if bits == 4 else 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "spanfinder.ico")
