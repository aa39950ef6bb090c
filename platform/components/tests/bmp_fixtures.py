# Writes BMP files of every supported layout and prints, per file, its name, size, bytes and the pixels
# Pillow decodes from it (RGBA), all in hexadecimal: "name width height file-hex rgba-hex".
import io
import struct

from PIL import Image


def colour(x, y):
    return ((x * 37 + y * 11) & 255, (x * 13 + y * 71) & 255, (x * 5 + y * 3 + 17) & 255)


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def rows_of(width, height, pixel_row, top_down):
    order = range(height) if top_down else range(height - 1, -1, -1)
    return b"".join(pad(pixel_row(y)) for y in order)


def info_header(width, height, bits, compression=0, used=0, size=40, masks=(0, 0, 0, 0)):
    header = struct.pack("<IiiHHIIiiII", size, width, height, 1, bits, compression, 0, 2835, 2835, used, 0)
    if size > 40:
        header += struct.pack("<IIII", *masks)[: size - 40]
        if size >= 108:
            header += b"BGRs" + b"\0" * (size - len(header) - 4)
    return header


def core_header(width, height, bits):
    return struct.pack("<IHHHH", 12, width, height, 1, bits)


def bmp(header, palette, masks_after, data):
    off = 14 + len(header) + len(masks_after) + len(palette)
    return b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) + header + masks_after + palette + data


def palette_file(width, height, bits, used=0, core=False, top_down=False):
    count = used or (1 << bits)
    colours = [((i * 53) & 255, (i * 97 + 5) & 255, (i * 29 + 200) & 255) for i in range(count)]
    entry = (lambda c: bytes((c[2], c[1], c[0]))) if core else (lambda c: bytes((c[2], c[1], c[0], 0)))
    palette = b"".join(entry(c) for c in colours)

    def row(y):
        bits_text = "".join(format((x + 2 * y) % count, "0%db" % bits) for x in range(width))
        bits_text += "0" * (-len(bits_text) % 8)
        return bytes(int(bits_text[i : i + 8], 2) for i in range(0, len(bits_text), 8))

    header = core_header(width, height, bits) if core else info_header(width, -height if top_down else height, bits, 0, used)
    return bmp(header, palette, b"", rows_of(width, height, row, top_down))


def direct_file(width, height, bits, header_size=40, compression=0, masks=None, top_down=False, core=False):
    r_mask, g_mask, b_mask, a_mask = masks or (0, 0, 0, 0)

    def value(x, y):
        r, g, b = colour(x, y)
        if bits == 24:
            return bytes((b, g, r))
        if bits == 16:
            if compression == 0 or g_mask == 0x3E0:
                v = (r >> 3) << 10 | (g >> 3) << 5 | b >> 3
            else:
                v = (r >> 3) << 11 | (g >> 2) << 5 | b >> 3
            return struct.pack("<H", v)
        a = (x * 40 + y * 90) & 255
        return struct.pack("<I", a << 24 | r << 16 | g << 8 | b)

    row = lambda y: b"".join(value(x, y) for x in range(width))
    if core:
        header, after = core_header(width, height, bits), b""
    else:
        header = info_header(width, -height if top_down else height, bits, compression, 0, header_size, masks or (0, 0, 0, 0))
        after = struct.pack("<III", r_mask, g_mask, b_mask) if compression == 3 and header_size == 40 else b""
    return bmp(header, b"", after, rows_of(width, height, row, top_down))


def pillow_file(mode, width, height):
    image = Image.new("RGB", (width, height))
    image.putdata([colour(x, y) for y in range(height) for x in range(width)])
    if mode == "1":
        image = image.convert("1")
    elif mode == "P":
        image = image.convert("P", palette=Image.ADAPTIVE, colors=200)
    elif mode == "RGBA":
        image = image.convert("RGBA")
    out = io.BytesIO()
    image.save(out, format="BMP")
    return out.getvalue()


A = 0xFF000000
cases = [
    ("pillow 1 bit", pillow_file("1", 13, 7)),
    ("pillow 8 bits", pillow_file("P", 9, 5)),
    ("pillow 24 bits", pillow_file("RGB", 11, 6)),
    ("pillow 32 bits", pillow_file("RGBA", 5, 4)),
    ("4 bits", palette_file(13, 5, 4)),
    ("4 bits, 5 colours used", palette_file(7, 3, 4, used=5)),
    ("8 bits, 20 colours used", palette_file(6, 3, 8, used=20)),
    ("8 bits top-down", palette_file(5, 4, 8, top_down=True)),
    ("1 bit core", palette_file(17, 3, 1, core=True)),
    ("8 bits core", palette_file(5, 4, 8, core=True)),
    ("24 bits core", direct_file(7, 3, 24, core=True)),
    ("16 bits 5-5-5", direct_file(7, 5, 16)),
    ("16 bits 5-6-5 bitfields", direct_file(7, 5, 16, compression=3, masks=(0xF800, 0x7E0, 0x1F, 0))),
    ("16 bits 5-5-5 V5", direct_file(3, 2, 16, header_size=124)),
    ("24 bits top-down", direct_file(5, 4, 24, top_down=True)),
    ("32 bits bitfields after the info header", direct_file(3, 2, 32, compression=3, masks=(0xFF0000, 0xFF00, 0xFF, 0))),
    ("32 bits V4 with alpha", direct_file(6, 3, 32, header_size=108, compression=3, masks=(0xFF0000, 0xFF00, 0xFF, A))),
    ("32 bits V5 with alpha, top-down", direct_file(4, 3, 32, header_size=124, compression=3, masks=(0xFF0000, 0xFF00, 0xFF, A), top_down=True)),
]
for name, data in cases:
    image = Image.open(io.BytesIO(data))
    image.load()
    print("%s|%d|%d|%s|%s" % (name, image.width, image.height, data.hex(), image.convert("RGBA").tobytes().hex()))
