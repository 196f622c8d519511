#!/usr/bin/env bash
# Cross-builds the codec DLLs of one Windows architecture from Debian's source
# packages and copies them into OUTDIR.
#
#   deps/build-codecs.sh ARCH OUTDIR        ARCH: i686 | x86_64
#
# OUTDIR receives
#   ogg.dll vorbis.dll vorbisenc.dll vorbisfile.dll   libogg / libvorbis
#   lame_enc.dll                                       LAME's BladeEnc-style DLL
#   MPGLib.DLL                                         LAME's mpglib decoder, classic entries
#   lame.exe                                           LAME's command-line encoder
#   libFLAC.dll                                        libFLAC, without Ogg
#   flac.exe                                           FLAC's command-line program, same tree
#   include/  lib/ (MinGW import libraries)  licenses/
#
# Versions come from deps/versions.txt. Results are cached outside the work
# tree under ${SONOTAPE_CACHE:-/var/cache/sonotape}/codecs/ARCH/KEY/, where KEY
# holds the four versions and a hash of this script, deps/mpglib/ and the compiler; a warm
# cache is copied without touching apt or the compiler. See deps/README.md.
set -euo pipefail

usage() { echo "usage: $0 i686|x86_64 OUTDIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
arch=$1
outdir=$2
case "$arch" in
  i686)   triple=i686-w64-mingw32;   debarch=i686 ;;
  x86_64) triple=x86_64-w64-mingw32; debarch=x86-64 ;;
  *) usage ;;
esac

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
self="$here/$(basename "${BASH_SOURCE[0]}")"
cache_root=${SONOTAPE_CACHE:-/var/cache/sonotape}
CC=$triple-gcc-posix
NM=$triple-nm
OBJDUMP=$triple-objdump
jobs=$(nproc 2>/dev/null || echo 2)
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS LIBS CC_FOR_BUILD

products=(ogg.dll vorbis.dll vorbisenc.dll vorbisfile.dll lame_enc.dll MPGLib.DLL lame.exe libFLAC.dll flac.exe)

die() { echo "build-codecs.sh: $*" >&2; exit 1; }

# --- versions ---------------------------------------------------------------
declare -A ver=()
while read -r name version _; do
  case "$name" in ''|'#'*) continue ;; esac
  ver[$name]=$version
done <"$here/versions.txt"
for p in libogg libvorbis lame flac; do
  [ -n "${ver[$p]:-}" ] || die "deps/versions.txt names no version for $p"
done

cache_key() {
  local cc_id
  cc_id=$("$CC" --version 2>/dev/null | head -n 1 || true)
  local h
  h=$( { cat "$self" "$here"/mpglib/*; echo "compiler: ${cc_id:-none}"; } | sha256sum | cut -c1-12)
  echo "${ver[libogg]//:/%}_${ver[libvorbis]//:/%}_${ver[lame]//:/%}_${ver[flac]//:/%}_$h"
}

deliver() {
  mkdir -p "$outdir"
  cp -a "$1/out/." "$outdir/"
}

key=$(cache_key)
dir="$cache_root/codecs/$arch/$key"
if [ -f "$dir/.complete" ]; then
  ok=1
  for f in "${products[@]}"; do [ -s "$dir/out/$f" ] || ok=0; done
  if [ "$ok" -eq 1 ]; then
    deliver "$dir"
    echo "codecs $arch: cached ($dir)"
    exit 0
  fi
fi

# --- cold build: everything below logs to $log --------------------------------
mkdir -p "$cache_root/codecs/$arch"
log="$cache_root/codecs/$arch/build-$key.log"
: >"$log"
exec 3>&1 4>&2
exec >>"$log" 2>&1
say() { echo "$*" >&3; }
on_exit() {
  local rc=$?
  if [ "$rc" -ne 0 ]; then
    exec 1>&3 2>&4
    echo "build-codecs.sh: building the $arch codecs failed (exit $rc). Last lines of $log:" >&2
    tail -n 40 "$log" >&2
  fi
}
trap on_exit EXIT
fail() { echo "ERROR: $*"; echo "build-codecs.sh: $*" >&4; exit 1; }
step() { echo; echo "=== $* ($(date +%T))"; }

say "codecs $arch: building (log: $log)"

step "packages"
if [ "$(id -u)" -ne 0 ]; then
  echo "not root: skipping apt source setup and package installs"
  is_root=0
else
  is_root=1
fi
need=(dpkg-dev make xz-utils "gcc-mingw-w64-$debarch-posix" "binutils-mingw-w64-$debarch")
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "$is_root" -eq 1 ]; then
  bash "$here/enable-apt-sources.sh"
  if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
elif [ ${#missing[@]} -gt 0 ]; then
  fail "missing packages ${missing[*]} (run as root to install them)"
fi
command -v "$CC" >/dev/null || fail "$CC not found"
# The compiler may have just been installed: the key includes its version.
key=$(cache_key)
dir="$cache_root/codecs/$arch/$key"

# --- sources ------------------------------------------------------------------
# fetch PKG: sets src[PKG] to the extracted tree (shared by both archs).
declare -A src=()
updated=0
offered() { apt-cache showsrc --only-source "$1" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -u; }
fetch() {
  local pkg=$1 v=${ver[$1]}
  local sdir="$cache_root/src/${pkg}_${v//:/%}"
  src[$pkg]="$sdir/tree"
  if [ -f "$sdir/.complete" ] && [ -d "$sdir/tree" ]; then
    echo "$pkg $v: cached source $sdir/tree"; return
  fi
  local try
  for try in 1 2; do
    if offered "$pkg" | grep -qxF "$v"; then
      rm -rf "$sdir"; mkdir -p "$sdir"
      if ( cd "$sdir" && apt-get source -q -o APT::Sandbox::User=root --only-source "$pkg=$v" ); then
        break
      fi
      echo "apt-get source $pkg=$v failed"
    fi
    # Package lists may be stale (the mirror moved on): refresh once, retry.
    if [ "$try" -eq 1 ] && [ "$updated" -eq 0 ] && [ "$is_root" -eq 1 ]; then
      bash "$here/enable-apt-sources.sh" --update; updated=1
      continue
    fi
    offered "$pkg" | grep -qxF "$v" ||
      fail "apt no longer offers source package $pkg $v (it offers: $(offered "$pkg" | tr '\n' ' ')). Update deps/versions.txt."
    fail "apt-get source $pkg=$v failed"
  done
  local t
  t=$(find "$sdir" -mindepth 1 -maxdepth 1 -type d -name "$pkg-*" | head -n 1)
  [ -n "$t" ] || fail "apt-get source $pkg=$v left no source tree"
  mv "$t" "$sdir/tree"
  touch "$sdir/.complete"
}
step "sources"
fetch libogg
fetch libvorbis
fetch lame
fetch flac
flac_src=${src[flac]}
ogg_src=${src[libogg]}
vorbis_src=${src[libvorbis]}
lame_src=${src[lame]}
# Source trees of other versions are not needed any more.
for p in libogg libvorbis lame flac; do
  for d in "$cache_root/src/${p}_"*; do
    if [ -d "$d" ] && [ "$d" != "$cache_root/src/${p}_${ver[$p]//:/%}" ]; then rm -rf "$d"; fi
  done
done

# --- build --------------------------------------------------------------------
rm -rf "$dir"
mkdir -p "$dir"
b="$dir/build"
out="$dir/out"
mkdir -p "$b" "$out/lib" "$out/include/ogg" "$out/include/vorbis" "$out/include/lame" "$out/include/FLAC" "$out/licenses"

cflags=(-O2 -pipe)
# LAME's own switch for a processor with SSE at least (every x86_64 one): its SSE routines are
# then used without a run-time check, which it makes only through its NASM code.
cflags+=(-DMIN_ARCH_SSE)
if [ "$arch" = i686 ]; then
  # Windows only guarantees 4-byte stack alignment to 32-bit callees (hosts
  # built with MSVC); GCC otherwise assumes 16 and SSE code could fault.
  cflags+=(-mincoming-stack-boundary=2)
  # SSE2 floating point, and LAME's SSE routines (its configure builds them once the compiler
  # takes SSE intrinsics): the release needs a processor with SSE2, as Windows 8 and later do.
  cflags+=(-msse2 -mfpmath=sse)
fi
ldflags=(-shared -static -static-libgcc -s -Wl,--enable-auto-image-base -Wl,--nxcompat -Wl,--dynamicbase)

# patch_copy FILE SED-EXPR CHECK-REGEX: edit the copy, fail if it did not apply.
patch_copy() {
  sed -i -e "$2" "$1"
  grep -qE "$3" "$1" || fail "could not adapt $(basename "$1") ($2)"
}

# compile OBJDIR FLAGS... -- SOURCES...   (parallel, through make)
compile() {
  local objdir=$1; shift
  local flags=()
  while [ "$1" != "--" ]; do flags+=("$1"); shift; done
  shift
  mkdir -p "$objdir"
  local mk="$objdir/Makefile" objs=() s o
  : >"$mk"
  for s in "$@"; do
    o="$objdir/$(basename "${s%.c}").o"
    objs+=("$o")
    printf '%s: %s\n\t%s %s -c $< -o $@\n' "$o" "$s" "$CC" "${flags[*]}" >>"$mk"
  done
  printf 'all: %s\n' "${objs[*]}" >>"$mk"
  make -s -j"$jobs" -f "$mk" all
}

# gendef DLL DEFOUT "HEADERS" "INCLUDE FLAGS" UPSTREAM_DEF OBJS...
# Exports = functions defined in OBJS that the public HEADERS declare or the
# upstream .def lists; i.e. the public API, undecorated.
gendef() {
  local dll=$1 def=$2 headers=$3 incs=$4 updef=$5; shift 5
  local h
  : >"$def.names"
  for h in $headers; do
    # shellcheck disable=SC2086
    "$CC" -E -P $incs -x c "$h" >"$def.pp"
    grep -oE '\b[A-Za-z_][A-Za-z0-9_]*[[:space:]]*\(' "$def.pp" | tr -d ' \t(' >>"$def.names" || true
  done
  if [ -n "$updef" ]; then
    grep -vE '^[[:space:]]*(;|LIBRARY|EXPORTS|$)' "$updef" | tr -d ' \t\r' | sed 's/@.*//' >>"$def.names" || true
  fi
  sort -u "$def.names" >"$def.declared"
  "$NM" -g --defined-only "$@" | awk '$2 == "T" {print $3}' |
    { if [ "$arch" = i686 ]; then sed 's/^_//'; else cat; fi; } | sort -u >"$def.defined"
  { echo "LIBRARY $dll"; echo "EXPORTS"; comm -12 "$def.declared" "$def.defined" | sed 's/^/    /'; } >"$def"
}

step "libogg"
compile "$b/ogg" "${cflags[@]}" -I"$ogg_src/include" -- "$ogg_src/src/bitwise.c" "$ogg_src/src/framing.c"
gendef ogg.dll "$b/ogg.def" "$ogg_src/include/ogg/ogg.h" "-I$ogg_src/include" "$ogg_src/win32/ogg.def" "$b"/ogg/*.o
"$CC" "${ldflags[@]}" -o "$out/ogg.dll" "$b"/ogg/*.o "$b/ogg.def" -Wl,--out-implib,"$out/lib/libogg.dll.a"

step "libvorbis"
vinc=(-I"$ogg_src/include" -I"$vorbis_src/include" -I"$vorbis_src/lib")
vflags=("${cflags[@]}" -fsigned-char -D_REENTRANT "${vinc[@]}")
vorbis_c=(mdct smallft block envelope window lsp lpc analysis synthesis psy info
          floor1 floor0 res0 mapping0 registry codebook sharedbook lookup bitrate)
vorbis_files=()
for f in "${vorbis_c[@]}"; do vorbis_files+=("$vorbis_src/lib/$f.c"); done
compile "$b/vorbis" "${vflags[@]}" -- "${vorbis_files[@]}"
# The 5.1 mappings share one residue between the two block sizes: vorbisenc set it up twice and
# lost the first setup, a leak with every 5.1 stream. The second setup now reuses the first.
cp "$vorbis_src/lib/vorbisenc.c" "$b/vorbisenc.c"
patch_copy "$b/vorbisenc.c" \
  's/^    _ogg_malloc(sizeof(\*r));$/    ci->residue_param[number]?ci->residue_param[number]:_ogg_malloc(sizeof(*r));/' \
  '^    ci->residue_param\[number\]\?ci->residue_param\[number\]:_ogg_malloc'
compile "$b/vorbisenc" "${vflags[@]}" -- "$b/vorbisenc.c"
compile "$b/vorbisfile" "${vflags[@]}" -- "$vorbis_src/lib/vorbisfile.c"
hinc="-I$ogg_src/include -I$vorbis_src/include"
gendef vorbis.dll "$b/vorbis.def" "$vorbis_src/include/vorbis/codec.h" "$hinc" "$vorbis_src/win32/vorbis.def" "$b"/vorbis/*.o
gendef vorbisenc.dll "$b/vorbisenc.def" "$vorbis_src/include/vorbis/vorbisenc.h" "$hinc" "$vorbis_src/win32/vorbisenc.def" "$b"/vorbisenc/*.o
gendef vorbisfile.dll "$b/vorbisfile.def" "$vorbis_src/include/vorbis/vorbisfile.h" "$hinc" "$vorbis_src/win32/vorbisfile.def" "$b"/vorbisfile/*.o
"$CC" "${ldflags[@]}" -o "$out/vorbis.dll" "$b"/vorbis/*.o "$b/vorbis.def" \
  -L"$out/lib" -logg.dll -Wl,--out-implib,"$out/lib/libvorbis.dll.a"
"$CC" "${ldflags[@]}" -o "$out/vorbisenc.dll" "$b"/vorbisenc/*.o "$b/vorbisenc.def" \
  -L"$out/lib" -lvorbis.dll -logg.dll -Wl,--as-needed -Wl,--out-implib,"$out/lib/libvorbisenc.dll.a"
"$CC" "${ldflags[@]}" -o "$out/vorbisfile.dll" "$b"/vorbisfile/*.o "$b/vorbisfile.def" \
  -L"$out/lib" -lvorbis.dll -logg.dll -Wl,--out-implib,"$out/lib/libvorbisfile.dll.a"

step "lame: configure"
# LAME is built with its own configure (in a copy: autotools build in-tree).
# Only the parts used here are built (mpglib, libmp3lame, frontend), no Debian
# tree is changed.
rm -rf "$b/lame"
mkdir -p "$b/lame"
(cd "$lame_src" && tar --exclude=./debian --exclude=./.pc -cf - .) | (cd "$b/lame" && tar -xf -)
(
  cd "$b/lame"
  ./configure --host="$triple" CC="$CC" CFLAGS="${cflags[*]}" LDFLAGS="-static -static-libgcc" \
    --disable-shared --enable-static --disable-dependency-tracking \
    --disable-gtktest --enable-nasm=no --disable-rpath
)
step "lame: make"
(
  cd "$b/lame"
  # (Debian's msse.patch edits only Makefile.am, which is not regenerated; it
  # does not matter: the SSE routines are built with the SSE2 flags above.)
  make -j"$jobs" -C mpglib
  make -j"$jobs" -C libmp3lame
  make -j"$jobs" -C frontend
)
cp "$b/lame/frontend/lame.exe" "$out/lame.exe"
"$triple-strip" "$out/lame.exe"

step "lame_enc.dll"
ld="$b/lamedll"
mkdir -p "$ld"
cp "$lame_src/Dll/BladeMP3EncDLL.c" "$lame_src/Dll/BladeMP3EncDLL.h" "$lame_src/Dll/BladeMP3EncDLL.def" "$ld/"
# Windows header names are case-insensitive; MinGW's are lower case.
patch_copy "$ld/BladeMP3EncDLL.c" 's/<Windef\.h>/<windef.h>/' '<windef\.h>'
# The header packs BE_CONFIG/BE_VERSION with #pragma pack(1) for MSVC but, for
# GCC, puts __attribute__((packed)) after the pointer typedef, where GCC
# ignores it: the structs would not get the 331-byte layout of the DLL's ABI.
# Use the pragma for every compiler.
patch_copy "$ld/BladeMP3EncDLL.h" 's/^#ifdef __GNUC__$/#if 0 \/* Sonotape: pack with the pragma for GCC too *\//' '^#if 0 /\* Sonotape'
patch_copy "$ld/BladeMP3EncDLL.h" 's/^#ifndef __GNUC__$/#if 1 \/* Sonotape *\//' '^#if 1 /\* Sonotape'
# beInitStream copies dwStructSize bytes (caller-supplied) into a BE_CONFIG on
# the stack: clamp to the struct so a bad size cannot overrun the stack.
patch_copy "$ld/BladeMP3EncDLL.c" \
  's/memcpy(&lameConfig,pbeConfig,pbeConfig->format.LHV1.dwStructSize);/memcpy(\&lameConfig,pbeConfig,Min(pbeConfig->format.LHV1.dwStructSize,(DWORD)sizeof(lameConfig)));/' \
  'Min\(pbeConfig->format\.LHV1\.dwStructSize'
# lame_init() returns NULL when out of memory; beInitStream used it unchecked.
patch_copy "$ld/BladeMP3EncDLL.c" \
  's/^\([[:space:]]*\)gfp = lame_init();/\1gfp = lame_init();\n\1if (NULL == gfp) { *phbeStream = NULL; return BE_ERR_NO_MORE_HANDLES; }/' \
  'if \(NULL == gfp\) \{ \*phbeStream = NULL'
# DispErr showed a message box (beWriteVBRHeader on a file it cannot open or update), which the
# caller cannot suppress and which may come up on a streaming thread: the error code alone tells.
patch_copy "$ld/BladeMP3EncDLL.c" \
  's/^    MessageBoxA(NULL,strErr,"LAME_ENC.DLL",MB_OK|MB_ICONHAND);$/    (void) strErr; \/* Sonotape: no UI, the error code tells *\//' \
  '^    \(void\) strErr; /\* Sonotape: no UI'
cat >"$ld/layout-check.c" <<'EOF'
#include <windows.h>
#include "BladeMP3EncDLL.h"
_Static_assert(sizeof(BE_CONFIG) == 331, "BE_CONFIG must be byte-packed (331 bytes)");
_Static_assert(sizeof(BE_VERSION) == 265, "BE_VERSION must be byte-packed (265 bytes)");
EOF
"$CC" -fsyntax-only -I"$ld" "$ld/layout-check.c"
"$CC" "${cflags[@]}" -I"$ld" -I"$b/lame/include" -I"$b/lame/libmp3lame" \
  -c "$ld/BladeMP3EncDLL.c" -o "$ld/BladeMP3EncDLL.o"
"$CC" "${ldflags[@]}" -o "$out/lame_enc.dll" "$ld/BladeMP3EncDLL.o" "$ld/BladeMP3EncDLL.def" \
  -L"$b/lame/libmp3lame/.libs" -lmp3lame -Wl,--out-implib,"$out/lib/liblame_enc.dll.a"

step "MPGLib.DLL"
# mpglib, as lame.exe decodes with it, behind the classic entries of deps/mpglib/MPGLibDLL.c.
md="$b/mpglibdll"
mkdir -p "$md"
# The copy of interface.c never ends the process and decodes a first frame shorter than a Xing
# header as soon as it is complete (deps/mpglib/interface.c.patch).
cp "$b/lame/mpglib/interface.c" "$md/interface.c"
patch --quiet --forward --no-backup-if-mismatch "$md/interface.c" "$here/mpglib/interface.c.patch" ||
  fail "could not patch mpglib's interface.c"
# Of VbrTag.c only the reader of the Xing header (GetVbrTag and its two helpers), without the
# encoder's tag writer around it.
{
  printf '#ifdef HAVE_CONFIG_H\n# include <config.h>\n#endif\n#include "lame.h"\n#include "machine.h"\n'
  printf '#include "VbrTag.h"\n#include "tables.h"\n\n'
  awk -v want=" ExtractI4 IsVbrTag GetVbrTag " '
    /^static const char VBRTag[01]\[\] = / { print; next }
    match($0, /^[A-Za-z_][A-Za-z0-9_]*\(/) && index(want, " " substr($0, 1, RLENGTH - 1) " ") { print prev; on = 1 }
    on { print; if ($0 == "}") { on = 0; print "" } }
    { prev = $0 }' "$b/lame/libmp3lame/VbrTag.c"
} >"$md/vbrtag-read.c"
[ "$(grep -cE '^(ExtractI4|IsVbrTag|GetVbrTag)\(' "$md/vbrtag-read.c")" -eq 3 ] || fail "could not take GetVbrTag from VbrTag.c"
# NDEBUG: a failed assertion would show a box and end the host.
mflags=("${cflags[@]}" -DNDEBUG -DHAVE_CONFIG_H -I"$b/lame" -I"$b/lame/include" -I"$b/lame/mpglib" -I"$b/lame/libmp3lame")
mpglib_files=()
for f in common dct64_i386 decode_i386 layer1 layer2 layer3 tabinit; do mpglib_files+=("$b/lame/mpglib/$f.c"); done
compile "$md" "${mflags[@]}" -- "${mpglib_files[@]}" "$md/interface.c" "$md/vbrtag-read.c" "$b/lame/libmp3lame/tables.c"
"$CC" "${mflags[@]}" -Wall -Wextra -Werror -c "$here/mpglib/MPGLibDLL.c" -o "$md/MPGLibDLL.o"
"$CC" "${ldflags[@]}" -o "$out/MPGLib.DLL" "$md"/*.o "$here/mpglib/MPGLib.def"

step "flac: configure"
# libFLAC and flac.exe with FLAC's own configure, in a copy, without Ogg, C++ or documentation.
# No stack protector or fortified calls: those would import MinGW's libssp.
rm -rf "$b/flac"
mkdir -p "$b/flac"
(cd "$flac_src" && tar --exclude=./debian --exclude=./.pc -cf - .) | (cd "$b/flac" && tar -xf -)
(
  cd "$b/flac"
  ./configure --host="$triple" CC="$CC" CFLAGS="${cflags[*]}" \
    LDFLAGS="-static -static-libgcc" --disable-shared --enable-static --disable-dependency-tracking \
    --disable-ogg --disable-cpplibs --disable-doxygen-docs --disable-examples \
    --disable-stack-smash-protection --disable-fortify-source --disable-version-from-git --disable-rpath
)
step "flac: make"
(
  cd "$b/flac"
  make -j"$jobs" -C src/libFLAC
  make -j"$jobs" -C src/share
  make -j"$jobs" -C src/flac
)
cp "$b/flac/src/flac/flac.exe" "$out/flac.exe"
"$triple-strip" "$out/flac.exe"

step "libFLAC.dll"
# The public API of the static library as a DLL. Of FLAC's Windows UTF-8 helpers the library
# needs only the file calls; the console printing beside them is left out.
fd="$b/flacdll"
mkdir -p "$fd"
(cd "$fd" && "$triple-ar" x "$b/flac/src/libFLAC/.libs/libFLAC-static.a" && rm win_utf8_io.o)
{
  printf '#include <io.h>\n#include <windows.h>\n#include "share/win_utf8_io.h"\n\n'
  awk -v want=" wchar_from_utf8 fopen_utf8 stat64_utf8 chmod_utf8 utime_utf8 unlink_utf8 rename_utf8 " '
    match($0, /^[A-Za-z].*[ *][A-Za-z_0-9]+\(/) {
      name = substr($0, 1, RLENGTH - 1); sub(/.*[ *]/, "", name)
      if (index(want, " " name " ")) on = 1
    }
    on { print; if ($0 == "}") { on = 0; print "" } }' "$flac_src/src/share/win_utf8_io/win_utf8_io.c"
} >"$fd/win_utf8_files.c"
[ "$(grep -cE '^[A-Za-z].*[ *](wchar_from_utf8|fopen_utf8|stat64_utf8|chmod_utf8|utime_utf8|unlink_utf8|rename_utf8)\(' "$fd/win_utf8_files.c")" -eq 7 ] ||
  fail "could not take the file calls from win_utf8_io.c"
"$CC" "${cflags[@]}" -I"$b/flac/include" -c "$fd/win_utf8_files.c" -o "$fd/win_utf8_files.o"
gendef libFLAC.dll "$fd/libFLAC.def" "$(echo "$flac_src"/include/FLAC/{format,metadata,stream_decoder,stream_encoder}.h)" \
  "-I$flac_src/include" "" "$fd"/*.o
"$CC" "${ldflags[@]}" -o "$out/libFLAC.dll" "$fd"/*.o "$fd/libFLAC.def" -Wl,--out-implib,"$out/lib/libFLAC.dll.a"

step "headers and licenses"
cp "$ogg_src/include/ogg/ogg.h" "$ogg_src/include/ogg/os_types.h" "$out/include/ogg/"
cp "$vorbis_src/include/vorbis/codec.h" "$vorbis_src/include/vorbis/vorbisenc.h" \
   "$vorbis_src/include/vorbis/vorbisfile.h" "$out/include/vorbis/"
cp "$lame_src/include/lame.h" "$out/include/lame/"
cp "$flac_src"/include/FLAC/{all,assert,callback,export,format,metadata,ordinals,stream_decoder,stream_encoder}.h \
  "$out/include/FLAC/"
cp "$ld/BladeMP3EncDLL.h" "$out/include/"
cp "$ogg_src/COPYING" "$out/licenses/libogg-COPYING.txt"
cp "$vorbis_src/COPYING" "$out/licenses/libvorbis-COPYING.txt"
cp "$lame_src/COPYING" "$out/licenses/lame-COPYING.txt"
cp "$lame_src/LICENSE" "$out/licenses/lame-LICENSE.txt"
cp "$flac_src/COPYING.Xiph" "$out/licenses/flac-COPYING.Xiph.txt"
cp "$flac_src/COPYING.GPL" "$out/licenses/flac-COPYING.GPL.txt"
for p in libogg libvorbis lame flac; do
  echo "$p ${ver[$p]}"
done >"$out/licenses/debian-source-versions.txt"

# --- checks -------------------------------------------------------------------
step "checks"
exports_of() {
  "$OBJDUMP" -p "$1" | awk '/\[Ordinal\/Name Pointer\] Table/ {f = 1; next}
                            f && /^[[:space:]]*\[/ {print $NF; next}
                            f {f = 0}'
}
imports_of() { "$OBJDUMP" -p "$1" | awk '/DLL Name:/ {print $3}'; }
system_dll='^(kernel32|msvcrt|user32|advapi32|gdi32|shell32|ole32|oleaut32|winmm|ws2_32|bcrypt|ntdll)\.dll$'
want_format=$([ "$arch" = i686 ] && echo pei-i386 || echo pei-x86-64)
check() { # FILE "SIBLING IMPORTS" "REQUIRED EXPORTS"
  local f="$out/$1" i e fmt
  fmt=$("$OBJDUMP" -f "$f" | awk '/file format/ {print $NF}')
  [ "$fmt" = "$want_format" ] || fail "$1 is $fmt, not $want_format"
  for i in $(imports_of "$f"); do
    if echo "$i" | tr 'A-Z' 'a-z' | grep -qE "$system_dll"; then continue; fi
    case " $2 " in *" $i "*) continue ;; esac
    fail "$1 imports $i (only Windows system DLLs and ${2:-no sibling} are allowed)"
  done
  for i in $2; do imports_of "$f" | grep -qxF "$i" || fail "$1 does not import $i"; done
  exports_of "$f" >"$b/$1.exports"
  ! grep -q '@' "$b/$1.exports" || fail "$1 exports decorated names: $(grep '@' "$b/$1.exports" | tr '\n' ' ')"
  for e in $3; do grep -qxF "$e" "$b/$1.exports" || fail "$1 does not export $e"; done
  echo "$1: imports $(imports_of "$f" | tr '\n' ' '); $(wc -l <"$b/$1.exports") exports"
}
check ogg.dll "" "ogg_stream_init ogg_stream_packetin ogg_stream_pageout ogg_stream_flush
  ogg_stream_clear ogg_page_eos ogg_page_bos ogg_page_granulepos ogg_sync_init ogg_sync_pageout
  ogg_stream_iovecin ogg_stream_check ogg_sync_check oggpack_writeinit"
check vorbis.dll "ogg.dll" "vorbis_info_init vorbis_info_clear vorbis_comment_init vorbis_comment_add_tag
  vorbis_comment_clear vorbis_analysis_init vorbis_analysis_headerout vorbis_analysis_buffer
  vorbis_analysis_wrote vorbis_analysis_blockout vorbis_analysis vorbis_bitrate_addblock
  vorbis_bitrate_flushpacket vorbis_block_init vorbis_block_clear vorbis_dsp_clear
  vorbis_synthesis_init vorbis_synthesis vorbis_synthesis_pcmout vorbis_version_string"
check vorbisenc.dll "vorbis.dll" "vorbis_encode_init vorbis_encode_init_vbr vorbis_encode_ctl
  vorbis_encode_setup_managed vorbis_encode_setup_vbr vorbis_encode_setup_init"
check vorbisfile.dll "vorbis.dll ogg.dll" "ov_open_callbacks ov_test_callbacks ov_read ov_read_float
  ov_read_filter ov_time_seek ov_pcm_seek ov_clear ov_info ov_comment ov_pcm_total ov_time_total ov_fopen"
check lame_enc.dll "" "beInitStream beEncodeChunk beEncodeChunkFloatS16NI beDeinitStream beCloseStream
  beVersion beWriteVBRHeader beWriteInfoTag beFlushNoGap lame_init lame_close"
check MPGLib.DLL "" "_InitMP3 _decodeMP3 _ExitMP3"
[ "$(wc -l <"$b/MPGLib.DLL.exports")" -eq 3 ] || fail "MPGLib.DLL exports more than the classic entries"
check lame.exe "" ""
check libFLAC.dll "" "FLAC__stream_encoder_new FLAC__stream_encoder_delete FLAC__stream_encoder_set_channels
  FLAC__stream_encoder_set_bits_per_sample FLAC__stream_encoder_set_sample_rate
  FLAC__stream_encoder_set_compression_level FLAC__stream_encoder_set_metadata
  FLAC__stream_encoder_init_stream FLAC__stream_encoder_process_interleaved FLAC__stream_encoder_finish
  FLAC__stream_encoder_get_state FLAC__stream_decoder_new FLAC__stream_decoder_delete
  FLAC__stream_decoder_init_stream FLAC__stream_decoder_process_single
  FLAC__stream_decoder_process_until_end_of_metadata FLAC__stream_decoder_seek_absolute
  FLAC__stream_decoder_finish FLAC__stream_decoder_get_state FLAC__stream_decoder_flush
  FLAC__metadata_object_new FLAC__metadata_object_delete FLAC__metadata_object_seektable_template_append_spaced_points
  FLAC__metadata_object_seektable_template_sort FLAC__metadata_object_vorbiscomment_append_comment
  FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair"
check flac.exe "" ""
# No UI of their own: no library imports USER32.
for f in lame_enc.dll MPGLib.DLL libFLAC.dll; do
  ! imports_of "$out/$f" | grep -qix 'user32.dll' || fail "$f imports USER32.dll"
done
# Nothing in MPGLib.DLL's own code writes to a console or ends the process (the MinGW start-up
# code beside it keeps its own report of a failed relocation).
silent_fail=$("$NM" -u "$md"/*.o | awk '{print $NF}' | sed -E 's/^(__imp_)?_*//' | sort -u |
  grep -xE '((mingw_|ms_)?v?f?printf|puts|fputs|fputc|putc|putchar|fwrite|perror|w?assert|(acrt_)?iob_func|exit|abort|MessageBox[AW]|OutputDebugString[AW]|WriteConsole[AW]|WriteFile)' || true)
[ -z "$silent_fail" ] || fail "MPGLib.DLL's code calls $(echo "$silent_fail" | tr '\n' ' ')"
# Nor does libFLAC write to a console (its bit buffers' debugging dumps print only to a FILE the
# caller passes; nothing calls them).
flac_console=$("$OBJDUMP" -p "$out/libFLAC.dll" | awk '/DLL Name:/ {on = 1} on && NF >= 3 && $1 ~ /^[0-9a-f]+$/ {print $NF}' |
  grep -xE '(WriteConsole[AW]|GetStdHandle|AllocConsole|MessageBox[AW]|OutputDebugString[AW])' || true)
[ -z "$flac_console" ] || fail "libFLAC.dll imports $(echo "$flac_console" | tr '\n' ' ')"
grep -q ' vorbis_encode' "$b/vorbis.def" && fail "vorbis.def lists vorbisenc functions"

touch "$dir/.complete"
# Older builds of this arch are superseded.
for d in "$cache_root/codecs/$arch"/*; do
  if [ "$d" != "$dir" ] && [ "$d" != "$log" ]; then rm -rf "$d"; fi
done
mv "$log" "$dir/build.log"
log="$dir/build.log"
deliver "$dir"
say "codecs $arch: built into $dir, copied to $outdir"
