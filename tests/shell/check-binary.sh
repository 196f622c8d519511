#!/usr/bin/env bash
# Checks a Windows binary's tables with objdump.
#   check-binary.sh OBJDUMP exports DLL DEF   the DLL exports exactly the names of the .def, undecorated
#   check-binary.sh OBJDUMP imports FILE...   each file imports only Windows system DLLs or our codec DLLs
set -euo pipefail
objdump=$1 mode=$2
shift 2

exported_names() {
  "$objdump" -p "$1" | awk '/\[Ordinal\/Name Pointer\] Table/ {t=1; next} t && /^[ \t]*\[ *[0-9]+\]/ {print $NF; next} t && NF==0 {t=0}'
}

def_names() {
  awk 'f && NF {print $1} /^EXPORTS/ {f=1}' "$1" | tr -d '\r'
}

imported_dlls() {
  "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'
}

allowed_import() {
  case "${1,,}" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|ole32.dll|oleaut32.dll|msvcrt.dll) return 0 ;;
    comctl32.dll|comdlg32.dll|version.dll|shlwapi.dll|winmm.dll|uxtheme.dll|ksuser.dll|msacm32.dll) return 0 ;;
    ogg.dll|vorbis.dll|vorbisenc.dll|vorbisfile.dll|lame_enc.dll) return 0 ;;
    *) return 1 ;;
  esac
}

case "$mode" in
  exports)
    dll=$1 def=$2
    got=$(exported_names "$dll" | sort)
    want=$(def_names "$def" | sort)
    if [ "$got" != "$want" ]; then
      echo "exports of $dll differ from $def:"
      diff <(echo "$want") <(echo "$got") || true
      exit 1
    fi
    if grep -qE '[@]|^_' <<<"$got"; then
      echo "decorated export names in $dll:"; echo "$got"; exit 1
    fi
    echo "$(wc -l <<<"$got") exports, undecorated: $(tr '\n' ' ' <<<"$got")"
    ;;
  imports)
    bad=0
    for file in "$@"; do
      dlls=$(imported_dlls "$file")
      [ -n "$dlls" ] || { echo "$file: no import table found"; bad=1; continue; }
      while read -r dll; do
        allowed_import "$dll" || { echo "$file imports $dll"; bad=1; }
      done <<<"$dlls"
      echo "$(basename "$file"): $(tr '\n' ' ' <<<"$dlls")"
    done
    exit $bad
    ;;
  *) echo "unknown mode $mode"; exit 2 ;;
esac
