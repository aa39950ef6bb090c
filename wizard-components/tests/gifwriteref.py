"""The LZW data a GIF writer gives a picture of 1, 4 or 8 bits per pixel, and cases to check a writer with.

    gifwriteref.py cases DIR   pictures as BMP files with their indices and the LZW data expected of them
    gifwriteref.py pillow DIR  checks the GIF files written for those cases as Pillow reads them

The encoder: code width bits + 1 (3 for 1-bit pixels), a clear code first; a string that is not in the table
writes its code and adds the entry; when the next free code reaches 2 ** width the width grows, and when it
reaches 4094 the pixel that began the new string is written, then a clear code, and the table starts again;
at the end the open string, if any, then the end code. Codes go least significant bit first into 255-byte
sub-blocks after the minimum code size byte, and a zero-length block ends them. Standard library only
(Pillow for the pillow check).
"""
import os
import random
import struct
import sys

import gifcorpus


def lzw_codes(pixels, bits, resets=None):
    """(code, width) pairs for the pixels, rows top to bottom, left to right; the index of the pixel at each
    table reset goes into `resets` when given."""
    initial = 3 if bits == 1 else bits + 1
    clear = 1 << (initial - 1)
    end = clear + 1
    codes = [(clear, initial)]
    width, table, next_free = initial, {}, end
    current = None
    for i, p in enumerate(pixels):
        if current is None:
            current = p
            continue
        if (current, p) in table:
            current = table[(current, p)]
            continue
        codes.append((current, width))
        next_free += 1
        table[(current, p)] = next_free
        current = p
        if next_free == 1 << width:
            width += 1
        elif next_free == 4094:
            codes.append((current, width))
            codes.append((clear, width))
            width, table, next_free = initial, {}, end
            current = None
            if resets is not None:
                resets.append(i)
    if current is not None:
        codes.append((current, width))
    codes.append((end, width))
    return initial - 1, codes


def lzw_data(pixels, bits):
    """The frame's data as stored: the minimum code size, the sub-blocks, the terminator."""
    minimum, codes = lzw_codes(pixels, bits)
    return bytes([minimum]) + gifcorpus.sub_blocks(gifcorpus.pack_codes(codes))


def bmp(width, height, bits, table, pixels):
    """A bottom-up BMP file of the indices with the full table."""
    stride = (width * bits + 31) // 32 * 4
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            v = pixels[y * width + x]
            if bits == 8:
                row[x] = v
            elif bits == 4:
                row[x >> 1] |= v << (0 if x & 1 else 4)
            else:
                row[x >> 3] |= v << (7 - (x & 7))
        rows.append(bytes(row))
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in table)
    offset = 54 + len(colours)
    size = offset + stride * height
    head = b"BM" + struct.pack("<IHHI", size, 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, stride * height, 0, 0, 0, 0)
    return head + info + colours + b"".join(rows)


def cases():
    rng = random.Random(36)
    out = []
    for bits in (1, 4, 8):
        for kind in ("random", "flat", "stripes"):
            for (w, h) in ((1, 1), (17, 5), (133, 71), (640, 480)):
                out.append(("b%d-%s-%dx%d" % (bits, kind, w, h), bits, w, h,
                            gifcorpus.palette(rng, 1 << bits), gifcorpus.content(rng, kind, w, h, 1 << bits)))
    row = first_reset_row(rng)
    out.append(("b8-reset-at-end", 8, len(row), 1, gifcorpus.palette(rng, 256), row))
    return out


def first_reset_row(rng):
    """Random 8-bit pixels ending with the pixel that the first table reset writes on its own."""
    row = [rng.randrange(256) for _ in range(20000)]
    resets = []
    lzw_codes(row, 8, resets)
    return row[:resets[0] + 1]


def write_cases(out):
    lines = []
    for name, bits, w, h, table, pixels in cases():
        with open(os.path.join(out, name + ".bmp"), "wb") as f:
            f.write(bmp(w, h, bits, table, pixels))
        with open(os.path.join(out, name + ".idx"), "wb") as f:
            f.write(bytes(pixels))
        with open(os.path.join(out, name + ".lzw"), "wb") as f:
            f.write(lzw_data(pixels, bits))
        lines.append("case %s %d %d %d %s" % (name, bits, w, h, gifcorpus.table_bytes(table).hex()))
    with open(os.path.join(out, "manifest.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


def check_pillow(out):
    """One line a case: "NAME ok", or what Pillow reads differently."""
    from PIL import Image
    for line in open(os.path.join(out, "manifest.txt")):
        _, name, bits, w, h, table = line.split()
        with Image.open(os.path.join(out, name + ".gif")) as image:
            image.load()
            problems = []
            if image.size != (int(w), int(h)):
                problems.append("size %r" % (image.size,))
            if bytes(image.getdata()) != open(os.path.join(out, name + ".idx"), "rb").read():
                problems.append("indices")
            palette = bytes(image.getpalette() or b"")
            if palette[:len(table) // 2] != bytes.fromhex(table):
                problems.append("palette")
        print(name, " ".join(problems) or "ok")


if __name__ == "__main__":
    if sys.argv[1] == "cases":
        write_cases(sys.argv[2])
    else:
        check_pillow(sys.argv[2])
