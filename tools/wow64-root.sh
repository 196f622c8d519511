#!/usr/bin/env bash
# Makes the Windows test bench's root once and prints its path: a Debian 13 file system with
# Wine 10 in WoW64 mode (its 64-bit packages together with the 32-bit Windows DLLs of its i386
# package), GStreamer's base and good plug-ins for Wine's parsers, and Wine's own fonts.
#
#   wow64-root.sh        make the root if needed; print its path
#
# The root is kept under ${SONOTAPE_CACHE:-/var/cache/sonotape}/wow64/KEY/root, where KEY is a
# hash of this script; it is made again only when this script changes, and superseded roots go.
# Packages come from the mirror of this machine's own apt sources. Needs root.
set -euo pipefail

suite=trixie
packages=(
  wine64 libwine fonts-wine
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  libasound2t64 libx11-6 libxext6 libxrender1 libxrandr2 libxi6 libxcursor1 libxinerama1
  libxcomposite1 libxfixes3 libfreetype6 libfontconfig1 libgnutls30t64
)

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cache=${SONOTAPE_CACHE:-/var/cache/sonotape}/wow64
key=$(sha256sum "$here/wow64-root.sh" | cut -c1-12)
dir=$cache/$key
root=$dir/root
die() { echo "wow64-root.sh: $*" >&2; exit 1; }

if [ -f "$dir/.complete" ]; then
  echo "$root"
  exit 0
fi
[ "$(id -u)" -eq 0 ] || die "must run as root (it makes a Debian root with debootstrap)"

# The first Debian mirror of this machine's apt sources (deb822 or one-line), not its security one.
host_mirror() {
  {
    awk 'BEGIN { RS = ""; FS = "\n" } {
           uri = ""; suites = ""
           for (i = 1; i <= NF; i++) {
             if ($i ~ /^URIs:/) { uri = $i; sub(/^URIs:[ \t]*/, "", uri); sub(/[ \t].*/, "", uri) }
             if ($i ~ /^Suites:/) suites = $i
           }
           if (uri != "" && suites !~ /security/) print uri
         }' /etc/apt/sources.list.d/*.sources 2>/dev/null || true
    awk '$1 == "deb" && $0 !~ /security/ { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; break } }' \
      /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true
  } | head -n 1
}

command -v debootstrap >/dev/null || {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
}
mirror=$(host_mirror)
[ -n "$mirror" ] || die "found no Debian mirror in this machine's apt sources"

echo "wow64-root.sh: making the bench's Debian 13 root with Wine 10 (once; about two minutes)" >&2
rm -rf "$dir"
mkdir -p "$dir"
log=$dir/make.log

# Everything runs in a mount namespace of its own: whatever it mounts goes with it, also on failure.
if ! unshare --mount --propagation private bash -euo pipefail -c '
  root=$1 mirror=$2 suite=$3
  shift 3
  debootstrap --variant=minbase "$suite" "$root" "$mirror"
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
  in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
  in_root apt-get update -qq
  in_root apt-get install -y -qq --no-install-recommends "$@"
  # The 32-bit Windows DLLs of the i386 package, beside the 64-bit ones, where WoW64 looks.
  in_root dpkg --add-architecture i386
  in_root apt-get update -qq
  in_root sh -c "cd /tmp && apt-get download -qq libwine:i386 && dpkg-deb -x libwine_*_i386.deb /tmp/libwine32"
  cp -a "$root/tmp/libwine32/usr/lib/i386-linux-gnu/wine/i386-windows" "$root/usr/lib/x86_64-linux-gnu/wine/"
  rm -rf "$root"/tmp/libwine*
  in_root dpkg --remove-architecture i386 2>/dev/null || true
  in_root apt-get clean
  rm -rf "$root"/var/lib/apt/lists/*
' make-root "$root" "$mirror" "$suite" "${packages[@]}" >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  die "making the root failed (log: $log)"
fi

for f in x86_64-windows/wow64.dll x86_64-windows/kernel32.dll i386-windows/kernel32.dll i386-windows/quartz.dll; do
  [ -f "$root/usr/lib/x86_64-linux-gnu/wine/$f" ] || die "the root lacks Wine's $f (log: $log)"
done
[ -x "$root/usr/lib/wine/wine64" ] || die "the root lacks /usr/lib/wine/wine64 (log: $log)"
touch "$dir/.complete"
# Superseded roots: no bench mounts are left in them once their bench is down.
for old in "$cache"/*/; do
  old=${old%/}
  [ "$old" = "$dir" ] && continue
  grep -qF " $old/" /proc/self/mounts || rm -rf "$old"
done
echo "$root"
