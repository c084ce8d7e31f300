#!/usr/bin/env bash
# Runs the in-process checks of the Windows program under Wine.
set -euo pipefail
. "$(dirname "$0")/wine_common.sh"
ensure_prefix
cleanup() { wineserver -k 2>/dev/null || true; }
trap cleanup EXIT
cd "$WIN_BIN"
# Wine is ended while its display still exists, so nothing complains about a lost X server.
timeout 120 xvfb-run "${XVFB_ARGS[@]}" bash -c \
  'status=0; wine kueruma-backend-test.exe || status=$?; wineserver -k 2>/dev/null; exit $status'
