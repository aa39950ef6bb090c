"""Walks the blocks of GIF files and prints their structure, one file after another.

    gifblocks.py FILE...

Per file: "file NAME", "header VERSION", "screen WIDTH HEIGHT RESOLUTION ASPECT GLOBAL-COUNT",
"loop COUNT" for the last animation block that sets one, then in file order "control PACKED DELAY INDEX"
for graphic control blocks, "comment HEX,HEX..." for comment blocks (one hex per sub-block),
"image LEFT TOP WIDTH HEIGHT PACKED LOCAL-COUNT CODESIZE DATA-BYTES" (the data bytes counting the code size
byte, the length bytes and the terminator), and "trailer". Plain text and other application blocks are
walked over. Standard library only.
"""
import struct
import sys


def sub_blocks(data, at):
    blocks = []
    while True:
        n = data[at]
        at += 1
        if n == 0:
            return blocks, at
        blocks.append(data[at:at + n])
        at += n


def walk(data):
    lines = ["header " + data[3:6].decode("ascii")]
    width, height, packed, _, aspect = struct.unpack("<2H3B", data[6:13])
    at = 13
    count = 2 << (packed & 7) if packed & 0x80 else 0
    at += 3 * count
    lines.append("screen %d %d %d %d %d" % (width, height, (packed >> 4 & 7) + 1, aspect, count))
    loop = None
    body = []
    while True:
        introducer = data[at]
        at += 1
        if introducer == 0x3B:
            body.append("trailer")
            break
        if introducer == 0x21:
            label = data[at]
            at += 1
            if label == 0xF9:
                size = data[at]
                packed, delay, index = struct.unpack("<BHB", data[at + 1:at + 5])
                body.append("control %d %d %d" % (packed, delay, index))
                _, at = sub_blocks(data, at + 1 + size)
            elif label == 0xFE:
                blocks, at = sub_blocks(data, at)
                body.append("comment " + ",".join(b.hex() for b in blocks))
            elif label == 0xFF:
                size = data[at]
                ident = data[at + 1:at + 1 + size]
                blocks, at = sub_blocks(data, at + 1 + size)
                if ident in (b"NETSCAPE2.0", b"ANIMEXTS1.0") and blocks and len(blocks[0]) >= 3 and blocks[0][0] == 1:
                    loop = min(struct.unpack("<H", blocks[0][1:3])[0], 30000)
            else:
                size = data[at]
                _, at = sub_blocks(data, at + 1 + size)
            continue
        if introducer != 0x2C:
            raise ValueError("stray byte %02x at %d" % (introducer, at - 1))
        left, top, w, h, packed = struct.unpack("<4HB", data[at:at + 9])
        at += 9
        local = 2 << (packed & 7) if packed & 0x80 else 0
        at += 3 * local
        start = at
        code_size = data[at]
        _, at = sub_blocks(data, at + 1)
        body.append("image %d %d %d %d %d %d %d %d" % (left, top, w, h, packed, local, code_size, at - start))
    if loop is not None:
        lines.append("loop %d" % loop)
    return lines + body


if __name__ == "__main__":
    for path in sys.argv[1:]:
        with open(path, "rb") as f:
            data = f.read()
        print("file " + path)
        print("\n".join(walk(data)))
