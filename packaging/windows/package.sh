#!/usr/bin/env bash
# Zips the Windows program for players: dist/kueruma-windows.zip holds one folder "kueruma"
# with kueruma.exe, the four sounds made by the host build and the read-me.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exe="$root/build/windows/bin/kueruma.exe"
sounds="$root/build/default/bin"
[ -f "$exe" ] || { echo "no $exe: run 'make windows-exe' first" >&2; exit 1; }
# The cues' names, from their one list.
mapfile -t cues < <(sed -n 's/^"\([^"]*\)",$/\1/p' "$root/src/seam/sound_files.def")
[ ${#cues[@]} -gt 0 ] || { echo "no sound names in $root/src/seam/sound_files.def" >&2; exit 1; }
for cue in "${cues[@]}"; do
  [ -f "$sounds/$cue" ] || { echo "no $sounds/$cue: run 'make build' first" >&2; exit 1; }
done

stage="$root/build/windows-package"
rm -rf "$stage"
mkdir -p "$stage/kueruma" "$root/dist"
cp "$exe" "${cues[@]/#/$sounds/}" "$stage/kueruma/"
# Windows line ends, so the read-me reads right in any editor there.
sed 's/$/\r/' "$(dirname "$0")/README.txt" >"$stage/kueruma/README.txt"
rm -f "$root/dist/kueruma-windows.zip"
(cd "$stage" && zip -q -r -X "$root/dist/kueruma-windows.zip" kueruma)
echo "dist/kueruma-windows.zip:"
unzip -l "$root/dist/kueruma-windows.zip" | sed -n '4,$p'
