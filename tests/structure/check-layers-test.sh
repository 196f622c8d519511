#!/usr/bin/env bash
# The layer check passes on src/ as it is, and fails on copies of it that break a rule: a backward
# include of each kind the table forbids, a folder of no layer, and an include without its folder.
set -euo pipefail

check=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

expect() {
  local want=$1 what=$2 tree=$3 status=0
  bash "$check" "$tree" >"$work/out" 2>&1 || status=$?
  if { [ "$want" = pass ] && [ "$status" -ne 0 ]; } || { [ "$want" = fail ] && [ "$status" -ne 1 ]; }; then
    echo "FAILED: $what: expected to $want, exit $status"
    cat "$work/out"
    failures=$((failures + 1))
  elif [ "$want" = fail ] && ! grep -q "$4" "$work/out"; then
    echo "FAILED: $what: the message does not name $4"
    cat "$work/out"
    failures=$((failures + 1))
  else
    echo "ok: $what"
  fi
}

# A fresh copy of src/ with one change made by the command that follows.
broken() {
  rm -rf "$work/src"
  cp -r "$src" "$work/src"
  (cd "$work/src" && "$@")
}

expect pass "src/ as it is" "$src"

broken sed -i '0,/#include "/s//#include "window\/SonotapeWindow.h"\n#include "/' audio/WavWriter.cpp
expect fail "the audio records include the window" "$work/src" "audio/WavWriter.cpp:.*window/SonotapeWindow.h"

broken sed -i '0,/#include "/s//#include "shell\/PluginExports.h"\n#include "/' window/PageTabs.h
expect fail "the window includes the shell" "$work/src" "window/PageTabs.h:.*shell/PluginExports.h"

broken sed -i '0,/#include "/s//#include "recorder\/Recorder.h"\n#include "/' player/PlayPage.h
expect fail "the player includes the recorder" "$work/src" "player must not include recorder"

broken sed -i '0,/#include "/s//#include "player\/PlayPage.h"\n#include "/' recorder/HostEvents.cpp
expect fail "the recorder includes the player" "$work/src" "recorder must not include player"

broken mkdir extras
expect fail "a folder of no layer" "$work/src" "src/extras is in no layer"

broken sed -i '0,/#include "/s//#include "PcmFormat.h"\n#include "/' codecs/Mp3Encoder.h
expect fail "an include without its folder" "$work/src" "PcmFormat.h without its folder"

[ "$failures" -eq 0 ] || exit 1
