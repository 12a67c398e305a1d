# Shared by the scripts that make media files (tests/make-media.sh,
# bench/make-bench-media.sh), sourced after `set -eu` with the script's
# arguments: checks them, makes the output folder $out, and provides $FF
# and `make`. Set MAKE_SAYS=1 before sourcing to have each file announced.

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

FF="ffmpeg -nostdin -hide_banner -loglevel error -y"

# make NAME COMMAND...: runs COMMAND with $tmp as its output file unless NAME
# exists, then renames $tmp to NAME, so a half-made file is never taken for
# a made one.
make()
{
    name=$1
    shift
    if [ -s "$out/$name" ]; then return 0; fi
    tmp="$out/.tmp.$$.$name"
    if [ "${MAKE_SAYS:-0}" = 1 ]; then echo "$0: making $name" >&2; fi
    if "$@" && [ -s "$tmp" ]; then
        mv -f "$tmp" "$out/$name"
    else
        rm -f "$tmp"
        echo "$0: could not make $name" >&2
        return 1
    fi
}
