#!/usr/bin/env bash
# Runs the played-sound tests with Wine's ALSA output on a file sink of their own: 16-bit stereo
# at 48 kHz into WORK/capture.wav (the bench's own ALSA configuration stays as it is).
#
#   sound-check.sh WINE-RUN TEST-EXE WORK-FOLDER [GTEST-ARGS...]
set -euo pipefail
wine_run=$1 exe=$2 work=$3
shift 3
mkdir -p "$work"
cat >"$work/asound.conf" <<ALSA
pcm.capture {
  type file
  slave.pcm "sink"
  file "$work/capture.wav"
  format "wav"
}
pcm.sink { type null }
pcm.!default {
  type plug
  slave { pcm "capture" format S16_LE rate 48000 channels 2 }
}
ctl.!default { type null }
ALSA
SONOTAPE_ALSA_CONFIG=$work/asound.conf SONOTAPE_CAPTURE=$work/capture.wav exec "$wine_run" "$exe" "$@"
