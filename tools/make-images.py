#!/usr/bin/env python3
"""Draws the program's images and writes them into resources/.

    tools/make-images.py

Icon 109 (32x32, 16 colours), the step-button triangles 103 and 104 (16x16,
4 bits per pixel) and the logo 114 (136x40, 8 bits per pixel). Everything is
drawn here from code; the written files are checked in, so a build needs no
Python. Run it again after changing a drawing.
"""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")

# The window system maps this grey to the button face colour when a bitmap is
# loaded with LR_LOADMAP3DCOLORS, and LR_LOADTRANSPARENT does the same to the
# colour of the first pixel: every background here is this grey.
FACE = (192, 192, 192)

# The standard 16-colour palette (RGB).
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, SILVER, GREY, RED, BLUE, CYAN, WHITE = 0, 4, 7, 8, 9, 12, 14, 15


def row_bytes(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def pack_rows(pixels, width, bpp):
    """Bottom-up rows of palette indices, padded to 4 bytes."""
    out = bytearray()
    stride = row_bytes(width, bpp)
    for row in reversed(pixels):
        line = bytearray()
        if bpp == 8:
            line.extend(row)
        elif bpp == 4:
            for x in range(0, width, 2):
                line.append((row[x] << 4) | (row[x + 1] if x + 1 < width else 0))
        elif bpp == 1:
            for x in range(0, width, 8):
                byte = 0
                for bit in range(8):
                    if x + bit < width and row[x + bit]:
                        byte |= 0x80 >> bit
                line.append(byte)
        line.extend(b"\0" * (stride - len(line)))
        out.extend(line)
    return bytes(out)


def palette_bytes(palette, entries):
    colours = list(palette) + [(0, 0, 0)] * (entries - len(palette))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)


def info_header(width, height, bpp, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, image_size, 0, 0, 0, 0)


def write_bmp(name, pixels, bpp, palette):
    height, width = len(pixels), len(pixels[0])
    bits = pack_rows(pixels, width, bpp)
    colours = palette_bytes(palette, 1 << bpp)
    offset = 14 + 40 + len(colours)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset))
        f.write(info_header(width, height, bpp, len(bits)))
        f.write(colours)
        f.write(bits)


def ico_image(pixels, mask):
    """One icon image, 4 bits per pixel; mask 1 = transparent."""
    size = len(pixels)
    xor = pack_rows(pixels, size, 4)
    and_mask = pack_rows(mask, size, 1)
    return info_header(size, 2 * size, 4, len(xor) + len(and_mask)) + palette_bytes(VGA16, 16) + xor + and_mask


def write_ico(name, *images):
    """An icon file holding each (pixels, mask) image, smallest first."""
    blobs = [(len(pixels), ico_image(pixels, mask)) for pixels, mask in images]
    offset = 6 + 16 * len(blobs)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(blobs)))
        for size, blob in blobs:
            f.write(struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset))
            offset += len(blob)
        for _, blob in blobs:
            f.write(blob)


def canvas(width, height, fill):
    return [[fill] * width for _ in range(height)]


def rect(pixels, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            pixels[y][x] = colour


def disc(pixels, cx, cy, radius, colour):
    for y in range(len(pixels)):
        for x in range(len(pixels[0])):
            if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius + radius:
                pixels[y][x] = colour


def step_triangle(pointing_left):
    """A solid triangle, 6 columns wide and 12 rows tall at its base."""
    pixels = canvas(16, 16, SILVER)
    for d in range(6):
        x = 5 + d if pointing_left else 10 - d
        for y in range(7 - d, 9 + d):
            pixels[y][x] = BLACK
    return pixels


def icon():
    """A video camera: body, recording light and lens hood."""
    pixels = canvas(32, 32, BLACK)
    mask = canvas(32, 32, 1)

    def paint(x0, y0, x1, y1, colour):
        rect(pixels, x0, y0, x1, y1, colour)
        rect(mask, x0, y0, x1, y1, 0)

    paint(2, 10, 21, 24, NAVY)
    paint(3, 11, 20, 23, BLUE)
    paint(5, 6, 12, 9, GREY)
    paint(4, 13, 6, 15, RED)
    for d in range(8):
        paint(22 + d, 14 - d // 2, 22 + d, 20 + d // 2, GREY)
    paint(29, 10, 29, 24, BLACK)
    rect(pixels, 9, 16, 16, 21, CYAN)
    return pixels, mask


def setup_icon(size):
    """The Setup dialog's icon: three slider tracks with their knobs."""
    pixels = canvas(size, size, BLACK)
    mask = canvas(size, size, 1)
    unit = size // 16

    def paint(x0, y0, x1, y1, colour):
        rect(pixels, x0 * unit, y0 * unit, x1 * unit + unit - 1, y1 * unit + unit - 1, colour)
        rect(mask, x0 * unit, y0 * unit, x1 * unit + unit - 1, y1 * unit + unit - 1, 0)

    paint(0, 0, 15, 15, NAVY)
    paint(1, 1, 14, 14, SILVER)
    for row, knob, colour in ((3, 9, RED), (7, 4, BLUE), (11, 11, CYAN)):
        paint(2, row, 13, row, GREY)
        paint(knob - 1, row - 1, knob + 1, row + 1, colour)
    return pixels, mask


GLYPHS = {
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "v": [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "l": ["##.", ".#.", ".#.", ".#.", ".#.", ".#.", "###"],
    "i": [".#.", "...", "##.", ".#.", ".#.", ".#.", "###"],
    "x": [".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"],
}


def logo():
    """A lens beside the word Orvalix, underlined."""
    palette = [FACE, (16, 40, 96), (40, 96, 176), (150, 200, 240), (255, 255, 255), (232, 128, 24)]
    back, dark, mid, light, white, accent = range(6)
    pixels = canvas(136, 40, back)
    disc(pixels, 20, 20, 17, dark)
    disc(pixels, 20, 20, 13, mid)
    disc(pixels, 20, 20, 8, dark)
    disc(pixels, 20, 20, 5, light)
    disc(pixels, 17, 17, 2, white)
    x, top, sx, sy = 46, 9, 2, 3
    for ch in "Orvalix":
        glyph = GLYPHS[ch]
        for gy, line in enumerate(glyph):
            for gx, cell in enumerate(line):
                if cell == "#":
                    rect(pixels, x + gx * sx, top + gy * sy, x + gx * sx + sx - 1, top + gy * sy + sy - 1, dark)
        x += (len(glyph[0]) + 1) * sx
    rect(pixels, 46, 33, x - sx - 1, 34, accent)
    return pixels, palette


def main():
    write_bmp("minus.bmp", step_triangle(True), 4, VGA16)
    write_bmp("plus.bmp", step_triangle(False), 4, VGA16)
    pixels, palette = logo()
    write_bmp("logo.bmp", pixels, 8, palette)
    write_ico("orvalix.ico", icon())
    write_ico(os.path.join("..", "package", "icon1.ico"), setup_icon(16), setup_icon(32))


if __name__ == "__main__":
    main()
