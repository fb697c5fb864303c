#!/usr/bin/env python3
"""Draws the installer's icon: an open blue book on a transparent ground,
as a 32x32 and a 16x16 image of 16 colours, into install.ico."""
import struct
import sys

# The standard 16-colour palette (blue, green, red, reserved).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]  # given as (r, g, b)
BLACK, NAVY, SILVER, GREY, BLUE, WHITE, YELLOW = 0, 4, 7, 8, 12, 15, 11


def draw(size):
    """Returns rows (top first) of palette indices, None for transparent."""
    s = size / 32.0
    img = [[None] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), max(int(y1 * s), int(y0 * s) + 1)):
            for x in range(int(x0 * s), max(int(x1 * s), int(x0 * s) + 1)):
                if 0 <= x < size and 0 <= y < size:
                    img[y][x] = colour

    rect(2, 5, 30, 28, NAVY)        # cover
    rect(4, 6, 15, 26, WHITE)       # left page
    rect(17, 6, 28, 26, WHITE)      # right page
    rect(15, 5, 17, 28, BLUE)       # spine
    for line in range(9, 24, 3):    # lines of text
        rect(6, line, 13, line + 1, GREY)
        rect(19, line, 26, line + 1, GREY)
    rect(24, 2, 27, 12, YELLOW)     # bookmark
    return img


def bitmap(size):
    img = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor_rows, and_rows = [], []
    for row in reversed(img):  # bottom-up
        nibbles = [c if c is not None else 0 for c in row]
        data = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor_rows.append(data + b"\0" * ((4 - len(data) % 4) % 4))
        bits = 0
        mask = bytearray()
        for i, c in enumerate(row):
            bits = (bits << 1) | (1 if c is None else 0)
            if i % 8 == 7:
                mask.append(bits)
                bits = 0
        and_rows.append(bytes(mask) + b"\0" * ((4 - len(mask) % 4) % 4))
    return header + palette + b"".join(xor_rows) + b"".join(and_rows)


def main(out):
    images = [bitmap(32), bitmap(16)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip((32, 16), images):
        data += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    data += b"".join(images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "install.ico")
