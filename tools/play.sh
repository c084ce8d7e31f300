#!/usr/bin/env bash
# Starts the game from the folder that holds its sounds. Without a desktop backend or a
# display it plays a short headless demo instead and says where its frames are.
set -euo pipefail
headless=0
if [ "${1:-}" = "--headless" ]; then headless=1; shift; fi
bin=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $headless -eq 0 ] && [ -x "$bin/kueruma" ]; then
  # macOS needs no display variable; elsewhere SDL needs an X or Wayland display.
  if [ "$(uname -s)" != Darwin ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "kueruma: no display to open a window on (neither DISPLAY nor WAYLAND_DISPLAY is set); try 'make demo' for a headless run that writes PNG frames" >&2
    exit 1
  fi
  cd "$bin" && exec ./kueruma
fi
out="$root/build/demo-frames"
rm -rf "$out" && mkdir -p "$out"
cd "$bin"
./kueruma-replay --png "$out" "$root/res/demo.txt" >/dev/null
echo "headless demo done: $(ls "$out" | wc -l) frames in $out"
