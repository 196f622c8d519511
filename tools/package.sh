#!/usr/bin/env bash
# Makes the release package: dist/x86/ with a short install text, zipped.
#   package.sh DIST
set -euo pipefail
dist=$1
version=$(sed -n 's/^#define SONOTAPE_VERSION_TEXT "\(.*\)"/\1/p' \
  "$(dirname "${BASH_SOURCE[0]}")/../src/audio/VersionInfo.h")
cat >"$dist/x86/INSTALL.txt" <<TXT
Sonotape $version - audio recorder plug-in

1. Close the TV-viewer program.
2. Copy every .dll file of this package into the program's "Plugins" folder
   (Sonotape.dll and the codec libraries ogg.dll, vorbis.dll, vorbisenc.dll,
   vorbisfile.dll, lame_enc.dll, MPGLib.DLL and libFLAC.dll belong side by
   side).
3. Start the program and open "Sonotape" in its plug-in menu.

Without lame_enc.dll there is no MP3 recording, without MPGLib.DLL no MP3
playback; without ogg.dll, vorbis.dll and vorbisenc.dll no Ogg Vorbis
recording, without vorbisfile.dll (and ogg.dll and vorbis.dll) no Ogg Vorbis
playback; without libFLAC.dll no FLAC recording or playback. WAV recording and
playback always work.

Requires a processor with SSE2 (every x86 processor since 2004; Windows 8 and
later require it too).
TXT
zip_name="Sonotape-$version-x86.zip"
rm -f "$dist/$zip_name"
(cd "$dist/x86" && zip -q -X -r "../$zip_name" .)
echo "$dist/$zip_name: $(unzip -Z1 "$dist/$zip_name" | tr '\n' ' ')"
