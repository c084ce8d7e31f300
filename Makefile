# Two commands do all the set-up on a fresh Debian machine: `make play` and `make test`.
JOBS ?= $(shell nproc)
DEFAULT_BIN := build/default/bin

.PHONY: play test test-asan build deps bench windows windows-deps windows-exe demo clean format replays-record

deps:
	tools/install-deps.sh build

build: deps
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS)

play: build
	tools/play.sh $(DEFAULT_BIN)

# The Windows tests (label `windows`) cross-build the .exe themselves and run it under Wine.
test: build windows-deps
	ctest --preset default -j $(JOBS)

test-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS) -LE 'e2e|windows'

bench:
	tools/install-deps.sh build bench
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	build/bench/bin/kueruma-bench

demo: build
	tools/play.sh --headless $(DEFAULT_BIN)

windows-deps:
	tools/install-deps.sh windows

windows-exe: windows-deps
	JOBS=$(JOBS) tests/windows/cross_build.sh

# kueruma.exe with its sounds (made by the host build) and a read-me, zipped for Windows.
windows: build windows-exe
	packaging/windows/package.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.hpp')

# After a change meant to alter how the recorded replays play: rewrite replays/expected.txt and
# the per-tick digests that tests/replay_test.cpp checks them against.
replays-record: build
	$(DEFAULT_BIN)/kueruma-record-replays replays

clean:
	rm -rf build dist
