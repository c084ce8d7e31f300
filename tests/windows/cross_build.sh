#!/usr/bin/env bash
# Configures (first time) and builds the Windows program with the `windows` preset.
set -euo pipefail
. "$(dirname "$0")/wine_common.sh"
need x86_64-w64-mingw32-g++-win32 x86_64-w64-mingw32-windres
cd "$ROOT"
[ -f build/windows/CMakeCache.txt ] || cmake --preset windows >/dev/null
cmake --build --preset windows -j "${JOBS:-2}"
