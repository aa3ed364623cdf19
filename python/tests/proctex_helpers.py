"""What the binding's tests share: the binding on the path, the tool and the
header they compare with, and a plain PNG decoder."""

import ctypes
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import proctex  # noqa: E402

CLI = os.environ.get("PROCTEX_CLI", "")
HEADER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "include",
                      "proctex.h")
# Every test of maps in memory runs with numpy (when it is there) and without.
CONTAINERS = ([("numpy", proctex._maps._numpy)] if proctex._maps._numpy else []) \
    + [("bytes", None)]


def read(path):
    with open(path, "rb") as f:
        return f.read()


def decode_png(data, depth=8):
    """(width, height, channels, pixels) of a non-interlaced PNG of 8 bits per
    sample, or of 16 (the samples then big-endian, as stored)."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    position, packed = 8, b""
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        position += length + 12
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert (body[8], interlace) == (depth, 0)
        elif kind == b"IDAT":
            packed += body
    channels = {0: 1, 4: 2, 2: 3, 6: 4}[colour]
    step = channels * depth // 8  # bytes per pixel: the filters' distance to "left"
    raw, row, pixels = zlib.decompress(packed), width * step, bytearray()
    previous = bytearray(row)
    for y in range(height):
        kind, line = raw[y * (row + 1)], bytearray(raw[y * (row + 1) + 1:(y + 1) * (row + 1)])
        for i in range(row):
            a = line[i - step] if i >= step else 0
            b, c = previous[i], previous[i - step] if i >= step else 0
            paeth = min((abs(b - c), 0, a), (abs(a - c), 1, b), (abs(a + b - 2 * c), 2, c))[2]
            line[i] = (line[i] + (0, a, b, (a + b) // 2, paeth)[kind]) & 255
        pixels += line
        previous = line
    return width, height, channels, bytes(pixels)


def cli_arguments(options):
    arguments = []
    for name, value in options.items():
        arguments += ["--" + name.replace("_", "-"), str(value)]
    return arguments


def values(image, typecode="B"):
    """The samples of a map (numpy array or Pixels) as one flat list."""
    return memoryview(bytes(image)).cast(typecode).tolist()


def height16_of(value):
    """The 16-bit sample of one float32 height: clamped to 0..1, x 65535 and
    rounded to nearest, each step in float32 as the library computes it."""
    scaled = ctypes.c_float(min(max(value, 0.0), 1.0) * 65535).value
    return int(ctypes.c_float(scaled + 0.5).value)
