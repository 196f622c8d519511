#!/usr/bin/env bash
# Runs the played-sound tests with Wine's ALSA output on a file sink of their own: 16-bit stereo
# at 48 kHz into WORK/capture.wav, in front of the bench's sink that takes sound at the real rate
# (the bench's own ALSA configuration stays as it is).
#
#   sound-check.sh WINE-RUN TEST-EXE WORK-FOLDER [GTEST-ARGS...]
set -euo pipefail
wine_run=$1 exe=$2 work=$3
shift 3
mkdir -p "$work"
bench=$(dirname "$wine_run")/winebench.sh
envfile=$(bash "$bench" env)
[ -f "$envfile" ] || bash "$bench" up >&2
# shellcheck disable=SC1090
source "$envfile"
cat >"$work/asound.conf" <<ALSA
pcm_type.paced { lib "$SONOTAPE_PACED_SINK" }
pcm.capture {
  type file
  slave.pcm "sink"
  file "$work/capture.wav"
  format "wav"
}
pcm.sink { type paced }
pcm.!default {
  type plug
  slave { pcm "capture" format S16_LE rate 48000 channels 2 }
}
ctl.!default { type null }
ALSA
SONOTAPE_ALSA_CONFIG=$work/asound.conf SONOTAPE_CAPTURE=$work/capture.wav exec "$wine_run" "$exe" "$@"
