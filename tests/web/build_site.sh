#!/usr/bin/env bash
# Configures (first time) and builds the browser game and its site with the `web` preset, and
# the native icon tool that draws the page's icons.
set -euo pipefail
cd "$(dirname "$0")/../.."
for tool in emcc node; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run tools/install-deps.sh web" >&2; exit 1; }
done
# Debian's emcc needs its own node modules when the node on PATH is not Debian's.
export NODE_PATH=/usr/share/nodejs
# The page's icons are drawn by the native icon tool (the browser build writes no pictures).
# (A build folder configured before the tool existed is configured again.)
cmake --build --preset default -j "${JOBS:-2}" --target kueruma-icons 2>/dev/null || {
  cmake --preset default >/dev/null && cmake --build --preset default -j "${JOBS:-2}" --target kueruma-icons; }
icon_tool="$PWD/build/default/bin/kueruma-icons"
grep -qs "KUERUMA_ICON_TOOL:FILEPATH=$icon_tool\$" build/web/CMakeCache.txt ||
  cmake --preset web -DKUERUMA_ICON_TOOL:FILEPATH="$icon_tool" >/dev/null
cmake --build --preset web -j "${JOBS:-2}"
