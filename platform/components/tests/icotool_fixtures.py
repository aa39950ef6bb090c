# Makes icon files with icotool at every depth, and one of several images, and prints per file its name,
# the size of the image a reader should take, its bytes, and that image's pixels as Pillow and gdk-pixbuf
# decode them (RGBA), all in hexadecimal: "name|width|height|file-hex|pillow-hex|gdk-pixbuf-hex".
import io
import os
import subprocess
import sys
import tempfile

import gi
from PIL import Image

gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf  # noqa: E402


def picture(width, height, colours, alpha):
    image = Image.new("RGBA", (width, height))
    # icotool counts transparent pixels as black: black is one of the colours. gdk-pixbuf draws 1-bit
    # images in black and white whatever their palette.
    table = [(0, 0, 0)] + [((i * 37) & 255, (i * 91 + 7) & 255, (i * 13 + 40) & 255) for i in range(1, colours)]
    if colours == 2:
        table[1] = (255, 255, 255)
    pixels = []
    for y in range(height):
        for x in range(width):
            a = (x * 40 + y * 20) & 255 if alpha else (0 if (x * 3 + y) % 7 == 0 else 255)
            pixels.append(table[(x + 3 * y) % colours] + (a,) if a else (0, 0, 0, 0))
    image.putdata(pixels)
    return image


def icotool(folder, name, pictures):
    paths = []
    for i, (image, bits) in enumerate(pictures):
        paths.append(os.path.join(folder, "%s%d.png" % (name, i)))
        image.save(paths[-1])
    out = os.path.join(folder, name + ".ico")
    args = ["icotool", "-c", "-o", out]
    for (image, bits), path in zip(pictures, paths):
        args += ["-b", str(bits), path]
    subprocess.run(args, check=True)
    with open(out, "rb") as f:
        return f.read()


def gdk_rgba(data):
    loader = GdkPixbuf.PixbufLoader.new_with_type("ico")
    loader.write(data)
    loader.close()
    pixbuf = loader.get_pixbuf()
    if not pixbuf.get_has_alpha():
        pixbuf = pixbuf.add_alpha(False, 0, 0, 0)
    w, h, stride = pixbuf.get_width(), pixbuf.get_height(), pixbuf.get_rowstride()
    raw = pixbuf.get_pixels()
    return w, h, b"".join(raw[y * stride : y * stride + 4 * w] for y in range(h))


def pillow_rgba(data, size, bits):
    ico = Image.open(io.BytesIO(data))
    image = ico.ico.getimage(size, bits) if size else ico
    return image.convert("RGBA").tobytes()


with tempfile.TemporaryDirectory() as folder:
    single = [(1, 2), (4, 16), (8, 200), (24, 0), (32, 0)]
    for bits, colours in single:
        data = icotool(folder, "d%d" % bits, [(picture(13, 7, colours or 300, bits == 32), bits)])
        w, h, gdk = gdk_rgba(data)
        print("%d bits|%d|%d|%s|%s|%s" % (bits, w, h, data.hex(), pillow_rgba(data, None, 0).hex(), gdk.hex()))
    # Of 16, 48 and two 32 x 32 images, the deeper 32 x 32 one; gdk-pixbuf reads a file of that image only.
    images = [(picture(16, 16, 16, False), 4), (picture(32, 32, 200, False), 8),
              (picture(32, 32, 300, False), 24), (picture(48, 48, 200, False), 8)]
    data = icotool(folder, "several", images)
    only = icotool(folder, "only", [images[2]])
    w, h, gdk = gdk_rgba(only)
    print("several|32|32|%s|%s|%s" % (data.hex(), pillow_rgba(data, (32, 32), 24).hex(), gdk.hex()))
sys.stdout.flush()
