#!/usr/bin/env bash
# The Windows test bench: a private Wine prefix, an Xvfb display of its own, ALSA on a null
# sink and a kept-alive wineserver. Nothing outside the bench folder is written.
#
#   winebench.sh up     bring the bench up (idempotent) and write BENCH/env
#   winebench.sh down   stop the display and the wineserver
#   winebench.sh env    print the environment file's path (after up)
#
# BENCH is $SONOTAPE_BENCH, by default build/wine in the source tree.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench=${SONOTAPE_BENCH:-$repo/build/wine}
prefix=$bench/prefix
envfile=$bench/env
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

bench_environment() {
  cat <<ENV
export WINEPREFIX='$prefix'
export WINEDEBUG=-all
export WINEDLLOVERRIDES='winemenubuilder.exe,mscoree,mshtml=d'
export ALSA_CONFIG_PATH='$bench/asound.conf'
export XDG_CACHE_HOME='$bench/cache'
export XDG_CONFIG_HOME='$bench/config'
export XDG_DATA_HOME='$bench/data'
export GST_REGISTRY='$bench/cache/gstreamer-registry.bin'
export DISPLAY=':$1'
ENV
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

write_alsa_config() {
  cat >"$bench/asound.conf" <<'ALSA'
pcm.!default { type null }
ctl.!default { type null }
ALSA
}

create_prefix() {
  [ -f "$prefix/system.reg" ] && return 0
  echo "winebench: creating the Wine prefix (once)"
  rm -rf "$prefix"
  "$wine" wineboot --init >"$bench/wineboot.log" 2>&1 || { cat "$bench/wineboot.log" >&2; return 1; }
  # A crashing test must end, not wait on the crash dialog.
  "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # The display has no window manager: Wine draws the window frames itself, as Windows does.
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
  "$wineserver" -w
}

# Wine's own fonts (Tahoma, Marlett for the caption buttons, ...) from Debian's fonts-wine, in
# the prefix's font folder: this Wine looks for them under a path it cannot open.
install_wine_fonts() {
  local fonts=$prefix/drive_c/windows/Fonts font
  mkdir -p "$fonts"
  for font in /usr/share/wine/fonts/*.ttf; do
    [ -e "$font" ] || continue
    cmp -s "$font" "$fonts/${font##*/}" || cp "$font" "$fonts/"
  done
}

up() {
  mkdir -p "$bench/cache" "$bench/config" "$bench/data"
  write_alsa_config
  display_alive || start_display
  bench_environment "$(cat "$bench/display")" >"$envfile"
  # shellcheck disable=SC1090
  source "$envfile"
  create_prefix
  install_wine_fonts
  # Persistent: each test process starts in a fraction of a second. Detached from our output.
  "$wineserver" -p </dev/null >/dev/null 2>&1 || true  # already running: it stays as it is
  # Start Wine's own services now, so that the first test does not race them.
  "$wine" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}

down() {
  if [ -f "$envfile" ]; then
    # shellcheck disable=SC1090
    source "$envfile"
    "$wineserver" -k 2>/dev/null || true
    rm -f "$envfile"
  fi
  if display_alive; then
    kill "$(cat "$bench/xvfb.pid")" 2>/dev/null || true
  fi
  rm -f "$bench/xvfb.pid" "$bench/display"
}

case "${1:-}" in
  up) up ;;
  down) down ;;
  env) echo "$envfile" ;;
  *) echo "usage: winebench.sh up|down|env" >&2; exit 2 ;;
esac
