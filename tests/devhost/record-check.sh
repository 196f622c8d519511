#!/usr/bin/env bash
# Records from the development host's graph with the real plug-in under Wine, then checks each
# file natively with ffprobe and ffmpeg: format, channel layout, length, and the samples
# against what the host's decoder delivered, byte for byte.
#
#   record-check.sh WINE-RUN HOST-EXE WORK-FOLDER CASE
set -uo pipefail
wine_run=$1 host=$2 work=$3 case=$4

dir=$work/$case
mountpoint -q "$dir/out" 2>/dev/null && umount "$dir/out"  # left by a run that was killed
rm -rf "$dir" && mkdir -p "$dir/out"
failures=0
fail() { printf 'FAIL %s: %s\n' "$case" "$*"; failures=$((failures + 1)); }

winpath() { printf 'Z:%s' "${1//\//\\}"; }

# record [-rc CODE] ARGS...: runs the host (expecting its exit code, 0 by default), keeping its
# output in $dir/host.log
record() {
  local want=0
  [ "$1" = -rc ] && want=$2 && shift 2
  "$wine_run" "$host" --output "$(winpath "$dir/out")" --reference "$(winpath "$dir/ref")" "$@" 2>&1 |
    tr -d '\r' >"$dir/host.log"
  local rc=${PIPESTATUS[0]}
  cat "$dir/host.log"
  [ "$rc" -eq "$want" ] || fail "the host ended with $rc, not $want"
}

# The recordings, oldest first.
recordings() { ls -tr "$dir"/out/*.wav 2>/dev/null; }

probe() { ffprobe -v error -select_streams a:0 -show_entries "stream=$2" -of csv=p=0 "$1"; }

# refused MESSAGE ARGS...: the plug-in says MESSAGE and writes nothing.
refused() {
  local message=$1
  shift
  rm -rf "$dir/out" && mkdir "$dir/out"
  record -rc 1 --renderer null --unpaced --name take --record "$@"
  grep -qF "Message        [Sonotape Plugin] $message" "$dir/host.log" || fail "no message for $*"
  [ -z "$(ls "$dir/out")" ] || fail "a file was written for $*"
}
unsupported="Cannot record - the data format delivered by the decoder is not supported"

# mp3 FILE CHANNELS RATE SECONDS: an MP3 file that independent decoders read, of about that length.
mp3() {
  local file=$1 channels=$2 rate=$3 seconds=$4 got field want
  for field in codec_name channels sample_rate; do
    case $field in codec_name) want=mp3 ;; channels) want=$channels ;; sample_rate) want=$rate ;; esac
    got=$(probe "$file" $field)
    [ "$got" = "$want" ] || fail "$(basename "$file"): $field $got, not $want"
  done
  got=$(mpg123 -q -s "$file" 2>/dev/null | wc -c)
  awk -v b="$got" -v c="$channels" -v r="$rate" -v s="$seconds" 'BEGIN { d = b / (2 * c * r); exit !(d > s - 0.05 && d < s + 0.1) }' ||
    fail "$(basename "$file"): mpg123 decodes $got bytes, not about $seconds s"
}

# The XING (variable) or Info (constant bit rate) tag in the first frame.
flac_recordings() { ls -tr "$dir"/out/*.flac 2>/dev/null; }

# as_int24 FLOAT.raw OUT.raw: 32-bit float samples as 24-bit integers, rounded and clipped at full
# scale, as a FLAC recording holds float input.
as_int24() {
  python3 -c '
import math, struct, sys
data = open(sys.argv[1], "rb").read()
out = bytearray()
for (x,) in struct.iter_unpack("<f", data[: len(data) // 4 * 4]):
    v = 0 if math.isnan(x) else math.copysign(math.floor(abs(x) * 8388608 + 0.5), x)
    out += struct.pack("<i", int(max(-8388608, min(8388607, v))))[:3]
open(sys.argv[2], "wb").write(out)' "$1" "$2"
}

# flac_exact FILE CHANNELS RATE BITS REFERENCE [float]: flac finds the file sound (the MD5 of its
# audio matches STREAMINFO's), STREAMINFO holds the format and the sample count, and the decoded
# samples are bit for bit what the decoder delivered (float input as 24-bit integers).
flac_exact() {
  local file=$1 channels=$2 rate=$3 bits=$4 reference=$5 kind=${6:-} name info frames
  name=$(basename "$file")
  flac -s -t "$file" 2>"$dir/flac.log" || fail "$name: flac -t fails: $(head -2 "$dir/flac.log")"
  if [ "$kind" = float ]; then
    as_int24 "$reference" "$dir/expected.raw"
    reference=$dir/expected.raw
  fi
  frames=$(($(stat -c %s "$reference") / (channels * bits / 8)))
  info=$(metaflac --show-channels --show-sample-rate --show-bps --show-total-samples "$file" | tr '\n' ' ')
  [ "$info" = "$channels $rate $bits $frames " ] || fail "$name: STREAMINFO says $info, not $channels $rate $bits $frames"
  flac -s -d -f --force-raw-format --endian=little --sign=signed -o "$dir/decoded.raw" "$file" ||
    fail "$name: flac cannot decode it"
  cmp -s "$dir/decoded.raw" "$reference" || fail "$name: the samples differ from what the decoder delivered"
}

has_xing() { head -c 512 "$1" | grep -qaE "Xing|Info"; }

mp3_recordings() { ls -tr "$dir"/out/*.mp3 2>/dev/null; }
ogg_recordings() { ls -tr "$dir"/out/*.ogg 2>/dev/null; }

# vorbis FILE CHANNELS RATE SECONDS: one logical Vorbis stream ending with its end-of-stream page,
# nothing after it, its TITLE the file's name, and the length (ogginfo's and oggdec's view).
vorbis() {
  local file=$1 channels=$2 rate=$3 seconds=$4 info name
  info=$(ogginfo "$file" 2>&1)
  name=$(basename "$file" .ogg)
  grep -q "^Channels: $channels$" <<<"$info" || fail "$name: not $channels channels"
  grep -q "^Rate: $rate$" <<<"$info" || fail "$name: not $rate Hz"
  grep -qF "TITLE=$name" <<<"$info" || fail "$name: no TITLE=$name"
  [ "$(grep -c "TITLE=" <<<"$info")" -eq 1 ] || fail "$name: more than one title"
  [ "$(grep -c "^New logical stream" <<<"$info")" -eq 1 ] || fail "$name: not one logical stream"
  grep -q "^Logical stream 1 ended$" <<<"$info" || fail "$name: no end-of-stream page"
  grep -qi "warning\|error" <<<"$info" && fail "$name: ogginfo warns: $(grep -i "warning\|error" <<<"$info" | head -2)"
  grep -q "Playback length: 0m:0$seconds.000s" <<<"$info" || fail "$name: $(grep "Playback length" <<<"$info")"
  oggdec -Q -o "$dir/decoded.wav" "$file" || fail "$name: oggdec cannot decode it"
}

# Each channel's rough frequency, as ffmpeg lays the decoded channels out (the WAVE order), is
# the sine the decoder gave that channel: no channel out of place.
channels_in_place() {
  local file=$1 channels=$2 c want got
  ffmpeg -v error -y -i "$file" -c:a pcm_s16le "$dir/ffdecoded.wav"
  for ((c = 0; c < channels; c++)); do
    want=$((250 * (c + 1)))
    got=$(sox "$dir/ffdecoded.wav" -n remix $((c + 1)) stat 2>&1 | awk '/Rough/ { print $3 }')
    awk -v g="$got" -v w="$want" 'BEGIN { exit !(g > w * 0.95 && g < w * 1.05) }' ||
      fail "$(basename "$file"): channel $((c + 1)) sounds at $got Hz, not $want Hz"
  done
}

# expect FILE CODEC CHANNELS RATE LAYOUT SECONDS REFERENCE: the header as independent tools read
# it, and the data equal to the reference (or, when the recording was cut, to its beginning).
expect() {
  local file=$1 codec=$2 channels=$3 rate=$4 layout=$5 seconds=$6 reference=$7
  local got
  local field want
  for field in codec_name channels sample_rate; do
    case $field in codec_name) want=$codec ;; channels) want=$channels ;; sample_rate) want=$rate ;; esac
    got=$(probe "$file" $field)
    [ "$got" = "$want" ] || fail "$(basename "$file"): $field $got, not $want"
  done
  if [ -n "$layout" ]; then
    got=$(probe "$file" channel_layout)
    [ "$got" = "$layout" ] || fail "$(basename "$file"): layout $got, not $layout"
  fi
  if [ -n "$seconds" ]; then
    got=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file")
    [ "$got" = "$seconds" ] || fail "$(basename "$file"): $got s, not $seconds"
  fi
  ffmpeg -v error -y -i "$file" -c:a copy -f "${codec#pcm_}" "$dir/data.raw" || fail "ffmpeg cannot read $file"
  local size
  size=$(stat -c %s "$dir/data.raw")
  [ "$size" -gt 0 ] || fail "$(basename "$file") holds no samples"
  cmp -n "$size" "$dir/data.raw" "$reference" >/dev/null ||
    fail "$(basename "$file"): the samples differ from what the decoder delivered"
  [ -n "$seconds" ] && ! cmp -s "$dir/data.raw" "$reference" && fail "$(basename "$file"): samples missing at the end"
  return 0
}

# Soaks: a stream that switches back and forth between two formats, a recording for each
# stretch of one format. The recordings in the order they were made: take.EXT, take 01.EXT, ...
takes() {
  ls "$dir/out" | sed -n "s/^take\( \([0-9]*\)\)\{0,1\}\.$1\$/\2 &/p" | sort -n | cut -d' ' -f2- |
    sed "s|^|$dir/out/|"
}

# soak EXT STRETCHES ARGS...: records, then pairs each recording with the reference of its
# stretch (files[i] with refs[i], odd stretches in the first format, even ones in the second).
soak() {
  local ext=$1 want=$2 i stretches
  shift 2
  rm -rf "$dir/out" "$dir"/ref-*.raw && mkdir "$dir/out"
  record --name take --plain-names --record "$@"
  mapfile -t files < <(takes "$ext")
  refs=()
  for ((i = 1; i <= ${#files[@]}; i++)); do refs+=("$dir/ref-$i.raw"); done
  stretches=$(find "$dir" -maxdepth 1 -name 'ref-*.raw' | wc -l)
  [ "$stretches" -eq "$want" ] && [ "${#files[@]}" -eq "$want" ] ||
    fail "${#files[@]} recordings of $stretches stretches, not $want"
}

# The channels, rate, samples and encoding of a file, as sox reads its header (quietly: sox
# warns about extensible float headers, which it reads all the same).
sox_header() {
  sox --i -V1 "$1" | awk -F': ' '/^Channels/ { c = $2 + 0 } /^Sample Rate/ { r = $2 + 0 } /^Sample Encoding/ { e = $2 }
    /^Duration/ { n = split($2, w, " "); for (i = 1; i < n; i++) if (w[i + 1] ~ /^samples/) s = w[i] }
    END { print c, r, s, e }'
}

# stretch_format I N ARGS...: the N words of ARGS that describe the format of file I (the first N
# for odd stretches, the next N for even ones), into fmt.
stretch_format() {
  local i=$1 n=$2
  shift 2
  fmt=("${@:$((i % 2 * n + 1)):n}")
}

# soak_wav CHANNELS RATE BLOCK HEADER-BYTES ENCODING (first format) and the same for the second:
# every file's header as sox reads it, exactly its samples, and after the header bit for bit
# its stretch's (sox's own float samples are not exact).
soak_wav() {
  local -a fmt
  local i c r s e size name
  for ((i = 0; i < ${#files[@]}; i++)); do
    stretch_format "$i" 5 "$@"
    name=$(basename "${files[i]}")
    read -r c r s e < <(sox_header "${files[i]}")
    size=$(stat -c %s "${refs[i]}")
    [ "$c $r $e" = "${fmt[0]} ${fmt[1]} ${fmt[4]}" ] || fail "$name: $c channels, $r Hz, $e"
    [ $((s * fmt[2])) -eq "$size" ] || fail "$name: the header holds $s frames, not $((size / fmt[2]))"
    [ "$(stat -c %s "${files[i]}")" -eq $((size + fmt[3])) ] ||
      fail "$name: not a ${fmt[3]}-byte header and the data"
    tail -c +$((fmt[3] + 1)) "${files[i]}" | cmp -s - "${refs[i]}" ||
      fail "$name: the samples differ from stretch $((i + 1))"
  done
}

# LAME's frames without a tag: its 576 samples of delay, the samples, and padding that completes
# the last frame with at least 576 more (1152 samples a frame at 32 kHz and above, else 576).
lame_frames() {
  local samples=$1 rate=$2 frame=576 pad
  ((rate >= 32000)) && frame=1152
  pad=$((frame - (576 + samples) % frame))
  ((pad < 576)) && pad=$((pad + frame))
  echo $((576 + samples + pad))
}

# soak_mp3 tagged|untagged CHANNELS RATE BLOCK (first format) CHANNELS RATE BLOCK (second): mpg123
# decodes every file to the stretch's channels and rate, and to exactly its samples (with the
# LAME tag, whose delay and padding the decoder drops) or LAME's frames around them (without).
soak_mp3() {
  local tag=$1 i c r s e want name
  local -a fmt
  shift
  for ((i = 0; i < ${#files[@]}; i++)); do
    stretch_format "$i" 3 "$@"
    name=$(basename "${files[i]}")
    mpg123 -q -w "$dir/decoded.wav" "${files[i]}" 2>/dev/null || fail "$name: mpg123 cannot decode it"
    read -r c r s e < <(sox_header "$dir/decoded.wav")
    want=$(($(stat -c %s "${refs[i]}") / fmt[2]))
    [ "$tag" = tagged ] || want=$(lame_frames "$want" "${fmt[1]}")
    [ "$c $r $s" = "${fmt[0]} ${fmt[1]} $want" ] ||
      fail "$name: $c channels, $r Hz, $s samples; not ${fmt[0]}, ${fmt[1]}, $want"
  done
}

# soak_ogg CHANNELS RATE BLOCK (first format) CHANNELS RATE BLOCK (second): one clean logical
# stream in every file, and oggdec decodes exactly the stretch's samples: the last page's
# granule position counts them, so there is nothing to allow for.
# soak_flac CHANNELS RATE BITS (first format) and the same for the second: every file exactly its
# stretch.
soak_flac() {
  local i
  local -a fmt
  for ((i = 0; i < ${#files[@]}; i++)); do
    stretch_format "$i" 3 "$@"
    flac_exact "${files[i]}" "${fmt[0]}" "${fmt[1]}" "${fmt[2]}" "${refs[i]}"
  done
}

soak_ogg() {
  local i info name bytes frames
  local -a fmt
  for ((i = 0; i < ${#files[@]}; i++)); do
    stretch_format "$i" 3 "$@"
    name=$(basename "${files[i]}")
    info=$(ogginfo "${files[i]}" 2>&1)
    grep -q "^Channels: ${fmt[0]}$" <<<"$info" && grep -q "^Rate: ${fmt[1]}$" <<<"$info" ||
      fail "$name: not ${fmt[0]} channels at ${fmt[1]} Hz"
    [ "$(grep -c "^New logical stream" <<<"$info")" -eq 1 ] && grep -q "^Logical stream 1 ended$" <<<"$info" ||
      fail "$name: not one logical stream with its end"
    grep -qi "warning\|error" <<<"$info" && fail "$name: ogginfo warns"
    bytes=$(oggdec -Q -R -o - "${files[i]}" | wc -c)
    frames=$(($(stat -c %s "${refs[i]}") / fmt[2]))
    [ "$bytes" -eq $((frames * fmt[0] * 2)) ] || fail "$name: $((bytes / fmt[0] / 2)) samples decoded, not $frames"
  done
}

# small_disk KIB: the output folder becomes a file system of that size, unmounted at the end. Where
# none can be mounted the case is skipped (exit 77), and says so.
small_disk() {
  local why
  if ! why=$(mount -t tmpfs -o "size=${1}k" sonotape-disk "$dir/out" 2>&1); then
    echo "SKIP $case: cannot mount a tmpfs here ($why), so a full disk was not tried"
    exit 77
  fi
  trap 'umount "$dir/out" 2>/dev/null || umount -l "$dir/out"' EXIT
}

# fill_disk KIB: another program's file leaves only that much room.
fill_disk() {
  rm -f "$dir/out/.filler"
  head -c $(($(stat -f -c '%a * %S' "$dir/out") - $1 * 1024)) /dev/zero >"$dir/out/.filler"
}

# record_until_full KIB CODE EXTENSION: 5 s recorded in that format onto a disk with KIB left, which
# fills and has room again 1.5 s later; the plug-in says so, and the file (in $file) did not grow
# past what fitted.
record_until_full() {
  fill_disk "$1"
  free_when_full &
  record --renderer null --name take --record --record-as "$2" --format 48000:2:16 --length 5
  wait
  write_failed "$3"
  file=$(ls -tr "$dir"/out/*."$3" 2>/dev/null)
  [ "$(stat -c %s "$file")" -le $(($1 * 1024)) ] || fail "take.$3 grew after the disk was full"
}

# free_when_full: 1.5 s after the disk is full (the write that filled it may have fitted; the next
# one did not), the other program's file goes and there is room again while the stream plays on.
# Run in the background.
free_when_full() {
  for _ in $(seq 200); do
    [ "$(stat -f -c %a "$dir/out")" -eq 0 ] && break
    sleep 0.05
  done
  sleep 1.5
  rm -f "$dir/out/.filler"
}

# write_failed EXT: the plug-in said that writing its .EXT file in the output folder failed.
write_failed() {
  grep -F "Message        [Sonotape Plugin] Writing the file  $(winpath "$dir/out")\\" "$dir/host.log" |
    grep -q "\.$1 failed$" || fail "no message that writing the .$1 file failed"
}

# whole_frames FILE: the header's sizes cover the file, and the data is whole frames.
whole_frames() {
  local file=$1 fmt align data size
  fmt=$(od -An -tu4 -j16 -N4 "$file" | tr -d ' ')
  align=$(od -An -tu2 -j32 -N2 "$file" | tr -d ' ')
  data=$(od -An -tu4 -j$((20 + fmt + 4)) -N4 "$file" | tr -d ' ')
  size=$(stat -c %s "$file")
  [ "$size" -eq $((28 + fmt + data)) ] || fail "$(basename "$file"): $size bytes, the header says $((28 + fmt + data))"
  [ $((data % align)) -eq 0 ] || fail "$(basename "$file"): $data data bytes, not whole frames of $align"
}

# recorded_seconds SECONDS: command 6 answered the seconds that are in the file.
recorded_seconds() {
  local got
  got=$(awk '/^Recorded/ { print $2 }' "$dir/host.log")
  awk -v g="$got" -v s="$1" 'BEGIN { exit !(g == int(s + 0.5)) }' || fail "command 6 says $got s, the file holds $1 s"
}

unpaced=(--renderer null --unpaced --name take --record)
fast=(--renderer null --unpaced)
case $case in
  surround-24)  # 5.1, 24 bit, extensible, through a converter the tap must go in front of
    record "${unpaced[@]}" --converter --format 48000:6:24 --length 3
    expect "$(recordings)" pcm_s24le 6 48000 5.1 3.000000 "$dir/ref-1.raw"
    ;;
  surround-32-96k)
    record "${unpaced[@]}" --format 96000:6:32 --length 2
    expect "$(recordings)" pcm_s32le 6 96000 5.1 2.000000 "$dir/ref-1.raw"
    ;;
  refused)  # 8-bit samples and more than six channels are not recorded; MP3 takes mono or stereo
    refused "$unsupported" --format 22050:1:8 --length 1
    refused "$unsupported" --format 48000:8:16 --length 1
    refused "Cannot record - for MP3 the data delivered by the decoder must be mono or stereo" \
      --format 48000:6:16 --length 1 --record-as 1
    refused "Cannot record MP3 from SPDIF output" --format ac3-spdif --length 1 --record-as 1
    refused "Cannot record Ogg Vorbis from SPDIF output" --format ac3-spdif --length 1 --record-as 2
    refused "Initializing the Ogg Vorbis encoder failed (the selected bitrate may be too low)" \
      --format 8000:1:16 --length 1 --record-as 2 --ogg-abr --ogg-quality 10
    ;;
  full-disk)  # the disk fills 1.8 s into a 24-bit stereo recording, in mid-frame, then has room again
    small_disk 2048
    fill_disk 508
    free_when_full &
    record --renderer null --name take --record --format 48000:2:24 --length 4.5
    wait
    write_failed wav
    file=$(recordings)
    expect "$file" pcm_s24le 2 48000 "" "" "$dir/ref-1.raw"
    whole_frames "$file"
    recorded_seconds "$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file")"
    ;;
  full-disk-encoded)  # MP3, Ogg Vorbis and FLAC end with the last whole frame or page that fitted
    small_disk 1024
    record_until_full 32 1 mp3
    mpg123 -q -t "$file" 2>&1 | grep -qi "error\|warn" && fail "mpg123 finds take.mp3 damaged"
    record_until_full 12 2 ogg
    grep -i "warning\|error" < <(ogginfo "$file" 2>&1) | grep -qv "EOS not set" &&
      fail "ogginfo finds take.ogg damaged: $(ogginfo "$file" 2>&1 | grep -i "warning\|error" | head -2)"
    oggdec -Q -o "$dir/decoded.wav" "$file" || fail "oggdec cannot decode take.ogg"
    rm -f "$dir"/out/*.ogg
    record_until_full 200 3 flac
    flac -s -d -f --force-raw-format --endian=little --sign=signed -o "$dir/decoded.raw" "$file" 2>"$dir/flac.log" ||
      fail "flac finds take.flac damaged: $(head -2 "$dir/flac.log")"
    cmp -s -n "$(stat -c %s "$dir/decoded.raw")" "$dir/decoded.raw" "$dir/ref-1.raw" ||
      fail "take.flac's samples differ from the delivered ones"
    ;;
  full-disk-start)  # no room at all: each format says so and leaves no file
    small_disk 256
    fill_disk 0
    for format in 0:wav 1:mp3 2:ogg 3:flac; do
      record -rc 1 "${unpaced[@]}" --record-as "${format%:*}" --length 1  # MP3's tag is its first write
      write_failed "${format#*:}"
      [ -z "$(ls "$dir/out")" ] || fail "a file was left: $(ls "$dir/out")"
      grep -q "^Recorded  *0 s$" "$dir/host.log" || fail "command 6 counts seconds that are in no file"
    done
    ;;
  disk-time)  # on a 20 MiB disk: command 10 and the page's text at WAV's and MP3's rates, and nearly full
    small_disk 20480
    for format in 0:192000 1:16000; do
      rm -f "$dir/out"/*
      before=$(stat -f -c '%a * %S' "$dir/out" | bc)
      record "${unpaced[@]}" --record-as "${format%:*}" --mp3-method 0 --format 48000:2:16 --length 2
      free=$(stat -f -c '%a * %S' "$dir/out" | bc)
      want=$((free / ${format#*:}))
      got=$(awk '/^Seconds left/ { print $3 }' "$dir/host.log")
      [ "${got:-x}" -ge $((want - 1)) ] 2>/dev/null && [ "$got" -le $((want + 1)) ] ||
        fail "record as ${format%:*}: command 10 answers $got, not $want"
      # The page shows the figure of the start or of a later update (every second): the free space
      # between that before and after the recording, and the minutes that fit in it.
      shown=$(sed -n 's/^Status         //p' "$dir/host.log")
      awk -v t="$shown" -v lo="$free" -v hi="$before" -v r="${format#*:}" 'BEGIN {
        if (!match(t, /^Free: [0-9]+\.[0-9] MB, about ([0-9]+ h )?[0-9]+ min$/)) exit 1
        split(t, w, /[ ,]+/); mb = w[2]; minutes = w[6] == "h" ? w[5] * 60 + w[7] : w[5]
        exit !(mb >= int(lo / 104857.6 + 0.5) / 10 && mb <= int(hi / 104857.6 + 0.5) / 10 &&
               minutes >= int(int(lo / r) / 60) && minutes <= int(int(hi / r) / 60)) }' ||
        fail "record as ${format%:*}: the page shows $shown with $free to $before bytes free"
    done
    fill_disk 4096
    record "${unpaced[@]}" --format 48000:2:16 --length 2
    grep -q "^Status         Free: [0-9.]* MB, less than 1 min$" "$dir/host.log" ||
      fail "the page shows $(grep "^Status" "$dir/host.log")"
    ;;
  pre-record)  # 5 s kept before a start by command 1, then the rest of the stream: one stretch of it, bit for bit;
    # the levels of the half-scale tones as command 9 answers them and as the meters read them
    record --renderer null --name take --pre-record 1 --format 48000:2:16 --length 8 --record-after 5.5 \
      --screenshot "$dir/general.png"
    file=$(recordings)
    [ -n "$file" ] || fail "nothing was recorded"
    ffmpeg -v error -y -i "$file" -c:a copy -f s16le "$dir/data.raw" || fail "ffmpeg cannot read $file"
    size=$(stat -c %s "$dir/data.raw")
    # Started 5.5 s (give or take the host's start-up) into 8 s: the 5 s kept and at least 1.5 s after.
    [ "$size" -ge $((192000 * 13 / 2)) ] && [ "$size" -le $((192000 * 8)) ] || fail "the recording holds $size bytes"
    tail -c "$size" "$dir/ref-1.raw" | cmp -s - "$dir/data.raw" ||
      fail "the recording is not the stream's last $size bytes: lost or repeated at the start"
    recorded=$(awk '/^Recorded/ { print $2 }' "$dir/host.log")
    [ "$recorded" -ge 6 ] 2>/dev/null || fail "command 6 answers $recorded s, without the kept seconds"
    grep -q "^Levels         -602 -602 -10000 -10000 -10000 -10000$" "$dir/host.log" ||
      fail "command 9 answers $(grep "^Levels" "$dir/host.log")"
    [ "$(grep "^Meter" "$dir/host.log" | tr -s ' ')" = "$(printf 'Meter L -6.0 dB\nMeter R -6.0 dB')" ] ||
      fail "the meters read $(grep "^Meter" "$dir/host.log")"
    ;;
  folder-removed)  # the recording's folder goes mid-recording: the plug-in notices, says so and stops
    record --renderer null --name take --record --format 48000:2:16 --length 5 &
    host_run=$!
    for ((i = 0; i < 100; i++)); do [ -n "$(ls "$dir/out" 2>/dev/null)" ] && break; sleep 0.1; done
    sleep 1
    rm -rf "$dir/out"
    wait $host_run
    grep -qF "Message        [Sonotape Plugin] Writing the file  $(winpath "$dir/out")\\take" "$dir/host.log" ||
      fail "the plug-in did not say that the file in the removed folder failed"
    grep -q "^State          0$" "$dir/host.log" || fail "the recording went on after its folder was removed"
    ;;
  full-disk-timer)  # a timer recording whose disk fills: no box, the host gets its after-action once
    small_disk 1024
    fill_disk 124  # full in mid-frame, before the schedule's first check
    record --renderer null --channel "Das Erste" --name "Late News" --timer 0 --after-action 2 --format 48000:2:24 \
      --length 3
    file=$(recordings)
    [ "$(stat -c %s "$file")" -gt $((120 * 1024)) ] || fail "the disk was not full before the schedule ended"
    grep -q "Message" "$dir/host.log" && fail "a scheduled recording showed a message"
    grep -q "^Host: after-action 2$" "$dir/host.log" || fail "no after-action reached the host"
    [ "$(grep -c "after-action" "$dir/host.log")" -eq 1 ] || fail "the after-action came more than once"
    expect "$file" pcm_s24le 2 48000 "" "" "$dir/ref-1.raw"
    whole_frames "$file"
    ;;
  ogg-variable-surround)
    record "${unpaced[@]}" --record-as 2 --format 48000:6:16 --length 4
    file=$(ogg_recordings)
    vorbis "$file" 6 48000 4
    channels_in_place "$file" 6
    ;;
  ogg-average-switch)  # mono at an average rate, then stereo 24-bit: two files, each one stream
    record "${unpaced[@]}" --record-as 2 --ogg-abr --ogg-quality 2 --format 44100:1:16 --switch 48000:2:24 \
      --switch-after 2 --length 4
    mapfile -t files < <(ogg_recordings)
    [ ${#files[@]} -eq 2 ] || fail "${#files[@]} files, not 2"
    vorbis "${files[0]}" 1 44100 2
    vorbis "${files[1]}" 2 48000 2
    grep -q "^Nominal bitrate: 96.000000 kb/s" < <(ogginfo "${files[0]}") || fail "not 96 kbps nominal"
    [ "$(ogginfo "${files[0]}" | grep -m1 serial)" != "$(ogginfo "${files[1]}" | grep -m1 serial)" ] ||
      fail "both files have the same serial number"
    ;;
  ogg-title)  # a name beyond ASCII, in the ANSI code page, becomes a UTF-8 title
    export LC_ALL=C.UTF-8  # Wine takes the name, ogginfo shows the title, as UTF-8
    record "${unpaced[@]/take/Bayern Süd}" --record-as 2 --length 1
    file=$(ogg_recordings)
    vorbis "$file" 2 48000 1
    title=$(ffprobe -v error -show_entries stream_tags=title -of csv=p=0 "$file")
    [ "$title" = "$(basename "$file" .ogg)" ] || fail "the title reads back as $title"
    ;;
  ogg-without-ogg-dll)  # vorbis.dll and vorbisenc.dll beside the plug-in, ogg.dll missing
    mkdir -p "$dir/plugin"
    bin=$(dirname "$host")
    cp "$bin/Sonotape.dll" "$bin/sonotape-host.exe" "$bin/vorbis.dll" "$bin/vorbisenc.dll" "$dir/plugin/"
    host=$dir/plugin/sonotape-host.exe
    refused "vorbis.dll, vorbisenc.dll and ogg.dll are required for Ogg Vorbis encoding" \
      --format 48000:2:16 --length 1 --record-as 2
    ;;
  tags)  # MP3 (ID3v2.3 before the XING frame), Ogg Vorbis and FLAC: title, channel, start date and encoder
    export LC_ALL=C.UTF-8 PYTHONIOENCODING=utf-8
    for format in "1:mp3:--mp3-method 1 --xing" 2:ogg 3:flac; do
      IFS=: read -r code extension options <<<"$format"
      rm -rf "$dir/out" && mkdir "$dir/out"
      before=$(date +%F)
      # shellcheck disable=SC2086 # the options are words
      record --renderer null --unpaced --channel "Bayern Süd" --name "Abend" --record --record-as "$code" \
        $options --format 48000:2:16 --length 2
      file=$(ls "$dir"/out/*."$extension")
      name=$(basename "$file" ."$extension")
      section=$([ "$extension" = ogg ] && echo stream || echo format)  # the LAME tag is the MP3 stream's
      got=$(ffprobe -v error -show_entries "${section}_tags=title,artist,date,encoder" -of default=nw=1 "$file" |
        sed 's/^\(TAG:\)\([A-Za-z]*\)/\1\L\2/' | sort | tr '\n' '|')
      for today in "$before" "$(date +%F)"; do
        want="TAG:artist=Bayern Süd|TAG:date=$today|TAG:encoder=Sonotape 4.0|TAG:title=$name|"
        [ "$got" = "$want" ] && break
      done
      [ "$got" = "$want" ] || fail "$extension: ffprobe reads $got, not $want"
      [ "$extension" = mp3 ] || continue
      # mutagen: version 2.3, the texts in ISO-8859-1, and the length the XING frame counts
      got=$(/usr/bin/python3 -c 'import sys; from mutagen.id3 import ID3; from mutagen.mp3 import MP3
tag = ID3(sys.argv[1], translate=False)
print(tag.version, " ".join(f"{f.FrameID}:{int(f.encoding)}" for f in tag.values()), round(MP3(sys.argv[1]).info.length, 1))' \
        "$file" 2>&1)
      [ "$got" = "(2, 3, 0) TIT2:0 TPE1:0 TYER:0 TDAT:0 TSSE:0 2.0" ] || fail "mp3: mutagen reads $got"
      mp3 "$file" 2 48000 2
      has_xing "$file" || fail "mp3: no XING header"
    done
    ;;
  flac-float-switch)  # 16-bit stereo, then float mono: two files, nothing lost or repeated at the cut
    record "${unpaced[@]}" --record-as 3 --flac-level 0 --format 44100:2:16 --switch 48000:1:32:float \
      --switch-after 1 --length 2
    mapfile -t files < <(flac_recordings)
    [ ${#files[@]} -eq 2 ] || fail "${#files[@]} files, not 2"
    flac_exact "${files[0]}" 2 44100 16 "$dir/ref-1.raw"
    flac_exact "${files[1]}" 1 48000 24 "$dir/ref-2.raw" float
    ;;
  flac-timer)  # a timer recording in FLAC ends at its first check and tells the host
    record --renderer null --channel "Das Erste" --name "Late News" --timer 0 --after-action 2 --length 6 --record-as 3
    file=$(flac_recordings)
    case $(basename "$file") in "Late News "*.flac) ;; *) fail "named $(basename "$file")" ;; esac
    flac -s -t "$file" 2>"$dir/flac.log" || fail "flac -t fails: $(head -2 "$dir/flac.log")"
    grep -q "^Host: after-action 2$" "$dir/host.log" || fail "no after-action reached the host"
    ;;
  flac-killed)  # the host killed mid-recording: the file decodes up to its last frame
    mkdir -p "$dir/plugin"
    cp "$(dirname "$host")"/{Sonotape.dll,libFLAC.dll} "$dir/plugin/"
    cp "$host" "$dir/plugin/flac-killed-host.exe"
    host=$dir/plugin/flac-killed-host.exe
    record --renderer null --name take --record --record-as 3 --format 48000:2:16 --length 20 &
    for ((i = 0; i < 100; i++)); do
      [ "$(stat -c %s "$dir"/out/*.flac 2>/dev/null || echo 0)" -gt 400000 ] && break
      sleep 0.1
    done
    pkill -9 -f flac-killed-host.exe
    wait
    file=$(flac_recordings)
    flac -s -d -f --force-raw-format --endian=little --sign=signed -o "$dir/decoded.raw" "$file" 2>"$dir/flac.log" ||
      fail "flac cannot decode the killed recording: $(head -2 "$dir/flac.log")"
    size=$(stat -c %s "$dir/decoded.raw")
    [ "$size" -ge $((4096 * 4 * 10)) ] || fail "only $size bytes decoded"
    [ $((size % (4096 * 4))) -eq 0 ] || fail "the decoded audio does not end with a whole frame"
    cmp -s -n "$size" "$dir/decoded.raw" "$dir/ref-1.raw" || fail "the decoded samples differ from the delivered ones"
    ;;
  flac-without-dll)  # a plug-in folder without libFLAC.dll: a warning, WAV for the next start, no file
    mkdir -p "$dir/plugin"
    cp "$(dirname "$host")/Sonotape.dll" "$(dirname "$host")/sonotape-host.exe" "$dir/plugin/"
    host=$dir/plugin/sonotape-host.exe
    refused "libFLAC.dll is required for FLAC encoding" --format 48000:2:16 --length 1 --record-as 3
    grep -q "^Record as *0" "$dir/host.log" || fail "the list does not show WAV, which the next start records"
    ;;
  flac-levels)  # the level reaches the encoder: frames of 1152 samples at level 0, of 4096 at 5 (the default) and 8
    for level in 0:1152 default:4096 8:4096; do
      rm -rf "$dir/out" && mkdir "$dir/out"
      record "${unpaced[@]}" --record-as 3 $([ "${level%:*}" = default ] || echo --flac-level "${level%:*}") \
        --format 48000:6:24 --length 2
      grep -q "^Record as *3$" "$dir/host.log" || fail "command 7 does not answer 3 for FLAC"
      file=$(flac_recordings)
      [ -n "$file" ] || { fail "no FLAC file at level ${level%:*}"; continue; }
      flac_exact "$file" 6 48000 24 "$dir/ref-1.raw"
      got=$(metaflac --show-max-blocksize "$file")
      [ "$got" = "${level#*:}" ] || fail "level ${level%:*}: blocks of $got samples"
      metaflac --export-tags-to=- "$file" | grep -q "^TITLE=take " || fail "level ${level%:*}: no TITLE=take ..."
    done
    ;;
  mp3-without-lame)  # a plug-in folder without lame_enc.dll: a warning, no file
    mkdir -p "$dir/plugin"
    cp "$(dirname "$host")/Sonotape.dll" "$(dirname "$host")/sonotape-host.exe" "$dir/plugin/"
    host=$dir/plugin/sonotape-host.exe
    refused "lame_enc.dll > 3.9 is required for MP3 encoding" --format 48000:2:16 --length 1 --record-as 1
    grep -q "^Record as *0" "$dir/host.log" || fail "the list does not show WAV, which the next start records"
    ;;
  mp3-refused-switch)  # stereo, then 5.1, which MP3 cannot take: one file, and the recording waits, saying so
    record "${unpaced[@]}" --record-as 1 --format 48000:2:16 --switch 48000:6:16 --switch-after 2 --length 4
    mapfile -t files < <(mp3_recordings)
    [ ${#files[@]} -eq 1 ] || fail "${#files[@]} files, not 1"
    mp3 "${files[0]}" 2 48000 2
    grep -q "^State          1$" "$dir/host.log" || fail "command 5 does not answer 1 while the recording waits"
    grep -q "^Status         Waiting for a format MP3 can record$" "$dir/host.log" ||
      fail "the General page does not say that the recording waits"
    grep -q "Message" "$dir/host.log" && fail "a message box for a format the recording waits out"
    ;;
  mp3-constant)
    record "${unpaced[@]}" --record-as 1 --format 44100:2:16 --length 4
    file=$(mp3_recordings)
    mp3 "$file" 2 44100 4
    [ "$(probe "$file" bit_rate)" = 128000 ] || fail "not 128 kbps"
    has_xing "$file" && fail "a VBR header that was not asked for"
    ;;
  mp3-variable-mono-xing)
    record "${unpaced[@]}" --record-as 1 --mp3-method 1 --xing --format 48000:1:24 --length 3
    file=$(mp3_recordings)
    mp3 "$file" 1 48000 3
    has_xing "$file" || fail "no XING header"
    ;;
  mp3-average-switch)  # float stereo, then 16-bit mono: two files, each valid
    record "${unpaced[@]}" --record-as 1 --mp3-method 2 --format 48000:2:32:float --switch 32000:1:16 \
      --switch-after 2 --length 4
    mapfile -t files < <(mp3_recordings)
    [ ${#files[@]} -eq 2 ] || fail "${#files[@]} files, not 2"
    mp3 "${files[0]}" 2 48000 2
    mp3 "${files[1]}" 1 32000 2
    ;;
  quad-192k-plain)
    record "${unpaced[@]}" --format 192000:4:16:plain --length 1
    expect "$(recordings)" pcm_s16le 4 192000 "" 1.000000 "$dir/ref-1.raw"
    ;;
  switch-to-float)  # a broadcast changes format: two files, nothing lost or repeated at the cut
    record "${unpaced[@]}" --format 44100:2:16 --switch 48000:1:32:float --switch-after 1 --length 2
    mapfile -t files < <(recordings)
    [ ${#files[@]} -eq 2 ] || fail "${#files[@]} files, not 2"
    expect "${files[0]}" pcm_s16le 2 44100 "" 1.000000 "$dir/ref-1.raw"
    expect "${files[1]}" pcm_f32le 1 48000 mono 1.000000 "$dir/ref-2.raw"
    grep -q "Recorded       1 s" "$dir/host.log" || fail "the second file's length is not reported"
    ;;
  wav-input-dsound)  # a file's samples, paced by DirectSound's clock in real time
    sox -n -r 32000 -c 2 -b 16 "$dir/input.wav" synth 2 sine 300 sine 700 gain -3 ||
      fail "sox cannot make the input"
    record --renderer dsound --name take --record --input "$(winpath "$dir/input.wav")" --length 2
    expect "$(recordings)" pcm_s16le 2 32000 "" 2.000000 "$dir/ref-1.raw"
    sox "$dir/input.wav" -t raw "$dir/input.raw" && cmp -s "$dir/input.raw" "$dir/ref-1.raw" ||
      fail "the decoder did not play the input file"
    ;;
  timer)  # a timer recording due to end at once: it stops at its first check, the host is told
    record --renderer null --channel "Das Erste" --name "Late News" --timer 0 --after-action 2 --length 6
    file=$(recordings)
    case $(basename "$file") in "Late News "*.wav) ;; *) fail "named $(basename "$file")" ;; esac
    expect "$file" pcm_s16le 2 48000 "" "" "$dir/ref-1.raw"
    seconds=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file")
    awk -v s="$seconds" 'BEGIN { exit !(s > 0.2 && s < 4) }' || fail "$seconds s recorded"
    grep -q "^Host: after-action 2$" "$dir/host.log" || fail "no after-action reached the host"
    [ "$(grep -c "after-action" "$dir/host.log")" -eq 1 ] || fail "the after-action came more than once"
    ;;
  soak-wav)  # 300 stretches, 16-bit stereo and 24-bit 5.1 by turns, the new type on a sample
    soak wav 300 "${fast[@]}" --format 44100:2:16 --switch 48000:6:24 --switch-every 0.05 --length 15
    soak_wav 2 44100 4 46 "16-bit Signed Integer PCM" 6 48000 18 68 "24-bit Signed Integer PCM"
    ;;
  soak-wav-reconnect)  # 100 stretches, each change by stopping the graph and reconnecting the decoder
    soak wav 100 "${fast[@]}" --format 48000:2:32:float --switch 32000:1:16 --switch-every 0.1 --length 10 \
      --switch-by reconnect
    soak_wav 2 48000 8 68 "32-bit Floating Point PCM" 1 32000 2 46 "16-bit Signed Integer PCM"
    ;;
  soak-mp3)  # MPEG-1 stereo and MPEG-2 mono by turns: 200 files with the LAME tag, 100 without
    soak mp3 200 "${fast[@]}" --record-as 1 --mp3-method 1 --xing --format 44100:2:16 --switch 22050:1:16 \
      --switch-every 0.1 --length 20
    soak_mp3 tagged 2 44100 4 1 22050 2
    soak mp3 100 "${fast[@]}" --record-as 1 --format 48000:1:24 --switch 24000:2:16 --switch-every 0.1 --length 10
    soak_mp3 untagged 1 48000 3 2 24000 4
    ;;
  soak-flac)  # 200 stretches, 16-bit stereo and 24-bit mono by turns, each file bit for bit
    soak flac 200 "${fast[@]}" --record-as 3 --format 48000:2:16 --switch 44100:1:24 --switch-every 0.1 --length 20
    soak_flac 2 48000 16 1 44100 24
    ;;
  soak-ogg)  # 200 stretches, 16-bit stereo and 24-bit mono by turns
    soak ogg 200 "${fast[@]}" --record-as 2 --format 48000:2:16 --switch 44100:1:24 --switch-every 0.1 --length 20
    soak_ogg 2 48000 4 1 44100 3
    ;;
  dsound-switch)  # in real time through DirectSound: a new layout by reconnection, a new rate on a sample
    soak wav 3 --renderer dsound --format 48000:2:16 --switch 44100:1:16 --switch-every 1 --length 3
    soak_wav 2 48000 4 46 "16-bit Signed Integer PCM" 1 44100 2 46 "16-bit Signed Integer PCM"
    grep -q "^Reconnected    2 times$" "$dir/host.log" || fail "the decoder was not reconnected twice"
    awk '/^Stream ran/ { exit !($3 > 2.5) }' "$dir/host.log" || fail "the stream did not run in real time"
    soak wav 2 --renderer dsound --format 48000:2:16 --switch 44100:2:16 --switch-after 1 --length 2
    soak_wav 2 48000 4 46 "16-bit Signed Integer PCM" 2 44100 4 46 "16-bit Signed Integer PCM"
    grep -q "^Reconnected    0 times$" "$dir/host.log" || fail "a new rate alone took a reconnection"
    awk '/^Stream ran/ { exit !($3 > 1.5) }' "$dir/host.log" || fail "the stream did not run in real time"
    ;;
  play-page)  # each recording played back through the Play page: the host muted meanwhile, all of it handed over
    record --renderer dsound --name take --record --format 48000:2:16 --length 2 --play \
      --play-screenshot "$(winpath "$dir/play.png")"
    file=$(recordings)
    grep -q "^Play           pressed, the button says P&ause$" "$dir/host.log" || fail "Play did not start"
    for when in "0 before playing" "-10000 while playing" "0 afterwards"; do
      grep -q "^Host volume    $when$" "$dir/host.log" || fail "the host's volume was not $when"
    done
    grep -q "^Play ended     by itself .*: $(($(stat -c %s "$file") - 46)) bytes handed to the push source, 1 end of data$" \
      "$dir/host.log" || fail "the WAV file was not played whole"
    grep -q "^Position       P&osition:  00:00:00; the button says P&lay$" "$dir/host.log" || fail "not stopped at the end"
    [ "$(head -c 4 "$dir/play.png" | tail -c 3)" = PNG ] || fail "no picture of the Play page"
    record "${unpaced[@]}" --record-as 1 --format 44100:1:16 --length 2 --play
    grep -q "^Play ended     by itself .*, 1 end of data$" "$dir/host.log" || fail "the MP3 file did not play to its end"
    record "${unpaced[@]}" --record-as 2 --format 44100:6:16 --length 2 --play
    grep -q "^Play ended     by itself .*, 1 end of data$" "$dir/host.log" || fail "the Ogg Vorbis file did not play to its end"
    ;;
  *)
    fail "no such case"
    ;;
esac
[ $failures -eq 0 ] && echo "PASS $case"
exit $((failures > 0))
