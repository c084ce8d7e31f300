# Sourced by the shell tests: a fresh scratch folder `$work`, and the program a test starts
# (its id in `$pid`), both gone when the test ends however it ends.
work=$(mktemp -d)
pid=""

cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -9 "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
