#!/usr/bin/env bash
# The real-time factor of the plug-in's MP3 and Ogg Vorbis recording paths (a real graph under
# Wine, unpaced, the stream time from run to completion) beside the libraries' own command-line
# encoders on the same PCM and settings: LAME's lame.exe built from the same source (under Wine,
# its start-up time taken off; -h is the high-quality preset the plug-in's default settings pick)
# and Debian's oggenc (natively, Debian's own libvorbis build). Figures only.
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin=$repo/build/x64/bin
lame=$repo/build/codecs/x64/lame.exe
seconds=${SONOTAPE_CODEC_BENCH_SECONDS:-300}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
winpath() { printf 'Z:%s' "${1//\//\\}"; }
now() { date +%s.%N; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
factor() { awk -v s="$seconds" -v t="$1" 'BEGIN { printf "%.1f", s / t }'; }

sox -n -r 48000 -c 2 -b 16 "$work/in.wav" synth "$seconds" sine 440 sine 660 gain -6 || exit 1
mkdir -p "$work/out"

ours() {  # ours FORMAT-ARGS...: the stream time of a recording of the input
  "$repo/tools/wine-run" "$bin/sonotape-host.exe" --renderer null --unpaced --input "$(winpath "$work/in.wav")" \
    --length "$seconds" --record --output "$(winpath "$work/out")" "$@" 2>/dev/null |
    tr -d '\r' | awk '/^Stream ran/ { print $3 }'
}

printf '%s s of 48 kHz 16-bit stereo, best of 2\n' "$seconds"
best() { sort -g | head -1; }
mp3=$( (ours --record-as 1; ours --record-as 1) | best)
ogg=$( (ours --record-as 2; ours --record-as 2) | best)

lame_run() {
  local start end
  start=$(now)
  "$repo/tools/wine-run" "$lame" "$@" >/dev/null 2>&1
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}
startup=$( (lame_run --version; lame_run --version) | best)
lame_total=$( (lame_run --silent -b 128 -h "$(winpath "$work/in.wav")" "$(winpath "$work/lame.mp3")"
               lame_run --silent -b 128 -h "$(winpath "$work/in.wav")" "$(winpath "$work/lame.mp3")") | best)
lame_time=$(awk -v a="$lame_total" -v b="$startup" 'BEGIN { print a - b }')

oggenc_run() {
  local start end
  start=$(now)
  oggenc -Q -q 4 -o "$work/oggenc.ogg" "$work/in.wav"
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}
oggenc_time=$( (oggenc_run; oggenc_run) | best)

printf '  MP3 128 kbps, high quality: ours %6.1fx real time, lame.exe %6.1fx (start-up %.2f s taken off): ratio %s\n' \
  "$(factor "$mp3")" "$(factor "$lame_time")" "$startup" "$(ratio "$lame_time" "$mp3")"
printf '  Ogg q4:                     ours %6.1fx real time, oggenc   %6.1fx (native):                  ratio %s\n' \
  "$(factor "$ogg")" "$(factor "$oggenc_time")" "$(ratio "$oggenc_time" "$ogg")"
