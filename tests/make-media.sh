#!/bin/sh
# Makes the media files the tests read, into the folder given as $1.
# Files already there are kept, so a second run costs nothing; each file is
# written under a temporary name and renamed, so test programs that run this
# at the same time never see half a file.
#
# The files (all generated, none committed):
#
# dv-pal-4x3.dv        raw DV (DIF stream, 144000-byte frames), PAL 720x576,
#                      25 frames (1 s), 4:3 (display select 0), audio 48 kHz
#                      16-bit stereo. Recording date 2004-07-15 14:23:45,
#                      timecode 10:20:30:00 on frame 0, counting up one frame
#                      per frame.
# dv-pal-16x9-32k.dv   raw DV, PAL, 10 frames, 16:9 (display select 2), audio
#                      32 kHz 16-bit stereo (the DV muxer writes no 12-bit
#                      audio). Recording date 1999-12-31 23:59:58, timecode
#                      01:02:03:04.
# dv-ntsc-4x3.dv       raw DV, NTSC 720x480 (120000-byte frames), 10 frames
#                      at 30000/1001, 4:3, audio 48 kHz 16-bit. Recording date
#                      2021-03-04 05:06:07, timecode 00:00:10:00 (non-drop).
# dv-pal-type2.avi     the first 10 frames of dv-pal-4x3.dv copied into AVI:
#                      a 'dvsd' video stream (whole DIF frames with their
#                      date, time and timecode packs) and a separate PCM
#                      audio stream, the layout called type 2.
# mpeg2-pal-16x9.mpg   MPEG-2 program stream, 720x576, 25 fps, 16:9 sequence
#                      header, 2 s (50 frames, GOP 12), MP2 audio 48 kHz
#                      stereo 128 kb/s.
# h264-320x240.mkv     Matroska, H.264 320x240 at 25 fps, 10 s (250 frames),
#                      a keyframe every 50 frames and never elsewhere
#                      (scenecut off), 2 B-frames; AAC 48 kHz stereo.
#                      Every picture carries its frame number (see below).
# raw-160x120.avi      AVI with uncompressed I420 video 160x120 at 25 fps,
#                      25 frames, no audio; frame number as below.
#
# Frame number in the picture: the top 16 rows hold a strip of 20-pixel-wide
# cells, cell k (x from 20k to 20k+19, leftmost is k = 0) white when bit k of
# the frame number (0 for the first frame) is set, black otherwise; read the
# luma (or any RGB channel) in the middle of each cell, at (20k + 10, 8), and
# compare with 128. The 320-pixel clip has 16 cells, the 160-pixel one 8. The
# number is also drawn in digits below the strip, for people.
#
# Needs ffmpeg (Debian package ffmpeg).
set -eu

if [ $# -ne 1 ] || [ -z "$1" ]; then
    echo "usage: $0 FOLDER" >&2
    exit 2
fi
out=$1
mkdir -p "$out"
command -v ffmpeg >/dev/null 2>&1 || {
    echo "$0: ffmpeg is missing (apt-get install ffmpeg)" >&2
    exit 1
}

# The DV muxer writes the recording time as given; keep it from moving with
# the machine's zone.
export TZ=UTC
FF="ffmpeg -nostdin -hide_banner -loglevel error -y"
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

# make NAME COMMAND...: runs COMMAND with $tmp as its output file unless NAME
# exists, then renames $tmp to NAME.
make()
{
    name=$1
    shift
    if [ -s "$out/$name" ]; then return 0; fi
    tmp="$out/.tmp.$$.$name"
    if "$@" && [ -s "$tmp" ]; then
        mv -f "$tmp" "$out/$name"
    else
        rm -f "$tmp"
        echo "$0: could not make $name" >&2
        return 1
    fi
}

# The frame-number strip for a picture `cells` cells wide, then the digits.
frame_strip()
{
    cells=$1
    bit="bitand(floor(N/pow(2,floor(X/20))),1)"
    cell="if(lt(Y,16),if(lt(X,$((cells * 20))),if($bit,255,0),0)"
    strip="geq=r='$cell,r(X,Y))':g='$cell,g(X,Y))':b='$cell,b(X,Y))'"
    if [ -r "$FONT" ]; then
        printf '%s,drawtext=fontfile=%s:text=%%{frame_num}:x=4:y=20:fontsize=%s:fontcolor=white:box=1:boxcolor=black' \
            "$strip" "$FONT" "$2"
    else
        printf '%s' "$strip"
    fi
}

dv()
{
    # dv SIZE RATE ASPECT PIXFMT DURATION AUDIORATE DATE TIMECODE BYTES
    # The DV muxer fails its last frames when the audio runs short of the
    # video, so both are cut by the same duration; the size checks the count.
    $FF -f lavfi -i "testsrc2=size=$1:rate=$2" -f lavfi -i "sine=frequency=440:sample_rate=$6" \
        -t "$5" -ac 2 -c:v dvvideo -pix_fmt "$4" -aspect "$3" -c:a pcm_s16le \
        -metadata creation_time="$7" -timecode "$8" -f dv "$tmp" || return 1
    [ "$(wc -c <"$tmp")" -eq "$9" ]
}

make dv-pal-4x3.dv dv 720x576 25 4:3 yuv420p 1 48000 2004-07-15T14:23:45Z 10:20:30:00 3600000
make dv-pal-16x9-32k.dv dv 720x576 25 16:9 yuv420p 0.4 32000 1999-12-31T23:59:58Z 01:02:03:04 1440000
make dv-ntsc-4x3.dv dv 720x480 30000/1001 4:3 yuv411p 0.3337 48000 2021-03-04T05:06:07Z 00:00:10:00 1200000

# Copied, not re-encoded: the DV encoder alone writes no date, time or
# timecode packs, the DV muxer does.
dv_type2()
{
    $FF -i "$out/dv-pal-4x3.dv" -frames:v 10 -map 0:v -map 0:a -c copy -f avi "$tmp"
}
make dv-pal-type2.avi dv_type2

mpeg2()
{
    $FF -f lavfi -i "testsrc2=size=720x576:rate=25" -f lavfi -i "sine=frequency=1000:sample_rate=48000" \
        -t 2 -ac 2 -c:v mpeg2video -b:v 1500k -g 12 -bf 2 -aspect 16:9 -c:a mp2 -b:a 128k -f vob "$tmp"
}
make mpeg2-pal-16x9.mpg mpeg2

h264()
{
    $FF -f lavfi -i "testsrc2=size=320x240:rate=25" -f lavfi -i "sine=frequency=660:sample_rate=48000" \
        -t 10 -ac 2 -vf "$(frame_strip 16 48),format=yuv420p" -c:v libx264 -preset veryfast -crf 23 \
        -g 50 -keyint_min 50 -bf 2 -x264-params scenecut=0 -c:a aac -b:a 64k -f matroska "$tmp"
}
make h264-320x240.mkv h264

raw()
{
    $FF -f lavfi -i "testsrc2=size=160x120:rate=25" -frames:v 25 -vf "$(frame_strip 8 24),format=yuv420p" \
        -c:v rawvideo -pix_fmt yuv420p -f avi "$tmp"
}
make raw-160x120.avi raw
