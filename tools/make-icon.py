#!/usr/bin/env python3
"""Turns the text drawing of an icon into a Windows .ico file.

Input: a text file with a palette (lines "C = r g b" or "C = transparent")
and, after a line holding only "#", one row of characters per pixel line,
32 x 32. Output: an .ico with a 32 x 32 and a 16 x 16 image, each a 4-bit
palettised bitmap with its transparency mask (the smaller one takes every
other pixel, preferring opaque ones so the outline survives).
"""
import struct
import sys

SIZE = 32
MAX_COLOURS = 16


def read_drawing(path):
    palette = {}
    rows = []
    in_rows = False
    with open(path, encoding="ascii") as source:
        for raw in source:
            line = raw.rstrip("\n")
            if not in_rows:
                if line.strip() == "#":
                    in_rows = True
                    continue
                if not line.strip() or line.startswith("# "):
                    continue
                key, _, value = line.partition("=")
                key = key.strip()
                value = value.strip()
                if len(key) != 1 or not value:
                    sys.exit(f"{path}: bad palette line: {line!r}")
                palette[key] = None if value == "transparent" else tuple(int(v) for v in value.split())
            elif line:
                rows.append(line)
    if len(rows) != SIZE or any(len(row) != SIZE for row in rows):
        sys.exit(f"{path}: the drawing must be {SIZE} x {SIZE} characters")
    for row in rows:
        for char in row:
            if char not in palette:
                sys.exit(f"{path}: character {char!r} is not in the palette")
    return palette, rows


def shrink(rows, palette):
    small = []
    for y in range(0, SIZE, 2):
        line = ""
        for x in range(0, SIZE, 2):
            block = [rows[y][x], rows[y][x + 1], rows[y + 1][x], rows[y + 1][x + 1]]
            opaque = [c for c in block if palette[c] is not None]
            # The outline colour wins so that thin edges stay visible.
            line += "K" if "K" in opaque else (opaque[0] if opaque else block[0])
        small.append(line)
    return small


def bitmap(rows, colours, index):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, len(colours), 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colours)
    palette += b"\0\0\0\0" * (MAX_COLOURS - len(colours))
    pixels = b""
    mask = b""
    row_bytes = ((size * 4 + 31) // 32) * 4
    mask_bytes = ((size + 31) // 32) * 4
    for row in reversed(rows):  # bottom-up, as in every DIB
        nibbles = [index[c] for c in row]
        packed = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        pixels += packed.ljust(row_bytes, b"\0")
        mask_row = bytearray(mask_bytes)
        for x, char in enumerate(row):
            if char in index["__transparent__"]:
                mask_row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(mask_row)
    return header + palette + pixels + mask


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make-icon.py DRAWING.txt OUTPUT.ico")
    palette, rows = read_drawing(sys.argv[1])
    # Transparent pixels take colour 0 (black) and are masked out.
    colours = [(0, 0, 0)]
    index = {"__transparent__": set()}
    for char, colour in palette.items():
        if colour is None:
            index[char] = 0
            index["__transparent__"].add(char)
            continue
        colours.append(colour)
        index[char] = len(colours) - 1
    if len(colours) > MAX_COLOURS:
        sys.exit(f"at most {MAX_COLOURS - 1} colours")
    images = [bitmap(rows, colours, index), bitmap(shrink(rows, palette), colours, index)]
    sizes = [SIZE, SIZE // 2]
    output = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        output += struct.pack("<BBBBHHII", size, size, MAX_COLOURS, 0, 1, 4, len(image), offset)
        offset += len(image)
    output += b"".join(images)
    with open(sys.argv[2], "wb") as target:
        target.write(output)


if __name__ == "__main__":
    main()
