#!/usr/bin/env bash
# Installs the Debian packages the build and the test bench need (Wine itself, GStreamer and
# Wine's fonts come in the bench's own root: tools/wow64-root.sh). Idempotent.
set -euo pipefail

packages=(
  cmake ninja-build ccache g++ googletest libogg-dev libvorbis-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
  xvfb xauth debootstrap libasound2-dev
  sox libsox-fmt-all ffmpeg mpg123 vorbis-tools libflac-dev flac python3-mutagen
  dpkg-dev zip imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
