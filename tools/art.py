#!/usr/bin/env python3
"""Stores the setup's art in the forms the resources carry (tools/make-art.sh runs it).

  art.py rle8 IN.bmp OUT.bmp
      IN is an uncompressed 8-bit bitmap. OUT holds the same pixels run-length encoded
      (BI_RLE8) in the fewest bytes the format allows, each row ended by its end-of-line
      code, with a palette of only the colours used, most used first.

  art.py ico OUT.ico SIZE:RGBA:RGB16 ...
      One pair of images per SIZE: a 32-bit image with its alpha channel (RGBA, raw
      8-bit red, green, blue, alpha) and a 16-colour image (RGB16, raw 8-bit red, green,
      blue, every pixel one of the 16 standard colours). Systems without alpha draw through
      the mask: the 32-bit image leaves out the pixels of alpha 0, the 16-colour image those
      of alpha below 128; a pixel left out is black in the image, so that the screen shows
      through unchanged.
"""
import struct
import sys
from collections import Counter

# The 16 standard colours of a VGA display, in their usual order.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def read_bmp8(path):
    data = open(path, 'rb').read()
    offset = struct.unpack('<I', data[10:14])[0]
    (_, width, height, _, bits, compression, _, xppm, yppm, used, _) = \
        struct.unpack('<IiiHHIIiiII', data[14:54])
    if bits != 8 or compression != 0 or height <= 0:
        sys.exit(f'art: {path} is not an uncompressed bottom-up 8-bit bitmap')
    palette = [data[54 + 4 * i:58 + 4 * i] for i in range(used or 256)]
    stride = (width + 3) & ~3
    rows = [list(data[offset + y * stride:offset + y * stride + width]) for y in range(height)]
    return width, height, xppm, yppm, palette, rows


def encode_row(row):
    """The shortest RLE8 coding of one row: each stretch is a run (2 bytes) or a literal of 3
    to 255 pixels (2 bytes, the pixels, a pad byte to an even length)."""
    n = len(row)
    cost = [None] * (n + 1)
    back = [None] * (n + 1)
    cost[0] = 0
    for i in range(n):
        if cost[i] is None:
            continue
        j = i
        while j < n and j - i < 255 and row[j] == row[i]:
            j += 1
            if cost[j] is None or cost[i] + 2 < cost[j]:
                cost[j], back[j] = cost[i] + 2, (i, 'run')
        for length in range(3, min(255, n - i) + 1):
            c = cost[i] + 2 + length + (length & 1)
            if cost[i + length] is None or c < cost[i + length]:
                cost[i + length], back[i + length] = c, (i, 'literal')
    stretches = []
    k = n
    while k > 0:
        i, kind = back[k]
        stretches.append((i, k, kind))
        k = i
    out = []
    for i, k, kind in reversed(stretches):
        if kind == 'run':
            out += [k - i, row[i]]
        else:
            out += [0, k - i] + row[i:k] + ([0] if (k - i) & 1 else [])
    return out


def rle8(source, target):
    width, height, xppm, yppm, palette, rows = read_bmp8(source)
    order = [p for p, _ in Counter(p for row in rows for p in row).most_common()]
    index = {p: i for i, p in enumerate(order)}
    codes = []
    for y, row in enumerate(rows):
        codes += encode_row([index[p] for p in row])
        codes += [0, 1] if y == height - 1 else [0, 0]
    pixels = bytes(codes)
    colours = b''.join(palette[p][:3] + b'\0' for p in order)
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 1, len(pixels), xppm, yppm,
                         len(order), len(order))
    offset = 14 + len(header) + len(colours)
    with open(target, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset))
        f.write(header + colours + pixels)


def mask_rows(size, left_out):
    """The AND mask, bottom row first, each row padded to 4 bytes: 1 where a pixel is left out."""
    stride = ((size + 31) // 32) * 4
    out = b''
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            if left_out[y * size + x]:
                row[x // 8] |= 0x80 >> (x % 8)
        out += bytes(row)
    return out


def icon_image(size, bits, pixels, alpha):
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, bits, 0, 0, 0, 0, 0, 0)
    # The 32-bit image leaves out what its alpha hides wholly; the 16-colour image, which has
    # no partly covered pixels, leaves out what is more than half transparent.
    left_out = [a == 0 if bits == 32 else a < 128 for a in alpha]
    body = b''
    if bits == 32:
        for y in reversed(range(size)):
            for x in range(size):
                r, g, b = pixels[y * size + x]
                a = alpha[y * size + x]
                body += bytes([b, g, r, a] if a else [0, 0, 0, 0])
        colours = b''
    else:
        colours = b''.join(bytes([b, g, r, 0]) for r, g, b in VGA16)
        stride = ((size * 4 + 31) // 32) * 4
        for y in reversed(range(size)):
            row = bytearray(stride)
            for x in range(size):
                i = y * size + x
                if left_out[i]:
                    continue
                if pixels[i] not in VGA16:
                    sys.exit(f'art: {pixels[i]} is not one of the 16 standard colours')
                row[x // 2] |= VGA16.index(pixels[i]) << (4 * (1 - x % 2))
            body += bytes(row)
    return header + colours + body + mask_rows(size, left_out)


def read_raw(path, size, channels):
    data = open(path, 'rb').read()
    if len(data) != size * size * channels:
        sys.exit(f'art: {path} does not hold {size}x{size} pixels of {channels} bytes')
    return [tuple(data[i:i + channels]) for i in range(0, len(data), channels)]


def ico(target, sizes):
    entries = []
    for size_and_files in sizes:
        size_text, rgba_path, rgb16_path = size_and_files.split(':')
        size = int(size_text)
        rgba = read_raw(rgba_path, size, 4)
        alpha = [p[3] for p in rgba]
        entries.append((size, 32, icon_image(size, 32, [p[:3] for p in rgba], alpha)))
        entries.append((size, 4, icon_image(size, 4, read_raw(rgb16_path, size, 3), alpha)))
    offset = 6 + 16 * len(entries)
    directory = struct.pack('<HHH', 0, 1, len(entries))
    for size, bits, image in entries:
        directory += struct.pack('<BBBBHHII', size, size, 16 if bits == 4 else 0, 0, 1, bits,
                                 len(image), offset)
        offset += len(image)
    with open(target, 'wb') as f:
        f.write(directory + b''.join(image for _, _, image in entries))


if __name__ == '__main__':
    if len(sys.argv) == 4 and sys.argv[1] == 'rle8':
        rle8(sys.argv[2], sys.argv[3])
    elif len(sys.argv) >= 4 and sys.argv[1] == 'ico':
        ico(sys.argv[2], sys.argv[3:])
    else:
        sys.exit(__doc__)
