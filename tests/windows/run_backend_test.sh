#!/usr/bin/env bash
# Runs the in-process checks of the Windows program under Wine.
set -euo pipefail
. "$(dirname "$0")/wine_common.sh"
ensure_prefix
cleanup() { wineserver -k 2>/dev/null || true; }
trap cleanup EXIT
cd "$WIN_BIN"
timeout 120 xvfb-run "${XVFB_ARGS[@]}" wine kueruma-backend-test.exe
