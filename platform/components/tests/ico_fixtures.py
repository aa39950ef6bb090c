# Writes icon files of the supported layouts and prints, per file, its name, size, bytes and the pixels
# Pillow decodes from it (RGBA, transparent pixels as 00000000), all in hexadecimal:
# "name|width|height|file-hex|rgba-hex".
import io
import struct

from PIL import Image


def colour(x, y):
    return ((x * 37 + y * 11) & 255, (x * 13 + y * 71) & 255, (x * 5 + y * 3 + 17) & 255)


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def masked(x, y):
    return (x * 3 + y) % 7 == 0


def icon_file(image_bytes, width, height, bits):
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width & 255, height & 255, 0, 0, 1, bits, len(image_bytes), 22)
    return directory + entry + image_bytes


def mask_rows(width, height):
    rows = b""
    for y in range(height - 1, -1, -1):
        row = bytearray((width + 7) // 8)
        for x in range(width):
            if masked(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        rows += pad(bytes(row))
    return rows


def palette_icon(width, height, bits, used=0):
    colours = used or (1 << bits)
    palette = [colour(i, 2 * i) for i in range(colours)]
    rows = b""
    for y in range(height - 1, -1, -1):
        row = bytearray((width * bits + 7) // 8)
        for x in range(width):
            index = (x + 3 * y) % colours
            shift = 8 - bits * (x % (8 // bits) + 1)
            row[x * bits // 8] |= index << shift
        rows += pad(bytes(row))
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, bits, 0, 0, 0, 0, used, 0)
    table = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in palette)
    return icon_file(header + table + rows + mask_rows(width, height), width, height, bits)


def direct_icon(width, height, bits, alpha=False, mask=True):
    rows = b""
    for y in range(height - 1, -1, -1):
        row = b""
        for x in range(width):
            r, g, b = colour(x, y)
            if bits == 24:
                row += bytes((b, g, r))
            else:
                row += bytes((b, g, r, (x * 40 + y * 20) & 255 if alpha else 0))
        rows += pad(row)
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, bits, 0, 0, 0, 0, 0, 0)
    return icon_file(header + rows + (mask_rows(width, height) if mask else b""), width, height, bits)


def pillow_icon(width, height):
    image = Image.new("RGBA", (width, height))
    image.putdata([colour(x, y) + ((0 if masked(x, y) else 255),) for y in range(height) for x in range(width)])
    out = io.BytesIO()
    image.save(out, format="ICO", sizes=[(width, height)], bitmap_format="bmp")
    return out.getvalue()


cases = [
    ("pillow 32 bits", pillow_icon(16, 16)),
    ("pillow 32 bits 24 x 24", pillow_icon(24, 24)),
    ("1 bit", palette_icon(13, 5, 1)),
    ("4 bits", palette_icon(8, 4, 4)),
    ("4 bits, 5 colours used", palette_icon(7, 3, 4, used=5)),
    ("8 bits, 20 colours used", palette_icon(33, 3, 8, used=20)),
    ("24 bits", direct_icon(5, 4, 24)),
    ("32 bits with alpha and mask", direct_icon(6, 3, 32, alpha=True)),
    ("32 bits with alpha, no mask", direct_icon(6, 3, 32, alpha=True, mask=False)),
]
for name, data in cases:
    image = Image.open(io.BytesIO(data))
    image.load()
    rgba = image.convert("RGBA")
    pixels = b"".join(bytes(p) if p[3] else b"\0\0\0\0" for p in rgba.getdata())
    print("%s|%d|%d|%s|%s" % (name, image.width, image.height, data.hex(), pixels.hex()))
