# Shared by the Windows tests: where things are, a quiet Wine, and the cached Wine prefix.
# Source it; it sets ROOT, WIN_BIN, SHOTS and exports the Wine settings.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WIN_BIN="$ROOT/build/windows/bin"
SHOTS="$ROOT/build/windows-shots"
export WINEPREFIX="${KUERUMA_WINEPREFIX:-$ROOT/build/wineprefix}"
export WINEDEBUG=-all
# No .NET or HTML engine: a new prefix would otherwise ask to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
# No key auto-repeat (-r): on a loaded machine the release of a short tap can come later than
# the repeat delay, and the repeated press would move a menu cursor twice.
XVFB_ARGS=(-a -s "-screen 0 1024x768x24 -r")
# Bump when the prefix set-up below changes, so cached prefixes are made again.
PREFIX_VERSION=2

need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || {
      echo "missing $tool: run 'tools/install-deps.sh windows'" >&2
      exit 1
    }
  done
}

# The menu bar's font as a LOGFONTW: 12 pixels, normal weight, Shift-JIS, "MS Gothic", so the
# menu "ゲーム" is readable too (Wine's own menu font has no Japanese glyphs).
menu_font_hex() {
  local face
  face=$(printf "MS Gothic" | iconv -t UTF-16LE | od -An -tx1 | tr -d " \n")
  printf "f4ffffff000000000000000000000000900100000000008000000000%s" "$face"
  printf "%0*d" $((64 * 2 - ${#face})) 0
}

# Makes the prefix once and keeps it: booting a new one takes a while. The game asks for
# "MS Gothic" for its Japanese texts; IPAGothic stands in for it, or they come out as boxes.
ensure_prefix() {
  need wine wineserver xvfb-run fc-list
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [ -f "$WINEPREFIX/.kueruma-ready-$PREFIX_VERSION" ] && exit 0
    fc-list | grep IPAGothic >/dev/null || { echo "missing IPAGothic: install fonts-ipafont-gothic" >&2; exit 1; }
    rm -rf "$WINEPREFIX"
    echo "making the Wine prefix $WINEPREFIX (once)"
    xvfb-run "${XVFB_ARGS[@]}" bash -c '
      wineboot -i >/dev/null 2>&1
      wine reg add "HKCU\\Software\\Wine\\Fonts\\Replacements" /v "MS Gothic" /t REG_SZ /d IPAGothic /f >/dev/null 2>&1
      wine reg add "HKCU\\Control Panel\\Desktop\\WindowMetrics" /v MenuFont /t REG_BINARY /d "$1" /f >/dev/null 2>&1
      wineserver -w' _ "$(menu_font_hex)"
    wine reg query "HKCU\\Software\\Wine\\Fonts\\Replacements" /v "MS Gothic" 2>/dev/null | grep IPAGothic >/dev/null ||
      { echo "could not set up the Wine prefix" >&2; wineserver -k 2>/dev/null; exit 1; }
    wineserver -k 2>/dev/null || true
    touch "$WINEPREFIX/.kueruma-ready-$PREFIX_VERSION"
  ) 9>"$WINEPREFIX.lock"
}
