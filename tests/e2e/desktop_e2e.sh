#!/usr/bin/env bash
# The desktop game in a real X window (run under xvfb-run, without a window manager):
# its first picture equals the headless runner's frame 0 pixel for pixel, the menu keys lead to
# the stage intro, holding Right moves the figure exactly as the runner does, and closing the
# window ends the program with status 0. A session recorded while playing a stage replays in
# the runner to the same result screen and score, and plays back in the window. Then, started
# from another folder, it finds the sound files next to itself, names a hostile one and beeps
# for it instead, and plays without an audio device (one line says so) and without a joystick.
# A display lost mid-stage keeps what was recorded. The window carries the program's icon. A settings file binding jump to Space makes
# Space the game's X (in the recording too); one with a broken line is named once and left as it is.
# The settings overlay (Esc) rebinds jump, and the next start keeps it.
# Usage: desktop_e2e.sh BIN_DIR CLOSE_HELPER
set -euo pipefail
bin=$(cd "$1" && pwd)
close_helper=$2
W=632
H=433
# shellcheck source=../scratch.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scratch.sh"
# The player's own settings file never counts here: the game as it always was.
export XDG_CONFIG_HOME="$work/config"
win=""

fail() {
  echo "e2e: FAIL: $*" >&2
  if [ -f "$work/shot.png" ]; then
    mkdir -p "$bin/../e2e-failure" && cp "$work"/*.png "$bin/../e2e-failure/" 2>/dev/null || true
    echo "e2e: last screenshot kept in $(cd "$bin/.." && pwd)/e2e-failure" >&2
  fi
  exit 1
}

# Pictures are compared as raw RGB bytes: the game draws greys, so each grey PNG frame of the
# runner expands to r = g = b, exactly what the window must show at scale 1.
hash_frame() { grep -m1 " ${1%.png}.rgb\$" "$(dirname "$1")/hashes" | cut -d' ' -f1; }
hash_window() {
  import -window "$win" "$work/shot.png" 2>/dev/null || return 1
  convert "$work/shot.png" -crop ${W}x${H}+0+0 +repage -depth 8 rgb:- | md5sum | cut -d' ' -f1
}

# Waits (up to $2 seconds) until the window shows one of the pictures whose hashes are in
# file $1; prints the matching line.
wait_for_picture() {
  local wanted=$1 seconds=$2 deadline hash line
  deadline=$((SECONDS + seconds))
  while [ $SECONDS -le $deadline ]; do
    kill -0 "$pid" 2>/dev/null || fail "the game ended early"
    if hash=$(hash_window) && line=$(grep -m1 "^$hash " "$wanted"); then
      echo "$line"
      return 0
    fi
    sleep 0.05
  done
  local expected
  expected=$(head -1 "$wanted" | cut -d' ' -f2)
  if [ -n "$expected" ] && [ -f "$expected" ]; then
    convert "$work/shot.png" -crop ${W}x${H}+0+0 +repage "$work/shot-client.png"
    echo "e2e: pixels differing from $(basename "$expected"):" \
      "$(compare -metric AE "$work/shot-client.png" "$expected" null: 2>&1 || true)" >&2
  fi
  fail "the window never showed the expected picture (such as $(basename "${expected:-none}"))"
}

frame() { printf '%s/frame-%06d.png' "$1" "$2"; }
want_frame() { echo "$(hash_frame "$1") $1" >"$work/want"; }

start_game() {
  local dir=$1
  shift
  local args=()
  while [ $# -gt 0 ] && [[ $1 == *=* ]]; do args+=("$1"); shift; done
  (cd "$dir" && exec env "${args[@]}" "${program:-$bin/kueruma}" "$@" 2>"$work/stderr") &
  pid=$!
  win=""
  local deadline=$((SECONDS + 15))
  while [ -z "$win" ]; do
    [ $SECONDS -le $deadline ] || fail "no window appeared"
    kill -0 "$pid" 2>/dev/null || { st=0; wait "$pid" || st=$?; fail "kueruma exited at start with status $st: $(cat "$work/stderr")"; }
    # xdotool's --name reads only the legacy WM_NAME, which cannot carry a Japanese title in
    # its C locale, so the window is found by class and its title checked in full below.
    win=$(xdotool search --onlyvisible --class '^kueruma$' 2>/dev/null | head -1 || true)
    [ -n "$win" ] || sleep 0.05
  done
  # The title may reach the X server a moment after the window is mapped.
  local title=""
  while title=$(xdotool getwindowname "$win" 2>/dev/null || true); [ "$title" != "++クエルマー++" ]; do
    [ $SECONDS -le $deadline ] || fail "window title is '$title'"
    sleep 0.05
  done
  timeout 5 xdotool windowfocus --sync "$win" || fail "cannot focus the window"
}

# Closes the window; the game must end with status 0, its stderr matching the pattern $1 (empty
# by default).
close_and_check_exit() {
  local said=${1:-}
  "$close_helper" "$win"
  local deadline=$((SECONDS + 10))
  while kill -0 "$pid" 2>/dev/null; do
    [ $SECONDS -le $deadline ] || fail "the game did not end after its window was closed"
    sleep 0.05
  done
  local status=0
  wait "$pid" || status=$?
  pid=""
  [ $status -eq 0 ] || fail "exit status $status after closing the window"
  # shellcheck disable=SC2053 # $said is a pattern
  [[ "$(cat "$work/stderr")" == $said ]] || fail "the game said: '$(cat "$work/stderr")', not '$said'"
}

# A tap shows the runner's frame for that tick; when the placeholder pictures cannot tell two
# ticks apart, waiting one title tick (200 ms) more keeps the next tap out of the same tick.
tap_and_see() {
  local key=$1 before=$2 after=$3
  xdotool key "$key"
  want_frame "$after"
  wait_for_picture "$work/want" 10 >/dev/null
  if [ "$(hash_frame "$before")" = "$(hash_frame "$after")" ]; then sleep 0.3; fi
}

# --- The runner's pictures of the same story ---
printf '1 D\n1 -\n1 D\n1 -\n1 RX\n1 R\n140 R\n' >"$work/right.txt"
printf '1 D\n1 -\n1 D\n1 -\n1 X\n141 -\n' >"$work/still.txt"
mkdir "$work/right" "$work/still"
(cd "$bin" && ./kueruma-replay --png "$work/right" "$work/right.txt" >/dev/null)
(cd "$bin" && ./kueruma-replay --png "$work/still" "$work/still.txt" >/dev/null)
for run in right still; do
  mogrify -format rgb -depth 8 "$work/$run"/*.png
  md5sum "$work/$run"/*.rgb >"$work/$run/hashes"
done
# The play frames at least ten ticks in where holding Right has made a difference. Only while
# the canvas still draws nothing (title and intro alike) may every frame stand in for them.
: >"$work/moved"
: >"$work/played"
for tick in $(seq 16 146); do
  f=$(frame "$work/right" "$tick")
  [ -f "$f" ] || continue
  h=$(hash_frame "$f")
  echo "$h $f" >>"$work/played"
  s=$(frame "$work/still" "$tick")
  if [ ! -f "$s" ] || [ "$h" != "$(hash_frame "$s")" ]; then echo "$h $f" >>"$work/moved"; fi
done
if [ ! -s "$work/moved" ]; then
  [ "$(hash_frame "$(frame "$work/right" 0)")" = "$(hash_frame "$(frame "$work/right" 5)")" ] ||
    fail "the runner's figure does not move when Right is held"
  echo "e2e: the canvas draws nothing yet: play frames are compared, not the figure's move"
  cp "$work/played" "$work/moved"
fi

# --- The full story, with the sound files and a (dummy) audio device ---
start_game "$bin" SDL_AUDIODRIVER=dummy
# Read whole before it is searched: grep -q stops at the first match, and xprop, still writing
# the picture, would die of the closed pipe.
icon=""
for _ in $(seq 1 50); do
  icon=$(xprop -id "$win" _NET_WM_ICON || true)
  grep -qE 'Icon \(64 x 64\)|= 64, 64,' <<<"$icon" && break
  sleep 0.2
done
grep -qE 'Icon \(64 x 64\)|= 64, 64,' <<<"$icon" || fail "the window has no 64x64 icon: ${icon:0:200}"
geometry=$(xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: //p')
[ "$geometry" = "${W}x${H}" ] || fail "window is $geometry, not ${W}x${H} at scale 1"
want_frame "$(frame "$work/right" 0)"
wait_for_picture "$work/want" 10 >/dev/null
tap_and_see Down "$(frame "$work/right" 0)" "$(frame "$work/right" 1)"
tap_and_see Down "$(frame "$work/right" 1)" "$(frame "$work/right" 3)"
# Right is held from here on: the title ignores it, and every Play tick sees it, as in right.txt.
xdotool keydown Right
xdotool key x
want_frame "$(frame "$work/right" 5)"
wait_for_picture "$work/want" 10 >/dev/null
seen=$(wait_for_picture "$work/moved" 15)
xdotool keyup Right
echo "e2e: during play the window showed $(basename "${seen#* }") of the run holding Right"
close_and_check_exit

# A game on the title screen, its data in $work/data; $@ are its options.
start_at_title() {
  start_game "$bin" SDL_AUDIODRIVER=dummy XDG_DATA_HOME="$work/data" "$@"
  want_frame "$(frame "$work/right" 0)"
  wait_for_picture "$work/want" 10 >/dev/null
}

# Key $1 held for a second at the title of a game recording into $2: the recording holds the
# game's X ($3 says what was held, for the failure).
holding_records_x() {
  start_at_title --record "$2"
  xdotool keydown "$1" && sleep 1 && xdotool keyup "$1"
  close_and_check_exit
  grep -q '^[0-9]* X$' "$2" || fail "$3 is not X in the recording: $(grep -v '^#' "$2" | head -5)"
}

# --- The settings file: jump on Space, seen in the recording as the game's X; a broken line is
# named with its line, once, and the file is left as it was ---
settings="$work/config/kueruma/settings.toml"
mkdir -p "${settings%/*}"
printf '[keys]\njump = "Space"\n' >"$settings"
holding_records_x space "$work/space.txt" "Space held at the title"
printf '[keys]\njump = "Space"\nvolume = = 3\n' >"$settings"
cp "$settings" "$work/settings-before"
start_at_title
close_and_check_exit "kueruma: $settings:3: not TOML: *; the defaults stand for what is wrong"
cmp -s "$settings" "$work/settings-before" || fail "the broken settings file was changed"
[ ! -e "$settings.bad" ] || fail "a settings file was kept as .bad without a save"
rm -r "$work/config"
echo "e2e: a settings file binds jump to Space; a broken one is named once and left alone"

# --- The settings overlay: Esc over the title, Change keys, Jump, then C; the change is saved at
# once, and at the next start holding C at the title records the game's X ---
start_at_title
xdotool key Escape
sleep 0.5
[ "$(hash_window)" != "$(hash_frame "$(frame "$work/right" 0)")" ] || fail "Esc showed no settings overlay"
for key in Down Down Down Down Down Down Return Down Down Down Down Return c Escape Escape; do
  xdotool key $key
  sleep 0.1
done
wait_for_picture "$work/want" 10 >/dev/null
close_and_check_exit
grep -qx "jump = \[ 'C' \]" "$settings" || fail "the overlay did not save jump on C: $(cat "$settings" 2>&1)"
holding_records_x c "$work/overlay.txt" "C held after the overlay's change"
rm -r "$work/config"
echo "e2e: the settings overlay bound jump to C, and the next start kept it"

# --- A recorded session: a stage played, given up with F11, replayed by the runner and shown ---
start_at_title --record "$work/session.txt"
xdotool key Down && sleep 0.3 && xdotool key Down && sleep 0.3
xdotool keydown Right
xdotool key x
sleep 3
for key in z x z z; do xdotool key $key && sleep 0.4; done
xdotool keyup Right
xdotool key F11
# The recording is written when the result screen comes up, with the score in its header.
deadline=$((SECONDS + 15))
until grep -q '^# stage 0: score' "$work/session.txt" 2>/dev/null; do
  [ $SECONDS -le $deadline ] || fail "no stage end in the recording: $(head -5 "$work/session.txt")"
  sleep 0.1
done
read -r score result_tick < <(sed -n 's/^# stage 0: score \(-*[0-9]*\) on the result screen at tick \([0-9]*\)$/\1 \2/p' "$work/session.txt")
grep -q '^[0-9]* [LURDXZ]*F$' "$work/session.txt" || fail "F11 is not in the recording"
mkdir "$work/session"
"$bin/kueruma-replay" --png "$work/session" "$work/session.txt" >/dev/null
mogrify -format rgb -depth 8 "$work/session"/*.png
md5sum "$work/session"/*.rgb >"$work/session/hashes"
result_frame=$(frame "$work/session" "$result_tick")
[ -f "$result_frame" ] || fail "the replay painted no result screen at tick $result_tick"
want_frame "$result_frame"
wait_for_picture "$work/want" 10 >/dev/null
close_and_check_exit
last=$("$bin/kueruma-replay" --trace "$work/session.txt" | tail -1)
[[ $last == *'"screen":4,'* && $last == *"\"score\":$score,"* ]] ||
  fail "the whole recording replays to ${last:0:200}"
run=$(ls "$work/data/kueruma/runs/"*-stage-0-score-"$score".txt) || fail "the stage's run was not kept"
last=$("$bin/kueruma-replay" --trace --stage 0 "$run" | tail -1)
[[ $last == *'"screen":4,'* && $last == *"\"score\":$score,"* ]] ||
  fail "the kept run replays to ${last:0:200}"
for file in "$work/session.txt" "$run"; do
  "$bin/kueruma-replay" --verify "$file" >"$work/verified" 2>&1 ||
    fail "the real window's $file does not verify: $(cat "$work/verified")"
done
XDG_DATA_HOME="$work/data" "$bin/kueruma" --bests | grep -qx "stage 0: score $score, played .*, $run" ||
  fail "kueruma --bests does not list the kept run $run"
echo "e2e: recorded stage 0 with score $score; the window and both replays agree and verify"
# The recording shown in the window reaches the same result screen.
start_game "$bin" SDL_AUDIODRIVER=dummy XDG_DATA_HOME="$work/data" --play "$work/session.txt"
wait_for_picture "$work/want" 30 >/dev/null
close_and_check_exit

# --- From another folder, a copy of the game whose menu cue is a 1 Hz wave (once a crash on
# the first menu key) and the other cues nowhere: the file is named, the cues found nowhere are
# named with the folders searched, the cues beep. Without an audio device: one line. ---
mkdir "$work/empty" "$work/copy"
cp "$bin/kueruma" "$work/copy/"
{
  printf 'RIFF\x44\x4e\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00'
  printf '\x01\x00\x00\x00\x01\x00\x00\x00\x01\x00\x08\x00data\x20\x4e\x00\x00'
  head -c 20000 /dev/zero | tr '\0' '\200'
} >"$work/copy/WavF_01.wav"
program="$work/copy/kueruma"
drivers="dummy no-such-audio-driver"
# Without a sound card, ALSA's own complaints (eight lines) must not reach the player.
[ -e /dev/snd ] || drivers="$drivers alsa"
for driver in $drivers; do
  start_game "$work/empty" SDL_AUDIODRIVER=$driver
  want_frame "$(frame "$work/still" 0)"
  wait_for_picture "$work/want" 10 >/dev/null
  tap_and_see Down "$(frame "$work/still" 0)" "$(frame "$work/still" 1)"
  tap_and_see Down "$(frame "$work/still" 1)" "$(frame "$work/still" 3)"
  xdotool key x
  want_frame "$(frame "$work/still" 5)"
  wait_for_picture "$work/want" 10 >/dev/null
  case $driver in
  dummy) close_and_check_exit "kueruma: $work/copy/WavF_01.wav is not played (a rate of 1 Hz, not 4000 to 192000); its cue beeps instead
kueruma: WavF_02.wav, WavF_03.wav, WavF_04.wav not found in $work/copy/, $work/copy/../share/kueruma/, or the working folder; their cues beep instead" ;;
  alsa) close_and_check_exit "kueruma: no sound device (ALSA*); the game plays silently" ;;
  *) close_and_check_exit "kueruma: no sound (Audio target '$driver' not available); the game plays silently" ;;
  esac
done
# --- A display lost mid-stage (its X server gone) keeps every tick recorded until then ---
Xvfb -displayfd 3 -screen 0 800x600x24 3>"$work/display" 2>/dev/null &
xvfb=$!
until [ -s "$work/display" ]; do kill -0 $xvfb 2>/dev/null || fail "no second X server"; sleep 0.05; done
(DISPLAY=":$(cat "$work/display")" SDL_AUDIODRIVER=dummy XDG_DATA_HOME="$work/data" \
  exec "$bin/kueruma" --play "$work/right.txt" --record "$work/lost.txt" 2>"$work/stderr") &
pid=$!
# The script's menu keys take about a second, the stage intro two more.
sleep 4
kill $xvfb
wait $xvfb || true
status=0
wait "$pid" || status=$?
pid=""
ticks=$(sed -n 's/^# \([0-9]*\) ticks$/\1/p' "$work/lost.txt")
[ "${ticks:-0}" -gt 6 ] || fail "a lost display kept ${ticks:-no} ticks (status $status): $(cat "$work/stderr")"
echo "e2e: the display was lost at tick $ticks; the recording kept every tick"
echo "e2e: passed"
