#!/usr/bin/env bash
# Exit 0 when the Wine bench runs 32-bit Windows programs (WoW64 mode), which the i686 build's
# tests and benchmarks need; otherwise exit 1 and say why. The test is Wine's own 32-bit
# hostname.exe, so no fault of ours is taken for the machine's. The bench must be up.
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if "$repo/tools/wine-run" /usr/lib/x86_64-linux-gnu/wine/i386-windows/hostname.exe >/dev/null 2>&1; then
  exit 0
fi
# Why not: WoW64 runs 32-bit code inside a 64-bit process, which some kernels do not allow.
probe=$repo/build/ia32-probe
if [ ! -x "$probe" ] || [ "$repo/tools/ia32-probe.c" -nt "$probe" ]; then
  mkdir -p "$repo/build"
  gcc -O1 -no-pie -o "$probe" "$repo/tools/ia32-probe.c" || exit 1
fi
reason=$("$probe") && reason="Wine cannot start its own 32-bit hostname.exe, although this kernel runs 32-bit code"
echo "the bench runs no 32-bit Windows programs: $reason"
exit 1
