#!/usr/bin/env bash
# Installs the Debian packages a make target needs, only those that are missing.
# Usage: tools/install-deps.sh GROUP...   (groups: build, desktop, e2e, windows, web, bench,
#                                          package)
set -euo pipefail

packages_for() {
  case "$1" in
    # `make test` runs the desktop end-to-end test too, so the build group brings its tools.
    build) echo "cmake g++ clang make pkg-config libpng-dev libgif-dev libgtest-dev libgmock-dev libsdl2-dev libasound2-dev libtomlplusplus-dev xvfb xauth xfonts-base xdotool imagemagick x11-utils libx11-dev" ;;
    desktop) echo "libsdl2-dev libasound2-dev libtomlplusplus-dev" ;;
    e2e) echo "xvfb xauth xdotool imagemagick x11-utils libx11-dev" ;;
    windows) echo "g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 wine wine64 fonts-wine fonts-ipafont-gothic fontconfig xvfb xauth xdotool imagemagick zip evilwm" ;;
    # The browser game: Emscripten builds it, Chromium plays it headless, node drives Chromium.
    # Some machines carry a node with its own npm (not Debian's): Debian's npm only when none.
    web) echo "cmake make python3 emscripten chromium nodejs"; command -v npm >/dev/null || echo npm ;;
    bench) echo "libbenchmark-dev" ;;
    # The Debian package and the checks of what it installs: menu entry, metainfo, manual pages.
    package) echo "dpkg-dev fakeroot file lintian desktop-file-utils appstream man-db" ;;
    *) echo "unknown package group: $1" >&2; exit 2 ;;
  esac
}

wanted=()
for group in "$@"; do
  for p in $(packages_for "$group"); do wanted+=("$p"); done
done
missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo_cmd=(); elif command -v sudo >/dev/null; then sudo_cmd=(sudo); else
  echo "missing Debian packages: ${missing[*]} (run as root or install them)" >&2; exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
# With their recommends, as on the machines the tests were proven on (Xvfb wants its fonts).
"${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
