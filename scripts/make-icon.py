#!/usr/bin/env python3
"""Writes ui/Trapwright.ico: the tree's project picture (a window with a
pencil) scaled to 16, 32 and 48 pixels, its red background transparent.
Run it again after the picture in ui/TreeImages.cpp changes."""
import re
import struct
from pathlib import Path

root = Path(__file__).resolve().parent.parent
source = (root / "ui" / "TreeImages.cpp").read_text()
palette = dict(
    (m.group(1), tuple(int(v) for v in m.group(2, 3, 4)))
    for m in re.finditer(r"case '(.)': return RGB\((\d+), (\d+), (\d+)\);", source))
rows = re.findall(r'^\s+"([^"]{18})",$', source, re.M)[:18]
assert len(rows) == 18, "the first picture has 18 rows of 18 pixels"


def image(size):
    pixels = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):  # bottom-up rows
        line = bytearray(mask_stride)
        for x in range(size):
            c = rows[y * 18 // size][x * 18 // size]
            if c == ".":
                pixels += bytes((0, 0, 0, 0))
                line[x // 8] |= 0x80 >> (x % 8)
            else:
                r, g, b = palette[c]
                pixels += bytes((b, g, r, 255))
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


sizes = (16, 32, 48)
images = [image(s) for s in sizes]
out = struct.pack("<HHH", 0, 1, len(images))
offset = 6 + 16 * len(images)
for size, data in zip(sizes, images):
    out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
for data in images:
    out += data
(root / "ui" / "Trapwright.ico").write_bytes(out)
