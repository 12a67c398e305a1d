#!/usr/bin/env python3
"""Puts an AVCHD-style recording date into every access unit of an H.264
elementary stream (Annex B): a "user data unregistered" SEI NAL unit with
the MDPM UUID, holding tags 0x18 (zone, year, month) and 0x19 (day, hour,
minute, second) in BCD, inserted before each picture's first slice.

usage: avchd-sei.py IN.h264 OUT.h264 YYYY-MM-DDTHH:MM:SS FPS_NUM FPS_DEN

Picture k is dated START + floor(k * FPS_DEN / FPS_NUM) seconds, so the
second changes on the frame a camcorder's clock would change it. The input
must have one slice per picture and no B-frames (decoding order is then
display order)."""

import datetime
import sys

UUID = bytes.fromhex("17ee8c60f84d11d98cd60800200c9a66")


def bcd(value):
    return ((value // 10) << 4) | (value % 10)


def escape(rbsp):
    """Adds the emulation-prevention bytes a NAL unit needs."""
    out = bytearray()
    zeros = 0
    for byte in rbsp:
        if zeros >= 2 and byte <= 3:
            out.append(3)
            zeros = 0
        out.append(byte)
        zeros = zeros + 1 if byte == 0 else 0
    return bytes(out)


def sei(when):
    tags = [
        (0x18, [0x00, bcd(when.year // 100), bcd(when.year % 100), bcd(when.month)]),
        (0x19, [bcd(when.day), bcd(when.hour), bcd(when.minute), bcd(when.second)]),
        # A tag of no interest before the end, as camcorders write several.
        (0x70, [0x01, 0x02, 0x03, 0x04]),
    ]
    payload = UUID + b"MDPM" + bytes([len(tags)])
    for tag, data in tags:
        payload += bytes([tag] + data)
    message = bytes([5, len(payload)]) + payload
    return b"\x00\x00\x00\x01" + bytes([0x06]) + escape(message + b"\x80")


def nal_units(data):
    """(start of the start code, start of the NAL header) pairs."""
    starts = []
    i = data.find(b"\x00\x00\x01")
    while i >= 0:
        code = i - 1 if i > 0 and data[i - 1] == 0 else i
        starts.append((code, i + 3))
        i = data.find(b"\x00\x00\x01", i + 3)
    return starts


def main():
    source, target, start, num, den = sys.argv[1:6]
    num, den = int(num), int(den)
    first = datetime.datetime.strptime(start, "%Y-%m-%dT%H:%M:%S")
    data = open(source, "rb").read()
    out = bytearray()
    previous = 0
    picture = 0
    for code, header in nal_units(data):
        kind = data[header] & 0x1F
        if kind in (1, 5):
            out += data[previous:code]
            out += sei(first + datetime.timedelta(seconds=picture * den // num))
            previous = code
            picture += 1
    out += data[previous:]
    open(target, "wb").write(out)
    if picture == 0:
        sys.exit("no picture in " + source)


if __name__ == "__main__":
    main()
