#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora (fuzz/corpus/<target>/): small valid inputs of every kind
each target reads, and the inputs that once made the phone fail. Run from anywhere; it replaces the
files it writes and leaves others alone (image_fuzz/stb-huffman-index-257.jpg is a fuzzer's find,
the sample cover with one byte changed, on which stb_image read past its Huffman table, and
image_fuzz/bmp-3074x2561-in-29-bytes.bmp another, which stb_image took ten seconds to paint black)."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def put(target, name, data):
    d = os.path.join(HERE, "corpus", target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


# ---- pictures ---------------------------------------------------------------------------------

def png(w, h, declared=None, rgba=True):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    dw, dh = declared or (w, h)
    colour = 6 if rgba else 2
    px = 4 if rgba else 3
    rows = b"".join(b"\0" + bytes((x * 40 + y * 7) & 0xFF for x in range(w * px)) for y in range(h))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", dw, dh, 8, colour, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def bmp(w, h, bits=24):
    row = (w * bits // 8 + 3) & ~3
    pixels = b"".join(bytes((x * 30 + y * 50) & 0xFF for x in range(w * bits // 8)).ljust(row, b"\0")
                      for y in range(h))
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(pixels), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(header) + len(pixels), 0, 0, 14 + len(header)) + header + pixels


def gif(w, h, interlace=False, transparent=False):
    # Four colours, every pixel index 1, coded with the shortest LZW codes (clear, then literals).
    palette = bytes([0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255])
    out = b"GIF89a" + struct.pack("<HHBBB", w, h, 0x81, 0, 0) + palette
    if transparent:
        out += b"\x21\xf9\x04\x01\x00\x00\x02\x00"
    out += b"\x2c" + struct.pack("<HHHHB", 0, 0, w, h, 0x40 if interlace else 0)
    min_code = 2
    codes, bits = [4], 3  # clear code
    for _ in range(w * h):
        codes.append(1)
        codes.append(4)  # clear after each pixel keeps the code width at 3 bits
    codes.append(5)  # end of information
    acc, n, data = 0, 0, bytearray()
    for c in codes:
        acc |= c << n
        n += bits
        while n >= 8:
            data.append(acc & 0xFF)
            acc >>= 8
            n -= 8
    if n:
        data.append(acc & 0xFF)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + bytes(data[i:i + 255]) for i in range(0, len(data), 255))
    return out + bytes([min_code]) + blocks + b"\0" + b"\x3b"


with open(os.path.join(ROOT, "samples", "Seaside", "Cover.jpg"), "rb") as f:
    COVER_JPG = f.read()

for name, data in {
    "tiny.png": png(4, 3),
    "rgb.png": png(5, 2, rgba=False),
    "cover.jpg": COVER_JPG,
    "tiny.bmp": bmp(3, 2),
    "tiny32.bmp": bmp(2, 2, bits=32),
    "tiny.gif": gif(3, 2, transparent=True),
    "interlaced.gif": gif(4, 9, interlace=True),
    # A 3 KB picture declaring 16384x16384 pixels: refused before decoding.
    "huge-declared.png": png(16, 16, declared=(16384, 16384)) + bytes(3000),
}.items():
    put("image_fuzz", name, data)

# ---- MP3 files ----------------------------------------------------------------------------------

FRAME = b"\xff\xfb\x90\x00" + bytes(417 - 4)  # MPEG-1 Layer III, 128 kbit/s, 44100 Hz, stereo


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def xing_frame(frames):
    body = bytearray(FRAME)
    body[36:36 + 16] = b"Xing" + struct.pack(">II", 3, frames) + struct.pack(">I", frames * 417)
    return bytes(body)


def text_frame(version, fid, text, enc=0):
    data = text.encode("utf-16") if enc == 1 else text.encode("latin-1")
    body = bytes([enc]) + data
    if version == 2:
        fid = {"TIT2": "TT2", "TPE1": "TP1", "TALB": "TAL", "TYER": "TYE"}[fid]
        return fid.encode() + struct.pack(">I", len(body))[1:] + body
    size = syncsafe(len(body)) if version == 4 else struct.pack(">I", len(body))
    return fid.encode() + size + b"\0\0" + body


def apic(version, picture, mime="image/png", enc=0, desc="cover"):
    d = desc.encode("utf-16") + b"\0\0" if enc == 1 else desc.encode() + b"\0"
    if version == 2:
        body = bytes([enc]) + b"PNG" + b"\x03" + d + picture
        return b"PIC" + struct.pack(">I", len(body))[1:] + body
    body = bytes([enc]) + mime.encode() + b"\0\x03" + d + picture
    size = syncsafe(len(body)) if version == 4 else struct.pack(">I", len(body))
    return b"APIC" + size + b"\0\0" + body


def id3v2(version, frames, flags=0, padding=16, ext=b"", footer=False):
    body = ext + b"".join(frames) + (b"" if footer else bytes(padding))
    head = b"ID3" + bytes([version, 0, flags]) + syncsafe(len(body))
    return head + body + (b"3DI" + bytes([version, 0, flags]) + syncsafe(len(body)) if footer else b"")


def unsync(data):
    out = bytearray()
    for i, b in enumerate(data):
        out.append(b)
        if b == 0xFF and (i + 1 == len(data) or data[i + 1] >= 0xE0 or data[i + 1] == 0):
            out.append(0)
    return bytes(out)


def id3v1(title, artist, year):
    return (b"TAG" + title.encode().ljust(30, b"\0") + artist.encode().ljust(30, b"\0")
            + b"Album".ljust(30, b"\0") + year.encode().ljust(4, b"\0") + bytes(28) + b"\0\x01\x0c")


AUDIO = FRAME * 6
PIC = png(2, 2)
texts = lambda v: [text_frame(v, "TIT2", "Title"), text_frame(v, "TPE1", "Artist", 1)]
v23_unsync_body = unsync(b"".join(texts(3) + [apic(3, PIC, enc=1, desc="front")]))

tags = {
    "v22.mp3": id3v2(2, texts(2) + [apic(2, PIC)]) + AUDIO,
    "v23.mp3": id3v2(3, texts(3) + [text_frame(3, "TYER", "1999"), apic(3, PIC)]) + AUDIO,
    "v24.mp3": id3v2(4, texts(4) + [text_frame(4, "TDRC", "2001-05"), apic(4, PIC)]) + AUDIO,
    "v23-extended-header.mp3": id3v2(3, texts(3), flags=0x40, ext=struct.pack(">IHI", 6, 0, 0)) + AUDIO,
    "v24-footer.mp3": id3v2(4, texts(4) + [text_frame(4, "TALB", "Album")], flags=0x10, footer=True) + AUDIO,
    "v24-appended.mp3": AUDIO + id3v2(4, texts(4), flags=0x10, footer=True) + id3v1("T1", "A1", "1990"),
    "v24-release-date.mp3": id3v2(4, texts(4) + [text_frame(4, "TDRL", "2004-02-01")]) + AUDIO,
    "v23-unsynchronised.mp3": b"ID3\x03\x00\x80" + syncsafe(len(v23_unsync_body)) + v23_unsync_body + AUDIO,
    "v1-only.mp3": AUDIO + id3v1("Title", "Artist", "1985"),
}
for name, data in tags.items():
    put("tag_reader_fuzz", name, data)

for name, data in {
    "plain.mp3": FRAME * 8,
    "xing.mp3": xing_frame(100) + FRAME * 4,
    "tagged.mp3": id3v2(3, texts(3)) + xing_frame(50) + FRAME * 3,
    "mpeg2.mp3": b"\xff\xf3\x90\xc4" + bytes(200) + b"\xff\xf3\x90\xc4" + bytes(200),
    "junk-then-frames.mp3": bytes(range(256)) * 4 + FRAME * 3,
}.items():
    put("mp3_stream_fuzz", name, data)

# ---- configuration, scripts, play lists -----------------------------------------------------------

with open(os.path.join(ROOT, "skin", "default", "TuneStrip.bcfg"), "rb") as f:
    BCFG = f.read()
put("config_fuzz", "default.bcfg", BCFG)
put("config_fuzz", "default-with-set.bcfg", BCFG + b"X_TITLE_POS=12\nTITLE_NORAMAL_COLOR=0xFF00FF00\nrcFON=0,240,200,320\nHIDE_SPEED=4\n")
put("config_fuzz", "short.bcfg", BCFG[:400])
# A label placed at the integers' edge: its drawing once overflowed.
X_TITLE_POS = 564  # the title group follows the artist's (X_ARTIST_POS 232) by 332 bytes
bad = bytearray(BCFG)
bad[X_TITLE_POS:X_TITLE_POS + 8] = struct.pack("<ii", 2**31 - 1, 2**31 - 1)
put("config_fuzz", "title-at-int-max.bcfg", bytes(bad))

scripts = {
    "basic.txt": "# a run\nplayer start\nwait 1500\nkey 42\nwait 800\nexpect panel shown\nplayer next\nshot a.png\nkey 42 long\nquit\n",
    "config.txt": "config HIDE_SPEED=3 X_TITLE_POS=10\nplayer seek 30\nexpect track 2\nreload\necho done\n",
    "keys.txt": "key up\nkey down short\nkey 5 down\nkey 5 up\naddon about\nexpect addon running\nwait 10\n",
}
for name, text in scripts.items():
    put("script_fuzz", name, text)

for name, text in {
    "list.m3u": "#EXTM3U\n#EXTINF:12,Title\na.mp3\n",
    "case.m3u": "\ufeffA.MP3\r\nsub\\..\\a.mp3\r\nmissing.mp3\r\n",
    "absolute.m3u": "../list/a.mp3\n./sub\n\n   \n",
}.items():
    put("m3u_fuzz", name, text)

# Folder names, one a line: Latin-1 beside its U+FFFD twin and its UTF-8 form, case twins,
# control characters.
for name, data in {
    "latin1-twins": b"caf\xe9\ncaf\xef\xbf\xbd\nCAF\xc3\xa9\ncaf\xc3\xa9\nA\nb\\c\n",
    "controls": b"na\xefve\nna\xc3\xafve\n\x01\x02\nline\rend\n",
}.items():
    put("names_fuzz", name, data)
