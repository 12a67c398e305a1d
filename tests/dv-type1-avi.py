#!/usr/bin/env python3
"""Wraps the first frames of a raw DV file in a type-1 DV AVI.

Usage: dv-type1-avi.py INPUT.dv OUTPUT.avi FRAMES

Type 1 keeps the whole DIF frame, audio included, in a single 'iavs' stream,
which is how older capture software stored DV. Neither ffmpeg nor GStreamer
writes that layout, so the test media script builds it here, byte by byte.
"""

import struct
import sys

DIF_BLOCK = 80


def fail(message):
    sys.stderr.write("dv-type1-avi.py: %s\n" % message)
    sys.exit(1)


def chunk(fourcc, payload):
    # RIFF chunks are word-aligned: an odd payload gets one pad byte that its
    # size does not count.
    pad = b"\0" if len(payload) % 2 else b""
    return fourcc + struct.pack("<I", len(payload)) + payload + pad


def riff_list(kind, fourcc, payload):
    return chunk(kind, fourcc + payload)


def find_pack(frame, sequences, section, pack_id):
    """Returns the 4 data bytes of the first pack_id pack found in blocks of
    the given section type (2 VAUX, 3 audio) within the given DIF sequences,
    or zeros when the frame carries none."""
    for seq in sequences:
        for block in range(150):
            start = (seq * 150 + block) * DIF_BLOCK
            data = frame[start:start + DIF_BLOCK]
            if data[0] >> 5 != section:
                continue
            # An audio block holds one pack, a VAUX block fifteen.
            slots = 1 if section == 3 else 15
            for k in range(slots):
                pack = data[3 + 5 * k:8 + 5 * k]
                if pack[0] == pack_id:
                    return pack[1:5]
    return b"\0\0\0\0"


def dvinfo(frame, sequences):
    # The second audio channel pair lives in the second half of the frame's
    # DIF sequences, so its packs come from there.
    first = range(sequences // 2)
    second = range(sequences // 2, sequences)
    return (find_pack(frame, first, 3, 0x50) + find_pack(frame, first, 3, 0x51)
            + find_pack(frame, second, 3, 0x50) + find_pack(frame, second, 3, 0x51)
            + find_pack(frame, first, 2, 0x60) + find_pack(frame, first, 2, 0x61)
            + b"\0" * 8)


def main(argv):
    if len(argv) != 4:
        fail("usage: dv-type1-avi.py INPUT.dv OUTPUT.avi FRAMES")
    source, target = argv[1], argv[2]
    try:
        count = int(argv[3])
    except ValueError:
        count = 0
    if count < 1:
        fail("FRAMES must be a positive whole number, not %r" % argv[3])
    try:
        with open(source, "rb") as f:
            head = f.read(DIF_BLOCK)
            # The header block's DSF bit tells 625-line (12 DIF sequences a
            # frame) from 525-line (10) video.
            if len(head) < DIF_BLOCK or head[0] >> 5 != 0:
                fail("%s does not start with a DIF header block" % source)
            pal = bool(head[3] & 0x80)
            sequences = 12 if pal else 10
            frame_size = sequences * 150 * DIF_BLOCK
            f.seek(0)
            data = f.read(frame_size * count)
    except OSError as e:
        fail("cannot read %s: %s" % (source, e.strerror))
    if len(data) < frame_size * count:
        fail("%s holds fewer than %d whole frames" % (source, count))
    frames = [data[i * frame_size:(i + 1) * frame_size] for i in range(count)]

    width, height = 720, 576 if pal else 480
    rate, scale = (25, 1) if pal else (30000, 1001)
    usec_per_frame = round(1000000 * scale / rate)

    AVIF_HASINDEX, AVIF_ISINTERLEAVED = 0x10, 0x100
    avih = struct.pack("<14I", usec_per_frame, frame_size * rate // scale, 0,
                       AVIF_HASINDEX | AVIF_ISINTERLEAVED, count, 0, 1,
                       frame_size, width, height, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIiI4h", b"iavs", b"dvsd", 0, 0, 0, 0,
                       scale, rate, 0, count, frame_size, -1, 0,
                       0, 0, width, height)
    strl = riff_list(b"LIST", b"strl",
                     chunk(b"strh", strh) + chunk(b"strf", dvinfo(frames[0], sequences)))
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) + strl)

    movi_chunks = b""
    index = b""
    AVIIF_KEYFRAME = 0x10
    for frame in frames:
        # Index offsets count from the 'movi' type code, as most readers
        # expect.
        index += struct.pack("<4sIII", b"00db", AVIIF_KEYFRAME, 4 + len(movi_chunks), len(frame))
        movi_chunks += chunk(b"00db", frame)
    movi = riff_list(b"LIST", b"movi", movi_chunks)

    body = riff_list(b"RIFF", b"AVI ", hdrl + movi + chunk(b"idx1", index))
    try:
        with open(target, "wb") as f:
            f.write(body)
    except OSError as e:
        fail("cannot write %s: %s" % (target, e.strerror))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
