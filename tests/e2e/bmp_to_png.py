#!/usr/bin/python3
"""bmp_to_png.py IN.bmp OUT.png: converts an uncompressed 24- or 32-bit BMP to an RGB PNG."""
import struct
import sys
import zlib


def read_bmp(data):
    """Returns (width, height, rows) with rows top-down, each a bytes of R, G, B triples."""
    if data[:2] != b"BM":
        raise ValueError("not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    header_size, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if header_size < 40 or bits not in (24, 32) or compression not in (0, 3):
        raise ValueError("only uncompressed 24- and 32-bit BMP files are supported")
    top_down = height < 0
    height = abs(height)
    step = bits // 8
    stride = (width * step + 3) & ~3
    rows = []
    for y in range(height):
        start = offset + y * stride
        line = data[start:start + width * step]
        rgb = bytearray(width * 3)
        rgb[0::3] = line[2::step]
        rgb[1::3] = line[1::step]
        rgb[2::3] = line[0::step]
        rows.append(bytes(rgb))
    if not top_down:
        rows.reverse()
    return width, height, rows


def png_bytes(width, height, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def convert(bmp_path, png_path):
    with open(bmp_path, "rb") as f:
        width, height, rows = read_bmp(f.read())
    with open(png_path, "wb") as f:
        f.write(png_bytes(width, height, rows))
    return width, height, rows


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    convert(argv[1], argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
