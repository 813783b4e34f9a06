# Remakes res/imgs/color_pla_sel.png and color_pla_nor.png (stdlib only): python3 res/tools/make_color_rings.py
import colorsys
import math
import os
import struct
import zlib

SUPERSAMPLING = 4
RING_OUTER = 32.5  # the ring fills the 65-pixel image
RING_INNER = 22.5
BORDER_OUTER = 35.0  # the checked image adds a teal border around the same ring
BORDER_INNER = 33.0
TEAL = (0x00, 0xB2, 0xB0)


def ring_sample(dx, dy, with_border):
    """Colour (r, g, b) of one sub-pixel sample, or None where the image is transparent."""
    r = math.hypot(dx, dy)
    if RING_INNER <= r <= RING_OUTER:
        hue = (math.atan2(dx, -dy) / (2 * math.pi)) % 1.0  # red at the top, clockwise
        return tuple(round(c * 255) for c in colorsys.hsv_to_rgb(hue, 0.85, 1.0))
    if with_border and BORDER_INNER <= r <= BORDER_OUTER:
        return TEAL
    return None


def render(size, with_border):
    centre = size / 2.0
    rows = []
    for y in range(size):
        row = bytearray([0])  # PNG filter type: none
        for x in range(size):
            red = green = blue = covered = 0
            for sy in range(SUPERSAMPLING):
                for sx in range(SUPERSAMPLING):
                    dx = x + (sx + 0.5) / SUPERSAMPLING - centre
                    dy = y + (sy + 0.5) / SUPERSAMPLING - centre
                    sample = ring_sample(dx, dy, with_border)
                    if sample:
                        red, green, blue = red + sample[0], green + sample[1], blue + sample[2]
                        covered += 1
            if covered:
                row += bytes([red // covered, green // covered, blue // covered,
                              round(255 * covered / SUPERSAMPLING ** 2)])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return b"".join(rows)


def write_png(path, size, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    with open(path, "wb") as png:
        png.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                  + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    images = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "imgs")
    write_png(os.path.join(images, "color_pla_sel.png"), 65, render(65, False))
    write_png(os.path.join(images, "color_pla_nor.png"), 70, render(70, True))
