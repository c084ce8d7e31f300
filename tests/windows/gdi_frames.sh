#!/usr/bin/env bash
# Plays every recorded replay, and a run through the menus, the keypad and a cleared stage,
# once with the Windows program's GDI canvas under Wine and once with the raster canvas, and
# compares every frame (each paint's end and each pause inside a paint) pixel for pixel outside
# text. On a difference the first differing frame is pictured in build/windows-frames/.
# Usage: gdi_frames.sh [KUERUMA_GDI_COMPARE]
set -euo pipefail
. "$(dirname "$0")/wine_common.sh"
compare=${1:-$ROOT/build/default/bin/kueruma-gdi-compare}
ensure_prefix
cleanup() { wineserver -k 2>/dev/null || true; }
trap cleanup EXIT

cd "$ROOT"
out=build/windows-frames
rm -rf "$out"
mkdir -p "$out"
# The seventh stage's replay hits blocks (the hit flash), clears the stage (its animation)
# and crosses the goal (the tether); around it the title, the keypad and the result screen.
run="$out/menus-and-stage-6.txt"
cat tests/windows/frames/to-stage-6.txt replays/stage-6.txt tests/windows/frames/from-result.txt >"$run"
runs=()
for replay in replays/stage-*.txt; do
  stage=${replay#replays/stage-}
  runs+=(--stage "${stage%.txt}" "$replay")
done
runs+=("$run")

start=$SECONDS
status=0
timeout 240 wine "$WIN_BIN/kueruma-gdi-frames.exe" --stream "${runs[@]}" 2>"$out/wine.log" |
  "$compare" --diff "$out" "${runs[@]}" | tee "$out/summary.txt" || status=$?
echo "     took $((SECONDS - start))s"
if [ "$status" -ne 0 ]; then
  sed 's/^/     wine: /' "$out/wine.log" | tail -20 >&2
  exit 1
fi
# The run must still reach the clear animation: 25 strokes and the hold, each a pause.
pauses=$(sed -n "s|^run [0-9]* ($run): [0-9]* frames, \([0-9]*\) at pauses.*|\1|p" "$out/summary.txt")
if [ "${pauses:-0}" -lt 26 ]; then
  echo "FAIL $run shows ${pauses:-no} frames at pauses inside a paint; a cleared stage shows 26" >&2
  exit 1
fi
