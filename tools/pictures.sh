#!/usr/bin/env bash
# Pictures of the tool window: every page at 96, 120 and 144 DPI and at the font size steps 0 to 2,
# drawn by the window itself on the Wine bench into build/x64/tests/screenshots/. The 96-DPI set,
# which the README shows, is copied to docs/pictures/. Needs the x86_64 tree (tools/build-all.sh).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
[ -f build/x64/build.ninja ] || { echo "pictures.sh: configure build/x64 first (tools/build-all.sh)" >&2; exit 1; }
cmake --build build/x64 --target window_tests

bench_was_up=false
[ -f build/wine/env ] && bench_was_up=true
bash tools/winebench.sh up
$bench_was_up || trap 'bash "$repo/tools/winebench.sh" down' EXIT

tools/wine-run build/x64/bin/window_tests.exe --gtest_filter='Looks/PagePictures.*'
mkdir -p docs/pictures
cp build/x64/tests/screenshots/*-96dpi-step[0-2].png docs/pictures/
ls docs/pictures
