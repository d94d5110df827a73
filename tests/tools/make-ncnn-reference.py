#!/usr/bin/env python3
"""Writes a small photo-like picture and what an ncnn network makes of it, evaluated in float64 by
ncnn_reference (not through the importer or ONNX Runtime), as two PNG files. The shipped-network
tests compare the compiled bundles with them.

Usage: make-ncnn-reference.py NETWORK.param NETWORK.bin PICTURE.png REFERENCE.png
"""

import struct
import sys
import zlib
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parent))
import ncnn_reference  # noqa: E402

WIDTH, HEIGHT = 28, 20


def picture():
    """Float RGB [3, H, W] in 0…1, made of whole bytes: a gradient, a hard diagonal edge, a thin
    line and sensor-like noise, so that flat, edged and textured areas all occur."""
    y, x = np.mgrid[0:HEIGHT, 0:WIDTH].astype(np.float64)
    red = 0.2 + 0.6 * x / WIDTH
    green = 0.3 + 0.4 * y / HEIGHT
    blue = np.where(x + 0.7 * y > 18, 0.85, 0.15)
    rgb = np.stack([red, green, blue])
    rgb[:, 13, 3:20] = [[0.95], [0.9], [0.2]]
    rgb += np.random.default_rng(5).normal(0, 0.03, rgb.shape)
    return np.round(np.clip(rgb, 0, 1) * 255) / 255


def write_png(path, rgb_bytes):
    height, width, _ = rgb_bytes.shape
    rows = b"".join(b"\0" + rgb_bytes[y].tobytes() for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(
            ">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" +
                           chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                           chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def to_bytes(rgb):
    return np.floor(np.clip(rgb, 0, 1) * 255 + 0.5).astype(np.uint8).transpose(1, 2, 0)


def main(argv):
    if len(argv) != 4:
        sys.exit(__doc__.strip().splitlines()[-1])
    param, weights, picture_path, reference_path = argv
    source = picture()
    result = ncnn_reference.run(ncnn_reference.load(param, weights), source)
    write_png(picture_path, to_bytes(source))
    write_png(reference_path, to_bytes(result))


if __name__ == "__main__":
    main(sys.argv[1:])
