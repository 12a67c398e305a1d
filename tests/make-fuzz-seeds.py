#!/usr/bin/env python3
"""Writes the seed corpus of each fuzz target (fuzz/) into <dir>/<target>/.

Seeds are small, well-formed examples of what each reader takes, plus the
inputs that once broke a reader, so that every run replays them first. Files
already there are rewritten; nothing else in <dir> is touched.

usage: make-fuzz-seeds.py <dir>
"""
import os
import struct
import sys


def write(root, target, name, data):
    folder = os.path.join(root, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- DV frames: sequences of 12,000 bytes with the packs the readers look at.

DV_SEQUENCE = 12000


def bcd(value):
    return ((value // 10) << 4) | (value % 10)


def dv_frame(sequences, pal=True, wide=False, date=(15, 7, 4), time=(14, 23, 45),
             timecode=(10, 20, 30, 0), audio=0x00):
    frame = bytearray(b"\x5a" * (DV_SEQUENCE * sequences))
    for i in range(sequences):
        s = i * DV_SEQUENCE
        frame[s + 3] = 0xBF if pal else 0x3F
        frame[s + 7] = 0x00
        frame[s + 110] = 0x13
        frame[s + 190] = 0x13
        hours, minutes, seconds, frames = timecode
        frame[s + 111:s + 115] = bytes([bcd(frames), bcd(seconds), bcd(minutes), bcd(hours)])
        frame[s + 453] = 0x61
        frame[s + 455] = 2 if wide else 0
        if date:
            frame[s + 458] = 0x62
            frame[s + 460:s + 463] = bytes([bcd(date[0]), bcd(date[1]), bcd(date[2])])
        if time:
            frame[s + 463] = 0x63
            frame[s + 465:s + 468] = bytes([bcd(time[2]), bcd(time[1]), bcd(time[0])])
        frame[s + 4323] = 0x50
        frame[s + 4327] = audio
    return bytes(frame)


def dv_seeds(root):
    write(root, "dv_pack", "pal-one-sequence", dv_frame(1))
    write(root, "dv_pack", "pal-wide-32k", dv_frame(2, wide=True, audio=0x10))
    write(root, "dv_pack", "ntsc-no-date", dv_frame(1, pal=False, date=None, time=None))
    write(root, "dv_pack", "bad-date", dv_frame(1, date=(31, 2, 99)))
    # A frame cut inside its second sequence: only the first counts.
    write(root, "dv_pack", "cut-frame", dv_frame(2)[:DV_SEQUENCE + 500])
    write(root, "dv_pack", "short", b"\x00" * 500)
    # Once read as a valid date and timecode: a year byte 0xF9 (no decimal
    # digit) summed to 159, that is 2059; an hours byte 0x3F to 45.
    damaged = bytearray(dv_frame(1))
    damaged[462] = 0xF9
    damaged[114] = 0x3F
    write(root, "dv_pack", "damaged-digits", bytes(damaged))


def mpeg2_seeds(root):
    def header(width, height, aspect, rate):
        return bytes([0, 0, 1, 0xB3, width >> 4, ((width & 15) << 4) | (height >> 8), height & 0xFF,
                      (aspect << 4) | rate]) + b"\xff\xff\xe0\x00"
    write(root, "mpeg2_header", "pal-16x9", header(720, 576, 3, 3))
    write(root, "mpeg2_header", "ntsc-4x3", header(720, 480, 2, 4))
    write(root, "mpeg2_header", "unknown-codes", header(4095, 4095, 15, 15))
    write(root, "mpeg2_header", "no-start-code", b"\x00\x00\x01\xb5" + bytes(8))


def mdpm_seeds(root):
    uuid = bytes.fromhex("17ee8c60f84d11d98cd60800200c9a66")
    tags = bytes([0x18, 0x00, 0x20, 0x09, 0x12, 0x19, 0x31, 0x23, 0x59, 0x58])
    payload = uuid + b"MDPM" + bytes([2]) + tags
    write(root, "mdpm_date", "payload", payload)
    write(root, "mdpm_date", "cut-tag", uuid + b"MDPM" + bytes([2]) + tags[:8])
    write(root, "mdpm_date", "bad-digit", uuid + b"MDPM" + bytes([2]) + tags[:3] + b"\x0a" + tags[4:])
    sei = b"\x00\x00\x00\x01\x06" + bytes([5, len(payload)]) + payload + b"\x80"
    write(root, "mdpm_date", "access-unit", b"\x00\x00\x00\x01\x09\xf0" + sei + b"\x00\x00\x01\x65\x88\x84")


# --- Hives as the emulated registry stores them, and as people edit them.

def hive_seeds(root):
    write(root, "reg_hive", "preferences", (
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Kestrine\\Stillex]\n"
        "\"digits\"=dword:00000004\n\"DossierSave\"=\"/home/user/Images\"\n"
        "\"Durée Incruster\"=dword:00000005\n@=\"défaut\"\n"
        "\"Decalage Horaire\"=hex:00,00,00,00,00,00,f0,3f\n\n"
        "[HKEY_CURRENT_USER\\Software\\Kestrine\\Stillex\\IncrustRec]\n"
        "\"Incrust1\"=\"réalisé le %R\"\n\"Lines\"=hex(1):41,0a,42,00\n"
        "\"Path\"=hex(2):25,48,4f,4d,45,25,00\n\"Many\"=hex(7):61,00,62,00,00\n"))
    write(root, "reg_hive", "continued-hex", (
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"b\"=hex:01,02,\\\r\n  03,04\r\n"
        "\"q\"=\"a \\\"quoted\\\" \\\\ value\"\r\n[-HKEY_CURRENT_USER\\B]\r\n; comment\r\n"))
    write(root, "reg_hive", "version5-utf16", b"\xff\xfe" + (
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n"
        "\"s\"=hex(1):68,00,e9,00,00,00\r\n\"d\"=dword:ffffffff\r\n").encode("utf-16-le"))
    write(root, "reg_hive", "latin1", b"REGEDIT4\n[HKEY_CURRENT_USER\\Caf\xe9]\n\"n\xe9\"=\"\xe9t\xe9\"\n")
    write(root, "reg_hive", "not-a-hive", "[HKEY_CURRENT_USER\\A]\n\"x\"=\"y\"\n")


# --- Scene files, laid out as tests/support/SceneFileWriter.h writes them.

FILLER = b"\x5a"


def scene_text8(length):
    head = bytes([length]) if length < 255 else bytes([255, length >> 8, length & 0xFF])
    return head + FILLER * length


def scene_text16(chars):
    head = b"\xff\xfe\xff" + (bytes([chars]) if chars < 255 else bytes([255, chars >> 8, chars & 0xFF]))
    return head + FILLER * (2 * chars)


def scene_optional(f1, f2, text):
    return (FILLER * 4 if f2 & 0x40 else b"") + (text if f1 & 0x80 else b"")


def scene_header(count, start, value2, f1=0, f2=0, text=scene_text8(3)):
    return (FILLER * 24 + text + FILLER * 8 + struct.pack("<H", count) + FILLER * 11 + bytes([f1, f2])
            + FILLER * 12 + text + struct.pack("<iI", start, value2) + FILLER * 6 + text + FILLER * 12
            + scene_optional(f1, f2, text))


def scene_record(start, value2, f1=0, f2=0, text=scene_text8(3)):
    return (FILLER * 3 + bytes([f1, f2]) + FILLER * 3 + text + struct.pack("<iI", start, value2)
            + FILLER * 18 + scene_optional(f1, f2, text))


def scene_seeds(root):
    write(root, "scene_file", "header-only", scene_header(0, -7, 0xFEDCBA98))
    write(root, "scene_file", "three-scenes",
          scene_header(2, 0, 1) + scene_record(250, 2) + scene_record(1000, 3, 0x80, 0x40))
    long_text = scene_text8(300)
    write(root, "scene_file", "long-and-wide-strings",
          scene_header(1, 0, 0, 0x80, 0x40, long_text) + scene_record(25, 0, 0x80, 0x40, scene_text16(2)))
    write(root, "scene_file", "count-beyond-records", scene_header(65535, 0, 0) + scene_record(5, 5))


# --- Caps strings as demuxers and parsers announce them.

CAPS = [
    "video/x-dv, systemstream=(boolean)false, width=(int)720, height=(int)576, framerate=(fraction)25/1",
    "video/x-dv, systemstream=(boolean)true",
    "video/x-dv, systemstream=(boolean)false, framerate=(fraction)30000/1001, "
    "pixel-aspect-ratio=(fraction)10/11",
    # Once made a product of the frame rate overflow.
    "video/x-dv, systemstream=(boolean)false, framerate=(fraction)1385888608/2",
    "video/x-raw, format=(string)BGRx, width=(int)320, height=(int)240, framerate=(fraction)25/1",
    "video/x-raw, format=(string)UYVY, width=(int)720, height=(int)576, interlace-mode=(string)interleaved, "
    "field-order=(string)top-field-first, pixel-aspect-ratio=(fraction)16/15",
    # Once mapped to caps GStreamer refuses (no interlaced-format feature).
    "video/x-raw(format:Interlaced), format=(string)UYVY, width=(int)720, height=(int)288, "
    "interlace-mode=(string)alternate",
    "video/x-raw, format=(string)RGB16, width=(int)64, height=(int)48",
    # Once drifted at every trip: a picture ratio beyond 32 bits.
    "video/x-raw, format=(string)UYVY, width=(int)62, height=(int)576, interlace-mode=(string)interleaved, "
    "pixel-aspect-ratio=(fraction)1572114681/15",
    "video/mpeg, mpegversion=(int)2, systemstream=(boolean)false, width=(int)720, height=(int)576, "
    "framerate=(fraction)25/1, pixel-aspect-ratio=(fraction)64/45, codec_data=(buffer)000001b32d0240331ffff",
    "video/mpeg, mpegversion=(int)4, systemstream=(boolean)false, width=(int)320, height=(int)240",
    # Once came back with another header at the second trip: a pixel shape
    # taken as square on compressed video.
    "video/mpeg, mpegversion=(int)4, systemstream=(boolean)false, width=(int)52, height=(int)5, "
    "pixel-aspect-ratio=(fraction)135579899/981115",
    "video/mpeg, systemstream=(boolean)true, mpegversion=(int)1",
    "video/x-h264, stream-format=(string)avc, alignment=(string)au, width=(int)320, height=(int)240, "
    "codec_data=(buffer)01640015ffe1",
    "video/x-wmv, wmvversion=(int)3, width=(int)320, height=(int)240",
    "audio/x-raw, format=(string)S16LE, layout=(string)interleaved, rate=(int)48000, channels=(int)2",
    "audio/x-raw, format=(string)F32LE, layout=(string)interleaved, rate=(int)44100, channels=(int)6, "
    "channel-mask=(bitmask)0x000000000000003f",
    # Once reached the audio library, which copied a negative length.
    "audio/x-raw, format=(string)F32LE, layout=(string)interleaved, rate=(int)44100, channels=(int)-6, "
    "channel-mask=(bitmask)0000000000003f",
    "audio/mpeg, mpegversion=(int)1, layer=(int)2, rate=(int)48000, channels=(int)2, bitrate=(int)128000",
    "audio/mpeg, mpegversion=(int)4, stream-format=(string)raw, rate=(int)48000, channels=(int)2, "
    "codec_data=(buffer)1190",
    "audio/x-lpcm, width=(int)16, rate=(int)48000, channels=(int)2",
    "audio/x-private1-lpcm",
    "audio/x-ac3, rate=(int)48000, channels=(int)6",
    "audio/x-wma, wmaversion=(int)2, rate=(int)44100, channels=(int)2, block_align=(int)2230",
    "video/quicktime",
    "video/mpegts, systemstream=(boolean)true, packetsize=(int)188",
]

CAPS_NAMES = [
    "video/x-raw", "audio/x-raw", "video/x-dv", "video/mpeg", "audio/mpeg", "audio/x-lpcm",
    "audio/x-private1-lpcm", "video/x-h264", "video/x-wmv", "audio/x-wma", "audio/x-ac3", "video/quicktime",
    "width", "height", "framerate", "format", "pixel-aspect-ratio", "interlace-mode", "field-order",
    "systemstream", "mpegversion", "layer", "rate", "channels", "channel-mask", "layout", "bitrate",
    "block_align", "codec_data", "stream-format", "alignment", "wmvversion", "wmaversion", "depth",
    "(int)", "(fraction)", "(string)", "(boolean)", "(buffer)", "(bitmask)", "(format:Interlaced)",
    "alternate", "interleaved", "progressive", "top-field-first", "true", "false", "BGRx", "I420", "UYVY",
]


def caps_seeds(root):
    for i, caps in enumerate(CAPS):
        write(root, "caps_string", "caps-%02d" % i, caps)


def write_caps_dictionary(root):
    with open(os.path.join(root, "caps_string.dict"), "w", encoding="utf-8") as f:
        for word in CAPS_NAMES:
            f.write('"%s"\n' % word)


# --- Media type records: the fuzz target reads its choices from the end of
# the input (FuzzedDataProvider) and takes the rest as the format block.

MAJOR = {"video": 0, "audio": 1, "interleaved": 2, "stream": 3}
FORMAT = {"VideoInfo": 0, "VideoInfo2": 1, "MPEGVideo": 2, "MPEG2Video": 3, "WaveFormatEx": 4,
          "DvInfo": 5, "None": 6}
SUBTYPE = {"RGB24": 3, "RGB32": 4, "UYVY": 7, "I420": 9, "dvsd": 12, "H264": 13, "MPEG1Video": 21,
           "MPEG2_VIDEO": 22, "PCM": 23, "MP3": 26, "WMAUDIO2": 28, "DVD_LPCM_AUDIO": 32, "Avi": 34}


def record(major, fmt, subtype, block, sample_size=0):
    # Consumed from the end, in this order: major, format, "known subtype",
    # subtype, fixed size, temporal compression, sample size (4 bytes, most
    # significant first from the end).
    tail = [MAJOR[major], FORMAT[fmt], 1, SUBTYPE[subtype], 1, 0]
    tail += list(struct.pack(">I", sample_size))
    return bytes(block) + bytes(reversed(tail))


def bitmap_header(width, height, bits, compression, size_image, extra=0):
    return struct.pack("<IiiHHIIiiII", 40 + extra, width, height, 1, bits, compression,
                       min(size_image, 0xFFFFFFFF), 0, 0, 0, 0)


def video_info(width, height, bits, compression, frame=400000, extra=b""):
    rect = struct.pack("<iiii", 0, 0, width, abs(height))
    return (rect + rect + struct.pack("<IIq", 0, 0, frame)
            + bitmap_header(width, height, bits, compression, width * abs(height) * bits // 8, len(extra)) + extra)


def video_info2(width, height, bits, compression, interlace=0, aspect=(4, 3)):
    rect = struct.pack("<iiii", 0, 0, width, abs(height))
    return (rect + rect + struct.pack("<IIq", 0, 0, 400000)
            + struct.pack("<IIIIII", interlace, 0, aspect[0], aspect[1], 0, 0)
            + bitmap_header(width, height, bits, compression, width * abs(height) * bits // 8))


def fourcc(text):
    return struct.unpack("<I", text.encode("ascii"))[0]


def wave(tag, channels, rate, bits, extra=b""):
    align = channels * ((bits + 7) // 8)
    return struct.pack("<HHIIHHH", tag, channels, rate, rate * align, align, bits, len(extra)) + extra


def media_type_seeds(root):
    seeds = {
        "rgb32": record("video", "VideoInfo", "RGB32", video_info(320, -240, 32, 0)),
        "uyvy-interlaced": record("video", "VideoInfo2", "UYVY",
                                  video_info2(720, 576, 16, fourcc("UYVY"), interlace=0x0B)),
        # Once gave caps that GStreamer refuses: one field per buffer.
        "uyvy-fields": record("video", "VideoInfo2", "UYVY",
                              video_info2(720, 288, 16, fourcc("UYVY"), interlace=0x03)),
        # Once gave caps for a picture of billions of rows.
        "huge-picture": record("video", "VideoInfo", "RGB24", video_info(269488128, 1511002208, 24, 0)),
        "dv-video": record("video", "VideoInfo", "dvsd", video_info(720, 576, 24, fourcc("dvsd"))),
        "dv-interleaved": record("interleaved", "DvInfo", "dvsd", bytes(range(32))),
        "mpeg2-video": record("video", "MPEG2Video", "MPEG2_VIDEO",
                              video_info2(720, 576, 0, 0, aspect=(16, 9))
                              + struct.pack("<IIIII", 0, 8, 4, 8, 0) + bytes([0, 0, 1, 0xB3, 0x2D, 0x02, 0x40, 0x33])),
        "mpeg1-video": record("video", "MPEGVideo", "MPEG1Video",
                              video_info(352, 288, 0, 0) + struct.pack("<II", 0, 0xFFFFFFF0) + bytes(4)),
        "h264-extra": record("video", "VideoInfo", "H264",
                             video_info(320, 240, 24, fourcc("H264"), extra=b"\x01\x64\x00\x15")),
        "pcm": record("audio", "WaveFormatEx", "PCM", wave(1, 2, 48000, 16)),
        "mp3": record("audio", "WaveFormatEx", "MP3", wave(0x55, 2, 44100, 0, bytes(12))),
        "wma": record("audio", "WaveFormatEx", "WMAUDIO2", wave(0x161, 2, 44100, 16, bytes(10))),
        # Once gave caps for a frame of channels wider than 16 bits can count.
        "lpcm-wide": record("audio", "WaveFormatEx", "DVD_LPCM_AUDIO",
                            struct.pack("<HHIIHHH", 0x6400, 40447, 1459617783, 523322198, 16166, 16166, 0)),
        "avi-stream": record("stream", "None", "Avi", b""),
    }
    for name, data in seeds.items():
        write(root, "media_type", name, data)


# --- Texts.

def markup_seeds(root):
    texts = {
        "message": "<B>Erreur</B> : le fichier <I>vidéo.avi</I> ne peut pas être ouvert.<BR CENTER>"
                   "Voir <URL http://example.org/aide>l'aide</URL> ou <MAIL a@b.c>écrire</MAIL>.",
        "colours": "<COLOR red>rouge</COLOR> <SIZE 14>grand</SIZE> <FONT Sans>sans</FONT> <S>barré</S> <U>u</U>",
        "nested-links": "<LINK un>a <URL x>b</URL> c</LINK> <LINK deux>open",
        "escaped-name": "Fichier : /tmp/<<>b>gras<<>/b>.avi\r\nsuite\rfin",
        "broken": "<<B<BR RIGHT>>> <SIZE -3><SIZE 99999>< / U >",
    }
    for name, text in texts.items():
        write(root, "markup", name, text)


def provider(front, *integers):
    """Input for a target that reads integers from the end of its input and
    takes `front` as the remaining text (FuzzedDataProvider). Each integer is
    (value, bits, signed), in the order the target reads them: the first byte
    read is the most significant, and signed values are offset from their
    minimum."""
    read = b""
    for value, bits, signed in integers:
        raw = (value + (1 << (bits - 1))) % (1 << bits) if signed else value
        read += raw.to_bytes(bits // 8, "big")
    return front.encode("utf-8") + read[::-1]


def int64(value):
    return (value, 64, True)


def timestamp_seeds(root):
    # Frame duration, position, then the typed text.
    write(root, "timestamp", "pal", provider("0:01:30:12", int64(400000), int64(904800000)))
    write(root, "timestamp", "ntsc", provider("1:30", int64(333667), int64(12345678901)))
    write(root, "timestamp", "blanks", provider(" 0 : x :2: ", int64(0), int64(-1)))
    # Once overflowed: the last position, and a frame of a day.
    write(root, "timestamp", "last-position", provider("255", int64(864000000000), int64(2**63 - 1)))


def key_text_seeds(root):
    for i, text in enumerate(["Ctrl+Shift+T", "Alt+Enter", "F5", "Num +", "shift+ctrl+alt+pgdown",
                              "Ctrl+", "Ctrl+Ctrl+A", "Suppr", "Espace", "Echap"]):
        # A key code (Shift with a letter, Ctrl+Alt with a function key...), then the text.
        code = [0x2041, 0xC070, 0x0D, 0x6B, 0x4022, 0x1F41, 0xE0FF, 0x2E, 0x20, 0x1B][i]
        write(root, "key_text", "key-%02d" % i, provider(text, (code, 16, False)))


def image_number_seeds(root):
    def seed(text, counter, digits):
        return provider(text, int64(counter), (digits, 32, True))
    write(root, "image_number", "usual", seed(" 0100 ", 7, 4))
    write(root, "image_number", "cut", seed("12345", 12345, 4))
    # Once allocated gigabytes: a digit count edited by hand.
    write(root, "image_number", "hand-edited-digits", seed("0", 123, 2000000000))
    write(root, "image_number", "long-field", seed("1" * 40, 2**63 - 1, 20))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    os.makedirs(root, exist_ok=True)
    dv_seeds(root)
    mpeg2_seeds(root)
    mdpm_seeds(root)
    hive_seeds(root)
    scene_seeds(root)
    caps_seeds(root)
    write_caps_dictionary(root)
    media_type_seeds(root)
    markup_seeds(root)
    timestamp_seeds(root)
    key_text_seeds(root)
    image_number_seeds(root)


if __name__ == "__main__":
    main()
