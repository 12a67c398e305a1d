#!/usr/bin/env python3
"""Makes damaged copies of the test media, as users meet them: old captures
with dropouts, half-copied files, files renamed to the wrong extension.

usage: make-corrupt-media.py <media folder> <output folder>

The media folder holds the fixtures of tests/make-media.sh. Every file named
below is written into the output folder (made if needed) under a temporary
name and renamed, so a reader never sees half a file; a file already there
is kept. The damage is fixed (a seeded generator), so each run makes the same
bytes. Prints the names written, one a line.

  dv-cut-header.dv       the first 400 bytes of dv-pal-4x3.dv: inside the
                         header of the first DIF sequence
  dv-cut-early.dv        3 frames and half of the fourth: too little for
                         GStreamer to recognise DV
  dv-cut-frame.dv        12 frames and half of the thirteenth
  dv-random-block.dv     frames 10 and 11 replaced by random bytes
  dv-broken-dif.dv       frames 5 to 14 with the ID of every 80-byte DIF
                         block overwritten, and no header or subcode left
  dv-named.mpg           dv-pal-4x3.dv under a program-stream name
  dv-bad-scenes.dv       dv-pal-4x3.dv with a companion scene file
  dv-bad-scenes.scn      whose string lengths and record count run far past
                         its end
  mkv-cut-header.mkv     the first 1500 bytes of h264-320x240.mkv
  mkv-cut-frame.mkv      its first 60 %
  mkv-zeroed.mkv         32 KiB of zeros at 40 %
  mkv-named.avi          the Matroska file under an AVI name
  avi-cut-header.avi     the first 300 bytes of raw-160x120.avi
  avi-cut-index.avi      without its last 200 bytes, inside the idx1 index
  avi-zeroed.avi         20 KiB of zeros in the middle
  mpg-cut.mpg            the first 30 % of mpeg2-pal-16x9.mpg
  mpg-random-block.mpg   64 KiB of random bytes at 50 %
  mpg-broken-header.mpg  every MPEG-2 sequence header saying 0 x 0 pixels,
                         aspect code 0 and frame-rate code 15
  ts-cut-random.ts       h264-ac3.ts cut at 70 %, 16 KiB of random bytes at 35 %
  empty.avi              no byte at all
  folder.avi/            a folder
  unreadable.dv          dv-pal-4x3.dv without read permission (root reads
                         it all the same)
"""
import os
import random
import struct
import sys

DV_FRAME = 144000
DV_SEQUENCE = 12000
DIF_BLOCK = 80


def read(folder, name):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()


def cut(data, fraction):
    return data[:int(len(data) * fraction)]


def overwrite(data, at, block):
    at = min(at, max(0, len(data) - len(block)))
    return data[:at] + block + data[at + len(block):]


def broken_dif(data):
    frames = bytearray(data)
    for frame in range(5, 15):
        start = frame * DV_FRAME
        for block in range(start, min(start + DV_FRAME, len(frames)), DIF_BLOCK):
            frames[block:block + 3] = b"\xff\x00\xff"
        # The header and subcode blocks of each sequence lose their packs.
        for sequence in range(start, min(start + DV_FRAME, len(frames)), DV_SEQUENCE):
            frames[sequence + 3:sequence + 3 * DIF_BLOCK] = b"\xee" * (3 * DIF_BLOCK - 3)
    return bytes(frames)


def broken_sequence_headers(data):
    out = bytearray(data)
    at = out.find(b"\x00\x00\x01\xb3")
    while at >= 0:
        out[at + 4:at + 8] = b"\x00\x00\x00\x0f"
        at = out.find(b"\x00\x00\x01\xb3", at + 4)
    return bytes(out)


def bad_scenes():
    # The header's first string says 0xFEFE bytes, the record count says
    # 65535 records; a dozen bytes follow.
    return b"\x5a" * 24 + b"\xff\xfe\xfe" + b"\x5a" * 8 + struct.pack("<H", 0xFFFF) + b"\x5a" * 12


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    media, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    rng = random.Random(20)

    dv = read(media, "dv-pal-4x3.dv")
    mkv = read(media, "h264-320x240.mkv")
    avi = read(media, "raw-160x120.avi")
    mpg = read(media, "mpeg2-pal-16x9.mpg")
    ts = read(media, "h264-ac3.ts")

    def noise(size):
        return bytes(rng.getrandbits(8) for _ in range(size))

    files = {
        "dv-cut-header.dv": dv[:400],
        "dv-cut-early.dv": dv[:3 * DV_FRAME + DV_FRAME // 2],
        "dv-cut-frame.dv": dv[:12 * DV_FRAME + DV_FRAME // 2],
        "dv-random-block.dv": overwrite(dv, 10 * DV_FRAME, noise(2 * DV_FRAME)),
        "dv-broken-dif.dv": broken_dif(dv),
        "dv-named.mpg": dv,
        "dv-bad-scenes.dv": dv,
        "dv-bad-scenes.scn": bad_scenes(),
        "mkv-cut-header.mkv": mkv[:1500],
        "mkv-cut-frame.mkv": cut(mkv, 0.6),
        "mkv-zeroed.mkv": overwrite(mkv, int(len(mkv) * 0.4), bytes(32 * 1024)),
        "mkv-named.avi": mkv,
        "avi-cut-header.avi": avi[:300],
        "avi-cut-index.avi": avi[:-200],
        "avi-zeroed.avi": overwrite(avi, len(avi) // 2, bytes(20 * 1024)),
        "mpg-cut.mpg": cut(mpg, 0.3),
        "mpg-random-block.mpg": overwrite(mpg, len(mpg) // 2, noise(64 * 1024)),
        "mpg-broken-header.mpg": broken_sequence_headers(mpg),
        "ts-cut-random.ts": overwrite(cut(ts, 0.7), int(len(ts) * 0.35), noise(16 * 1024)),
        "empty.avi": b"",
        "unreadable.dv": dv,
    }
    for name, data in files.items():
        path = os.path.join(out, name)
        if not os.path.lexists(path):
            temporary = "%s.%d.part" % (path, os.getpid())
            with open(temporary, "wb") as f:
                f.write(data)
            os.replace(temporary, path)
        print(name)
    os.chmod(os.path.join(out, "unreadable.dv"), 0)
    os.makedirs(os.path.join(out, "folder.avi"), exist_ok=True)
    print("folder.avi")


if __name__ == "__main__":
    main()
