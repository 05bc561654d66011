#!/usr/bin/python3
"""Checks the finder's --alpha PNGs and --format tim files against the bytes of their source.

usage: check_alpha_and_tim.py SOURCE LISTING PNG_DIR TIM_DIR

LISTING is the finder's --tsv --palettes output for SOURCE. For each TIM of 4, 8 or 16 bits, the 16-bit colour
word of every pixel (its CLUT entry in the palette shown, or the pixel itself) is read from SOURCE here, and
Pillow must read alpha 0 in PNG_DIR/TITLE.PNG exactly where that word is 0x0000 and 255 everywhere else. A
24-bit TIM's or a bitmap's PNG must have no alpha. TIM_DIR/TITLE.TIM must be the TIM's bytes cut out of SOURCE
(id to the end of the pixel block); a bitmap has no .TIM file. Exit 0 when all hold.
"""
import os
import struct
import sys

from PIL import Image


def tim_extent(data, offset):
    """Bytes from the TIM id to the end of its pixel block, and the flag."""
    flag = struct.unpack_from("<I", data, offset + 4)[0]
    at = offset + 8
    if flag & 8:
        at += struct.unpack_from("<I", data, at)[0]
    return at + struct.unpack_from("<I", data, at)[0] - offset, flag


def colour_words(data, offset, palette):
    """Rows from the top of each pixel's 16-bit colour word, or None for a 24-bit TIM."""
    flag = struct.unpack_from("<I", data, offset + 4)[0]
    at = offset + 8
    clut = None
    if flag in (8, 9):
        clut_len = struct.unpack_from("<I", data, at)[0]
        entries = (clut_len - 12) // 2
        width = 16 if flag == 8 else 256
        words = struct.unpack_from("<%dH" % entries, data, at + 12)
        # An index past the CLUT's end has no word: it is never transparent.
        clut = [words[i] if i < entries else None for i in range(palette * width, (palette + 1) * width)]
        at += clut_len
    elif flag != 2:
        return None
    stride_words, height = struct.unpack_from("<HH", data, at + 8)
    pixels = data[at + 12:at + 12 + 2 * stride_words * height]
    rows = []
    for y in range(height):
        row = pixels[2 * stride_words * y:2 * stride_words * (y + 1)]
        if flag == 2:
            rows.append(list(struct.unpack("<%dH" % stride_words, row)))
        elif flag == 9:
            rows.append([clut[i] for i in row])
        else:
            rows.append([clut[b >> s & 15] for b in row for s in (0, 4)])
    return rows


def main():
    source, listing, png_dir, tim_dir = sys.argv[1:5]
    data = open(source, "rb").read()
    rows = [line.split("\t")[:8] for line in open(listing, encoding="utf-8").read().splitlines()[1:]]
    failures = 0
    for title, number, palette, offset, kind, width, height, palettes in rows:
        offset, width, height = int(offset), int(width), int(height)
        png = Image.open(os.path.join(png_dir, title + ".PNG"))
        tim_path = os.path.join(tim_dir, title + ".TIM")
        words = colour_words(data, offset, int(palette)) if kind.startswith("TIM") else None
        if words is None:
            ok = "A" not in png.getbands()
        else:
            expected = bytes(0 if w == 0 else 255 for row in words for w in row[:width])
            ok = png.mode == "RGBA" and png.getchannel("A").tobytes() == expected
        if not ok:
            print("%s: alpha differs (%s, mode %s)" % (title, kind, png.mode))
            failures += 1
        if kind.startswith("TIM"):
            size, _ = tim_extent(data, offset)
            if not os.path.exists(tim_path) or open(tim_path, "rb").read() != data[offset:offset + size]:
                print("%s: TIM file is not the source's bytes" % title)
                failures += 1
        elif os.path.exists(tim_path):
            print("%s: a bitmap written as a TIM" % title)
            failures += 1
    print("%d images checked, %d failures" % (len(rows), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
