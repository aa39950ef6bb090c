# Writes animated cursors of icotool's cursors and icons and prints, per file, what gdk-pixbuf reads from it
# and the hot spots icotool lists for its frames' files:
# "name|ani-hex|frames|delays-ms|order|first-frame-rgba|icon-rgba,...|hot spots x:y,..."
# (order: which of the "fram" list's icons each frame shows; RGBA with transparent pixels as zeros).
import os
import re
import struct
import subprocess
import tempfile

import gi
from PIL import Image

gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, GLib  # noqa: E402


def picture(size, seed, alpha):
    image = Image.new("RGBA", (size, size))
    pixels = []
    for y in range(size):
        for x in range(size):
            a = (x * 40 + y * 20 + seed) & 255 if alpha else (0 if (x * 3 + y + seed) % 7 == 0 else 255)
            colour = ((x * 37 + seed * 50) & 255, (y * 91 + seed) & 255, (x * 13 + y * 5 + 40) & 255)
            pixels.append(colour + (a,) if a else (0, 0, 0, 0))
    image.putdata(pixels)
    return image


def icotool_file(folder, name, image, bits, hot_spot):
    png = os.path.join(folder, name + ".png")
    out = os.path.join(folder, name + (".cur" if hot_spot else ".ico"))
    image.save(png)
    args = ["icotool", "-c", "-b", str(bits), "-o", out, png]
    if hot_spot:
        args[2:2] = ["--cursor", "-X", str(hot_spot[0]), "-Y", str(hot_spot[1])]
    subprocess.run(args, check=True)
    listed = subprocess.run(["icotool", "-l", out], check=True, capture_output=True, text=True).stdout
    x = re.search(r"--hotspot-x=(\d+)", listed)
    y = re.search(r"--hotspot-y=(\d+)", listed)
    with open(out, "rb") as f:
        return f.read(), "%s:%s" % (x.group(1), y.group(1)) if x else "-"


def chunk(tag, data):
    return tag + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")


def ani(icons, rates=None, seq=None, frames=None, rate=6):
    steps = len(seq) if seq else len(icons)
    flags = 1 | (2 if seq else 0)
    anih = struct.pack("<9I", 36, frames or len(icons), steps, 0, 0, 0, 0, rate, flags)
    body = b"ACON" + chunk(b"anih", anih)
    if rates:
        body += chunk(b"rate", struct.pack("<%dI" % len(rates), *rates))
    if seq:
        body += chunk(b"seq ", struct.pack("<%dI" % len(seq), *seq))
    body += chunk(b"LIST", b"INFO" + chunk(b"INAM", b"Spinner\0") + chunk(b"IART", b"Vandrel\0"))
    body += chunk(b"LIST", b"fram" + b"".join(chunk(b"icon", i) for i in icons))
    return chunk(b"RIFF", body)


def rgba(pixbuf):
    if not pixbuf.get_has_alpha():
        pixbuf = pixbuf.add_alpha(False, 0, 0, 0)
    w, h, stride, raw = pixbuf.get_width(), pixbuf.get_height(), pixbuf.get_rowstride(), pixbuf.get_pixels()
    out = b""
    for y in range(h):
        for x in range(w):
            p = raw[y * stride + 4 * x : y * stride + 4 * x + 4]
            out += p if p[3] else b"\0\0\0\0"
    return out


def gdk(data, kind):
    loader = GdkPixbuf.PixbufLoader.new_with_type(kind)
    loader.write(data)
    loader.close()
    return loader


def frames_of(data, icon_pixels, steps):
    animation = gdk(data, "ani").get_animation()
    now = GLib.TimeVal()
    now.tv_sec = 1000
    walker = animation.get_iter(now)
    delays, order, first = [], [], None
    for _ in range(steps):
        pixels = rgba(walker.get_pixbuf())
        first = first or pixels
        order.append(icon_pixels.index(pixels))
        delay = walker.get_delay_time()
        delays.append(delay)
        micros = now.tv_usec + delay * 1000
        now.tv_sec += micros // 1000000
        now.tv_usec = micros % 1000000
        walker.advance(now)
    return delays, order, first


with tempfile.TemporaryDirectory() as folder:
    cursors = [icotool_file(folder, "c%d" % i, picture(16, i, i == 2), (8, 24, 32)[i], (i * 5, 15 - i)) for i in range(3)]
    icons = [icotool_file(folder, "i%d" % i, picture(32, i + 3, False), 24, None) for i in range(2)]
    cases = [
        ("cursors in sequence", [c[0] for c in cursors], [c[1] for c in cursors], dict(rates=[5, 10, 15, 20], seq=[0, 2, 1, 2])),
        ("icons at the header's rate", [i[0] for i in icons], [i[1] for i in icons], dict(rate=9)),
    ]
    for name, files, hot_spots, options in cases:
        data = ani(files, **options)
        icon_pixels = [rgba(gdk(f, "ico").get_pixbuf()) for f in files]
        steps = len(options.get("seq") or files)
        delays, order, first = frames_of(data, icon_pixels, steps)
        print("|".join([name, data.hex(), str(steps), ",".join(map(str, delays)), ",".join(map(str, order)),
                        first.hex(), ",".join(p.hex() for p in icon_pixels), ",".join(hot_spots)]))
