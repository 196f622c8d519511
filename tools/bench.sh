#!/usr/bin/env bash
# Runs the benchmarks and prints their figures: the native tree's natively, the x86_64 tree's
# on the Wine test bench. Expects built trees (tools/build-all.sh).
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
status=0
found=0
for bench in "$repo"/build/native/bin/*_bench; do
  [ -x "$bench" ] || continue
  found=1
  printf '\n== Benchmark (native): %s\n' "$(basename "$bench")"
  "$bench" || status=1
done
# The two-hour files of the player's seek benchmark, made once.
[ -e "$repo/build/x64/bin/player_bench.exe" ] && { bash "$repo/tools/player-bench-files.sh" || status=1; }
for bench in "$repo"/build/x64/bin/*_bench.exe; do
  [ -e "$bench" ] || continue
  found=1
  printf '\n== Benchmark (Wine): %s\n' "$(basename "$bench" .exe)"
  "$repo/tools/wine-run" "$bench" 2> >(grep -v '^ALSA lib' >&2) || status=1
done
if [ -e "$repo/build/x64/bin/sonotape-host.exe" ]; then
  printf '\n== Benchmark (Wine and native): codec paths\n'
  bash "$repo/tools/codec-bench.sh" || status=1
fi
[ $found -eq 1 ] || { echo "no benchmarks found: build first" >&2; exit 1; }
exit $status
