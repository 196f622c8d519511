#!/usr/bin/env bash
# Runs the benchmarks and prints their figures: the native tree's natively, then each benchmark of
# the Windows trees on the Wine bench, the i686 release beside its x86_64 twin, and the codec
# paths of both builds with the i686 time as a multiple of the x86_64 time. Expects built trees
# (tools/build-all.sh).
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
status=0
found=0
# The i686 build's benchmarks need a bench that runs 32-bit Windows programs.
trees=(x64 x86)
if ! why=$(bash "$repo/tools/runs-32-bit-code.sh"); then
  printf '\n== SKIPPED: the i686 benchmarks: %s\n' "$why"
  trees=(x64)
fi
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
  name=$(basename "$bench" .exe)
  for tree in "${trees[@]}"; do
    [ -e "$repo/build/$tree/bin/$name.exe" ] || continue
    printf '\n== Benchmark (Wine, %s): %s\n' "$([ $tree = x64 ] && echo x86_64 || echo i686)" "$name"
    "$repo/tools/wine-run" "$repo/build/$tree/bin/$name.exe" 2> >(grep -v '^ALSA lib' >&2) || status=1
  done
done
if [ -e "$repo/build/x64/bin/sonotape-host.exe" ]; then
  figures=$(mktemp -d)
  for tree in "${trees[@]}"; do
    [ -e "$repo/build/$tree/bin/sonotape-host.exe" ] || continue
    printf '\n== Benchmark (Wine and native): codec paths, %s\n' "$([ $tree = x64 ] && echo x86_64 || echo i686)"
    SONOTAPE_BENCH_FIGURES=$figures/$tree bash "$repo/tools/codec-bench.sh" $tree || status=1
  done
  if [ -s "$figures/x64" ] && [ -s "$figures/x86" ]; then
    printf '\n== The i686 release against the x86_64 build: time of each path, i686 / x86_64\n'
    join <(sort "$figures/x86") <(sort "$figures/x64") |
      awk '{ printf "  %-14s %6.3f s / %6.3f s = %.2f\n", $1, $2, $3, $2 / $3 }'
  fi
  rm -rf "$figures"
fi
[ $found -eq 1 ] || { echo "no benchmarks found: build first" >&2; exit 1; }
exit $status
