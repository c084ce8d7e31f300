#!/usr/bin/env bash
# Configures (first time) and builds the browser game and its site with the `web` preset.
set -euo pipefail
cd "$(dirname "$0")/../.."
export NODE_PATH=/usr/share/nodejs
[ -f build/web/CMakeCache.txt ] || cmake --preset web >/dev/null
cmake --build --preset web -j "${JOBS:-2}"
