#!/usr/bin/env bash
# Builds everything and runs the 32-bit development host under Wine's WoW64 mode beside the
# release, dist/x86/: it loads that Sonotape.dll from its folder as the TV-viewer host does, with
# the codec DLLs users install beside it, plays ten seconds of a 5.1, 24-bit channel through
# DirectSound, and has the plug-in record it into recordings/; then it plays the recording back
# through the plug-in's Play page. It prints the file, its length and size, and saves pictures of
# the plug-in's window and of its Play page next to it.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
mkdir -p build
echo "Building (log: build/build-all.log) ..."
bash tools/build-all.sh >build/build-all.log 2>&1 || { tail -50 build/build-all.log; exit 1; }

trap 'bash "$repo/tools/winebench.sh" down' EXIT
bash tools/winebench.sh up
# The host beside exactly what users install: the i686 release, or its x86_64 twin where the bench
# runs no 32-bit programs.
tree=x86 label="i686 build, with dist/x86/, under %s in WoW64 mode"
if ! why=$(bash tools/runs-32-bit-code.sh); then
  printf '\n%s: the x86_64 build instead\n' "$why"
  tree=x64 label="x86_64 build, with dist/x64/, under %s"
fi
rm -rf build/demo && mkdir -p build/demo
cp "dist/$tree"/* "build/$tree/bin/sonotape-host.exe" build/demo/
# shellcheck disable=SC1090
source "$(bash tools/winebench.sh env)"
# shellcheck disable=SC2059
printf "\n== sonotape-host.exe ($label)\n" "$(chroot "$SONOTAPE_WINE_ROOT" /usr/lib/wine/wine64 --version)"
mkdir -p recordings
before=$(date +%s)
tools/wine-run build/demo/sonotape-host.exe --format 48000:6:24 --length 10 --channel "Demo Channel" --record \
  --output "Z:${repo//\//\\}\\recordings" --screenshot "Z:${repo//\//\\}\\recordings\\Sonotape.png" \
  --play --play-screenshot "Z:${repo//\//\\}\\recordings\\Play.png" | tr -d '\r'

printf '\n== What was recorded\n'
find recordings -name '*.wav' -newermt "@$before" -print0 | while IFS= read -r -d '' file; do
  printf '%s\n  %s bytes, %s\n' "$file" "$(stat -c %s "$file")" \
    "$(ffprobe -v error -show_entries stream=codec_name,channels,channel_layout,sample_rate:format=duration \
      -of compact=p=0 "$file" | paste -sd' ')"
done
printf 'Screenshot of the window: recordings/Sonotape.png, of the Play page: recordings/Play.png\n'
printf '\nThe release plug-in for Windows: dist/x86/ (and dist/Sonotape-*-x86.zip)\n'
