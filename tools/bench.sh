#!/usr/bin/env bash
# Runs the benchmarks of the x86_64 tree on the Wine test bench and prints their figures.
# Expects a built tree (tools/build-all.sh); brings the bench up when it is not.
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin=$repo/build/x64/bin
status=0
for bench in "$bin"/*_bench.exe; do
  [ -e "$bench" ] || { echo "no benchmarks in $bin: build first" >&2; exit 1; }
  printf '\n== Benchmark: %s\n' "$(basename "$bench" .exe)"
  "$repo/tools/wine-run" "$bench" 2> >(grep -v '^ALSA lib' >&2) || status=1
done
exit $status
