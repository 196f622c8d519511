#!/usr/bin/env bash
# Builds the bench's paced sink and runs its test program against it.
set -euo pipefail
source=$1
program=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -std=c11 -DPIC -O2 -Wall -Wextra -Werror -shared -fPIC -o "$work/paced-sink.so" "$source" -lasound
cat >"$work/asound.conf" <<ALSA
pcm_type.paced { lib "$work/paced-sink.so" }
pcm.sink { type paced }
ALSA
ALSA_CONFIG_PATH=/usr/share/alsa/alsa.conf:$work/asound.conf "$program"
