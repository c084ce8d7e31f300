#!/usr/bin/env bash
# Configures (first time) and builds the Windows program with the `windows` preset, and the
# native icon tool that draws its icon.
set -euo pipefail
. "$(dirname "$0")/wine_common.sh"
need x86_64-w64-mingw32-g++-win32 x86_64-w64-mingw32-windres
cd "$ROOT"
# The program's icon is drawn by the native icon tool (the cross build runs nothing it builds).
cmake --build --preset default -j "${JOBS:-2}" --target kueruma-icons >/dev/null 2>&1 || {
  cmake --preset default >/dev/null && cmake --build --preset default -j "${JOBS:-2}" --target kueruma-icons; }
icon_tool="$ROOT/build/default/bin/kueruma-icons"
grep -qs "KUERUMA_ICON_TOOL:FILEPATH=$icon_tool\$" build/windows/CMakeCache.txt ||
  cmake --preset windows -DKUERUMA_ICON_TOOL:FILEPATH="$icon_tool" >/dev/null
cmake --build --preset windows -j "${JOBS:-2}"
