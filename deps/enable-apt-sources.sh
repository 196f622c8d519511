#!/usr/bin/env bash
# Enables Debian source packages (deb-src) for apt, derived at run time from
# this machine's existing binary apt sources, then refreshes the package lists.
#
#   deps/enable-apt-sources.sh [--update]
#
# Reads the deb822 files /etc/apt/sources.list.d/*.sources and the one-line
# files /etc/apt/sources.list and /etc/apt/sources.list.d/*.list. Every enabled
# "deb" entry of this Debian release (its suites are the codename of
# /etc/os-release or codename-something) gets a matching "deb-src" entry in
#   /etc/apt/sources.list.d/sonotape-src.sources  (from deb822 stanzas)
#   /etc/apt/sources.list.d/sonotape-src.list     (from one-line entries)
# Entries that already have deb-src are left alone. Idempotent: apt-get update
# runs only when those files changed, when no source index has been fetched
# yet, or when --update is given. Needs root. (SONOTAPE_APT_ETC=DIR reads and
# writes DIR instead of /etc/apt, for trying the derivation out.)
set -euo pipefail

force_update=0
case "${1:-}" in
  --update) force_update=1 ;;
  "") ;;
  *) echo "usage: $0 [--update]" >&2; exit 2 ;;
esac

if [ "$(id -u)" -ne 0 ]; then
  echo "enable-apt-sources.sh: must run as root" >&2
  exit 1
fi

etc_apt=${SONOTAPE_APT_ETC:-/etc/apt}
codename=$( . /etc/os-release && echo "${VERSION_CODENAME:-}" )
if [ -z "$codename" ]; then
  echo "enable-apt-sources.sh: no VERSION_CODENAME in /etc/os-release" >&2
  exit 1
fi

out822="$etc_apt/sources.list.d/sonotape-src.sources"
outlist="$etc_apt/sources.list.d/sonotape-src.list"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# deb822 stanzas -> deb-src stanzas
: >"$tmp/src.sources"
for f in "$etc_apt"/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  [ "$f" = "$out822" ] && continue
  awk -v codename="$codename" -v file="$f" '
    BEGIN { RS = ""; FS = "\n" }
    {
      types = ""; suites = ""; enabled = "yes"; body = ""; cur = ""
      for (i = 1; i <= NF; i++) {
        line = $i
        if (line ~ /^[ \t]*#/) continue
        if (line ~ /^[ \t]/) {              # continuation of the field before
          if (cur != "types") body = body line "\n"
          continue
        }
        split(line, kv, ":")
        key = tolower(kv[1]); sub(/^[ \t]+|[ \t]+$/, "", key)
        val = substr(line, index(line, ":") + 1); gsub(/^[ \t]+|[ \t]+$/, "", val)
        cur = key
        if (key == "types") { types = val; continue }
        if (key == "suites") suites = val
        if (key == "enabled") enabled = tolower(val)
        body = body line "\n"
      }
      if (enabled == "no" || enabled == "false") next
      nt = split(types, t, /[ \t]+/); hasdeb = 0; hassrc = 0
      for (j = 1; j <= nt; j++) { if (t[j] == "deb") hasdeb = 1; if (t[j] == "deb-src") hassrc = 1 }
      if (!hasdeb || hassrc) next
      ns = split(suites, s, /[ \t]+/); ours = 0
      for (j = 1; j <= ns; j++)
        if (s[j] == codename || index(s[j], codename "-") == 1 || index(s[j], codename "/") == 1) ours = 1
      if (!ours) next
      printf "# derived from %s\nTypes: deb-src\n%s\n", file, body
    }' "$f" >>"$tmp/src.sources"
done

# one-line entries -> deb-src lines
: >"$tmp/src.list"
for f in "$etc_apt"/sources.list "$etc_apt"/sources.list.d/*.list; do
  [ -f "$f" ] || continue
  [ "$f" = "$outlist" ] && continue
  cat "$f"
done | awk -v codename="$codename" '
  { sub(/#.*/, ""); gsub(/^[ \t]+|[ \t]+$/, "") }
  $1 == "deb-src" { have[$0] = 1; next }
  $1 == "deb" {
    line = $0
    rest = line; sub(/^deb[ \t]+/, "", rest)
    opts = ""
    if (rest ~ /^\[/) { opts = substr(rest, 1, index(rest, "]")); rest = substr(rest, index(rest, "]") + 1); sub(/^[ \t]+/, "", rest) }
    split(rest, w, /[ \t]+/); suite = w[2]
    if (suite == codename || index(suite, codename "-") == 1 || index(suite, codename "/") == 1) {
      src = "deb-src " (opts != "" ? opts " " : "") rest
      want[++n] = src
    }
  }
  END { for (i = 1; i <= n; i++) if (!(want[i] in have) && !(want[i] in done)) { print want[i]; done[want[i]] = 1 } }
' >"$tmp/src.list"

changed=0
install_or_remove() { # generated target
  if [ -s "$1" ]; then
    { echo "# Written by Sonotape deps/enable-apt-sources.sh; regenerated on each run."; cat "$1"; } >"$1.new"
    if ! cmp -s "$1.new" "$2"; then install -m 0644 "$1.new" "$2"; changed=1; fi
  elif [ -e "$2" ]; then
    rm -f "$2"; changed=1
  fi
}
install_or_remove "$tmp/src.sources" "$out822"
install_or_remove "$tmp/src.list" "$outlist"

if [ ! -e "$out822" ] && [ ! -e "$outlist" ] &&
   ! grep -rqsE '^[[:space:]]*(deb-src|Types:.*deb-src)' "$etc_apt"/sources.list "$etc_apt"/sources.list.d/; then
  echo "enable-apt-sources.sh: found no enabled deb entry for '$codename' to derive deb-src entries from" >&2
  exit 1
fi

have_index=0
compgen -G "/var/lib/apt/lists/*_Sources*" >/dev/null && have_index=1
if [ "$changed" -eq 1 ] || [ "$have_index" -eq 0 ] || [ "$force_update" -eq 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
fi
