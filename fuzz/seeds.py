#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzz targets into fuzz/corpus/<target>/ (run once; the
files are kept in the tree). Inputs a fuzzer finds that crashed are added by hand beside them."""
import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def write(target, name, data):
    os.makedirs(os.path.join(ROOT, target), exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(ROOT, target, name), "wb") as f:
        f.write(data)


def rle(raw):
    out = bytearray()
    i = 0
    while i < len(raw):
        n = 1
        while i + n < len(raw) and raw[i + n] == raw[i] and n < 63:
            n += 1
        if n > 1 or raw[i] >= 0xC0:
            out += bytes([0xC0 | n, raw[i]])
        else:
            out.append(raw[i])
        i += n
    return bytes(out)


def pcx(version, bits, planes, width, height, bytes_per_line, lines, palette=b"", tail=b""):
    header = bytearray(128)
    header[0:4] = bytes([0x0A, version, 1, bits])
    struct.pack_into("<HHHHHH", header, 4, 0, 0, width - 1, height - 1, 72, 72)
    header[16:16 + len(palette)] = palette
    header[65] = planes
    struct.pack_into("<HH", header, 66, bytes_per_line, 1)
    return bytes(header) + rle(b"".join(lines)) + tail


def pcx_seeds():
    ega = bytes(range(48))
    write("pcx", "mono-8x2.pcx", pcx(5, 1, 1, 8, 2, 2, [b"\xA5\x00", b"\x5A\x00"],
                                     b"\x00\x00\x00\xff\xff\xff"))
    write("pcx", "ega-4x2-v3.pcx", pcx(3, 1, 4, 4, 2, 2, [b"\x90\x00" * 4, b"\x60\x00" * 4]))
    write("pcx", "nibble-4x1.pcx", pcx(5, 4, 1, 4, 1, 2, [b"\x12\x34"], ega))
    palette = b"\x0c" + bytes((i * 3 + k) & 0xFF for i in range(256) for k in range(3))
    write("pcx", "indexed-4x2.pcx", pcx(5, 8, 1, 4, 2, 4, [b"\x00\x01\x02\x03", b"\xc8\xc8\xc8\xc8"],
                                        tail=palette))
    write("pcx", "rgb-2x2.pcx", pcx(5, 8, 3, 2, 2, 2, [b"\xff\x00\x00\xff\x00\x00",
                                                       b"\x10\x20\x30\x40\x50\x60"]))
    # A run that goes on from one scanline into the next.
    write("pcx", "run-across-lines.pcx", pcx(5, 8, 1, 3, 2, 3, [b"\x07" * 6], tail=palette))


def png(width, height):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\x00" + b"\xff\x00\x00" * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def bmp(width, height):
    row = (b"\x00\x00\xff" * width).ljust((width * 3 + 3) // 4 * 4, b"\x00")
    pixels = row * height
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + 40 + len(pixels), 0, 0, 54) + info + pixels


def gif(frames):
    out = b"GIF89a" + struct.pack("<HHBBB", 1, 1, 0x80, 0, 0) + b"\x00\x00\x00\xff\xff\xff"
    if frames > 1:
        out += b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
    for i in range(frames):
        out += b"\x21\xf9\x04\x04\x0a\x00\x00\x00"
        out += b"\x2c" + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + b"\x02\x02" + (b"\x44\x01" if i % 2 else b"\x4c\x01") + b"\x00"
    return out + b"\x3b"


def ico(kind):
    image = bmp(1, 1)[14:]
    info = bytearray(image)
    struct.pack_into("<i", info, 8, 2)  # icons store twice the height (colour and mask)
    body = bytes(info) + b"\x00\x00\x00\x00"
    return (struct.pack("<HHH", 0, kind, 1) + struct.pack("<BBBBHHII", 1, 1, 0, 0, 1, 24, len(body), 22)
            + body)


def picture_seeds():
    write("picture", "red-2x2.png", png(2, 2))
    write("picture", "red-2x1.bmp", bmp(2, 1))
    write("picture", "still.gif", gif(1))
    write("picture", "two-frames.gif", gif(2))
    write("picture", "one.ico", ico(1))
    write("picture", "one.cur", ico(2))
    write("picture", "jpeg-start.jpg", b"\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xff\xd9")
    write("picture", "mono-8x2.pcx", open(os.path.join(ROOT, "pcx", "mono-8x2.pcx"), "rb").read())
    write("picture", "unknown.txt", "not a picture")


def text_seeds():
    write("text", "ascii.txt", "Hello, World")
    write("text", "chinese-utf8.txt", "信息：皮肤 QQ")
    write("text", "gb18030.bin", "中文€😀ÄbC".encode("gb18030"))
    write("text", "utf16le.bin", "中A😀".encode("utf-16-le"))
    write("text", "mixed-case-key.txt", "ABC\x81\x41xyzabc")
    write("text", "broken.bin", b"\x81\x30\x81\xff\xfe\xed\x80")


def numbers_seeds():
    write("numbers", "integer.txt", "  -12345abc")
    write("numbers", "real.txt", "\t+3.25e-2x")
    write("numbers", "full-width.txt", "－１２３．５".encode("gb18030"))
    write("numbers", "huge.txt", "9" * 40 + "e999")
    write("numbers", "double-bytes.bin", struct.pack("<d", -2147483648.5) + b"1.5")
    write("numbers", "nan.bin", struct.pack("<d", float("nan")))


def form(values=None, template="7"):
    fields = ["qq", "usernick", "userannouncement", "usergender", "userage", "userbirthday",
              "usergroup", "userlunar", "userconstellation", "qzonenick", "useraddress",
              "userreflections"]
    values = values or {}
    parts = ["template=" + template]
    for f in fields:
        parts.append(f + "=" + values.get(f, "x"))
    return "&".join(parts)


def formcheck_seeds():
    write("formcheck", "valid.txt", form({"qq": "123456789", "usernick": "%E5%B0%8F+%E6%98%8E"}))
    write("formcheck", "bad-escape.txt", form({"qq": "12345", "usernick": "%E5%B"}))
    write("formcheck", "duplicate.txt", form({"qq": "12345"}) + "&qq=54321")
    write("formcheck", "path.txt", "/template/48.html")
    write("formcheck", "qq.txt", "100001")


def request_seeds():
    write("request", "probe.json", '{"id": 1, "op": "Probe", "args": ["text", 42, true, null, {"ref": "r1"}, 4294967295, 1.5]}')
    write("request", "unknown.json", '{"id": "a", "op": "Navigate", "args": ["http://127.0.0.1/"]}')
    write("request", "object.json", '{"id": 2, "op": "o7.Item", "args": [0]}')
    write("request", "bad-args.json", '{"op": "Probe", "args": {"x": 1}}')
    write("request", "not-object.json", '[1, 2, 3]')
    write("request", "broken.json", '{"id": 3, "op": "Pro')


def reply_seeds():
    write("reply", "walk.txt", '{"s":1,"v":[["o"]]}\n{"s":2,"v":[["o"],["o"]]}\n{"s":3,"v":[["u"],["s","Title \\u4e2d"]]}')
    write("reply", "values.txt", '{"s":1,"v":[["o"]]}\n{"s":2,"v":[["n"],["d",1.5e300]]}\n{"s":3,"v":[["b",true],["x"]]}')
    write("reply", "wrong-seq.txt", '{"s":7,"v":[["o"]]}\n{"s":2,"v":[["o"]]}')
    write("reply", "gone.txt", '{"s":1,"v":[["o"]]}')
    write("reply", "short.txt", '{"s":1,"v":[]}\n{"s":2,"v":[["s"]]}\n[]')


pcx_seeds()
picture_seeds()
text_seeds()
numbers_seeds()
formcheck_seeds()
request_seeds()
reply_seeds()
