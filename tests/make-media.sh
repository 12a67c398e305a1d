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
# dv-pal-type1.avi     the same 10 frames in the layout called type 1
#                      (written by dv-type1-avi.py): ONE stream, strh fccType 'iavs',
#                      fccHandler 'dvsd', strf a 32-byte DVINFO holding the
#                      first frame's AAUX source/control packs (both halves)
#                      and VAUX source/control packs; 25 fps, 720x576, each
#                      '00db' chunk one whole 144000-byte DIF frame (audio
#                      inside), idx1 index. GStreamer's avidemux gives it out
#                      as video/x-dv systemstream=true, for dvdemux to split.
#
# Frame number in the picture: the top 16 rows hold a strip of 20-pixel-wide
# cells, cell k (x from 20k to 20k+19, leftmost is k = 0) white when bit k of
# the frame number (0 for the first frame) is set, black otherwise; read the
# luma (or any RGB channel) in the middle of each cell, at (20k + 10, 8), and
# compare with 128. Pictures 320 pixels wide or wider have 16 cells (the DV
# ones in their left 320 pixels), the 240-pixel ones 12, the 160-pixel one 8.
# The number is also drawn in digits below the strip, for people.
#
# The files below carry no frame number. Unless said otherwise: 25 fps, 2 s
# (50 frames), a moving test pattern, a keyframe every 25 frames (every 12
# for MPEG-1 and MPEG-2), audio 48 kHz stereo (a 440 Hz tone).
# mpeg4-mp3.avi        AVI, 2 streams: MPEG-4 Visual simple profile (tag
#                      FMP4) 320x240; MP3 96 kb/s.
# video-only.avi       AVI, 1 stream: MPEG-4 Visual 320x240, no audio.
# mpeg1-system.mpg     MPEG-1 system stream, 2 streams: MPEG-1 video 352x288
#                      1 Mb/s; MP2 128 kb/s.
# mpeg1-video.m1v      elementary MPEG-1 video 352x288, no container.
# audio-only.mp2       elementary MPEG-1 layer 2 audio, 128 kb/s, 1 s
#                      (42 frames), no video.
# mpeg2-2audio.mpg     MPEG-2 program stream, 3 streams: MPEG-2 video (main
#                      profile) 352x288; two MP2 128 kb/s (stream ids 0xc0
#                      with 440 Hz, 0xc1 with 880 Hz).
# mpeg2-2audio.vob     the same with two AC-3 192 kb/s streams (private
#                      stream 1, substreams 0x80 and 0x81).
# h264-ac3.ts          MPEG transport stream (188-byte packets), 2 streams:
#                      H.264 high profile 320x240; AC-3 192 kb/s.
# h264-ac3.m2ts        the same in 192-byte packets (PIDs 0x1011 and 0x1100).
#                      The AC-3 has stream type 0x81 in both files, but
#                      GStreamer's tsdemux announces it here as audio/x-eac3
#                      (ac3parse then says audio/x-ac3), in the .ts as
#                      audio/x-ac3.
# h264-ac3.mts         byte for byte h264-ac3.m2ts.
# ts-named.mpg         byte for byte h264-ac3.ts: a transport stream under a
#                      program-stream name.
# h264-vorbis.mkv      Matroska, 2 streams: H.264 320x240; Vorbis.
# h264-aac.mp4         MP4 (brand 'isom'), 2 streams: H.264 176x144; AAC-LC
#                      64 kb/s.
# h264-aac.m4v         the same streams, brand 'M4V '.
# h264-aac.mov         the same streams in QuickTime (brand 'qt  ').
# h264-aac.3g2         the same streams in 3GPP2 (brand '3g2b').
# wmv2-wma.wmv         ASF, 2 streams: WMV2 (Windows Media Video 8) 320x240
#                      500 kb/s; WMA version 2, 64 kb/s.
# wmv2-wma.asf         byte for byte wmv2-wma.wmv.
# two-video.mkv        Matroska, 3 streams: H.264 160x120 test pattern;
#                      H.264 160x120 colour bars; AAC-LC 64 kb/s.
# noextension          byte for byte mpeg4-mp3.avi, no dot in its name.
# truncated.avi        the first 3000 bytes of mpeg4-mp3.avi: it ends inside
#                      the first stream's header list, so no frame at all;
#                      avidemux fails ("Could not demultiplex stream").
# random.avi           65536 fixed pseudo-random bytes (starting 1f 3b ba
#                      e0), the same on every run; no type is found.
#
# mpeg2-numbered.mpg   MPEG-2 program stream, 320x240, 25 fps, 3 s (75
#                      frames), GOP 12 with 2 B-frames, MP2 audio; frame
#                      number in the picture (16 cells).
# mpeg2-packed.mpg     The same on a plain grey background, 4 s (100
#                      frames): pictures share packets, 85 of them have no
#                      time of their own.
# h264-long.mkv        Matroska, H.264 240x96 at 25 fps, 95 s on a plain
#                      background, frame number in 12 cells, a keyframe
#                      every 10 s, no B-frames; AAC audio.
# h264-numbered.ts     MPEG transport stream, H.264 320x240, 25 fps, 4 s
#                      (100 frames), a keyframe every 50 frames only, 2
#                      B-frames, AC-3 audio, timestamps starting at 3600 s
#                      as camcorders write them; frame number in the picture.
# dv-ntsc-numbered.dv  raw DV, NTSC 720x480 at 30000/1001, 60 frames (2.002
#                      s), 4:3, audio 48 kHz 16-bit stereo; frame number in
#                      the picture (16 cells). Recording date 2022-08-09
#                      10:11:12, timecode 00:01:00:00 (non-drop).
# dv-4x3-then-16x9.dv  raw DV, PAL, two recordings one after the other:
#                      frames 0-24 at 4:3 (display select 0), frames 25-49 at
#                      16:9 (display select 2), both halves with audio 48 kHz
#                      16-bit stereo; frame number 0-49 across the join (16
#                      cells). The timecode runs on (00:10:00:00 on frame 0,
#                      00:10:01:00 on frame 25), the recording time jumps
#                      (2010-05-06 07:08:09, then 07:12:30). dvdemux ! dvdec
#                      plays all 50 frames, but its pixel-aspect-ratio stays
#                      16/15 from frame 0 on (dvdec sends its caps again at
#                      frame 25, unchanged); dvdec given the DIF frames alone
#                      says 16/15, then 64/45 from frame 25. ffmpeg calls all
#                      50 frames 64:45.
# h264-ntsc-bframes.mp4
#                      MP4 written by GStreamer (x264enc ! mp4mux, brand
#                      'mp42'): H.264 high profile 320x240 at 30000/1001, 90
#                      frames (3.003 s), a keyframe every 30 frames only, up
#                      to 2 B-frames in a row; AAC-LC 48 kHz stereo 64 kb/s;
#                      frame number in the picture (16 cells). The video's
#                      edit list starts at media time 2002/30000 s (two
#                      frames): qtdemux sends the segment start
#                      0:00:00.066733333, stop 0:00:03.069733333, time 0, and
#                      frame 0 (the first buffer, a keyframe) has pts
#                      0:00:00.066733333, dts 0. The audio has no such offset
#                      (segment start 0, time 0, first pts 0).
# h264-ntsc-bframes.mov
#                      the same made with qtmux (brand 'qt  '): the same edit
#                      list, segment and timestamps.
# h264-50fps.mkv       Matroska, H.264 320x240 at 50 fps, 2 s (100 frames), a
#                      keyframe every 50 frames only, 2 B-frames; AAC 48 kHz
#                      stereo; frame number in the picture (16 cells).
# h264-23976.mp4       MP4 written by ffmpeg (brand 'isom'), H.264 320x240 at
#                      24000/1001, 72 frames (3.003 s), a keyframe every 24
#                      frames only, 2 B-frames; AAC 48 kHz stereo; frame
#                      number in the picture (16 cells). ffmpeg writes edit
#                      lists too: the video's starts at media time 2002/24000
#                      s (two frames; qtdemux: segment start 0:00:00.083416666,
#                      time 0, frame 0 at pts 0:00:00.083416666), the audio's
#                      1024 samples in (the AAC encoder's priming).
# h264-ntsc-long.mkv   Matroska, H.264 240x96 at 30000/1001, 41 s (1229
#                      frames) on a plain background, frame number in 12
#                      cells, a keyframe every 300 frames only, no B-frames;
#                      AAC 32 kb/s.
# avchd-midnight.MTS   transport stream in 192-byte packets (mpegtsmux
#                      m2ts-mode), H.264 320x240 at 25 fps, 4 s (100 frames),
#                      no B-frames, a keyframe every 25 frames, no audio;
#                      frame number in the picture (16 cells). Every access
#                      unit carries a camcorder's recording date in an MDPM
#                      SEI message (tests/avchd-sei.py): frame k is dated
#                      2009-12-31 23:59:58 + floor(k / 25) s, so frames 0-24
#                      say 23:59:58, 25-49 23:59:59, frames 50-74 2010-01-01
#                      00:00:00 and 75-99 00:00:01.
# h264-created.mp4     MP4 (ffmpeg), H.264 320x240 at 25 fps, 2 s, no B-frames,
#                      no audio, frame number in the picture; the container's
#                      creation time is 2015-06-07 08:09:10 UTC.
#
# The Matroska files hold times in whole milliseconds, and in those with AAC
# ffmpeg moves every stream on by the encoder's 1024-sample priming: their
# video starts at 0:00:00.021, more than a frame at 50 fps (frame n of
# h264-ntsc-long.mkv is at 21 + n * 1001 / 30 ms, halves rounded up).
# matroskademux may send a segment starting at 0:00:00.021 with the first
# video buffer, then one starting at 0 when the audio's first block comes.
#
# Needs ffmpeg, python3 and GStreamer's gst-launch-1.0 with x264enc, mp4mux,
# qtmux and avenc_aac (Debian packages ffmpeg, python3, gstreamer1.0-tools,
# gstreamer1.0-plugins-base, -good and -ugly, gstreamer1.0-libav).
set -eu

. "$(dirname "$0")/media-common.sh"
command -v python3 >/dev/null 2>&1 || {
    echo "$0: python3 is missing (apt-get install python3)" >&2
    exit 1
}
command -v gst-launch-1.0 >/dev/null 2>&1 || {
    echo "$0: gst-launch-1.0 is missing (apt-get install gstreamer1.0-tools)" >&2
    exit 1
}

# The DV muxer writes the recording time as given; keep it from moving with
# the machine's zone.
export TZ=UTC
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

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
    # dv SIZE RATE ASPECT PIXFMT DURATION AUDIORATE DATE TIMECODE BYTES [FILTER]
    # The DV muxer fails its last frames when the audio runs short of the
    # video, so both are cut by the same duration; the size checks the count.
    $FF -f lavfi -i "testsrc2=size=$1:rate=$2" -f lavfi -i "sine=frequency=440:sample_rate=$6" \
        -t "$5" -ac 2 -vf "${10:-null}" -c:v dvvideo -pix_fmt "$4" -aspect "$3" -c:a pcm_s16le \
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

# The type-1 layout (one 'iavs' stream carrying whole DIF frames, audio
# inside) comes from old capture software; no muxer at hand writes it.
dv_type1()
{
    python3 "$(dirname "$0")/dv-type1-avi.py" "$out/dv-pal-4x3.dv" "$tmp" 10
}
make dv-pal-type1.avi dv_type1

# copy_of NAME: a byte copy of a file made above.
copy_of() { cp "$out/$1" "$tmp"; }

# av SIZE SECONDS ARGS...: a 25 fps test pattern and a stereo tone, cut to
# SECONDS and encoded as ARGS say.
av()
{
    size=$1
    seconds=$2
    shift 2
    $FF -f lavfi -i "testsrc2=size=$size:rate=25" -f lavfi -i "sine=frequency=440:sample_rate=48000" \
        -t "$seconds" -ac 2 "$@" "$tmp"
}

# av2 SIZE ARGS...: as av, 2 s long, with a second tone as a second audio
# stream.
av2()
{
    size=$1
    shift
    $FF -f lavfi -i "testsrc2=size=$size:rate=25" -f lavfi -i "sine=frequency=440:sample_rate=48000" \
        -f lavfi -i "sine=frequency=880:sample_rate=48000" -t 2 -map 0:v -map 1:a -map 2:a \
        -ac 2 "$@" "$tmp"
}

# av_h264 SIZE ARGS...: as av, 2 s of H.264 with a keyframe every second.
av_h264()
{
    size=$1
    shift
    av "$size" 2 -c:v libx264 -preset veryfast -crf 28 -pix_fmt yuv420p -g 25 "$@"
}

mpeg4_mp3() { av 320x240 2 -c:v mpeg4 -q:v 5 -g 25 -c:a libmp3lame -b:a 96k -f avi; }
make mpeg4-mp3.avi mpeg4_mp3

mpeg1_system() { av 352x288 2 -c:v mpeg1video -b:v 1000k -g 12 -c:a mp2 -b:a 128k -f mpeg; }
make mpeg1-system.mpg mpeg1_system

mpeg2_2mp2() { av2 352x288 -c:v mpeg2video -b:v 1000k -g 12 -c:a mp2 -b:a 128k -f vob; }
make mpeg2-2audio.mpg mpeg2_2mp2

mpeg2_2ac3() { av2 352x288 -c:v mpeg2video -b:v 1000k -g 12 -c:a ac3 -b:a 192k -f vob; }
make mpeg2-2audio.vob mpeg2_2ac3

mpeg1_video() { av 352x288 2 -an -c:v mpeg1video -b:v 1000k -g 12 -f mpeg1video; }
make mpeg1-video.m1v mpeg1_video

mp2_audio()
{
    $FF -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 1 -ac 2 -c:a mp2 -b:a 128k -f mp2 "$tmp"
}
make audio-only.mp2 mp2_audio

# m2ts and mts are the 192-byte-packet form (a 4-byte arrival time before
# each 188-byte packet) that Blu-ray and camcorders write.
h264_ac3() { av_h264 320x240 -c:a ac3 -b:a 192k -f mpegts -mpegts_m2ts_mode "$1"; }
make h264-ac3.ts h264_ac3 0
make h264-ac3.m2ts h264_ac3 1
make h264-ac3.mts copy_of h264-ac3.m2ts

h264_vorbis() { av_h264 320x240 -c:a libvorbis -q:a 3 -f matroska; }
make h264-vorbis.mkv h264_vorbis

# 176x144 is the size phones recorded 3GPP2 at; the four files share it so
# that they differ only in their container. The ipod muxer brands its file
# 'M4V ', as .m4v video usually is.
h264_aac() { av_h264 176x144 -c:a aac -b:a 64k -f "$1"; }
make h264-aac.mp4 h264_aac mp4
make h264-aac.m4v h264_aac ipod
make h264-aac.mov h264_aac mov
make h264-aac.3g2 h264_aac 3g2

wmv2_wma() { av 320x240 2 -c:v wmv2 -b:v 500k -g 25 -c:a wmav2 -b:a 64k -f asf; }
make wmv2-wma.wmv wmv2_wma
make wmv2-wma.asf copy_of wmv2-wma.wmv

two_video()
{
    $FF -f lavfi -i "testsrc2=size=160x120:rate=25" -f lavfi -i "smptebars=size=160x120:rate=25" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 2 -map 0:v -map 1:v -map 2:a \
        -c:v libx264 -preset veryfast -crf 28 -pix_fmt yuv420p -g 25 -ac 2 -c:a aac -b:a 64k -f matroska "$tmp"
}
make two-video.mkv two_video

video_only() { av 320x240 2 -an -c:v mpeg4 -q:v 5 -g 25 -f avi; }
make video-only.avi video_only

# Files that are not what their names say, or not whole.
make noextension copy_of mpeg4-mp3.avi
make ts-named.mpg copy_of h264-ac3.ts

truncated() { head -c 3000 "$out/mpeg4-mp3.avi" >"$tmp"; }
make truncated.avi truncated

# A fixed generator (Park-Miller; every product stays below 2^53, so awk's
# doubles hold it exactly) keeps the bytes the same on every run.
noise()
{
    LC_ALL=C awk 'BEGIN {
        x = 20240611
        for (i = 0; i < 65536; i++) {
            x = (16807 * x) % 2147483647
            printf "%c", int(x / 256) % 256
        }
    }' >"$tmp"
}
make random.avi noise

mpeg2_numbered()
{
    $FF -f lavfi -i "testsrc2=size=320x240:rate=25" -f lavfi -i "sine=frequency=500:sample_rate=48000" \
        -t 3 -ac 2 -vf "$(frame_strip 16 48),format=yuv420p" -c:v mpeg2video -q:v 3 -g 12 -bf 2 \
        -c:a mp2 -b:a 128k -f vob "$tmp"
}
make mpeg2-numbered.mpg mpeg2_numbered

# Pictures so small (a plain background) that a packet holds several: most
# have no time of their own, and the decoder, left to guess, stamped a
# predicted picture and the two-way ones before it alike.
mpeg2_packed()
{
    $FF -f lavfi -i "color=c=gray:size=320x240:rate=25" -f lavfi -i "sine=frequency=500:sample_rate=48000" \
        -t 4 -ac 2 -vf "$(frame_strip 16 48),format=yuv420p" -c:v mpeg2video -q:v 3 -g 12 -bf 2 \
        -c:a mp2 -b:a 128k -f vob "$tmp"
}
make mpeg2-packed.mpg mpeg2_packed

h264_numbered_ts()
{
    $FF -f lavfi -i "testsrc2=size=320x240:rate=25" -f lavfi -i "sine=frequency=700:sample_rate=48000" \
        -t 4 -ac 2 -vf "$(frame_strip 16 48),format=yuv420p" -c:v libx264 -preset veryfast -crf 23 \
        -g 50 -keyint_min 50 -bf 2 -x264-params scenecut=0 -c:a ac3 -b:a 128k \
        -output_ts_offset 3600 -f mpegts "$tmp"
}
make h264-numbered.ts h264_numbered_ts

h264_long()
{
    $FF -f lavfi -i "color=c=0x406080:size=240x96:rate=25" -f lavfi -i "sine=frequency=300:sample_rate=48000" \
        -t 95 -ac 2 -vf "$(frame_strip 12 48),format=yuv420p" -c:v libx264 -preset ultrafast \
        -crf 30 -g 250 -keyint_min 250 -bf 0 -x264-params scenecut=0 -c:a aac -b:a 32k -f matroska "$tmp"
}
make h264-long.mkv h264_long

make dv-ntsc-numbered.dv dv 720x480 30000/1001 4:3 yuv411p 2.002 48000 2022-08-09T10:11:12Z 00:01:00:00 \
    7200000 "$(frame_strip 16 48)"

# A camcorder switched to 16:9 between two recordings. DIF frames stand
# alone, so two files joined end to end are one valid stream. The second half
# is cut from frame 25 on after the strip is drawn, so the numbers run on.
dv_aspect_change()
{
    whole=$tmp
    strip=$(frame_strip 16 48)
    tmp=$whole.1
    dv 720x576 25 4:3 yuv420p 1 48000 2010-05-06T07:08:09Z 00:10:00:00 3600000 "$strip" &&
        tmp=$whole.2 &&
        dv 720x576 25 16:9 yuv420p 1 48000 2010-05-06T07:12:30Z 00:10:01:00 3600000 \
            "$strip,trim=start_frame=25,setpts=PTS-STARTPTS" &&
        cat "$whole.1" "$whole.2" >"$whole"
    made=$?
    rm -f "$whole.1" "$whole.2"
    tmp=$whole
    return $made
}
make dv-4x3-then-16x9.dv dv_aspect_change

# GStreamer's own muxers write these, as the edit list they write (and how
# qtdemux turns it into a segment) is what the app has to get right. The
# picture goes over as raw I420, since y4mdec here fails on ffmpeg's
# YUV4MPEG; 1001-sample audio buffers make the tone as long as the 90 frames.
gst_bframes()
{
    $FF -f lavfi -i "testsrc2=size=320x240:rate=30000/1001" -frames:v 90 \
        -vf "$(frame_strip 16 48),format=yuv420p" -f rawvideo "$tmp.yuv" &&
        gst-launch-1.0 -q filesrc location="$tmp.yuv" \
            ! rawvideoparse format=i420 width=320 height=240 framerate=30000/1001 \
            ! x264enc speed-preset=veryfast pass=qual quantizer=20 bframes=2 key-int-max=30 \
                option-string=scenecut=0 ! "$1" name=mux ! filesink location="$tmp" \
            audiotestsrc freq=550 samplesperbuffer=1001 num-buffers=144 \
            ! audio/x-raw,rate=48000,channels=2 ! avenc_aac bitrate=64000 ! mux.
    made=$?
    rm -f "$tmp.yuv"
    return $made
}
make h264-ntsc-bframes.mp4 gst_bframes mp4mux
make h264-ntsc-bframes.mov gst_bframes qtmux

# h264_rate RATE SECONDS GOP FORMAT: frame rates other than 25 for the
# frame-exact tests.
h264_rate()
{
    $FF -f lavfi -i "testsrc2=size=320x240:rate=$1" -f lavfi -i "sine=frequency=800:sample_rate=48000" \
        -t "$2" -ac 2 -vf "$(frame_strip 16 48),format=yuv420p" -c:v libx264 -preset veryfast -crf 23 \
        -g "$3" -keyint_min "$3" -bf 2 -x264-params scenecut=0 -c:a aac -b:a 64k -f "$4" "$tmp"
}
make h264-50fps.mkv h264_rate 50 2 50 matroska
make h264-23976.mp4 h264_rate 24000/1001 3 24 mp4

# Long enough for the 1001 to matter: at frame 900 (30.03 s) reckoning at 30
# fps is nine tenths of a frame off, and a whole frame soon after.
h264_ntsc_long()
{
    $FF -f lavfi -i "color=c=0x604030:size=240x96:rate=30000/1001" \
        -f lavfi -i "sine=frequency=350:sample_rate=48000" -t 41 -ac 2 \
        -vf "$(frame_strip 12 48),format=yuv420p" -c:v libx264 -preset ultrafast -crf 30 \
        -g 300 -keyint_min 300 -bf 0 -x264-params scenecut=0 -c:a aac -b:a 32k -f matroska "$tmp"
}
make h264-ntsc-long.mkv h264_ntsc_long

# A camcorder's AVCHD file: the date goes into the elementary stream, which
# mpegtsmux then carries in 192-byte packets as the camcorders write them.
avchd_mts()
{
    es="$out/.es.$$.h264"
    $FF -f lavfi -i "testsrc2=size=320x240:rate=25" -t 4 -vf "$(frame_strip 16 48),format=yuv420p" \
        -c:v libx264 -preset veryfast -crf 23 -g 25 -keyint_min 25 -bf 0 \
        -x264-params scenecut=0:slices=1:aud=1 -f h264 "$es.plain" &&
        python3 "$(dirname "$0")/avchd-sei.py" "$es.plain" "$es" 2009-12-31T23:59:58 25 1 &&
        gst-launch-1.0 -q filesrc location="$es" ! h264parse ! video/x-h264,framerate=25/1 \
            ! mpegtsmux m2ts-mode=true ! filesink location="$tmp"
    status=$?
    rm -f "$es" "$es.plain"
    return $status
}
make avchd-midnight.MTS avchd_mts

h264_created()
{
    $FF -f lavfi -i "testsrc2=size=320x240:rate=25" -t 2 -vf "$(frame_strip 16 48),format=yuv420p" \
        -c:v libx264 -preset veryfast -crf 23 -g 25 -bf 0 -metadata creation_time=2015-06-07T08:09:10Z \
        -f mp4 "$tmp"
}
make h264-created.mp4 h264_created
