#!/usr/bin/env bash
# Every front end plays the same game, bit for bit: the trace of each recorded replay, and of
# random play on every stage (100,000 ticks in all), and each replay's --verify report (its
# final state's hash) come out byte for byte the same from the
# runner built with GCC (this build), with Clang, for the browser (WebAssembly under node) and
# for Windows (MinGW, under Wine). Each of those builds is brought up to date here first.
# Usage: same_trace_test.sh RUNNER REPLAY_DIR WORK_DIR
set -euo pipefail
native=$(realpath "${1:?usage: same_trace_test.sh RUNNER REPLAY_DIR WORK_DIR}")
replays=$(realpath "$2")
work=$3
root=$(cd "$(dirname "$0")/.." && pwd)
randomTicks=100000
ticksPerRun=11112

build() { # PRESET: the runner of that preset's build, configured the first time
  [ -f "$root/build/$1/CMakeCache.txt" ] || cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "${JOBS:-2}" --target kueruma-replay >/dev/null
}

# A random player: keys held 1 to 9 ticks; Down is rare, so the title menu's Exit is too.
random_script() { # SEED TICKS
  awk -v seed="$1" -v ticks="$2" 'BEGIN {
    s = seed
    split("L U R D X Z", letter, " ")
    split("3 2 3 12 3 3", odds, " ")
    for (left = ticks; left > 0; left -= n) {
      s = (s * 48271) % 2147483647; n = 1 + s % 9; if (n > left) n = left
      keys = ""
      for (i = 1; i <= 6; i++) { s = (s * 48271) % 2147483647; if (s % odds[i] == 0) keys = keys letter[i] }
      print n, (keys == "" ? "-" : keys)
    }
  }'
}

cd "$root"
build clang
NODE_PATH=/usr/share/nodejs build web
build windows
. tests/windows/wine_common.sh
ensure_prefix

rm -rf "$work"
mkdir -p "$work"
cd "$work"
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -f ./*.trace ./*.verified
}
trap cleanup EXIT

# The runs, one per line: STAGE SCRIPT. The random runs go round the stages until they have
# played 100,000 ticks (a run ends early when the player picks Exit).
cp "$replays"/stage-?.txt .
runs=()
for script in stage-?.txt; do
  stage=${script#stage-}
  runs+=("${stage%.txt} $script")
done
played=0
for ((n = 0; played < randomTicks; n++)); do
  ticks=$((randomTicks - played < ticksPerRun ? randomTicks - played : ticksPerRun))
  random_script $((n + 1)) $ticks >random-$n.txt
  runs+=("$((n % 9)) random-$n.txt")
  "$native" --stage $((n % 9)) --trace random-$n.txt >random-$n.trace
  played=$((played + $(wc -l <random-$n.trace)))
done
ticks=0
bytes=0
for run in "${runs[@]}"; do
  read -r stage script <<<"$run"
  [ -f "${script%.txt}.trace" ] || "$native" --stage "$stage" --trace "$script" >"${script%.txt}.trace"
  ticks=$((ticks + $(wc -l <"${script%.txt}.trace")))
  bytes=$((bytes + $(wc -c <"${script%.txt}.trace")))
done
echo "${#runs[@]} runs, $ticks ticks, $bytes bytes of trace from the GCC build"
for script in stage-?.txt; do "$native" --verify "$script" >"${script%.txt}.verified"; done

failures=0
compare() { # NAME COMMAND...: plays every run with COMMAND and compares its trace
  local name=$1 differ=0
  shift
  for run in "${runs[@]}"; do
    read -r stage script <<<"$run"
    local want=${script%.txt}.trace
    "$@" --stage "$stage" --trace "$script" >"$name.trace" || true
    if ! cmp -s "$name.trace" "$want"; then
      local tick said
      said=$(cmp "$name.trace" "$want" 2>&1 || true)
      tick=$(sed -n 's/.*differ: .*line \([0-9]*\).*/\1/p' <<<"$said")
      local shorter
      shorter=$(wc -l "$name.trace" "$want" | sort -n | head -1 | awk '{print $1}')
      [ -n "$tick" ] || tick="$((shorter + 1)) (one trace ends early)"
      echo "FAIL $name: $script --stage $stage differs from tick $tick on"
      diff <(sed -n "${tick%% *}p" "$want" | tr , '\n') <(sed -n "${tick%% *}p" "$name.trace" | tr , '\n') |
        head -4 || true
      differ=$((differ + 1))
    fi
  done
  for script in stage-?.txt; do
    "$@" --verify "$script" | tr -d '\r' >"$name.verified" || true
    cmp -s "$name.verified" "${script%.txt}.verified" || {
      echo "FAIL $name: --verify $script says $(cat "$name.verified")"
      differ=$((differ + 1))
    }
  done
  echo "$name: $((${#runs[@]} - differ)) of ${#runs[@]} traces and every replay's hash identical"
  failures=$((failures + differ))
}
compare clang "$root/build/clang/bin/kueruma-replay"
compare wasm node "$root/build/web/bin/kueruma-replay.js"
cp "$root/build/windows/bin/kueruma-replay.exe" .
compare wine wine kueruma-replay.exe

[ $failures -eq 0 ] || { echo "$failures trace(s) differ between front ends"; exit 1; }
echo "every front end plays every run byte for byte alike"
