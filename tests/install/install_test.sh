#!/usr/bin/env bash
# The game as a Linux player gets it. The icon tool draws the figure at any size asked for and
# refuses a size it cannot draw. The Debian package holds exactly the programs, cues, menu
# entry, icons, metainfo, manual pages and documents (and make install the same under any
# prefix), with the libraries it needs found for it;
# unpacked into a fresh root, its runner replays a recorded stage to its score, every program
# reports the build's version, each manual page names exactly the options of its program's
# --help (and the Windows read-me the game's), and its game, started from another folder, finds its cues in share/kueruma and shows
# the title. lintian, desktop-file-validate, appstreamcli and man check what they know, when
# they are installed (make test installs them).
# Usage: install_test.sh BIN_DIR BUILD_DIR SOURCE_DIR VERSION [CLOSE_HELPER]
set -euo pipefail
bin=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
source=$(cd "$3" && pwd)
version=$4
close_helper=${5:-}
app=io.github.kueruma.Kueruma
# shellcheck source=../scratch.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scratch.sh"

fail() {
  echo "install: FAIL: $*" >&2
  exit 1
}
have() { command -v "$1" >/dev/null; }

# --- the icons ------------------------------------------------------------------------------
mkdir "$work/icons"
"$bin/kueruma-icons" "$work/icons" 16 192 || fail "kueruma-icons 16 192 failed"
for size in 16 192; do
  icon=$work/icons/kueruma-$size.png
  [ "$(identify -format '%wx%h' "$icon")" = "${size}x$size" ] || fail "$icon is not ${size}x$size"
  # A light figure on black: the corners stay black, the middle third is partly lit.
  corners=$(convert "$icon" -crop 2x2+0+0 +repage -format '%[fx:maxima]' info:)
  middle=$(convert "$icon" -gravity center -crop 34%x34%+0+0 +repage -format '%[fx:maxima]' info:)
  [ "$corners" = 0 ] || fail "$icon: the corner is not black"
  awk "BEGIN { exit !($middle > 0.5) }" || fail "$icon: no figure in the middle"
done
# The Windows program's icon file holds the same pictures, each size in its place.
"$bin/kueruma-icons" --ico "$work/icons/kueruma.ico" 16 192 || fail "kueruma-icons --ico failed"
[ "$(identify -format '%wx%h ' "$work/icons/kueruma.ico")" = "16x16 192x192 " ] ||
  fail "kueruma.ico holds $(identify -format '%wx%h ' "$work/icons/kueruma.ico")"
for size in 16 192; do
  [ "$(compare -metric AE "$work/icons/kueruma.ico[$([ $size = 16 ] && echo 0 || echo 1)]" \
    "$work/icons/kueruma-$size.png" null: 2>&1)" = 0 ] || fail "kueruma.ico's $size differs from the PNG"
done
status=0
"$bin/kueruma-icons" --ico "$work/icons/big.ico" 512 2>"$work/err" || status=$?
[ $status -eq 2 ] && grep -q "up to 256" "$work/err" || fail "a 512 icon in a .ico: $status $(cat "$work/err")"
for bad in 7 1025 12x ""; do
  status=0
  "$bin/kueruma-icons" "$work/icons" "$bad" 2>"$work/err" || status=$?
  [ $status -eq 2 ] && grep -q "size \"$bad\"" "$work/err" || fail "size '$bad' not refused: $status $(cat "$work/err")"
done
status=0
"$bin/kueruma-icons" "$work/none" 32 2>"$work/err" || status=$?
[ $status -eq 1 ] && grep -q "$work/none/kueruma-32.png" "$work/err" || fail "a missing folder not named: $(cat "$work/err")"
# No icon lands at the root for an empty folder name, a size's escape sequence is not echoed,
# --help and --version are answers (status 0), and a FIFO where an icon goes is refused.
status=0
"$bin/kueruma-icons" "" 16 2>"$work/err" || status=$?
[ $status -eq 2 ] && grep -q "the folder name is empty" "$work/err" && [ ! -e /kueruma-16.png ] ||
  fail "an empty folder name not refused: $status $(cat "$work/err")"
status=0
"$bin/kueruma-icons" "$work/icons" $'1\e[31m6' 2>"$work/err" || status=$?
[ $status -eq 2 ] && grep -q 'size "1?\[31m6"' "$work/err" && ! grep -q $'\e' "$work/err" ||
  fail "an escape sequence in a size echoed: $status $(cat -v "$work/err")"
"$bin/kueruma-icons" --help | grep -q "^usage: kueruma-icons" || fail "kueruma-icons --help"
[ "$("$bin/kueruma-icons" --version)" = "kueruma-icons $version" ] || fail "kueruma-icons --version"
mkfifo "$work/icons/kueruma-32.png"
status=0
timeout 20 "$bin/kueruma-icons" "$work/icons" 32 2>"$work/err" || status=$?
[ $status -eq 2 ] && [ -p "$work/icons/kueruma-32.png" ] &&
  grep -q "kueruma-32.png is a pipe (FIFO), not a file" "$work/err" || fail "a FIFO target: $status $(cat "$work/err")"
# No address or web site in the packaging that leads nowhere.
! grep -rn '\.example\b' "$source/packaging" || fail "a placeholder address in packaging/"

# --- the package and its files --------------------------------------------------------------
# Made as make deb makes it: every date in the package is SOURCE_DATE_EPOCH's, so made again
# (a second later) it is the same bytes.
epoch=1700000000
for made in package package-again; do
  (cd "$build" && SOURCE_DATE_EPOCH=$epoch cpack -G DEB -B "$work/$made" >"$work/cpack.log" 2>&1) ||
    fail "cpack: $(cat "$work/cpack.log")"
  sleep 1
done
deb=$work/package/kueruma_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb") in $(ls "$work/package")"
cmp "$deb" "$work/package-again/$(basename "$deb")" || fail "the package made twice differs"
dates=$(export TZ=UTC; (ar tv "$deb" | awk '{ print $4, $5, $6, $7 }'; dpkg-deb -c "$deb" | awk '{ print $4, $5 }') | sort -u)
[ "$dates" = "$(export TZ=UTC; (date -d @$epoch '+%b %-d %H:%M %Y'; date -d @$epoch '+%F %R') | sort -u)" ] ||
  fail "the package holds dates other than SOURCE_DATE_EPOCH's: $dates"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort >"$work/files"
{
  for program in kueruma kueruma-replay kueruma-solve; do
    echo "./usr/games/$program"
    echo "./usr/share/man/man6/$program.6.gz"
  done
  for n in 1 2 3 4; do echo "./usr/share/kueruma/WavF_0$n.wav"; done
  for size in 16 32 48 64 128 256; do echo "./usr/share/icons/hicolor/${size}x$size/apps/$app.png"; done
  echo "./usr/share/applications/$app.desktop"
  echo "./usr/share/metainfo/$app.metainfo.xml"
  echo "./usr/share/doc/kueruma/copyright"
  echo "./usr/share/doc/kueruma/changelog.gz"
} | sort >"$work/wanted"
diff -u "$work/wanted" "$work/files" || fail "the package's files differ from the list above"
# make install puts the same files under its prefix (the programs in bin), staged by DESTDIR.
DESTDIR="$work/staged" cmake --install "$build" --prefix /opt/kueruma >"$work/install.log" ||
  fail "cmake --install: $(cat "$work/install.log")"
(cd "$work/staged/opt/kueruma" && find . -type f | sed 's|^\./bin/|./games/|' | sort) >"$work/staged-files"
sed 's|^\./usr/|./|' "$work/files" | diff -u - "$work/staged-files" ||
  fail "make install's files (+) differ from the package's (-)"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libsdl2-2.0-0 libpng16-16 libgif7 libstdc++6 libc6; do
  [[ $depends == *"$library "* ]] || fail "Depends lacks $library: $depends"
done
# One version: project(), the package, the changelog's top entry and the metainfo's last release.
# The package is unpacked into a fresh root for the rest.
dpkg-deb -x "$deb" "$work/root"
zcat "$work/root/usr/share/doc/kueruma/changelog.gz" | head -1 | grep -q "^kueruma ($version) " ||
  fail "the changelog's top entry is not $version"
grep -q "<release version=\"$version\"" "$work/root/usr/share/metainfo/$app.metainfo.xml" ||
  fail "the metainfo has no release $version"
echo "install: $(basename "$deb"), $(stat -c %s "$deb") bytes; Depends: $depends"

# --- the unpacked programs, run from another folder ------------------------------------------
games=$work/root/usr/games
mkdir "$work/elsewhere"
cd "$work/elsewhere"
for program in kueruma kueruma-replay kueruma-solve; do
  said=$("$games/$program" --version) || fail "$program --version failed"
  [ "$said" = "$program $version" ] || fail "$program --version says '$said'"
done
stage=3
score=$(sed -n "s/^stage-$stage.txt score=\([0-9]*\) .*/\1/p" "$source/replays/expected.txt")
last=$("$games/kueruma-replay" --trace --stage $stage "$source/replays/stage-$stage.txt" | tail -1)
[[ $last == *"\"score\":$score,"* ]] || fail "the installed runner ends stage $stage at ${last:0:200}"
echo "install: the installed kueruma-replay replays stage $stage to $score"

# Every --option a program's --help names is in its manual page, and the reverse.
for program in kueruma kueruma-replay kueruma-solve; do
  page=$work/root/usr/share/man/man6/$program.6.gz
  "$games/$program" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u >"$work/help-options"
  zcat "$page" | grep -v '^\.\\"' | grep -oE '\\-\\-[a-z]([a-z]|\\-)*' | tr -d '\\' | sort -u >"$work/page-options"
  diff -u "$work/help-options" "$work/page-options" >"$work/options-diff" ||
    fail "$program: --help (-) and its page (+) name different options: $(cat "$work/options-diff")"
  if have man; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man --warnings on $program.6: $warnings"
  fi
done

# The Windows zip's read-me names every option the game has (kueruma.exe reads the same ones).
"$games/kueruma" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u >"$work/help-options"
{ grep -oE -- '--[a-z][a-z-]*' "$source/packaging/windows/README.txt" || true; } | sort -u >"$work/readme-options"
missing=$(comm -23 "$work/help-options" "$work/readme-options")
[ -z "$missing" ] || fail "the Windows read-me does not name: $missing"

# --- the validators -------------------------------------------------------------------------
if have desktop-file-validate; then
  desktop-file-validate "$work/root/usr/share/applications/$app.desktop" || fail "desktop-file-validate"
else echo "install: no desktop-file-validate: the menu entry is not checked"; fi
if have appstreamcli; then
  appstreamcli validate --no-net "$work/root/usr/share/metainfo/$app.metainfo.xml" >"$work/as.log" 2>&1 ||
    fail "appstreamcli: $(cat "$work/as.log")"
else echo "install: no appstreamcli: the metainfo is not checked"; fi
if have lintian; then
  lintian "$deb" >"$work/lintian.log" 2>&1 || true
  grep -v '^running with root privileges' "$work/lintian.log" || true
  # The project has no address to name yet (a made-up one would be worse): the maintainer
  # field's missing address is the one error expected.
  ! grep '^E:' "$work/lintian.log" | grep -qv 'malformed-contact' || fail "lintian reports errors"
else echo "install: no lintian: the package is not checked"; fi

# --- the installed game in a window, started from another folder ----------------------------
if [ -z "${DISPLAY:-}" ] || [ -z "$close_helper" ]; then
  echo "install: no X display or close helper: the installed game is not started"
  echo "install: every other check passed"
  exit 0
fi
mkdir "$work/title"
echo "1 -" >"$work/one.txt"
"$games/kueruma-replay" --png "$work/title" "$work/one.txt" >/dev/null
want=$(convert "$work/title/frame-000000.png" -depth 8 rgb:- | md5sum | cut -d' ' -f1)
SDL_AUDIODRIVER=dummy KUERUMA_SCALE=1 XDG_DATA_HOME=$work/data "$games/kueruma" 2>"$work/stderr" &
pid=$!
deadline=$((SECONDS + 15))
win=""
shown=""
while [ $SECONDS -le $deadline ]; do
  kill -0 "$pid" 2>/dev/null || fail "the installed game ended at start: $(cat "$work/stderr")"
  [ -n "$win" ] || win=$(xdotool search --onlyvisible --class '^kueruma$' 2>/dev/null | head -1 || true)
  if [ -n "$win" ] && import -window "$win" "$work/shot.png" 2>/dev/null; then
    shown=$(convert "$work/shot.png" -crop 632x433+0+0 +repage -depth 8 rgb:- | md5sum | cut -d' ' -f1)
    [ "$shown" = "$want" ] && [ "$(xdotool getwindowname "$win")" = "++クエルマー++" ] && break
  fi
  sleep 0.1
done
[ "$shown" = "$want" ] || fail "the installed game never showed the title screen"
# Desktops tie the window to its menu entry (and so its icon) by the window's class.
class=$(sed -n 's/^StartupWMClass=//p' "$work/root/usr/share/applications/$app.desktop")
xprop -id "$win" WM_CLASS | grep -q "\"$class\"\$" || fail "window class $(xprop -id "$win" WM_CLASS), not '$class'"
"$close_helper" "$win"
status=0
wait "$pid" || status=$?
pid=""
[ $status -eq 0 ] || fail "the installed game exited with $status"
[ ! -s "$work/stderr" ] || fail "the installed game said: $(cat "$work/stderr")"
echo "install: the installed game found its cues and showed the title"
echo "install: every check passed"
