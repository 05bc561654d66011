#!/usr/bin/python3
"""Exit 0 when two image files hold the same RGB pixels (Pillow decodes both).

usage: same_pixels.py GOT EXPECTED [ROWS]   compare only the top ROWS rows (all but -ROWS when negative)
"""
import sys

from PIL import Image

got = Image.open(sys.argv[1]).convert("RGB")
expected = Image.open(sys.argv[2]).convert("RGB")
if got.size != expected.size:
    print(f"size {got.size} != {expected.size}")
    sys.exit(1)
rows = int(sys.argv[3]) if len(sys.argv) > 3 else got.size[1]
if rows < 0:
    rows += got.size[1]
width = got.size[0]
a = list(got.getdata())[: rows * width]
b = list(expected.getdata())[: rows * width]
bad = [i for i, (x, y) in enumerate(zip(a, b)) if x != y]
if bad:
    i = bad[0]
    print(f"{len(bad)} pixels differ; first at ({i % width}, {i // width}): {a[i]} != {b[i]}")
    sys.exit(1)
sys.exit(0)
