#!/usr/bin/env bash
# What the desktop game costs the machine: CPU time of `kueruma` (and of the X server that shows
# it) over a stretch of wall time, idle on the title and with a stage running and no key held,
# at each scale asked for. Runs in its own Xvfb (software only, as a machine without a GPU).
# Prints a table; asserts nothing.
#
# Usage: tools/measure-cpu.sh [BIN_DIR] [SECONDS]
#   BIN_DIR   where kueruma is (default build/default/bin)
#   SECONDS   length of each measurement (default 10)
# Environment: SCALES (default "1 2"), RENDER_DRIVERS (default "default"; SDL render driver
# names such as "software opengl").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build/default/bin}" && pwd)
seconds=${2:-10}
scales=${SCALES:-1 2}
drivers=${RENDER_DRIVERS:-default}
for tool in Xvfb xdotool; do
  command -v $tool >/dev/null || { echo "measure-cpu: $tool is missing (tools/install-deps.sh build)" >&2; exit 1; }
done
[ -x "$bin/kueruma" ] || { echo "measure-cpu: no $bin/kueruma (build it first)" >&2; exit 1; }

ticks_per_second=$(getconf CLK_TCK)
xvfb_pid=""
game_pid=""
cleanup() {
  [ -z "$game_pid" ] || kill "$game_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# User plus system time of a process, in clock ticks (fields 14 and 15 of /proc/PID/stat; the
# name in field 2 is skipped as a whole since it may hold spaces).
cpu_ticks() {
  local stat
  stat=$(cat "/proc/$1/stat")
  stat=${stat##*) }
  set -- $stat
  echo $((${12} + ${13}))
}

# Percent of one core that each process used over the next $seconds.
measure() {
  local game0 x0 game1 x1
  game0=$(cpu_ticks "$game_pid")
  x0=$(cpu_ticks "$xvfb_pid")
  sleep "$seconds"
  kill -0 "$game_pid" 2>/dev/null || { echo "measure-cpu: kueruma ended during the measurement" >&2; exit 1; }
  game1=$(cpu_ticks "$game_pid")
  x1=$(cpu_ticks "$xvfb_pid")
  awk -v g=$((game1 - game0)) -v x=$((x1 - x0)) -v s="$seconds" -v t="$ticks_per_second" \
    'BEGIN { printf "%5.1f%% %7.1f%%", 100 * g / t / s, 100 * x / t / s }'
}

start_xvfb() {
  local fifo display
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
  xvfb_pid=$!
  read -r display <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$display"
}

start_game() {
  local scale=$1 driver=$2 win=""
  local -a env_vars=(KUERUMA_SCALE="$scale" SDL_AUDIODRIVER=dummy)
  [ "$driver" = default ] || env_vars+=(SDL_RENDER_DRIVER="$driver")
  (cd "$bin" && exec env "${env_vars[@]}" ./kueruma) &
  game_pid=$!
  for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --class '^kueruma$' 2>/dev/null | head -1 || true)
    [ -z "$win" ] || break
    sleep 0.1
  done
  [ -n "$win" ] || { echo "measure-cpu: no window appeared" >&2; exit 1; }
  xdotool windowfocus --sync "$win"
}

stop_game() {
  kill "$game_pid" 2>/dev/null || true
  wait "$game_pid" 2>/dev/null || true
  game_pid=""
}

start_xvfb
echo "CPU time over ${seconds} s, percent of one core: the game, and (in brackets) the X server"
printf '%-8s %-7s %-22s %-22s\n' driver scale "title, idle" "stage, no key held"
for driver in $drivers; do
  for scale in $scales; do
    start_game "$scale" "$driver"
    sleep 2
    idle=$(measure)
    # Title: Down twice to "NewGame", X to start the first stage; its intro lasts a second.
    xdotool key --delay 300 Down Down x
    sleep 3
    stage=$(measure)
    stop_game
    read -r idle_game idle_x <<<"$idle"
    read -r stage_game stage_x <<<"$stage"
    printf '%-8s %-7s %-22s %-22s\n' "$driver" "${scale}x" "$idle_game ($idle_x)" "$stage_game ($stage_x)"
  done
done
