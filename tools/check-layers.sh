#!/usr/bin/env bash
# Checks the direction of dependency between the folders of src/: each folder is one layer, and a
# file includes only its own folder and the folders its layer lists below. The table is the one
# place where the layers and their allowed directions are written down.
#
#   check-layers.sh [SRC]      SRC defaults to the project's src/; exits 1 on any fault found
set -euo pipefail

# Bottom to top. A layer may include only layers above it in this table, and only those it names.
layers=(
  "graph:"
  "audio:"
  "baseclasses: graph"
  "codecs: audio"
  "host: audio"
  "ui:"
  "recorder: host ui codecs baseclasses audio graph"
  "settings: ui codecs audio graph"
  "player: ui codecs audio graph"
  "window: recorder settings player host ui codecs baseclasses audio graph"
  "shell: window recorder settings player host ui codecs baseclasses audio graph"
)

src=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../src" && pwd)}
faults=0
fault() {
  echo "check-layers: $*" >&2
  faults=$((faults + 1))
}

declare -A allowed=() rank=()
for i in "${!layers[@]}"; do
  name=${layers[$i]%%:*}
  rank[$name]=$i
  allowed[$name]=" ${layers[$i]#*:} "
  for lower in ${layers[$i]#*:}; do
    [ -n "${rank[$lower]:-}" ] || fault "the table lets $name include $lower, which is not below it"
  done
done

for dir in "$src"/*/; do
  folder=$(basename "$dir")
  [ -n "${rank[$folder]:-}" ] || { fault "src/$folder is in no layer"; continue; }
  while IFS= read -r file; do
    while IFS=: read -r line target; do
      case $target in
        */*)
          to=${target%%/*}
          [ "$to" = "$folder" ] && continue
          if [ -z "${rank[$to]:-}" ]; then
            fault "${file#"$src"/}:$line includes $target, of no layer"
          elif [[ ${allowed[$folder]} != *" $to "* ]]; then
            fault "${file#"$src"/}:$line includes $target: $folder must not include $to"
          fi
          ;;
        *)
          [ -e "$dir/$target" ] || fault "${file#"$src"/}:$line includes $target without its folder"
          ;;
      esac
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" | sed -E 's/^([0-9]+):.*"([^"]+)".*/\1:\2/')
  done < <(find "$dir" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \))
done

if [ "$faults" -gt 0 ]; then
  echo "check-layers: $faults fault(s) in $src" >&2
  exit 1
fi
echo "check-layers: ${#layers[@]} layers, every include of $src goes downward"
