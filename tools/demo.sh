#!/usr/bin/env bash
# Builds everything and runs the development host under Wine: it loads the x86_64 Sonotape.dll
# from its folder as the TV-viewer host does and shows what the plug-in answers.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
mkdir -p build
echo "Building (log: build/build-all.log) ..."
bash tools/build-all.sh >build/build-all.log 2>&1 || { tail -50 build/build-all.log; exit 1; }

bash tools/winebench.sh up
trap 'bash "$repo/tools/winebench.sh" down' EXIT
printf '\n== sonotape-host.exe (x86_64 build, under Wine)\n'
tools/wine-run build/x64/bin/sonotape-host.exe | tr -d '\r'
printf '\nThe release plug-in for Windows: dist/x86/ (and dist/Sonotape-*-x86.zip)\n'
