#!/usr/bin/env bash
# The Windows test bench: Wine 10 in WoW64 mode, which runs the x86_64 and the i686 builds alike,
# in a Debian 13 root (tools/wow64-root.sh makes it once); a private Wine prefix, an Xvfb display
# of its own, ALSA on a sink that takes sound at the real rate, and a kept-alive wineserver.
#
#   winebench.sh up     bring the bench up (idempotent) and write BENCH/env
#   winebench.sh down   stop the display and the wineserver and undo the bench's mounts
#   winebench.sh env    print the environment file's path (after up)
#
# BENCH is $SONOTAPE_BENCH, by default build/wine in the source tree. The root sees this machine's
# /proc, /sys, /dev and /tmp (the display's socket), and the source tree at its own path, so Wine's
# Z: paths are the same inside and out; mounts made below the tree (a test's small disk) reach the
# root too. Every mount is listed in BENCH/mounts and undone by down, also after a failed up.
# Nothing outside the bench folder and the root is written. Needs root.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench=${SONOTAPE_BENCH:-$repo/build/wine}
prefix=$bench/prefix
envfile=$bench/env
mounts=$bench/mounts
system_mounts=(proc sys dev tmp)

bench_environment() {
  cat <<ENV
export SONOTAPE_WINE_ROOT='$1'
export WINEPREFIX='$prefix'
export WINEDEBUG=-all
export WINEDLLOVERRIDES='winemenubuilder.exe,mscoree,mshtml=d'
export ALSA_CONFIG_PATH='$bench/asound.conf'
export SONOTAPE_PACED_SINK='$bench/paced-sink.so'
export XDG_CACHE_HOME='$bench/cache'
export XDG_CONFIG_HOME='$bench/config'
export XDG_DATA_HOME='$bench/data'
export GST_REGISTRY='$bench/cache/gstreamer-registry.bin'
export DISPLAY=':$2'
ENV
}

# in_root PROGRAM ARGS...: runs a program of the root, in the caller's folder where the root has it.
in_root() {
  chroot "$SONOTAPE_WINE_ROOT" /bin/sh -c 'cd "$0" 2>/dev/null || cd /; exec "$@"' "$PWD" "$@"
}

display_alive() {
  [ -f "$bench/xvfb.pid" ] && kill -0 "$(cat "$bench/xvfb.pid")" 2>/dev/null
}

start_display() {
  local n
  for n in $(seq 90 199); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1600x1200x24 -nolisten tcp >"$bench/xvfb.log" 2>&1 &
    echo $! >"$bench/xvfb.pid"
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && { echo "$n" >"$bench/display"; return 0; }
      kill -0 "$(cat "$bench/xvfb.pid")" 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "winebench: cannot start Xvfb" >&2
  return 1
}

build_paced_sink() {
  local source=$repo/tools/paced-sink.c
  [ "$bench/paced-sink.so" -nt "$source" ] && return 0
  cc -std=c11 -DPIC -O2 -Wall -Wextra -Werror -shared -fPIC -o "$bench/paced-sink.so" "$source" -lasound
}

write_alsa_config() {
  cat >"$bench/asound.conf" <<ALSA
pcm_type.paced { lib "$bench/paced-sink.so" }
pcm.sink { type paced }
pcm.!default { type plug slave.pcm "sink" }
ctl.!default { type null }
ALSA
}

# mount_once TARGET ARGS...: mounts unless TARGET is a mount point already, and lists it.
mount_once() {
  local target=$1
  shift
  mountpoint -q "$target" && return 0
  mkdir -p "$target"
  echo "$target" >>"$mounts"
  mount "$@" "$target"
  mount --make-rprivate "$target"
}

mount_root() {
  local root=$1
  mount_once "$root/proc" -t proc proc
  mount_once "$root/sys" --rbind /sys
  mount_once "$root/dev" --rbind /dev
  mount_once "$root/tmp" --rbind /tmp
  grep -qxF "$root$repo" "$mounts" 2>/dev/null && return 0
  # The tree becomes a shared mount of its own, and the root's view of it a peer: a file system
  # mounted below either later is seen by both.
  if ! mountpoint -q "$repo"; then
    echo "$repo" >>"$mounts"
    mount --bind "$repo" "$repo"
  fi
  mount --make-shared "$repo"
  mkdir -p "$root$repo"
  echo "$root$repo" >>"$mounts"
  mount --bind "$repo" "$root$repo"
}

# Other benches' trees still in the root keep its system mounts.
other_trees_in_root() {
  local root=$1 m
  m=$(awk -v root="$root/" 'index($2, root) == 1 { print $2 }' /proc/self/mounts |
        grep -vE "^$root/($(IFS='|'; echo "${system_mounts[*]}"))(/|$)" || true)
  [ -n "$m" ]
}

unmount() {
  mountpoint -q "$1" || return 0
  umount -R "$1" 2>/dev/null || umount -R -l "$1"
}

unmount_all() {
  [ -f "$mounts" ] || return 0
  local root target
  root=$(sed -n 1p "$bench/root" 2>/dev/null || true)
  local system=" ${system_mounts[*]/#/$root/} "
  tac "$mounts" | while read -r target; do
    [[ $system == *" $target "* ]] || unmount "$target"
  done
  if [ -n "$root" ] && ! other_trees_in_root "$root"; then
    for target in "${system_mounts[@]}"; do unmount "$root/$target"; done
  fi
  rm -f "$mounts"
}

create_prefix() {
  [ -f "$prefix/system.reg" ] && return 0
  echo "winebench: creating the Wine prefix (once)"
  rm -rf "$prefix"
  in_root /usr/lib/wine/wine64 wineboot --init >"$bench/wineboot.log" 2>&1 ||
    { cat "$bench/wineboot.log" >&2; return 1; }
  # A crashing test must end, not wait on the crash dialog.
  in_root /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # The display has no window manager: Wine draws the window frames itself, as Windows does.
  in_root /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
  in_root /usr/lib/wine/wineserver -w
}

# Wine's own fonts (Tahoma, Marlett for the caption buttons, ...) from the root's fonts-wine, in
# the prefix's font folder, where every Wine finds them.
install_wine_fonts() {
  local fonts=$prefix/drive_c/windows/Fonts font
  mkdir -p "$fonts"
  for font in "$SONOTAPE_WINE_ROOT"/usr/share/wine/fonts/*.ttf; do
    [ -e "$font" ] || continue
    cmp -s "$font" "$fonts/${font##*/}" || cp "$font" "$fonts/"
  done
}

up() {
  [ "$(id -u)" -eq 0 ] || { echo "winebench: must run as root (it mounts and enters a root)" >&2; return 1; }
  local root
  root=$(bash "$repo/tools/wow64-root.sh")
  mkdir -p "$bench/cache" "$bench/config" "$bench/data"
  echo "$root" >"$bench/root"
  build_paced_sink
  write_alsa_config
  mount_root "$root"
  display_alive || start_display
  bench_environment "$root" "$(cat "$bench/display")" >"$envfile"
  # shellcheck disable=SC1090
  source "$envfile"
  create_prefix
  install_wine_fonts
  # Persistent: each test process starts in a fraction of a second. Detached from our output.
  in_root /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || true  # already running: it stays
  # Start Wine's own services now, so that the first test does not race them.
  in_root /usr/lib/wine/wine64 cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}

down() {
  if [ -f "$envfile" ]; then
    # shellcheck disable=SC1090
    source "$envfile"
    in_root /usr/lib/wine/wineserver -k 2>/dev/null || true
    in_root /usr/lib/wine/wineserver -w 2>/dev/null || true
    rm -f "$envfile"
  fi
  if display_alive; then
    kill "$(cat "$bench/xvfb.pid")" 2>/dev/null || true
  fi
  rm -f "$bench/xvfb.pid" "$bench/display"
  unmount_all
}

case "${1:-}" in
  up) up ;;
  down) down ;;
  env) echo "$envfile" ;;
  *) echo "usage: winebench.sh up|down|env" >&2; exit 2 ;;
esac
