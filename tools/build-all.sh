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

# Compiler results are kept between clones (CI builds every tree of a fresh one): paths below the
# tree count relative to it, so a clone elsewhere finds the objects of an earlier one. The trees
# carry these settings, so later builds by hand use the same cache.
ccache_dir=${SONOTAPE_CACHE:-/var/cache/sonotape}/ccache
mkdir -p "$ccache_dir"
CCACHE_DIR=$ccache_dir ccache --max-size=4G >/dev/null
launcher="env;CCACHE_DIR=$ccache_dir;CCACHE_BASEDIR=$repo;CCACHE_NOHASHDIR=true;ccache"

configure() {
  local dir=$1
  shift
  cmake -S "$repo" -B "$build/$dir" -G Ninja -Wno-dev \
    -DCMAKE_C_COMPILER_LAUNCHER="$launcher" -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" "$@" >"$build/$dir.configure.log" 2>&1 ||
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
