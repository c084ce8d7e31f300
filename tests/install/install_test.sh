#!/usr/bin/env bash
# The game as a Linux player gets it. The icon tool draws the figure at any size asked for and
# refuses a size it cannot draw.
# Usage: install_test.sh BIN_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "install: FAIL: $*" >&2
  exit 1
}

# --- the icons ------------------------------------------------------------------------------
mkdir "$work/icons"
"$bin/kueruma-icons" "$work/icons" 16 192 || fail "kueruma-icons 16 192 failed"
for size in 16 192; do
  icon=$work/icons/kueruma-$size.png
  [ "$(identify -format '%wx%h' "$icon")" = "${size}x$size" ] || fail "$icon is not ${size}x$size"
  # A light figure on black: the corners stay black, the middle third is partly lit.
  corners=$(convert "$icon" -crop 2x2+0+0 +repage -format '%[fx:maxima]' info:)
  middle=$(convert "$icon" -gravity center -crop 34%x34%+0+0 +repage -format '%[fx:maxima]' info:)
  [ "$corners" = 0 ] || fail "$icon: the corner is not black"
  awk "BEGIN { exit !($middle > 0.5) }" || fail "$icon: no figure in the middle"
done
for bad in 7 1025 12x ""; do
  status=0
  "$bin/kueruma-icons" "$work/icons" "$bad" 2>"$work/err" || status=$?
  [ $status -eq 2 ] && grep -q "size \"$bad\"" "$work/err" || fail "size '$bad' not refused: $status $(cat "$work/err")"
done
status=0
"$bin/kueruma-icons" "$work/none" 32 2>"$work/err" || status=$?
[ $status -eq 1 ] && grep -q "$work/none/kueruma-32.png" "$work/err" || fail "a missing folder not named: $(cat "$work/err")"

echo "install: every check passed"
