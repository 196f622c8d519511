#!/usr/bin/env bash
# Installs what the build needs, builds the codec DLLs and the four trees, and fills dist/.
#   build/native            portable core and its tests, natively
#   build/native-sanitize   the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   build/x64               the x86_64 Windows build: plug-in, development host, Windows tests
#   build/x86               the i686 Windows build: the release plug-in
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$repo/build
cd "$repo"

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

step() { printf '\n== %s\n' "$*"; }

step "Packages"
as_root bash tools/install-packages.sh

step "Codec DLLs"
bash deps/build-codecs.sh i686 "$build/codecs/x86"
bash deps/build-codecs.sh x86_64 "$build/codecs/x64"

configure() {
  local dir=$1
  shift
  cmake -S "$repo" -B "$build/$dir" -G Ninja -Wno-dev "$@" >"$build/$dir.configure.log" 2>&1 ||
    { cat "$build/$dir.configure.log"; return 1; }
}

step "Configure"
mkdir -p "$build"
configure native
configure native-sanitize -DSONOTAPE_SANITIZE=ON
configure x64 -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-x86_64-w64-mingw32.cmake" \
  -DSONOTAPE_CODEC_DIR="$build/codecs/x64"
configure x86 -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-i686-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DSONOTAPE_CODEC_DIR="$build/codecs/x86"

for dir in native native-sanitize x64 x86; do
  step "Build $dir"
  cmake --build "$build/$dir"
done

step "dist"
rm -rf "$repo/dist"
cmake --install "$build/x86" --prefix "$repo/dist/x86" --strip >/dev/null
cmake --install "$build/x64" --prefix "$repo/dist/x64" --strip >/dev/null
bash tools/package.sh "$repo/dist"
