#!/usr/bin/python3
"""Checks the finder's exported files against an independent decode of their source.

usage: check_export.py SOURCE LISTING EXPORT_DIR EXT...

LISTING is the finder's --tsv output for SOURCE. Each image is cut out of SOURCE at its offset and decoded by
another program: a TIM by ImageMagick (which reads only a TIM's first colour table, so the palette shown is
moved to the front first), a bitmap by Pillow behind a "BM" file header. Every exported EXPORT_DIR/TITLE.EXT
must hold the same RGB pixels. Exit 0 when all do. The one exception is the TIFF of a 1-bit bitmap, which TIFF stores as bilevel black and
white: there the two colours may differ but every pixel must fall on the same side.
"""
import io
import os
import struct
import subprocess
import sys
import tempfile

from PIL import Image


def tim_image(data, offset, palette):
    flag = struct.unpack_from("<I", data, offset + 4)[0]
    if flag in (8, 9):
        clut_len, = struct.unpack_from("<i", data, offset + 8)
        clut_w, clut_h = struct.unpack_from("<hh", data, offset + 16)
        image_len, = struct.unpack_from("<i", data, offset + 8 + clut_len)
        whole = bytearray(data[offset:offset + 8 + clut_len + image_len])
        whole += bytes(8 + clut_len + image_len - len(whole))  # cut off by the end of the file: zeros
        # A TIM holding only the palette shown: one CLUT row.
        row = clut_w * 2
        clut = bytearray(whole[8:20]) + whole[20 + palette * row:20 + (palette + 1) * row]
        struct.pack_into("<i", clut, 0, 12 + row)
        struct.pack_into("<h", clut, 10, 1)
        tim = whole[:8] + clut + whole[8 + clut_len:]
    else:
        block_len, = struct.unpack_from("<i", data, offset + 8)
        tim = bytearray(data[offset:offset + 8 + block_len])
        tim += bytes(8 + block_len - len(tim))
    with tempfile.NamedTemporaryFile(suffix=".tim") as f:
        f.write(tim)
        f.flush()
        png = subprocess.run(["convert", "tim:" + f.name, "png:-"], check=True, capture_output=True).stdout
    return Image.open(io.BytesIO(png)).convert("RGB")


def bmp_image(data, offset):
    width, height, planes, bits = struct.unpack_from("<iiHH", data, offset + 4)
    clr_used, = struct.unpack_from("<I", data, offset + 32)
    table = 4 * clr_used if clr_used else (4 << bits if bits != 24 else 0)
    stride = (width * bits + 31) // 32 * 4
    size = 40 + table + stride * abs(height)
    dib = data[offset:offset + size]
    header = b"BM" + struct.pack("<IHHI", 14 + size, 0, 0, 14 + 40 + table)
    return Image.open(io.BytesIO(header + dib)).convert("RGB")


def same_two_levels(got, expected):
    """True when the pixels split into the same two groups, whatever the two colours are."""
    if got.size != expected.size:
        return False
    pairs = set(zip(got.convert("L").getdata(), expected.getdata()))
    return len({g for g, _ in pairs}) == len(pairs) == len({e for _, e in pairs})


def main():
    source, listing, folder, extensions = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    data = open(source, "rb").read()
    # The first eight columns; the disc-file columns after them do not matter here.
    rows = [line.split("\t")[:8] for line in open(listing, encoding="utf-8").read().splitlines()[1:]]
    failures = 0
    for title, number, palette, offset, kind, width, height, palettes in rows:
        expected = tim_image(data, int(offset), int(palette)) if kind.startswith("TIM") else bmp_image(data, int(offset))
        for ext in extensions:
            path = os.path.join(folder, title + "." + ext)
            got = Image.open(path).convert("RGB")
            if kind == "BMP1" and ext.upper() == "TIF":
                same = same_two_levels(got, expected)
            else:
                same = got.size == expected.size and got.tobytes() == expected.tobytes()
            if not same:
                print(f"{path}: differs from the independent decode of {kind} at {offset}")
                failures += 1
    print(f"{len(rows)} images x {len(extensions)} formats checked, {failures} differ")
    return 1 if failures or not rows else 0


sys.exit(main())
