#!/usr/bin/env bash
# The real-time factor of the plug-in's MP3 and Ogg Vorbis recording paths beside the libraries'
# own command-line encoders, on the same PCM with the same settings, runs interleaved, best of 5
# (single runs on this machine vary by some 10 %):
# - MP3, under Wine: the plug-in in the development host's graph (unpaced). "Recording path" is
#   the time the decoder spent delivering into the graph downstream of it (the tap, conversion,
#   encoder, file, and a null renderer); "whole graph" adds the decoder's own cost. Beside it
#   LAME's lame.exe built from the same source, start-up taken off, with the settings the
#   plug-in's defaults give (128 kbps, high quality, plain stereo, no tag).
# - FLAC, under Wine: the same, at level 5, beside flac.exe built from the same tree (a seek point
#   every 10 s, 4 KiB of padding, a title, as the plug-in writes; flac.exe keeps no placeholders,
#   so the sizes compared are those of the audio frames, the file less its metadata).
# - Ogg Vorbis, natively: the recorder's conversion and encoder on the system's libvorbis, beside
#   oggenc on the same library; and, for information, the plug-in's path under Wine.
# And the player's decoding of the same signal, each program writing its PCM to a file, timed by
# the CPU time of the whole program (user and system; steadier than the wall clock on a busy
# machine, which is shown in brackets):
# - MP3, under Wine: the MP3 reader and MPGLib.DLL (read_timing, in the player's chunks)
#   beside lame.exe --decode, LAME's own decoder from the same source (its trim of the delays
#   cancelled, so both write every decoded sample), Wine's start-up (lame.exe --version) taken off
#   both.
# - FLAC, under Wine: the FLAC reader and libFLAC.dll (read_timing) beside flac.exe -d, on a file
#   five times as long (FLAC decodes so fast that Wine's start-up would hide it), start-up taken
#   off both. flac.exe also checks the audio's MD5, which it cannot be told not to do.
# - Ogg Vorbis, natively: the Ogg Vorbis reader on the system's libvorbisfile (ogg_read_timing)
#   beside oggdec on the same library.
# Figures only. SONOTAPE_BENCH_FIGURES=FILE also writes the seconds of each Windows path to FILE.
#
#   codec-bench.sh [x64|x86]   the Windows tree to time (x64 by default); the native parts run
#                              with x64 only
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
arch=${1:-x64}
bin=$repo/build/$arch/bin
lame=$repo/build/codecs/$arch/lame.exe
flac=$repo/build/codecs/$arch/flac.exe
timing=$repo/build/native/bin/ogg_path_timing
ogg_reader=$repo/build/native/bin/ogg_read_timing
native=0
[ "$arch" = x64 ] && native=1
case $arch in x64) label="x86_64" ;; x86) label="i686" ;; *) echo "usage: codec-bench.sh [x64|x86]" >&2; exit 2 ;; esac
seconds=${SONOTAPE_CODEC_BENCH_SECONDS:-120}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
winpath() { printf 'Z:%s' "${1//\//\\}"; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { print b - a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
factor() { awk -v s="$seconds" -v t="$1" 'BEGIN { printf "%.1f", s / t }'; }
best() { sort -g | head -1; }

sox -n -r 48000 -c 2 -b 16 "$work/in.wav" synth "$seconds" sine 440 sine 660 gain -6 || exit 1
sox "$work/in.wav" -t raw "$work/in.raw" || exit 1
mkdir -p "$work/out"
# What the decoders read: the same signal as MP3 (lame.exe, 128 kbps) and Ogg Vorbis (oggenc, q4).
"$repo/tools/wine-run" "$lame" --silent -b 128 -h -m s -t "$(winpath "$work/in.wav")" "$(winpath "$work/dec.mp3")" \
  >/dev/null 2>&1 || exit 1
if [ $native = 1 ]; then
  oggenc -Q -q 4 -o "$work/dec.ogg" "$work/in.wav" || exit 1
fi
flac_seconds=$((seconds * 5))
sox -n -r 48000 -c 2 -b 16 "$work/long.wav" synth "$flac_seconds" sine 440 sine 660 gain -6 || exit 1
"$repo/tools/wine-run" "$flac" -s -5 -o "$(winpath "$work/dec.flac")" "$(winpath "$work/long.wav")" >/dev/null 2>&1 ||
  exit 1
rm -f "$work/long.wav"

ours() {  # ours [--keep FILE] FORMAT-ARGS...: "downstream whole" seconds of a recording of the input
  local keep=
  [ "$1" = --keep ] && keep=$2 && shift 2
  "$repo/tools/wine-run" "$bin/sonotape-host.exe" --renderer null --unpaced --input "$(winpath "$work/in.wav")" \
    --length "$seconds" --record --output "$(winpath "$work/out")" "$@" 2>/dev/null |
    tr -d '\r' | awk '/^Stream ran/ { whole = $3 } /^Downstream/ { down = $2 } END { print down, whole }'
  [ -n "$keep" ] && cp "$work/out"/* "$keep"
  rm -f "$work/out"/*
}
exe_run() {  # exe_run PROGRAM ARGS...: the seconds a Windows program ran
  local start
  start=$(now)
  "$repo/tools/wine-run" "$@" >/dev/null 2>&1
  elapsed "$start"
}
lame_run() { exe_run "$lame" "$@"; }
oggenc_run() {
  local start
  start=$(now)
  oggenc -Q -q 4 -r -R 48000 -C 2 -B 16 -o "$work/oggenc.ogg" "$work/in.raw"
  elapsed "$start"
}
# timed COMMAND...: "wall CPU" seconds of a run (CPU: the user and system time of its processes).
timed() {
  local TIMEFORMAT='%R %U %S'
  { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ print $1, $2 + $3 }'
}

: >"$work/mp3" >"$work/lame" >"$work/startup" >"$work/flac-ours" >"$work/flac-exe" >"$work/ogg-wine" >"$work/ogg-native" >"$work/oggenc"
: >"$work/mp3-read" >"$work/lame-decode" >"$work/wine-startup" >"$work/ogg-read" >"$work/oggdec"
: >"$work/flac-read" >"$work/flac-decode"
for _ in 1 2 3 4 5; do
  ours --record-as 1 >>"$work/mp3"
  lame_run --silent -b 128 -h -m s -t "$(winpath "$work/in.wav")" "$(winpath "$work/lame.mp3")" >>"$work/lame"
  lame_run --version >>"$work/startup"
  ours --keep "$work/ours.flac" --record-as 3 --flac-level 5 >>"$work/flac-ours"
  exe_run "$flac" -s -5 -f -S 10s --padding=4096 -T TITLE=take \
    -o "$(winpath "$work/flac.flac")" "$(winpath "$work/in.wav")" >>"$work/flac-exe"
  ours --record-as 2 >>"$work/ogg-wine"
  if [ $native = 1 ]; then
    [ -x "$timing" ] && "$timing" 48000 2 "$work/in.raw" "$work/ours.ogg" | awk '{ print $1 }' >>"$work/ogg-native"
    oggenc_run >>"$work/oggenc"
  fi
  timed "$repo/tools/wine-run" "$bin/read_timing.exe" "$(winpath "$work/dec.mp3")" "$(winpath "$work/mp3-read.raw")" \
    >>"$work/mp3-read"
  timed "$repo/tools/wine-run" "$bin/read_timing.exe" "$(winpath "$work/dec.flac")" "$(winpath "$work/flac-read.raw")" \
    >>"$work/flac-read"
  timed "$repo/tools/wine-run" "$flac" -s -d -f --force-raw-format --endian=little --sign=signed \
    -o "$(winpath "$work/flac-decode.raw")" "$(winpath "$work/dec.flac")" >>"$work/flac-decode"
  timed "$repo/tools/wine-run" "$lame" --silent --decode -t --decode-mp3delay -529 "$(winpath "$work/dec.mp3")" \
    "$(winpath "$work/lame-decode.raw")" >>"$work/lame-decode"
  timed "$repo/tools/wine-run" "$lame" --version >>"$work/wine-startup"
  if [ $native = 1 ]; then
    [ -x "$ogg_reader" ] && timed "$ogg_reader" 48000 2 "$work/dec.ogg" "$work/ogg-read.raw" >>"$work/ogg-read"
    timed oggdec -Q -R -o "$work/oggdec.raw" "$work/dec.ogg" >>"$work/oggdec"
  fi
done

mp3=$(best <"$work/mp3")
mp3_path=${mp3% *}
mp3_whole=${mp3#* }
startup=$(best <"$work/startup")
lame_time=$(awk -v a="$(best <"$work/lame")" -v b="$startup" 'BEGIN { print a - b }')
ogg_wine=$(best <"$work/ogg-wine")

printf '%s build: %s s of 48 kHz 16-bit stereo, best of 5\n' "$label" "$seconds"
printf '  MP3 128 kbps, high quality (Wine): recording path %6.1fx real time (whole graph %6.1fx); lame.exe %6.1fx: ratio %s\n' \
  "$(factor "$mp3_path")" "$(factor "$mp3_whole")" "$(factor "$lame_time")" "$(ratio "$lame_time" "$mp3_path")"
if [ -s "$work/ogg-native" ]; then
  ogg_native=$(best <"$work/ogg-native")
  oggenc_time=$(best <"$work/oggenc")
  printf '  Ogg Vorbis q4 (native):            recording path %6.1fx real time;                     oggenc   %6.1fx: ratio %s\n' \
    "$(factor "$ogg_native")" "$(factor "$oggenc_time")" "$(ratio "$oggenc_time" "$ogg_native")"
  printf '    same work: %s bytes ours, %s bytes oggenc\n' "$(stat -c %s "$work/ours.ogg")" "$(stat -c %s "$work/oggenc.ogg")"
fi
flac_ours=$(best <"$work/flac-ours")
flac_time=$(awk -v a="$(best <"$work/flac-exe")" -v b="$startup" 'BEGIN { print a - b }')
printf '  FLAC level 5 (Wine):               recording path %6.1fx real time (whole graph %6.1fx); flac.exe %6.1fx: ratio %s\n' \
  "$(factor "${flac_ours% *}")" "$(factor "${flac_ours#* }")" "$(factor "$flac_time")" "$(ratio "$flac_time" "${flac_ours% *}")"
# The bytes of a FLAC file's frames: the file less "fLaC" and its metadata blocks.
flac_frames() {
  metaflac --list "$1" | awk -v size="$(stat -c %s "$1")" '$1 == "length:" { size -= 4 + $2 } END { print size - 4 }'
}
ours_frames=$(flac_frames "$work/ours.flac")
exe_frames=$(flac_frames "$work/flac.flac")
printf '    same work: %s bytes of frames ours, %s bytes flac.exe (%+.2f %%); the files %s and %s bytes\n' \
  "$ours_frames" "$exe_frames" "$(awk -v a="$ours_frames" -v b="$exe_frames" 'BEGIN { print (a - b) * 100 / b }')" \
  "$(stat -c %s "$work/ours.flac")" "$(stat -c %s "$work/flac.flac")"
printf '  Ogg Vorbis q4 (Wine):              recording path %6.1fx real time (whole graph %6.1fx)\n' \
  "$(factor "${ogg_wine% *}")" "$(factor "${ogg_wine#* }")"

# best_of FILE COLUMN [STARTUP-FILE]: the least value of a column of "wall CPU" lines, less the
# least of the same column of the start-up's runs.
best_of() {
  local value startup=0
  value=$(awk -v c="$2" '{ print $c }' "$1" | best)
  [ -n "${3:-}" ] && startup=$(awk -v c="$2" '{ print $c }' "$3" | best)
  awk -v a="$value" -v b="$startup" 'BEGIN { print a - b }'
}
# A 32-bit program's CPU time does not reach its parent's accounts under WoW64 here: the i686
# build's decoding is timed by the wall clock.
cpu=2 clock="the CPU time"
[ "$arch" = x86 ] && cpu=1 clock="the wall clock"
decoding() {  # decoding LABEL OURS REFERENCE REFERENCE-NAME [STARTUP [SECONDS]]
  local ours ref seconds=${6:-$seconds}
  ours=$(best_of "$2" $cpu "${5:-}")
  ref=$(best_of "$3" $cpu "${5:-}")
  printf '  %-34s %6.1fx real time; %-8s %6.1fx: ratio %s (by the wall clock %s)\n' "$1" "$(factor "$ours")" "$4" \
    "$(factor "$ref")" "$(ratio "$ref" "$ours")" "$(ratio "$(best_of "$3" 1 "${5:-}")" "$(best_of "$2" 1 "${5:-}")")"
}
printf 'Decoding, by %s of the whole program:\n' "$clock"
decoding "MP3 reader + MPGLib.DLL (Wine):" "$work/mp3-read" "$work/lame-decode" lame.exe "$work/wine-startup"
decoding "FLAC reader + libFLAC.dll (Wine):" "$work/flac-read" "$work/flac-decode" flac.exe "$work/wine-startup" \
  "$flac_seconds"
cmp -s "$work/flac-read.raw" "$work/flac-decode.raw" || echo "  the FLAC reader's PCM differs from flac.exe's"
# For the comparison of the two builds (tools/bench.sh): seconds of each path, by the wall clock.
if [ -n "${SONOTAPE_BENCH_FIGURES:-}" ]; then
  printf 'mp3-recording %s\nogg-recording %s\nflac-recording %s\nmp3-decoding %s\nflac-decoding %s\n' "$mp3_path" \
    "${ogg_wine% *}" "${flac_ours% *}" "$(best_of "$work/mp3-read" 1 "$work/wine-startup")" \
    "$(best_of "$work/flac-read" 1 "$work/wine-startup")" >"$SONOTAPE_BENCH_FIGURES"
fi
if [ -s "$work/ogg-read" ]; then
  decoding "Ogg Vorbis reader (native):" "$work/ogg-read" "$work/oggdec" oggdec
fi
