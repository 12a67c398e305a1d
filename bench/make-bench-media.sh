#!/bin/sh
# Makes the media files the benchmark reads, into the folder given as $1.
# Files already there are kept, so a second run costs nothing; each file is
# written under a temporary name and renamed, so an interrupted run never
# leaves half a file behind under the real name.
#
# The files (all generated, none committed):
#
# h264-1080p.mkv       Matroska, H.264 high profile 1920x1080 progressive at
#                      25 fps, 20 s (500 frames), a keyframe every 250 frames
#                      and never elsewhere (scenecut off), 2 B-frames: the
#                      long GOP of camcorders and downloads, where an exact
#                      seek decodes up to 249 frames it does not show.
#                      AAC 48 kHz stereo. A light moving grain on the test
#                      pattern keeps the bit rate near a real recording's
#                      (a clean pattern compresses to almost nothing and
#                      decodes unrealistically fast).
# mpeg2-576i.mpg       MPEG-2 program stream, 720x576 interlaced (field
#                      pictures coded as such, top field first), 25 fps,
#                      20 s (500 frames), GOP 12 with 2 B-frames, 6 Mb/s as
#                      DVDs and DVB carry it; MP2 48 kHz stereo 192 kb/s.
# dv-pal-576i.dv       raw DV (DIF stream, 144000-byte frames), PAL 720x576
#                      interlaced (interlaced DCT, bottom field first as PAL
#                      DV always is), 4:3, 25 fps, 20 s (500 frames); PCM
#                      48 kHz 16-bit stereo. Recording date 2004-07-15
#                      14:23:45 and timecode 10:20:30:00 on frame 0, as a
#                      camcorder's tape carries them. The same grain as the
#                      1080p file (DV's rate is fixed, but its decoder's work
#                      follows the detail).
#
# Needs ffmpeg with libx264 (Debian package ffmpeg).
set -eu

MAKE_SAYS=1
. "$(dirname "$0")/../tests/media-common.sh"

h264_1080p()
{
    $FF -f lavfi -i "testsrc2=size=1920x1080:rate=25" -f lavfi -i "sine=frequency=440:sample_rate=48000" \
        -t 20 -ac 2 -vf "noise=alls=6:allf=t,format=yuv420p" \
        -c:v libx264 -preset veryfast -crf 21 -g 250 -keyint_min 250 -bf 2 -x264-params scenecut=0 \
        -c:a aac -b:a 128k -f matroska "$tmp"
}
make h264-1080p.mkv h264_1080p

mpeg2_576i()
{
    $FF -f lavfi -i "testsrc2=size=720x576:rate=25" -f lavfi -i "sine=frequency=1000:sample_rate=48000" \
        -t 20 -ac 2 -vf "setfield=tff,format=yuv420p" -flags +ilme+ildct -top 1 \
        -c:v mpeg2video -b:v 6000k -maxrate 9000k -bufsize 1835k -g 12 -bf 2 -aspect 4:3 \
        -c:a mp2 -b:a 192k -f vob "$tmp"
}
make mpeg2-576i.mpg mpeg2_576i

# The DV muxer fails its last frames when the audio runs short of the video,
# so both are cut by the same duration; the size checks the count. It writes
# the recording time as given: TZ keeps it from moving with the machine's zone.
dv_pal_576i()
{
    TZ=UTC $FF -f lavfi -i "testsrc2=size=720x576:rate=25" -f lavfi -i "sine=frequency=440:sample_rate=48000" \
        -t 20 -ac 2 -vf "noise=alls=6:allf=t,setfield=bff,format=yuv420p" -flags +ilme+ildct \
        -c:v dvvideo -aspect 4:3 -c:a pcm_s16le \
        -metadata creation_time=2004-07-15T14:23:45Z -timecode 10:20:30:00 -f dv "$tmp" || return 1
    [ "$(wc -c <"$tmp")" -eq 72000000 ]
}
make dv-pal-576i.dv dv_pal_576i
