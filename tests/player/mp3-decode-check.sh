#!/usr/bin/env bash
# Decodes an MP3 file, made by LAME's lame.exe from a sox tone, two ways under Wine: through the
# player's MP3 reader and MPGLib.DLL (read_timing), and through lame.exe --decode, LAME's own
# decoder from the same source. The PCM must be the same, sample for sample, and whole.
#
#   mp3-decode-check.sh WINE-RUN MP3-READ-TIMING LAME-EXE WORK-FOLDER CASE
set -uo pipefail
wine_run=$1 reader=$2 lame=$3 work=$4 case=$5

dir=$work/$case
rm -rf "$dir" && mkdir -p "$dir"
fail() { printf 'FAIL %s: %s\n' "$case" "$*"; exit 1; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# CASE: the tone (rate, channels, sox synth) and lame.exe's encoding options.
case $case in
  cbr-stereo)        rate=44100 channels=2 tone="sine 440 sine 660"; opts=(-b 128 -m s -t) ;;
  vbr-mono-xing)     rate=44100 channels=1 tone="sine 523";          opts=(-V 4 -m m) ;;
  mpeg2-rate)        rate=22050 channels=2 tone="sine 300 sine 500"; opts=(-b 48) ;;
  # 104-byte frames: the first is shorter than the Xing header mpglib looks for in it.
  short-first-frame) rate=44100 channels=2 tone="sine 440 sine 660"; opts=(-b 32 --resample 44.1) ;;
  *) fail "unknown case" ;;
esac
seconds=3

# shellcheck disable=SC2086
sox -n -r "$rate" -c "$channels" -b 16 "$dir/in.wav" synth "$seconds" $tone gain -6 || fail "sox"
"$wine_run" "$lame" --silent "${opts[@]}" "$(winpath "$dir/in.wav")" "$(winpath "$dir/in.mp3")" >/dev/null 2>&1 ||
  fail "lame.exe could not encode"
case $case in
  vbr-mono-xing) head -c 512 "$dir/in.mp3" | grep -qa Xing || fail "no Xing frame" ;;
  cbr-stereo) ! head -c 512 "$dir/in.mp3" | grep -qaE "Xing|Info" || fail "a tag frame" ;;
esac

# lame.exe --decode leaves out the decoder's and the encoder's delay; a delay of -529 samples
# cancels its own 529, so it writes every sample it decodes, as the player does.
"$wine_run" "$lame" --silent --decode -t --decode-mp3delay -529 "$(winpath "$dir/in.mp3")" "$(winpath "$dir/lame.raw")" \
  >/dev/null 2>&1 || fail "lame.exe could not decode"
read -r _ bytes got_rate < <("$wine_run" "$reader" "$(winpath "$dir/in.mp3")" "$(winpath "$dir/ours.raw")" 2>/dev/null | tr -d '\r') ||
  fail "read_timing failed"

want_rate=$rate
[ "$got_rate" = "$want_rate" ] || fail "the reader says $got_rate Hz, not $want_rate"
[ "$bytes" = "$(stat -c %s "$dir/ours.raw")" ] || fail "the reader counted $bytes bytes, the file has $(stat -c %s "$dir/ours.raw")"
size=$(stat -c %s "$dir/lame.raw")
awk -v b="$size" -v c="$channels" -v r="$rate" -v s="$seconds" 'BEGIN { exit !(b / (2 * c * r) >= s) }' ||
  fail "lame.exe decoded only $size bytes"
cmp "$dir/lame.raw" "$dir/ours.raw" || fail "the PCM differs from lame.exe's ($size bytes there, $bytes here)"
echo "$case: $bytes bytes of PCM, the same as lame.exe's"
