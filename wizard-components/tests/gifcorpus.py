"""GIF files written from the format, with the pixel indices and colour tables a decoder must give.

    gifcorpus.py DIR           the corpus, with DIR/manifest.txt
    gifcorpus.py --pillow DIR  8-bit files written by Pillow, with the indices and tables Pillow reads back
    gifcorpus.py --small DIR   a few small files (seeds)

The manifest has a line "file NAME" per GIF, then per frame "frame INDEX WIDTH HEIGHT TABLE-HEX
PIXELS-FILE CORRUPTED": the colour table of the frame (local, else global), the file of its pixel indices
(rows top to bottom, one byte a pixel, what the data never reaches 0) and whether the data is damaged.
Standard library only.
"""
import os
import random
import struct
import sys


class Encoder:
    """Variable-width LZW as GIF stores it; the code width follows the decoder's table."""

    def __init__(self, min_size, clear_every=None, clear_when_full=True, lead_clear=True, double_clear=False):
        self.min_size = min_size
        self.clear = 1 << min_size
        self.end = self.clear + 1
        self.clear_every = clear_every
        self.clear_when_full = clear_when_full
        self.lead_clear = lead_clear
        self.double_clear = double_clear

    def _reset_decoder(self):
        self.dec_next = self.clear + 2
        self.dec_width = self.min_size + 1
        self.dec_full = False
        self.dec_prev = False

    def _emit(self, code):
        self.codes.append((code, self.dec_width))
        if code == self.clear:
            self._reset_decoder()
        elif code == self.end:
            pass
        else:
            if self.dec_prev and not self.dec_full:
                self.dec_next += 1
                if self.dec_next == 1 << self.dec_width:
                    if self.dec_width < 12:
                        self.dec_width += 1
                    else:
                        self.dec_full = True
            self.dec_prev = True

    def _reset_table(self):
        self.table = {}
        self.next = self.clear + 2
        self.since_clear = 0

    def encode(self, pixels, stop_after=None):
        """The codes for the pixels; with stop_after, only that many pixels, then a clear and the end code."""
        self.codes = []
        self._reset_decoder()
        self._reset_table()
        if self.lead_clear:
            self._emit(self.clear)
        if self.double_clear:
            self._emit(self.clear)
        if stop_after is not None:
            pixels = pixels[:stop_after]
        prefix = None
        for px in pixels:
            if prefix is None:
                prefix = px
                continue
            key = (prefix, px)
            if key in self.table:
                prefix = self.table[key]
                continue
            self._emit(prefix)
            self.since_clear += 1
            if self.next < 4096:
                self.table[key] = self.next
                self.next += 1
            if (self.next == 4096 and self.clear_when_full) or (
                    self.clear_every and self.since_clear >= self.clear_every):
                self._emit(self.clear)
                self._reset_table()
            prefix = px
        if prefix is not None:
            self._emit(prefix)
        if stop_after is not None:
            self._emit(self.clear)
        self._emit(self.end)
        return self.codes


def pack_codes(codes):
    out = bytearray()
    acc = bits = 0
    for code, width in codes:
        acc |= code << bits
        bits += width
        while bits >= 8:
            out.append(acc & 255)
            acc >>= 8
            bits -= 8
    if bits:
        out.append(acc & 255)
    return bytes(out)


def sub_blocks(data, size=255, terminator=True):
    out = bytearray()
    for i in range(0, len(data), size):
        chunk = data[i:i + size]
        out.append(len(chunk))
        out += chunk
    if terminator:
        out.append(0)
    return bytes(out)


def table_bytes(table):
    return b"".join(bytes(c) for c in table)


def table_bits(table):
    return max(1, (len(table) - 1).bit_length())


def interlace_order(height):
    rows = []
    for start, step in ((0, 8), (4, 8), (2, 4), (1, 2)):
        rows += list(range(start, height, step))
    return rows


class Frame:
    def __init__(self, width, height, pixels, left=0, top=0, table=None, interlaced=False, min_size=None,
                 block=255, encoder=None, stop_after=None, mask_bits=None, extensions=()):
        self.width, self.height, self.pixels = width, height, pixels
        self.left, self.top = left, top
        self.table = table
        self.interlaced = interlaced
        self.min_size = min_size
        self.block = block
        self.encoder = encoder or {}
        self.stop_after = stop_after
        self.mask_bits = mask_bits
        self.extensions = list(extensions)

    def stream(self):
        """The pixels in the order they are stored."""
        if not self.interlaced:
            return self.pixels
        out = []
        for y in interlace_order(self.height):
            out += self.pixels[y * self.width:(y + 1) * self.width]
        return out

    def expected(self, bits):
        """The indices a decoder gives: what is stored, masked to the table's bits, in image rows."""
        stream = [p & ((1 << bits) - 1) for p in self.stream()]
        if self.stop_after is not None:
            stream = stream[:self.stop_after] + [0] * (len(stream) - self.stop_after)
        rows = interlace_order(self.height) if self.interlaced else range(self.height)
        out = bytearray(self.width * self.height)
        for r, y in enumerate(rows):
            out[y * self.width:(y + 1) * self.width] = bytes(stream[r * self.width:(r + 1) * self.width])
        return bytes(out)

    def encode(self, global_table):
        table = self.table or global_table
        bits = table_bits(table)
        min_size = self.min_size or max(2, bits)
        codes = Encoder(min_size, **self.encoder).encode(self.stream(), self.stop_after)
        packed = 0x40 if self.interlaced else 0
        local = b""
        if self.table:
            packed |= 0x80 | (table_bits(self.table) - 1)
            local = table_bytes(self.table)
        head = b"," + struct.pack("<4HB", self.left, self.top, self.width, self.height, packed) + local
        return head + bytes([min_size]) + sub_blocks(pack_codes(codes), self.block)


def gce(disposal=0, delay=0, transparent=None):
    packed = (disposal << 2) | (1 if transparent is not None else 0)
    return b"!\xf9\x04" + struct.pack("<BHB", packed, delay, transparent or 0) + b"\x00"


def comment(*texts):
    return b"!\xfe" + b"".join(sub_blocks(t, 255, False) for t in texts) + b"\x00"


def loop(count):
    return b"!\xff\x0bNETSCAPE2.0\x03\x01" + struct.pack("<H", count) + b"\x00"


def application(ident, payload):
    return b"!\xff\x0b" + ident + sub_blocks(payload)


def gif(width, height, frames, global_table=None, version=b"89a", background=0, before=(), after=()):
    packed = 0
    table = b""
    if global_table:
        bits = table_bits(global_table)
        packed = 0x80 | ((bits - 1) << 4) | (bits - 1)
        table = table_bytes(global_table)
    out = b"GIF" + version + struct.pack("<2H3B", width, height, packed, background, 0) + table
    out += b"".join(before)
    for frame in frames:
        out += b"".join(frame.extensions) + frame.encode(global_table)
    return out + b"".join(after) + b";"


def palette(rng, count):
    return [(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(count)]


def content(rng, kind, width, height, colours):
    n = width * height
    if kind == "flat":
        c = rng.randrange(colours)
        return [c] * n
    if kind == "stripes":
        return [(y // 3 + x // 5) % colours for y in range(height) for x in range(width)]
    if kind == "runs":
        out = []
        while len(out) < n:
            out += [rng.randrange(colours)] * rng.randrange(1, 40)
        return out[:n]
    return [rng.randrange(colours) for _ in range(n)]


def corpus(small=False):
    """(name, bytes, frames, global table) for each file."""
    rng = random.Random(28)
    files = []

    def add(name, width, height, frames, global_table=None, **kw):
        files.append((name, gif(width, height, frames, global_table, **kw), frames, global_table))

    for bits in (1, 2, 4, 8):
        colours = 1 << bits
        for kind in ("flat", "stripes", "random"):
            for (w, h) in ((1, 1), (3, 3), (17, 5)) if small else ((1, 1), (3, 3), (17, 5), (64, 48), (133, 71)):
                for interlaced in (False, True):
                    px = content(rng, kind, w, h, colours)
                    add("b%d-%s-%dx%d%s" % (bits, kind, w, h, "-i" if interlaced else ""), w, h,
                        [Frame(w, h, px, interlaced=interlaced)], palette(rng, colours))
    if small:
        return files
    for (w, h) in ((1, 1), (1, 2), (1, 3), (2, 5), (3, 9), (5, 15), (4, 16), (1, 8), (7, 33)):
        px = content(rng, "random", w, h, 16)
        add("interlaced-%dx%d" % (w, h), w, h, [Frame(w, h, px, interlaced=True)], palette(rng, 16))
    # Large pictures: the table fills up many times over.
    for kind in ("random", "runs", "stripes"):
        px = content(rng, kind, 1000, 700, 256)
        add("large-%s" % kind, 1000, 700, [Frame(1000, 700, px)], palette(rng, 256))
    px = content(rng, "random", 640, 480, 256)
    add("large-interlaced", 640, 480, [Frame(640, 480, px, interlaced=True)], palette(rng, 256))
    # Code widths and table states.
    for name, enc in (("early-clear-1", {"clear_every": 1}), ("early-clear-7", {"clear_every": 7}),
                      ("early-clear-300", {"clear_every": 300}), ("deferred-clear", {"clear_when_full": False}),
                      ("no-lead-clear", {"lead_clear": False}), ("double-clear", {"double_clear": True})):
        for bits in (1, 4, 8):
            px = content(rng, "random", 200, 90, 1 << bits)
            add("%s-b%d" % (name, bits), 200, 90, [Frame(200, 90, px, encoder=enc)], palette(rng, 1 << bits))
    px = content(rng, "runs", 300, 200, 4)
    add("deferred-clear-runs", 300, 200, [Frame(300, 200, px, encoder={"clear_when_full": False})], palette(rng, 4))
    # A code size above the table's: codes between the table and the clear code are masked literals.
    px = [rng.randrange(256) for _ in range(40 * 30)]
    add("masked-literals", 40, 30, [Frame(40, 30, px, min_size=8)], palette(rng, 4))
    for min_size in (3, 5, 8):
        px = content(rng, "random", 50, 20, 2)
        add("wide-code-b1-%d" % min_size, 50, 20, [Frame(50, 20, px, min_size=min_size)], palette(rng, 2))
    # Sub-blocks of every size.
    for block in (1, 2, 7, 254):
        px = content(rng, "random", 31, 29, 16)
        add("blocks-%d" % block, 31, 29, [Frame(31, 29, px, block=block)], palette(rng, 16))
    # The data ends with a clear and the end code before the last rows.
    px = content(rng, "random", 20, 10, 16)
    add("early-end", 20, 10, [Frame(20, 10, px, stop_after=77)], palette(rng, 16))
    # Several frames: local tables, origins, transparency, delays, disposal, looping, comments.
    g = palette(rng, 16)
    frames = [
        Frame(30, 20, content(rng, "random", 30, 20, 16), extensions=[comment(b"first frame"), gce(1, 10, 3)]),
        Frame(12, 7, content(rng, "stripes", 12, 7, 4), left=5, top=9, table=palette(rng, 4), interlaced=True,
              extensions=[gce(2, 250, None)]),
        Frame(8, 8, content(rng, "random", 8, 8, 256), left=22, top=12, table=palette(rng, 256),
              extensions=[gce(3, 7000, 255)]),
        Frame(30, 20, content(rng, "flat", 30, 20, 2), table=palette(rng, 2), extensions=[gce(0, 0, 1)]),
    ]
    add("animation", 30, 20, frames, g, before=[loop(0), comment(b"made for the decoder", b"second block")],
        after=[comment(b"the end", b"of it")])
    add("loop-5", 4, 4, [Frame(4, 4, content(rng, "random", 4, 4, 2))], palette(rng, 2), before=[loop(5)])
    add("gif87a", 9, 9, [Frame(9, 9, content(rng, "random", 9, 9, 8))], palette(rng, 8), version=b"87a")
    add("other-application", 6, 6, [Frame(6, 6, content(rng, "random", 6, 6, 4),
                                           extensions=[application(b"XMPDataXMP\x00", b"<x/>" * 70)])],
        palette(rng, 4))
    return files


def write_manifest(out, lines):
    with open(os.path.join(out, "manifest.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


def write_corpus(out, small=False):
    lines = []
    for name, data, frames, global_table in corpus(small):
        with open(os.path.join(out, name + ".gif"), "wb") as f:
            f.write(data)
        lines.append("file " + name)
        for i, frame in enumerate(frames):
            table = frame.table or global_table
            pixels = "%s.%d.idx" % (name, i)
            with open(os.path.join(out, pixels), "wb") as f:
                f.write(frame.expected(table_bits(table)))
            lines.append("frame %d %d %d %s %s 0" % (i, frame.width, frame.height, table_bytes(table).hex(), pixels))
    write_manifest(out, lines)


def write_pillow(out):
    from PIL import Image
    rng = random.Random(280)
    lines = []
    for kind in ("flat", "stripes", "runs", "random"):
        for (w, h) in ((1, 1), (16, 16), (97, 31), (320, 240), (1000, 700)):
            for interlaced in (False, True):
                if kind == "random" and w * h > 320 * 240 and interlaced:
                    continue
                name = "pillow-%s-%dx%d%s" % (kind, w, h, "-i" if interlaced else "")
                image = Image.new("P", (w, h))
                image.putpalette(bytes(rng.randrange(256) for _ in range(768)))
                image.putdata(content(rng, kind, w, h, 256))
                path = os.path.join(out, name + ".gif")
                image.save(path, interlace=interlaced, optimize=False)
                back = Image.open(path)
                back.load()
                lines.append("file " + name)
                with open(os.path.join(out, name + ".0.idx"), "wb") as f:
                    f.write(bytes(back.getdata()))
                lines.append("frame 0 %d %d %s %s.0.idx 0" % (w, h, bytes(back.getpalette()).hex(), name))
    write_manifest(out, lines)


if __name__ == "__main__":
    if sys.argv[1] == "--pillow":
        write_pillow(sys.argv[2])
    elif sys.argv[1] == "--small":
        write_corpus(sys.argv[2], small=True)
    else:
        write_corpus(sys.argv[1])
