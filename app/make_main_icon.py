#!/usr/bin/env python3
"""Draws the application icon "MAINICON": one 32 x 32 image in 16 colours.

The picture is a chip on a board with an arrow into it: a driver going into the machine.
Run it to regenerate MainIcon.ico beside this script; the output is the same on every run.
"""
import pathlib
import struct

SIZE = 32
# The 16 colours of the standard Windows palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREEN, NAVY, SILVER, GREY, GREEN, YELLOW, BLUE, WHITE = 0, 2, 4, 7, 8, 10, 11, 12, 15
CLEAR = None  # transparent: the AND mask lets the background through


def draw():
    pixels = [[CLEAR] * SIZE for _ in range(SIZE)]

    def fill(left, top, right, bottom, colour):
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                pixels[y][x] = colour

    # The board, with a darker rim.
    fill(1, 9, 30, 30, DARK_GREEN)
    fill(2, 10, 29, 29, GREEN)
    for x in range(4, 28, 4):  # traces
        fill(x, 27, x, 29, DARK_GREEN)
    # The chip: pins left and right, a black case with a grey face, pin 1 marked.
    for y in range(14, 26, 3):
        fill(5, y, 7, y + 1, SILVER)
        fill(24, y, 26, y + 1, SILVER)
    fill(8, 12, 23, 27, BLACK)
    fill(9, 13, 22, 26, GREY)
    fill(10, 14, 11, 15, YELLOW)
    # The arrow, pointing down at the chip.
    fill(14, 0, 17, 5, NAVY)
    fill(15, 0, 16, 5, BLUE)
    for step in range(6):
        fill(10 + step, 5 + step, 21 - step, 5 + step, NAVY)
        if step < 5:
            fill(11 + step, 5 + step, 20 - step, 5 + step, BLUE)
    fill(15, 1, 15, 5, WHITE)  # highlight
    return pixels


def icon_bytes(pixels):
    colour_rows = []
    mask_rows = []
    for row in reversed(pixels):  # bitmaps run bottom-up
        nibbles = [0 if p is CLEAR else p for p in row]
        colour_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2)))
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is CLEAR else 0)
        mask_rows.append(struct.pack(">I", bits))
    colours = b"".join(colour_rows)
    mask = b"".join(mask_rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    # The header counts the colour and mask bitmaps together: twice the height.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0, len(colours) + len(mask),
                         0, 0, 0, 0)
    image = header + palette + colours + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    target = pathlib.Path(__file__).with_name("MainIcon.ico")
    target.write_bytes(icon_bytes(draw()))
