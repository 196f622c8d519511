#!/usr/bin/env bash
# Makes the two-hour files on which the player's benchmark times seeking, once, into the cache
# (${SONOTAPE_CACHE:-/var/cache/sonotape}/bench-files/KEY, KEY from this script), and links them
# into build/x64/bench-files (hard links where the cache is on the same file system, copies
# elsewhere: the Wine bench's root sees the source tree, not the cache): WAV (48 kHz stereo 16-bit behind the recorder's 46-byte header, sparse),
# MP3 (128 kbit/s constant, a minute of tones repeated), Ogg Vorbis (quality 4, one stream) and
# FLAC (level 5 with a seek point every 10 s, as the recorder writes it).
# The i686 tree's benchmark reads the same files (build/x86/bench-files links to them).
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${SONOTAPE_CACHE:-/var/cache/sonotape}/bench-files/$(sha256sum "${BASH_SOURCE[0]}" | cut -c1-16)
tree=$repo/build/x64/bench-files
[ -L "$tree" ] && rm "$tree"
mkdir -p "$out" "$tree"
# The files of earlier versions of this script go.
find "$(dirname "$out")" -mindepth 1 -maxdepth 1 ! -name "$(basename "$out")" -exec rm -rf {} +
if [ -d "$repo/build/x86" ] && [ ! -e "$repo/build/x86/bench-files" ]; then
  ln -s ../x64/bench-files "$repo/build/x86/bench-files"
fi
seconds=7200

if [ ! -s "$out/2h.wav" ]; then
  bytes=$((seconds * 192000))
  le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }
  { printf 'RIFF'; le32 $((bytes + 38)); printf 'WAVEfmt '; le32 18
    printf '\x01\x00\x02\x00'; le32 48000; le32 192000; printf '\x04\x00\x10\x00\x00\x00'
    printf 'data'; le32 "$bytes"; } >"$out/2h.wav.part"
  truncate -s $((46 + bytes)) "$out/2h.wav.part"
  mv "$out/2h.wav.part" "$out/2h.wav"
fi
if [ ! -s "$out/2h.mp3" ]; then
  ffmpeg -v error -y -f lavfi -i "sine=frequency=440:duration=60:sample_rate=48000" -ac 2 -b:a 128k \
    -write_xing 0 -id3v2_version 0 "$out/minute.mp3"
  for _ in $(seq $((seconds / 60))); do cat "$out/minute.mp3"; done >"$out/2h.mp3.part"
  rm "$out/minute.mp3"
  mv "$out/2h.mp3.part" "$out/2h.mp3"
fi
if [ ! -s "$out/2h.ogg" ]; then
  echo "player-bench-files: encoding two hours of Ogg Vorbis (once, about a minute)" >&2
  sox -n -r 48000 -c 2 -b 16 -t raw - synth "$seconds" sine 440 sine 660 gain -6 |
    oggenc -Q -q 4 -r -R 48000 -C 2 -B 16 -o "$out/2h.ogg.part" -
  mv "$out/2h.ogg.part" "$out/2h.ogg"
fi
if [ ! -s "$out/2h.flac" ]; then
  echo "player-bench-files: encoding two hours of FLAC (once, about half a minute)" >&2
  sox -n -r 48000 -c 2 -b 16 -t raw - synth "$seconds" sine 440 sine 660 gain -6 |
    flac -s -5 -S 10s --padding=4096 --force-raw-format --endian=little --sign=signed --channels=2 --bps=16 \
      --sample-rate=48000 -o "$out/2h.flac.part" -
  mv "$out/2h.flac.part" "$out/2h.flac"
fi
for file in 2h.wav 2h.mp3 2h.ogg 2h.flac; do
  ln -f "$out/$file" "$tree/$file" 2>/dev/null || cp --sparse=always "$out/$file" "$tree/$file"
done
