#!/usr/bin/env python3
"""Writes the malformed image files beside this script (run by hand; the
files are committed and the tests only read them). Each name starts with the
loader that must refuse it."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def bmp(width=2, height=2, bits=8, compression=0, header_size=40, colors=None, data=None, masks=b"",
        offset=None, palette_count=None):
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bits, compression, 0, 0, 0, 0, 0) + masks
    info = info.ljust(max(header_size, len(info)), b"\0") if header_size < 0x1000 else info
    if colors is None:
        colors = b"\0\0\0\0" * (palette_count if palette_count is not None else (1 << bits if bits <= 8 else 0))
    if data is None:
        data = b"\x11" * 64
    off = offset if offset is not None else 14 + len(info) + len(colors)
    return b"BM" + struct.pack("<IHHI", 14 + len(info) + len(colors) + len(data), 0, 0, off) + info + colors + data


def tga(type_=2, map_type=0, map_first=0, map_length=0, map_bits=0, x=0, y=0, width=2, height=2, bits=24,
        descriptor=0x20, rest=None):
    head = struct.pack("<BBBHHBHHHHBB", 0, map_type, type_, map_first, map_length, map_bits, x, y, width, height,
                       bits, descriptor)
    return head + (rest if rest is not None else b"\x22" * 64)


def dds(width=2, height=2, flags=0x1007, pitch=0, mipmaps=0, pf_flags=0x41, fourcc=0, bits=32,
        masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000), caps=0x1000, data=b"\x33" * 16):
    head = struct.pack("<7I", 124, flags, height, width, pitch, 0, mipmaps) + b"\0" * 44
    head += struct.pack("<8I", 32, pf_flags, fourcc, bits, *masks) + struct.pack("<I", caps) + b"\0" * 16
    return b"DDS " + head + data


def bgra(code=0x08080808, width=1, height=1, data=b"\x44" * 4):
    return b"BGRA" + struct.pack("<III", code, width, height) + data


def fourcc(text):
    return struct.unpack("<I", text.encode())[0]


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(width=2, height=2, depth=8, color=2, interlace=0, idat=None, extra=b"", crc_ok=True, end=True):
    ihdr = png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, color, 0, 0, interlace))
    if not crc_ok:
        ihdr = ihdr[:-4] + b"\0\0\0\0"
    if idat is None:
        row = 1 + width * 3
        idat = zlib.compress(b"\0" * (row * height))
    out = b"\x89PNG\r\n\x1a\n" + ihdr + extra + png_chunk(b"IDAT", idat)
    return out + (png_chunk(b"IEND", b"") if end else b"")


def jpeg_sof(width, height, components=3):
    body = struct.pack(">BHHB", 8, height, width, components)
    for i in range(components):
        body += bytes([i + 1, 0x11, 0])
    return b"\xff\xc0" + struct.pack(">H", len(body) + 2) + body


cases = {
    "bmp-jpeg-inside.bmp": bmp(bits=24, compression=4),
    "bmp-png-inside.bmp": bmp(bits=24, compression=5),
    "bmp-zero-width.bmp": bmp(width=0),
    "bmp-negative-width.bmp": bmp(width=-3),
    "bmp-zero-height.bmp": bmp(height=0),
    "bmp-lowest-height.bmp": bmp(height=-2**31),
    "bmp-side-too-long.bmp": bmp(width=32768, height=1, bits=24),
    "bmp-too-many-pixels.bmp": bmp(width=16384, height=8193, bits=24),
    "bmp-two-bits.bmp": bmp(bits=2),
    "bmp-core-header.bmp": bmp(header_size=12),
    "bmp-huge-header.bmp": bmp(header_size=0xFFFFFFF0),
    "bmp-rle8-with-24-bits.bmp": bmp(bits=24, compression=1),
    "bmp-rle4-with-8-bits.bmp": bmp(bits=8, compression=2),
    "bmp-bit-fields-with-24-bits.bmp": bmp(bits=24, compression=3, masks=struct.pack("<3I", 0xFF, 0xFF00, 0xFF0000)),
    "bmp-header-cut.bmp": bmp()[:30],
    "bmp-palette-cut.bmp": bmp(bits=8, colors=b"\1\2\3\0" * 10, data=b""),
    "bmp-offset-past-int.bmp": bmp(bits=24, offset=0xFFFFFFF0),
    "tga-x-origin.tga": tga(x=1),
    "tga-y-origin.tga": tga(y=5),
    "tga-type-0.tga": tga(type_=0),
    "tga-type-3.tga": tga(type_=3, bits=8),
    "tga-type-11.tga": tga(type_=11),
    "tga-side-8193.tga": tga(width=8193, height=1),
    "tga-zero-width.tga": tga(width=0),
    "tga-depth-8.tga": tga(bits=8),
    "tga-depth-15.tga": tga(bits=15),
    "tga-map-past-256.tga": tga(type_=1, map_type=1, map_first=200, map_length=57, map_bits=24, bits=8),
    "tga-mapped-without-map.tga": tga(type_=1, map_type=0, map_bits=24, bits=8),
    "tga-mapped-16-bit-indices.tga": tga(type_=1, map_type=1, map_length=2, map_bits=24, bits=16),
    "tga-pixels-cut.tga": tga(rest=b"\1" * 11),
    "tga-map-cut.tga": tga(type_=1, map_type=1, map_length=200, map_bits=32, bits=8, rest=b"\5" * 20),
    "dds-xrgb-without-alpha-flag.dds": dds(pf_flags=0x40, masks=(0xFF0000, 0xFF00, 0xFF, 0)),
    "dds-bit-count-12.dds": dds(bits=12),
    "dds-pitch-too-small.dds": dds(flags=0x100F, pitch=7),
    "dds-zero-width.dds": dds(width=0),
    "dds-side-too-long.dds": dds(width=40000, height=1),
    "dds-data-cut.dds": dds(data=b"\1" * 15),
    "dds-too-many-mipmaps.dds": dds(flags=0x21007, caps=0x401008, mipmaps=40, data=b"\1" * 64),
    "dds-unknown-fourcc.dds": dds(pf_flags=4, fourcc=fourcc("ATI2")),
    "dds-table-code-with-other-flags.dds": dds(pf_flags=0x44, fourcc=21),
    "dds-mask-outside-depth.dds": dds(bits=16, masks=(0xF800, 0x7E0, 0x1F, 0x10000)),
    "dds-header-cut.dds": dds()[:60],
    "dds-dxt5-block-cut.dds": dds(width=4, height=4, pf_flags=4, fourcc=fourcc("DXT5"), data=b"\1" * 8),
    "dds-dxt1-small-level-cut.dds": dds(width=2, height=2, pf_flags=4, fourcc=fourcc("DXT1"), data=b"\1" * 7),
    "bgra-depth-32.bgra": bgra(code=0x20202020),
    "bgra-zero-width.bgra": bgra(width=0),
    "bgra-height-70000.bgra": bgra(height=70000),
    "bgra-size-overflows.bgra": bgra(width=0xFFFFFFFF, height=0xFFFFFFFF),
    "bgra-pixels-cut.bgra": bgra(width=2, height=2, data=b"\1" * 15),
    "bgra-16-bit-rows-cut.bgra": bgra(code=0x10101010, width=2, height=2, data=b"\1" * 31),
    "jpeg-empty.jpg": b"",
    "jpeg-start-only.jpg": b"\xff\xd8",
    "jpeg-no-start.jpg": b"\xff\xe0\x00\x10JFIF\x00" + b"\0" * 40,
    "jpeg-frame-without-tables.jpg": b"\xff\xd8" + jpeg_sof(8, 8) + b"\xff\xda\x00\x0c\x03\x01\x00\x02\x11\x03\x11\x00\x3f\x00" + b"\0" * 20 + b"\xff\xd9",
    "jpeg-zero-width.jpg": b"\xff\xd8" + jpeg_sof(0, 8) + b"\xff\xd9",
    "jpeg-side-too-long.jpg": b"\xff\xd8" + jpeg_sof(40000, 1) + b"\xff\xd9",
    "jpeg-five-components.jpg": b"\xff\xd8" + jpeg_sof(8, 8, 5) + b"\xff\xd9",
    "jpeg-segment-length-past-end.jpg": b"\xff\xd8\xff\xe1\xff\xf0" + b"\1" * 30,
    "png-signature-only.png": b"\x89PNG\r\n\x1a\n",
    "png-zero-width.png": png(width=0),
    "png-side-too-long.png": png(width=40000, height=1, idat=zlib.compress(b"\0" * 10)),
    "png-too-many-pixels.png": png(width=16384, height=8193, idat=zlib.compress(b"\0" * 10)),
    "png-bad-ihdr-crc.png": png(crc_ok=False),
    "png-bad-depth.png": png(depth=5),
    "png-bad-colour-type.png": png(color=5),
    "png-idat-cut.png": png(idat=zlib.compress(b"\0" * 14)[:-6], end=False),
    "png-idat-not-deflate.png": png(idat=b"\x12\x34\x56\x78" * 4),
    "png-palette-missing.png": png(color=3, idat=zlib.compress(b"\0\0\0" * 2)),
    "png-no-idat.png": b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 2, 8, 2, 0, 0, 0)) + png_chunk(b"IEND", b""),
    "png-bad-interlace.png": png(interlace=2),
}

for name, data in cases.items():
    write(name, data)
