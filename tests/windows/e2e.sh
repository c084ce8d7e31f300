#!/usr/bin/env bash
# Plays the Windows program under Wine as a person would: looks at the title screen, picks
# "NewGame" with the keyboard, watches the stage intro and the play field, pauses it with P and
# goes on with P (the pause in the recording is no tick at all), gives up with F11,
# reads the result screen and quits through the window's menu, all of it recorded (--record),
# replayed by the runner to the same result and shown again in the window (--play); then
# --version in a message box.
# Screenshots stay in build/windows-shots/. Usage: e2e.sh [SHOT_CHECK [KUERUMA_REPLAY]]
set -euo pipefail
. "$(dirname "$0")/wine_common.sh"

if [ -z "${KUERUMA_IN_XVFB:-}" ]; then
  need xvfb-run xdotool import convert evilwm
  ensure_prefix
  KUERUMA_IN_XVFB=1 exec timeout 300 xvfb-run "${XVFB_ARGS[@]}" "$0" "$@"
fi

check=${1:-$ROOT/build/default/bin/kueruma-shot-check}
replay=${2:-}
run="$ROOT/build/windows-run"
rm -rf "$run" "$SHOTS"
mkdir -p "$run" "$SHOTS"
cp "$WIN_BIN/kueruma.exe" "$run/"
# The sounds, from the host build that made the checker (a missing one plays the default beep).
cp "$(dirname "$check")"/WavF_0[1-4].wav "$run/" 2>/dev/null || true

# A window manager, as on any desktop: without one, Wine's X11 driver waits 2 s for someone to
# confirm that the closing window is withdrawn ("wait_for_withdrawn_state ... wait timed out"),
# and every close takes that long. evilwm decorates outside the X window, which stays the menu
# bar and the client area.
evilwm >/dev/null 2>&1 &
wm=$!
game=""
cleanup() {
  [ -n "$game" ] && kill "$game" 2>/dev/null
  wineserver -k 2>/dev/null || true
  kill "$wm" 2>/dev/null || true
  [ -n "${settings_file:-}" ] && rm -f "$settings_file"
}
trap cleanup EXIT

fail() {
  echo "FAIL $*" >&2
  [ -n "${window:-}" ] && shot "$SHOTS/failure.png" && echo "     screenshot: $SHOTS/failure.png" >&2
  exit 1
}

# The program's X window is its menu bar and client area (the window manager draws the frame
# around it). The root window is captured, cropped to it: capturing the window itself
# stalls while the game sleeps inside its window procedure.
shot() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  timeout 10 import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$1"
}

# Takes screenshots until the checker accepts one as SCREEN, for at most SECONDS.
await() {
  local screen=$1 seconds=$2 name=$3 deadline=$((SECONDS + $2))
  while [ $SECONDS -lt $deadline ]; do
    shot "$run/shot.png" && convert "$run/shot.png" -depth 8 "ppm:$run/shot.ppm" &&
      if "$check" "$screen" "$run/shot.ppm" >"$run/check.txt"; then
        cp "$run/shot.png" "$SHOTS/$name.png"
        sed 's/^/     /' "$run/check.txt"
        echo "ok   $screen seen: $SHOTS/$name.png"
        return 0
      fi
    sleep 0.2
  done
  cat "$run/check.txt" >&2
  fail "no $screen screen within ${seconds}s"
}

# A short tap: the game reads keys once per timer tick and still sees a press made between two
# ticks, so one tap moves the cursor exactly once.
tap() {
  xdotool keydown "$1"
  sleep 0.03
  xdotool keyup "$1"
}

# Starts kueruma.exe with these arguments and waits for its window.
start_game() {
  # Wine's sound drivers complain on a machine without a sound card: keep that out of the log.
  wine kueruma.exe "$@" 2>>"$run/wine.log" &
  game=$!
  window=""
  for _ in $(seq 1 100); do
    window=$(xdotool search --name '^\+\+.*\+\+$' 2>/dev/null | head -1) || true
    [ -n "$window" ] && break
    kill -0 "$game" 2>/dev/null || fail "kueruma.exe ended before showing its window"
    sleep 0.2
  done
  [ -n "$window" ] || fail "no window titled ++クエルマー++ within 20s"
  title=$(xdotool getwindowname "$window")
  [ "$title" = "++クエルマー++" ] || fail "window title is '$title'"
  echo "ok   window titled $title"
  xdotool windowfocus --sync "$window" 2>/dev/null || true
}

# The window's icon is the program's own (Wine hands it to X as _NET_WM_ICON): the figure grey
# on black, every picture of it grey, its corner black; Windows' default icon has colours. Wine
# may set it a moment after the window shows (later on a loaded machine): looked at for 10 s.
check_icon() {
  for _ in $(seq 1 50); do
    icon_is_the_games && break
    sleep 0.2
  done
  icon_is_the_games || fail "the window's icon is not the game's: $(cat "$run/icon.txt")"
  echo "ok   the window's icon is the game's figure ($(cat "$run/icon.txt"))"
}

icon_is_the_games() {
  xprop -id "$window" -notype 32c _NET_WM_ICON | tr -d ' ' | tr '=,' '\n\n' | awk '
    NR == 1 { next }
    left == 0 { if (w) pictures++; w = $1; getline; left = w * $1; corner = 1; next }
    { left--; r = int($1 / 65536) % 256; g = int($1 / 256) % 256; b = $1 % 256
      if (r != g || g != b) coloured++
      if (corner && $1 != 4278190080) dark = 1; corner = 0; if (r > 0) lit++ }
    END { if (w) pictures++
          printf "%d pictures, %d coloured pixels, %d lit\n", pictures, coloured, lit
          exit !(pictures > 0 && coloured == 0 && !dark && lit > 0) }' >"$run/icon.txt"
}

# Quits through the menu: opens "ゲーム" on the menu bar, then clicks its one item.
quit_by_menu() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove $((X + 15)) $((Y + 9)) click 1
  sleep 0.5
  # The open menu is a window of its own over the client area: capture the screen around both.
  timeout 10 import -window root -crop "$((WIDTH))x$((HEIGHT))+$X+$Y" +repage "$SHOTS/menu-open.png" || true
  xdotool mousemove $((X + 25)) $((Y + 30)) click 1
  clicked=$(date +%s%N)
  status=""
  for _ in $(seq 1 500); do
    if ! kill -0 "$game" 2>/dev/null; then
      status=0
      wait "$game" || status=$?
      break
    fi
    sleep 0.02
  done
  game_pid=$game
  game=""
  [ -n "$status" ] || { game=$game_pid; fail "kueruma.exe still runs 10s after シュウリョウ"; }
  [ "$status" -eq 0 ] || fail "kueruma.exe exited with $status"
  echo "ok   シュウリョウ closed the window and the program exited with 0" \
    "($((($(date +%s%N) - clicked) / 1000000)) ms after the click)"
}

cd "$run"
start_game --record session.txt
check_icon

await title0 20 title
# The raster canvas must draw the same lines at the same client size.
if [ -n "$replay" ]; then
  cp "$run/shot.ppm" "$run/title.ppm"
  size=$(sed -n "s/^ *client area \([0-9]*x[0-9]*\) .*/\1/p" "$run/check.txt")
  mkdir -p "$run/raster"
  echo "1 -" >"$run/one-tick.txt"
  "$replay" --client "$size" --png "$run/raster" "$run/one-tick.txt" >/dev/null
  convert "$run/raster/frame-000000.png" -depth 8 "ppm:$run/raster.ppm"
  "$check" title0 "$run/title.ppm" "$run/raster.ppm" | sed "s/^/     /" ||
    fail "the raster canvas draws the title's lines elsewhere"
  echo "ok   the raster canvas draws the same grey lines at $size"
fi

for row in 1 2; do
  tap Down
  await "title$row" 5 "title-$row"
done
tap x
await intro 5 intro
await play 10 play-start
sleep 1.5
await play 5 play
tap p
await paused 5 paused
sleep 1
tap p
await play 5 play-resumed
tap F11
await result 10 result

quit_by_menu
# The session was recorded: the runner plays it to the same result screen and score.
if [ -n "$replay" ]; then
  recorded=$(sed -n 's/^# stage 0: score \(-*[0-9]*\) on the result screen.*/\1/p' session.txt)
  [ -n "$recorded" ] || fail "the recording names no finished stage: $(head -5 session.txt)"
  last=$("$replay" --trace session.txt | tail -1)
  [[ $last == *'"screen":4,'* && $last == *"\"score\":$recorded,"* ]] ||
    fail "the recording (score $recorded) replays to ${last:0:160}"
  echo "ok   the recorded session replays to the result screen with score $recorded"
fi
# Shown with --play, the recording reaches the same result screen in the window.
start_game --play session.txt
await result 30 result-played
kill "$game" 2>/dev/null || true
wineserver -k 2>/dev/null || true
game=""

# Keys of the player's choosing, from the prefix's %APPDATA%\kueruma\settings.toml: jump on
# Space, pause on Q. X no longer jumps; Space held at the title is the game's X in the recording.
appdata="$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/AppData/Roaming"
[ -d "$appdata" ] || fail "no $appdata in the Wine prefix"
settings_file="$appdata/kueruma/settings.toml"
mkdir -p "$(dirname "$settings_file")"
printf '[keys]\njump = ["Space"]\npause = ["Q"]\n' >"$settings_file"
start_game --record keys.txt
await title0 20 keys-title
tap Down
await title1 5 keys-title-1
tap Down
await title2 5 keys-title-2
tap x
sleep 1
await title2 1 keys-x-ignored
xdotool keydown space
sleep 1
xdotool keyup space
await play 15 keys-play
tap q
await paused 5 keys-paused
tap q
await play 5 keys-resumed
quit_by_menu
rm -f "$settings_file"
grep -Eq '^[0-9]+ [A-Z+]*X' keys.txt || fail "Space held recorded no X: $(grep -v '^#' keys.txt | head -5)"
echo "ok   with jump on Space, X did nothing, Space was recorded as X and Q paused"

# --version, where no console shows it: a message box under the game's title; OK ends the
# program with status 0 and no game window. Its text, where standard output goes somewhere, is
# the version the host programs report; where it goes nowhere (closed) the box still comes.
# The box may be mapped before Wine has sized it to its text: it counts once it is small.
version_box() {
  local box="" size="" geometry
  for _ in $(seq 1 100); do
    box=$(xdotool search --name '^\+\+.*\+\+$' 2>/dev/null | head -1) || true
    if [ -n "$box" ] && geometry=$(xdotool getwindowgeometry --shell "$box" 2>/dev/null); then
      eval "$geometry"
      size=${WIDTH}x$HEIGHT
      [ "$WIDTH" -lt 400 ] && [ "$HEIGHT" -lt 200 ] && break
    fi
    box=""
    sleep 0.2
  done
  [ -n "$box" ] || fail "kueruma.exe --version showed no message box (last window: ${size:-none})"
  window=$box
  shot "$SHOTS/version.png"
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool key Return
  status=0
  wait "$game" || status=$?
  game=""
  [ $status -eq 0 ] || fail "kueruma.exe --version exited with $status"
}
if [ -n "$replay" ]; then
  wine kueruma.exe --version >version.txt 2>>"$run/wine.log" &
  game=$!
  version_box
  [ "$(tr -d '\r' <version.txt)" = "$("$replay" --version | sed 's/^kueruma-replay/kueruma/')" ] ||
    fail "kueruma.exe --version says '$(cat version.txt)'"
  wine kueruma.exe --version >&- 2>>"$run/wine.log" &
  game=$!
  version_box
  echo "ok   --version: a message box, and $(cat version.txt) on standard output"
fi
echo "screenshots: $(ls "$SHOTS" | tr '\n' ' ')"
