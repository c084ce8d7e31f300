#!/usr/bin/env bash
# Configures (first time) and builds the browser game and its site with the `web` preset.
set -euo pipefail
cd "$(dirname "$0")/../.."
for tool in emcc node; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run tools/install-deps.sh web" >&2; exit 1; }
done
# Debian's emcc needs its own node modules when the node on PATH is not Debian's.
export NODE_PATH=/usr/share/nodejs
[ -f build/web/CMakeCache.txt ] || cmake --preset web >/dev/null
cmake --build --preset web -j "${JOBS:-2}"
