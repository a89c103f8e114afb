#!/usr/bin/python3
"""Packs raw RGBA pixels (as written by ImageMagick's "rgba:-") into the
exact file formats the resource compiler needs.

  write-pictures.py bmp WIDTH HEIGHT OUT.bmp < raw
      Uncompressed 32-bit bitmap: BITMAPFILEHEADER + 40-byte
      BITMAPINFOHEADER, BI_RGB, bottom-up, every pixel opaque.

  write-pictures.py ico OUT.ico < raw32 raw48 raw256
      Icon group with the sizes 16, 24, 32, 48 and 256.  32, 48 and 256
      come from stdin, one after the other; 16 and 24 are drawn here pixel
      by pixel, because a scaled-down picture is too blurry at those sizes.
      The 256 image is stored PNG-compressed, the others as 32-bit DIBs
      with an AND mask.

Standard library only.
"""

import struct
import sys
import zlib

# Palette of the small hand-drawn icons.
PALETTE = {
    ".": (0, 0, 0, 0),
    "o": (110, 71, 0, 255),  # dark gold outline
    "y": (255, 201, 40, 255),  # gold
    "l": (63, 140, 240, 255),  # light blue (left half of the shield)
    "b": (20, 97, 214, 255),  # blue (right half of the shield)
}

ICON_16 = [
    "................",
    ".oooooooooooooo.",
    ".oyyyyyyyyyyyyo.",
    ".oylllyyyybbbyo.",
    ".oyllyylbyybbyo.",
    ".oyllyylbyybbyo.",
    ".oylllyyyybbbyo.",
    ".oyllllyybbbbyo.",
    ".oyllllyyyybbyo.",
    "..oylllyybbbyo..",
    "..oylllyyybbyo..",
    "...oyllyybbyo...",
    "....oyllbbyo....",
    ".....oylbyo.....",
    "......oyyo......",
    ".......oo.......",
]

ICON_24 = [
    "........................",
    ".oooooooooooooooooooooo.",
    ".oyyyyyyyyyyyyyyyyyyyyo.",
    ".oylllllllllbbbbbbbbbyo.",
    ".oylllllllyyyybbbbbbbyo.",
    ".oyllllllyyyyyybbbbbbyo.",
    ".oylllllyyylbyyybbbbbyo.",
    ".oylllllyyllbbyybbbbbyo.",
    ".oylllllyyylbyyybbbbbyo.",
    ".oyllllllyyyyyybbbbbbyo.",
    ".oylllllllyyyybbbbbbbyo.",
    ".oyllllllllyybbbbbbbbyo.",
    ".oyllllllllyybbbbbbbbyo.",
    "..oylllllllyyyyybbbbyo..",
    "...oyllllllyyyyybbbyo...",
    "....oylllllyybbbbbyo....",
    ".....oyllllyyyybbyo.....",
    "......oylllyyyybyo......",
    ".......oyllyybbyo.......",
    "........oylyybyo........",
    ".........oylbyo.........",
    "..........oyyo..........",
    "...........oo...........",
    "........................",
]


def grid_to_rgba(grid):
    size = len(grid)
    out = bytearray()
    for row in grid:
        if len(row) != size:
            raise ValueError("icon grid is not square")
        for ch in row:
            out += bytes(PALETTE[ch])
    return bytes(out)


def read_exact(stream, count):
    data = stream.read(count)
    if len(data) != count:
        raise ValueError("expected %d bytes of pixels, got %d" % (count, len(data)))
    return data


def bgra_bottom_up(rgba, width, height, opaque):
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray(rgba[y * width * 4:(y + 1) * width * 4])
        for i in range(0, len(row), 4):
            row[i], row[i + 2] = row[i + 2], row[i]
            if opaque:
                row[i + 3] = 255
        rows.append(bytes(row))
    return b"".join(rows)


def info_header(width, height, image_size):
    # biSize, biWidth, biHeight, biPlanes, biBitCount, biCompression (BI_RGB),
    # biSizeImage, biXPelsPerMeter, biYPelsPerMeter, biClrUsed, biClrImportant
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0,
                       image_size, 2835, 2835, 0, 0)


def write_bmp(path, width, height, rgba):
    pixels = bgra_bottom_up(rgba, width, height, opaque=True)
    offset = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(file_header + info_header(width, height, len(pixels)) + pixels)


def png_bytes(width, height, rgba):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    raw = b"".join(b"\x00" + rgba[y * width * 4:(y + 1) * width * 4]
                   for y in range(height))
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def icon_dib(size, rgba):
    xor = bgra_bottom_up(rgba, size, size, opaque=False)
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray(stride)
        for x in range(size):
            if rgba[(y * size + x) * 4 + 3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return info_header(size, size * 2, len(xor) + len(mask)) + xor + bytes(mask)


def write_ico(path, images):
    """images: list of (size, rgba) in ascending size order."""
    blobs = []
    for size, rgba in images:
        blobs.append(png_bytes(size, size, rgba) if size >= 256 else icon_dib(size, rgba))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    for (size, _), blob in zip(images, blobs):
        dim = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(header + entries + b"".join(blobs))


def main(argv):
    stdin = sys.stdin.buffer
    if len(argv) == 5 and argv[1] == "bmp":
        width, height = int(argv[2]), int(argv[3])
        write_bmp(argv[4], width, height, read_exact(stdin, width * height * 4))
    elif len(argv) == 3 and argv[1] == "ico":
        images = [(16, grid_to_rgba(ICON_16)), (24, grid_to_rgba(ICON_24))]
        for size in (32, 48, 256):
            images.append((size, read_exact(stdin, size * size * 4)))
        write_ico(argv[2], images)
    else:
        sys.stderr.write(__doc__)
        return 2
    if stdin.read(1):
        raise ValueError("more pixels than expected on stdin")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
